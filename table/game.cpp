// The rules of the game: the deal, the turn loop, the pair check and the pauses.
#include "table/game.h"

#include <cassert>
#include <cmath>
#include <utility>

namespace coppix {

namespace {
// Nearest whole number, halves going to the even one.
Long roundToLong(double value) { return Long(std::nearbyint(value)); }

bool isTableSize(int count) { return count == 20 || count == 48 || count == 80; }
} // namespace

GridGeometry gridGeometry(Long tableWidth, Long tableHeight, Integer cardCount, Integer rowCount)
{
    const double fourFifths = 4.0 / 5.0;
    const int columns = cardCount / rowCount;
    GridGeometry grid{};
    grid.cellSize = roundToLong(fourFifths * tableHeight / rowCount);
    grid.marginLeft = roundToLong((tableWidth - double(columns) * grid.cellSize) / 2.0);
    grid.marginTop = roundToLong(0.005 * tableHeight);
    return grid;
}

Steps Game::takeSteps() { return std::exchange(m_steps, {}); }

void Game::setFaceUp(int card, bool up)
{
    if (card >= 1 && card <= maxCards)
        faceUp[std::size_t(card)] = up;
    step({up ? Step::Kind::ShowFace : Step::Kind::HideFace, Integer(card)});
}

void Game::setBackShown(int card, bool shown)
{
    step({shown ? Step::Kind::ShowBack : Step::Kind::HideBack, Integer(card)});
}

// ------------------------------------------------------------------------------ the deal

void Game::Mescola(Integer N)
{
    const int m = N;
    assert(m <= maxCards && "the shuffle's arrays end at 80");
    for (int i = 1; i <= m; ++i)
        drawPool[std::size_t(i)] = Integer(i);
    m_random.Randomize();
    for (int i = 1; i <= m; ++i) {
        // r < 1, so the draw k lies in 1..m.
        const double r = m_random.Rnd();
        const int k = int(std::floor(r * double(m))) + 1;
        if (drawPool[std::size_t(k)] == 0) {
            --i; // that slot is gone: draw again for the same place
            continue;
        }
        cardOrder[std::size_t(i)] = drawPool[std::size_t(k)];
        drawPool[std::size_t(k)] = 0;
    }
}

void Game::Main()
{
    // Whatever the game in progress was waiting for is dropped with it, a leave request
    // made during one of its pauses included: the new game stays on the table.
    step({Step::Kind::StopPause});
    m_phase = Phase::NoGame;
    tableState = 0;

    firstCard = 0;
    secondCard = 0;
    Mescola(faceLibrarySize);

    // Both cards of a pair carry the one face.
    const int pairs = cardCount / 2;
    for (int i = 1; i <= pairs; ++i)
        cardFace[std::size_t(i)] = cardOrder[std::size_t(i)];
    for (int i = pairs + 1; i <= cardCount; ++i)
        cardFace[std::size_t(i)] = cardFace[std::size_t(i - pairs)];
    for (int i = 1; i <= cardCount; ++i)
        step({Step::Kind::SetFace, Integer(i), cardFace[std::size_t(i)]});

    Mescola(cardCount);

    const GridGeometry grid = gridGeometry(tableWidth, tableHeight, cardCount, rowCount);
    cellSize = grid.cellSize;
    marginLeft = grid.marginLeft;
    marginTop = grid.marginTop;

    foundCards = 0;
    const int columns = cardCount / rowCount;
    int cell = 0;
    for (int row = 0; row < rowCount; ++row) {
        for (int column = 0; column < columns; ++column) {
            ++cell;
            const int card = cardOrder[std::size_t(cell)];
            Step place{Step::Kind::PlaceCard, Integer(card)};
            place.left = marginLeft + column * cellSize;
            place.top = marginTop + row * cellSize;
            place.side = cellSize;
            step(place);
            if (isTableSize(cardCount))
                setBackShown(card, true);
        }
    }

    firstCard = 0;
    secondCard = 0;
    startTurn();
}

void Game::hideFaces()
{
    for (int i = 1; i <= maxCards; ++i)
        setFaceUp(i, false);
}

void Game::chooseSize(Integer count, Integer rows)
{
    hideFaces();
    cardCount = count;
    rowCount = rows;
}

// ------------------------------------------------------------------------- the turn loop

// One pass begins: the end of the game is checked first.
void Game::startTurn()
{
    if (foundCards == cardCount) {
        foundCards = 0;
        m_phase = Phase::EndPause;
        ritardo(100);
        return;
    }
    waitForPick();
}

void Game::waitForPick()
{
    clickedCard = 0;
    m_phase = Phase::WaitingForPick;
    waitTurn();
}

// One turn of the wait for a pick: a leave request is carried out, then a pick taken.
void Game::waitTurn()
{
    if (m_phase != Phase::WaitingForPick)
        return;
    if (tableState == 4)
        leaveTable();
    if (clickedCard != 0)
        turnPickedCard();
}

void Game::leaveTable()
{
    firstCard = 0;
    secondCard = 0;
    if (isTableSize(cardCount)) {
        for (int i = 1; i <= cardCount; ++i) {
            setFaceUp(i, false);
            setBackShown(i, true);
        }
    }
    tableState = 0;
    step({Step::Kind::ShowStartScreen});
}

void Game::turnPickedCard()
{
    setFaceUp(clickedCard, true);
    if (isTableSize(cardCount))
        setBackShown(clickedCard, false);
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
void Game::finishAttempt()
{
    if (tableState == 4)
        lblquit_Click();
    if (matchFlag) {
        foundCards = Integer(foundCards + 2);
    } else if (isTableSize(cardCount)) {
        if (firstCard != 0)
            setFaceUp(firstCard, false);
        if (secondCard != 0)
            setFaceUp(secondCard, false);
        if (firstCard != 0)
            setBackShown(firstCard, true);
        if (secondCard != 0)
            setBackShown(secondCard, true);
    }
    firstCard = 0;
    secondCard = 0;
    startTurn();
}

void Game::verifica()
{
    matchFlag = false;
    if (cardFace[std::size_t(firstCard)] == cardFace[std::size_t(secondCard)]) {
        matchFlag = true;
        return;
    }
    m_phase = Phase::MismatchPause;
    ritardo(150);
}

void Game::ritardo(Integer tempo)
{
    tickFlag = false;
    assert(tempo > 0 && int(tempo) * 10 <= 32767);
    Step pause{Step::Kind::StartPause};
    pause.hundredths = tempo;
    step(pause);
}

// The pause sees its tick: the timer stops and the loop goes on where it paused.
void Game::pauseTurn()
{
    if (!tickFlag)
        return;
    const Phase paused = m_phase;
    if (paused != Phase::EndPause && paused != Phase::MismatchPause)
        return;
    step({Step::Kind::StopPause});
    if (paused == Phase::EndPause)
        waitForPick();
    else
        finishAttempt();
}

// ------------------------------------------------------------------------ picks and Exit

bool Game::pick(Integer Index)
{
    if (firstCard * secondCard != 0)
        return false; // two cards are up
    if (Index < 1 || Index > maxCards)
        return false;
    // A card that is up already cannot be picked again.
    if (Index == firstCard || faceUp[std::size_t(Index)])
        return false;
    if (firstCard != 0)
        secondCard = Index;
    else
        firstCard = Index;
    clickedCard = Index;
    return true;
}

void Game::lblquit_Click()
{
    tableState = 4;
    firstCard = 0;
    secondCard = 0;
    for (int i = 1; i <= maxCards; ++i)
        setFaceUp(i, false);
    step({Step::Kind::ParkBacks});
    step({Step::Kind::ShowStartScreen});
}

} // namespace coppix
