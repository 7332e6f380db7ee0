#pragma once
#include <functional>

namespace tk {

// SIGTERM and SIGINT (a desktop's logout, `kill`, `timeout`, Ctrl+C) as events of the GUI
// thread. The signal handler only writes the signal's number into a pipe, which is all a
// handler may safely do; the GUI thread reads it from its event loop and runs the action.
// The action is to end the program: a second signal ends it at once, as if no handler
// were there, so a program stuck outside its event loop, or in its ending, still goes.
class StopSignals {
public:
    // Installs the handlers; the action gets the signal's number. Once per program.
    static bool install(std::function<void(int)> action);
};

} // namespace tk
