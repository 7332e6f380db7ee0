// The card sound, and "card rustle", its switch. The check mark is the switch, and the
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

// A pick was taken: the sound plays, and the next pick's plays from the beginning again.
void Form1::playCardSound()
{
    if (!cards->checked())
        return;
    MMCw.setCommand(QStringLiteral("Play"));
    MMCw.setFrom(0);
}

} // namespace coppix
