// Card picks: a click on a face-down card closes the boxes; the rules take the pick or
// refuse it, and the table carries out what they ask (the card sound, the card turned).
#include "table/form1.h"

namespace coppix {

void Form1::dorso20_Click(Integer Index) { pickBack(Index); }
void Form1::dorso48_Click(Integer Index) { pickBack(Index); }
void Form1::dorso80_Click(Integer Index) { pickBack(Index); }

void Form1::pickBack(Integer Index)
{
    Text1.hide();
    Text2.hide();
    Text3.hide();
    m_game.pick(Index);
    applySteps();
}

} // namespace coppix
