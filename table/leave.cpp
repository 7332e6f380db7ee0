// Leaving the table with "Exit", the label's hover colours, and closing the table window.
#include "start/frmmain.h"
#include "table/form1.h"
#include "toolkit/colour.h"

namespace coppix {

namespace {
constexpr double awayLeft = 100000;
constexpr double awayTop = 10000;
} // namespace

void Form1::lblquit_MouseMove() { lblquit.setForeColor(tk::Orange); }

void Form1::Form_MouseMove() { lblquit.setForeColor(tk::Yellow); }

void Form1::lblquit_Click()
{
    tableState = 4;
    firstCard = 0;
    secondCard = 0;
    // Elements that do not exist are passed over.
    for (int i = 1; i <= 80; ++i) {
        Img.setVisible(i, false);
        dorso20.Move(i, awayLeft, awayTop);
        dorso48.Move(i, awayLeft, awayTop);
        Dorso80.Move(i, awayLeft, awayTop);
    }
    if (m_frmmain)
        m_frmmain->Show();
}

void Form1::Form_Unload(int& Cancel)
{
    (void)Cancel;
    MMC1.setCommand(QStringLiteral("close"));
    MMCw.setCommand(QStringLiteral("close"));
    if (m_frmmain)
        m_frmmain->Unload();
    Unload();
    tk::Program::End();
}

} // namespace coppix
