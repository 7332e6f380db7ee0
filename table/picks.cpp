// Card picks: a click on a face-down card closes the boxes and, when the rules take the
// pick, plays the card sound; the turn loop turns the card.
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
    if (!m_game.pick(Index))
        return;
    if (cards->checked()) {
        MMCw.setCommand(QStringLiteral("Play"));
        MMCw.setFrom(0);
    }
}

} // namespace coppix
