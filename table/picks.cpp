// Card picks: a click on a face-down card records it; the turn loop turns it.
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
    if (firstCard * secondCard != 0)
        return; // two cards are up
    // A card that is up already cannot be picked again.
    if (Index == firstCard)
        return;
    if (tk::ImageControl* face = Img.at(Index); face && face->Visible())
        return;
    if (firstCard != 0)
        secondCard = Index;
    else
        firstCard = Index;
    clickedCard = Index;
    if (cards->checked()) {
        MMCw.setCommand(QStringLiteral("Play"));
        MMCw.setFrom(0);
    }
}

} // namespace coppix
