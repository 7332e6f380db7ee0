#include "start/program.h"

#include "start/frmmain.h"

#include <QApplication>

namespace coppix {

int run()
{
    frmmain startScreen;
    startScreen.Show();
    return QApplication::exec();
}

} // namespace coppix
