#include "start/program.h"

#include "start/frmmain.h"
#include "toolkit/stop_signals.h"

#include <QApplication>

namespace coppix {

void endOnStopSignals(frmmain& startScreen)
{
    tk::StopSignals::install([&startScreen](int signal) {
        if (tk::Program::ended())
            return;
        tk::Program::setExitStatus(128 + signal);
        startScreen.lblquit_Click();
    });
}

int run()
{
    frmmain startScreen;
    endOnStopSignals(startScreen);
    startScreen.Show();
    return QApplication::exec();
}

} // namespace coppix
