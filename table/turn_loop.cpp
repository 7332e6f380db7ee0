// The table carries out the rules' steps: faces and backs shown and hidden, cards laid in
// their cells, back sets parked out of sight, the size's check mark, the card sound, the
// pause's timer started and stopped, the start screen brought to the front.
#include "table/form1.h"

namespace coppix {

void Form1::applySteps()
{
    // Every step of one call concerns the size the table has after it.
    tk::ImageArray* backs = backsInUse();
    for (const Step& s : m_game.takeSteps()) {
        switch (s.kind) {
        case Step::Kind::SetFace:
            // Face elements are made once and reused by later deals; both cards of a pair
            // show the one picture object of their face.
            if (!Img.at(s.card))
                Img.Load(s.card);
            Img(s.card).setPicture(Pic(s.face).picture());
            break;
        case Step::Kind::PlaceCard:
            // The left edge goes over in single precision, the rest as whole numbers, as
            // the table has always placed its cards.
            Img(s.card).Move(float(s.left), s.top, s.side, s.side);
            if (backs)
                (*backs)(s.card).Move(float(s.left), s.top, s.side, s.side);
            break;
        case Step::Kind::ShowFace:
        case Step::Kind::HideFace:
            // Faces exist only up to the largest table dealt so far; the others are passed over.
            Img.setVisible(s.card, s.kind == Step::Kind::ShowFace);
            break;
        case Step::Kind::ShowBack:
        case Step::Kind::HideBack:
            if (backs)
                backs->setVisible(s.card, s.kind == Step::Kind::ShowBack);
            break;
        case Step::Kind::ParkBacks:
            // The left edge in single precision, the top as a whole number; a back that a
            // set does not have is passed over.
            if (s.size == 0) {
                for (int i = 1; i <= maxCards; ++i)
                    for (tk::ImageArray* set : m_backSets)
                        set->Move(i, float(s.left), s.top);
            } else if (tk::ImageArray* set = backSet(s.size)) {
                for (int i = 1; i <= s.size; ++i)
                    set->Move(i, float(s.left), s.top);
            }
            break;
        case Step::Kind::SizeChosen:
            // The chosen size's entry first, then the others in the menu's order.
            if (tk::MenuItem* chosen = sizeEntry(s.size)) {
                chosen->setChecked(true);
                for (tk::MenuItem* entry : m_sizeEntries)
                    if (entry != chosen)
                        entry->setChecked(false);
            }
            break;
        case Step::Kind::PlayCardSound:
            playCardSound();
            break;
        case Step::Kind::ShowStartScreen:
            // The start screen in front, the table out of the desktop's window lists: it
            // comes back through "Play" alone, which deals.
            if (m_startScreen)
                m_startScreen->Show();
            hide();
            break;
        case Step::Kind::StartPause:
            ritardo(s.hundredths);
            break;
        case Step::Kind::StopPause:
            Timer1.setEnabled(false);
            break;
        }
    }
}

void Form1::ritardo(Integer tempo)
{
    Timer1.setInterval(int(tempo) * 10);
    Timer1.setEnabled(true);
}

void Form1::Timer1_Timer()
{
    m_game.Timer1_Timer();
    applySteps();
}

} // namespace coppix
