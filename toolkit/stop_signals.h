#pragma once
#include <functional>

namespace tk {

// SIGTERM and SIGINT (a desktop's logout, `kill`, `timeout`, Ctrl+C) as events of the GUI
// thread. The signal handler only writes the signal's number into a pipe, which is all a
// handler may safely do; the GUI thread reads it from its event loop and runs the action.
// The action is to end the program, the orderly way.
//
// A GUI thread held up in a call never gets back to its event loop: so a watchdog thread,
// woken by the same handler, gives the orderly way kOrderlyEndMs from the first signal to
// reach ended(); past that it ends the process itself, with the status 128 + the signal's
// number, as a shell reports a program a signal ended. A second signal ends the program at
// once, as if no handler were there.
class StopSignals {
public:
    static constexpr int kOrderlyEndMs = 1500;

    // Installs the handlers and starts the watchdog; the action gets the signal's number.
    // Once per program.
    static bool install(std::function<void(int)> action);
    // The program has come to its end the orderly way (windows and sound gone): the
    // watchdog stands down. Harmless before install() and when called again.
    static void ended();
};

} // namespace tk
