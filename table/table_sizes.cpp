// The "&Options" menu: a new game of 20, 48 or 80 cards, dealt at once.
#include "table/form1.h"

namespace coppix {

namespace {
constexpr double parkLeft = 10000;
constexpr double parkTop = 10000;
} // namespace

void Form1::venti_Click() { chooseTableSize(20, 4, dorso48, Dorso80, venti, quarantotto, ottanta); }
void Form1::quarantotto_Click() { chooseTableSize(48, 6, dorso20, Dorso80, quarantotto, venti, ottanta); }
void Form1::ottanta_Click() { chooseTableSize(80, 8, dorso20, dorso48, ottanta, venti, quarantotto); }

void Form1::chooseTableSize(Integer count, Integer rows, tk::ImageArray& parkFirst, tk::ImageArray& parkSecond,
                            tk::MenuItem* chosen, tk::MenuItem* otherFirst, tk::MenuItem* otherSecond)
{
    Text1.hide();
    Text2.hide();
    Text3.hide();
    m_game.chooseSize(count, rows);
    applySteps();
    for (tk::ImageArray* backs : {&parkFirst, &parkSecond})
        for (int i = 1; i <= backs->UBound(); ++i)
            backs->Move(i, parkLeft, parkTop);
    chosen->setChecked(true);
    otherFirst->setChecked(false);
    otherSecond->setChecked(false);
    Main();
}

} // namespace coppix
