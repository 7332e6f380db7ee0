// The turn loop. Between two events the loop stands in one phase: waiting for a pick,
// or in one of its two pauses. Each event that can move it on (a pick, "Exit", the
// timer's tick) runs its handler and then the loop's next steps, until it has to wait
// again. A new deal replaces the phase, so nothing of an abandoned game runs later.
#include "start/frmmain.h"
#include "table/form1.h"

#include <cassert>

namespace coppix {

// One pass begins: the end of the game is checked first.
void Form1::startTurn()
{
    if (foundCards == cardCount) {
        foundCards = 0;
        m_phase = Phase::EndPause;
        ritardo(100);
        return;
    }
    waitForPick();
}

void Form1::waitForPick()
{
    clickedCard = 0;
    m_phase = Phase::WaitingForPick;
    waitTurn();
}

// One turn of the wait for a pick: a leave request is carried out, then a pick taken.
void Form1::waitTurn()
{
    if (m_phase != Phase::WaitingForPick)
        return;
    if (tableState == 4)
        leaveTable();
    if (clickedCard != 0)
        turnPickedCard();
}

void Form1::leaveTable()
{
    firstCard = 0;
    secondCard = 0;
    if (tk::ImageArray* backs = backsInUse()) {
        for (int i = 1; i <= cardCount; ++i) {
            Img.setVisible(i, false);
            backs->setVisible(i, true);
        }
    }
    tableState = 0;
    if (m_frmmain)
        m_frmmain->Show();
}

void Form1::turnPickedCard()
{
    tk::ImageArray* backs = backsInUse();
    Img.setVisible(clickedCard, true);
    if (backs)
        backs->setVisible(clickedCard, false);
    if (secondCard == 0) {
        startTurn();
        return;
    }
    verifica();
    if (m_phase == Phase::MismatchPause)
        return; // the pause's tick finishes the attempt
    finishAttempt();
}

// After the pair check: keep the pair or turn both cards back, and clear the picks.
void Form1::finishAttempt()
{
    if (tableState == 4)
        lblquit_Click();
    if (matchFlag) {
        foundCards = Integer(foundCards + 2);
    } else if (tk::ImageArray* backs = backsInUse()) {
        if (firstCard != 0)
            Img.setVisible(firstCard, false);
        if (secondCard != 0)
            Img.setVisible(secondCard, false);
        if (firstCard != 0)
            backs->setVisible(firstCard, true);
        if (secondCard != 0)
            backs->setVisible(secondCard, true);
    }
    firstCard = 0;
    secondCard = 0;
    startTurn();
}

void Form1::verifica()
{
    matchFlag = false;
    const std::int32_t first = Img(firstCard).picture().handle();
    const std::int32_t second = Img(secondCard).picture().handle();
    if (first == second) {
        matchFlag = true;
        return;
    }
    m_phase = Phase::MismatchPause;
    ritardo(150);
}

void Form1::ritardo(Integer tempo)
{
    tickFlag = false;
    const int milliseconds = int(tempo) * 10;
    assert(milliseconds > 0 && milliseconds <= 32767);
    Timer1.setInterval(milliseconds);
    Timer1.setEnabled(true);
}

void Form1::Timer1_Timer() { tickFlag = true; }

// The pause sees its tick: the timer stops and the loop goes on where it paused.
void Form1::pauseTurn()
{
    if (!tickFlag)
        return;
    const Phase paused = m_phase;
    if (paused != Phase::EndPause && paused != Phase::MismatchPause)
        return;
    Timer1.setEnabled(false);
    if (paused == Phase::EndPause)
        waitForPick();
    else
        finishAttempt();
}

} // namespace coppix
