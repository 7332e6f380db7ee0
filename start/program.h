#pragma once

namespace coppix {
class frmmain;

// Opens the start screen and runs the game until the program ends; gives the exit status.
int run();

// From now on SIGTERM and SIGINT leave as "Quit" on this start screen does (both windows
// unloaded, both sound devices closed), with the status 128 + the signal's number.
void endOnStopSignals(frmmain& startScreen);
} // namespace coppix
