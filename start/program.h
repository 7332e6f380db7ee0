#pragma once

namespace coppix {
// Opens the start screen and runs the game until the program ends; gives the exit status.
int run();
}
