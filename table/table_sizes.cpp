// The "&Options" menu: a new game of 20, 48 or 80 cards, dealt at once.
#include "table/form1.h"

namespace coppix {

// The entries in the menu's order, which is the order of the sizes.
void Form1::venti_Click() { chooseTableSize(tableSizes[0].cards); }
void Form1::quarantotto_Click() { chooseTableSize(tableSizes[1].cards); }
void Form1::ottanta_Click() { chooseTableSize(tableSizes[2].cards); }

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
