#pragma once

namespace coppix {
class frmmain;

// Opens the start screen and runs the game until the program ends; gives the exit status.
int run();

// From now on SIGTERM and SIGINT leave as "Quit" on this start screen does (both windows
// unloaded, both sound devices closed), with the status 128 + the signal's number. If the
// program has not come to tk::StopSignals::ended() within tk::StopSignals::kOrderlyEndMs
// of the signal (held up in a call), it ends all the same, with that status.
void endOnStopSignals(frmmain& startScreen);
} // namespace coppix
