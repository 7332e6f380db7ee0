// The table carries out the turn loop's steps: faces and backs shown and hidden, cards
// laid in their cells, the pause's timer started and stopped, the start screen brought
// to the front.
#include "table/form1.h"

namespace coppix {

namespace {
constexpr double awayLeft = 100000;
constexpr double awayTop = 10000;
} // namespace

void Form1::applySteps()
{
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
            for (int i = 1; i <= maxCards; ++i) {
                dorso20.Move(i, awayLeft, awayTop);
                dorso48.Move(i, awayLeft, awayTop);
                Dorso80.Move(i, awayLeft, awayTop);
            }
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

void Form1::resumeTurn()
{
    m_game.waitTurn();
    applySteps();
}

void Form1::resumeAfterPause()
{
    m_game.pauseTurn();
    applySteps();
}

void Form1::ritardo(Integer tempo)
{
    Timer1.setInterval(int(tempo) * 10);
    Timer1.setEnabled(true);
}

void Form1::Timer1_Timer() { m_game.Timer1_Timer(); }

} // namespace coppix
