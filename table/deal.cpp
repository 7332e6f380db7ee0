// A new game on the table: the rules deal it, the table lays it out.
#include "table/form1.h"

namespace coppix {

void Form1::Main()
{
    m_game.Main();
    applySteps();
}

} // namespace coppix
