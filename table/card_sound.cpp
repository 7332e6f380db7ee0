// "card rustle": the switch of the card sound. Its check mark is the switch, and the
// card-sound device is open exactly while it is ticked.
#include "table/form1.h"

namespace coppix {

void Form1::cards_Click()
{
    if (cards->checked()) {
        cards->setChecked(false);
        MMCw.setCommand(QStringLiteral("close"));
    } else {
        cards->setChecked(true);
        MMCw.setCommand(QStringLiteral("Open"));
    }
}

} // namespace coppix
