// A new game on the table: the rules deal it, the table lays it out.
#include "table/form1.h"

namespace coppix {

void Form1::Main()
{
    m_game.Main();
    applySteps();
}

void Form1::Mescola(Integer N) { m_game.Mescola(N); }

} // namespace coppix
