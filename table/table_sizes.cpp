// The "&Options" menu: a new game of 20, 48 or 80 cards, dealt at once.
#include "table/form1.h"

namespace coppix {

void Form1::venti_Click() { chooseTableSize(20); }
void Form1::quarantotto_Click() { chooseTableSize(48); }
void Form1::ottanta_Click() { chooseTableSize(80); }

// The rules hide the faces, park the other sizes' backs, move the check mark and deal.
void Form1::chooseTableSize(Integer cards)
{
    Text1.hide();
    Text2.hide();
    Text3.hide();
    m_game.chooseSize(cards);
    applySteps();
}

} // namespace coppix
