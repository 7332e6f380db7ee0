// The rules and info boxes: at most one of the three is shown.
#include "table/form1.h"

namespace coppix {

void Form1::italiano_Click(Integer)
{
    Text3.hide();
    if (!Text1.Visible()) {
        Text1.show();
        Text2.hide();
    } else {
        Text1.hide();
    }
}

void Form1::inglese_Click(Integer)
{
    Text3.hide();
    if (!Text2.Visible()) {
        Text2.show();
        Text1.hide();
    } else {
        Text2.hide();
    }
}

void Form1::menu_about_Click()
{
    Text1.hide();
    Text2.hide();
    Text3.setVisible(!Text3.Visible());
}

void Form1::Text1_Click() { Text1.hide(); }
void Form1::Text2_Click() { Text2.hide(); }
void Form1::Text3_Click() { Text3.hide(); }

} // namespace coppix
