// Leaving the table with "Exit", the label's hover colours, and closing the table window.
#include "table/form1.h"
#include "toolkit/colour.h"

namespace coppix {

void Form1::lblquit_MouseMove() { lblquit.setForeColor(tk::Orange); }

void Form1::Form_MouseMove() { lblquit.setForeColor(tk::Yellow); }

// The table is cleared at once; the turn loop finishes the leaving at its next wait for a
// pick, at once when it was waiting for one.
void Form1::lblquit_Click()
{
    m_game.lblquit_Click();
    applySteps();
}

void Form1::Form_Unload(int& Cancel)
{
    (void)Cancel;
    MMC1.setCommand(QStringLiteral("close"));
    MMCw.setCommand(QStringLiteral("close"));
    if (m_startScreen)
        m_startScreen->Unload();
    Unload();
    tk::Program::End();
}

} // namespace coppix
