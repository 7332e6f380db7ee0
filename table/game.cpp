// The rules of the game: the deal, the turn loop, the pair check and the pauses.
#include "table/game.h"

#include <cassert>
#include <cmath>
#include <utility>

namespace coppix {

namespace {
// Nearest whole number, halves going to the even one.
Long roundToLong(double value) { return Long(std::nearbyint(value)); }

// Where backs go out of sight, far outside any client area: the back sets a size choice
// leaves out, and every back when the player leaves the table.
struct Place {
    Long left, top;
};
constexpr Place parkedBySizeChoice{10000, 10000};
constexpr Place parkedByExit{100000, 10000};

Step parkBacks(Integer size, Place place)
{
    Step park{Step::Kind::ParkBacks};
    park.size = size;
    park.left = place.left;
    park.top = place.top;
    return park;
}
} // namespace

// Each value is worked out in double precision and only then taken to the nearest whole
// pixel, as the table has always laid out its grid.
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
        m_faceUp[std::size_t(card)] = up;
    step({up ? Step::Kind::ShowFace : Step::Kind::HideFace, Integer(card)});
}

void Game::setBackShown(int card, bool shown)
{
    step({shown ? Step::Kind::ShowBack : Step::Kind::HideBack, Integer(card)});
}

// --------------------------------------------------------------------------- the shuffle

void Mescola(Random& random, Integer N, CardArray& drawPool, CardArray& cardOrder)
{
    const int m = N;
    assert(m <= maxCards && "the shuffle's arrays end at the largest table");
    for (int i = 1; i <= m; ++i)
        drawPool[std::size_t(i)] = Integer(i);
    random.Randomize();
    for (int i = 1; i <= m; ++i) {
        // r < 1, so the draw k lies in 1..m. The product is formed in double precision and
        // not rounded to single before the floor, as the shuffle has always drawn.
        const double r = random.Rnd();
        const int k = int(std::floor(r * double(m))) + 1;
        if (drawPool[std::size_t(k)] == 0) {
            --i; // that slot is gone: draw again for the same place
            continue;
        }
        cardOrder[std::size_t(i)] = drawPool[std::size_t(k)];
        drawPool[std::size_t(k)] = 0;
    }
}

// ------------------------------------------------------------------ load and sizes

void Game::Form_Load(Long tableWidth, Long tableHeight)
{
    m_tableWidth = tableWidth;
    m_tableHeight = tableHeight;
    m_tableState = playing;
    setSize(tableSizes.front());
}

void Game::setSize(const TableSize& size)
{
    m_cardCount = size.cards;
    m_rowCount = size.rows;
    Step chosen{Step::Kind::SizeChosen};
    chosen.size = size.cards;
    step(chosen);
}

void Game::chooseSize(Integer cards)
{
    const int chosen = sizeIndex(cards);
    if (chosen < 0)
        return; // no table has that many cards
    hideFaces();
    // The deal places the chosen size's backs; the other sets go out of the way.
    for (const TableSize& other : tableSizes)
        if (other.cards != cards)
            step(parkBacks(other.cards, parkedBySizeChoice));
    setSize(tableSizes[std::size_t(chosen)]);
    Main();
}

// ------------------------------------------------------------------------------ the deal

void Game::Main()
{
    if (sizeIndex(m_cardCount) < 0)
        return; // the table is not loaded yet: there is no size to deal
    // Whatever the game in progress was waiting for is dropped with it, a leave request
    // made during one of its pauses included: the new game stays on the table.
    step({Step::Kind::StopPause});
    m_phase = Phase::NoGame;
    m_tableState = playing;

    m_firstCard = 0;
    m_secondCard = 0;
    Mescola(faceLibrarySize);

    // Both cards of a pair carry the one face.
    const CardArray& order = m_cardOrder;
    const int pairs = m_cardCount / 2;
    for (int i = 1; i <= pairs; ++i)
        m_cardFace[std::size_t(i)] = order[std::size_t(i)];
    for (int i = pairs + 1; i <= m_cardCount; ++i)
        m_cardFace[std::size_t(i)] = m_cardFace[std::size_t(i - pairs)];
    for (int i = 1; i <= m_cardCount; ++i)
        step({Step::Kind::SetFace, Integer(i), m_cardFace[std::size_t(i)]});

    Mescola(m_cardCount);

    const GridGeometry grid = gridGeometry(m_tableWidth, m_tableHeight, m_cardCount, m_rowCount);

    m_foundCards = 0;
    const int columns = m_cardCount / m_rowCount;
    int cell = 0;
    for (int row = 0; row < m_rowCount; ++row) {
        for (int column = 0; column < columns; ++column) {
            ++cell;
            const int card = order[std::size_t(cell)];
            Step place{Step::Kind::PlaceCard, Integer(card)};
            place.left = grid.marginLeft + column * grid.cellSize;
            place.top = grid.marginTop + row * grid.cellSize;
            place.side = grid.cellSize;
            step(place);
            setBackShown(card, true);
        }
    }

    m_firstCard = 0;
    m_secondCard = 0;
    startTurn();
}

void Game::Form_Activate()
{
    // The table may come back with a game's faces still up ("Play" on a start screen that
    // the desktop brought in front): the new game starts with every card down, each one
    // free to be picked.
    hideFaces();
    Main();
}

void Game::hideFaces()
{
    for (int i = 1; i <= maxCards; ++i)
        setFaceUp(i, false);
}

// ------------------------------------------------------------------------- the turn loop

// One pass begins: the end of the game is checked first.
void Game::startTurn()
{
    if (m_foundCards == m_cardCount) {
        m_foundCards = 0;
        m_phase = Phase::EndPause;
        ritardo(100);
        return;
    }
    waitForPick();
}

void Game::waitForPick()
{
    m_clickedCard = 0;
    m_phase = Phase::WaitingForPick;
    waitTurn();
}

// One turn of the wait for a pick: a leave request is carried out, then a pick taken.
void Game::waitTurn()
{
    if (m_phase != Phase::WaitingForPick)
        return;
    if (m_tableState == leaveRequested)
        leaveTable();
    if (m_clickedCard != 0)
        turnPickedCard();
}

void Game::leaveTable()
{
    m_firstCard = 0;
    m_secondCard = 0;
    for (int i = 1; i <= m_cardCount; ++i) {
        setFaceUp(i, false);
        setBackShown(i, true);
    }
    m_tableState = playing;
    step({Step::Kind::ShowStartScreen});
}

void Game::turnPickedCard()
{
    setFaceUp(m_clickedCard, true);
    setBackShown(m_clickedCard, false);
    if (m_secondCard == 0) {
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
    if (m_tableState == leaveRequested)
        clearForLeaving();
    if (m_matchFlag) {
        m_foundCards = Integer(m_foundCards + 2);
    } else {
        if (m_firstCard != 0)
            setFaceUp(m_firstCard, false);
        if (m_secondCard != 0)
            setFaceUp(m_secondCard, false);
        if (m_firstCard != 0)
            setBackShown(m_firstCard, true);
        if (m_secondCard != 0)
            setBackShown(m_secondCard, true);
    }
    m_firstCard = 0;
    m_secondCard = 0;
    startTurn();
}

void Game::verifica()
{
    m_matchFlag = false;
    if (m_cardFace[std::size_t(m_firstCard)] == m_cardFace[std::size_t(m_secondCard)]) {
        m_matchFlag = true;
        return;
    }
    m_phase = Phase::MismatchPause;
    ritardo(150);
}

void Game::ritardo(Integer tempo)
{
    m_tickFlag = false;
    assert(tempo > 0 && int(tempo) * 10 <= 32767);
    Step pause{Step::Kind::StartPause};
    pause.hundredths = tempo;
    step(pause);
}

void Game::Timer1_Timer()
{
    m_tickFlag = true;
    const Phase paused = m_phase;
    if (paused != Phase::EndPause && paused != Phase::MismatchPause)
        return; // no pause is waiting for this tick
    step({Step::Kind::StopPause});
    if (paused == Phase::EndPause)
        waitForPick();
    else
        finishAttempt();
}

// ------------------------------------------------------------------------ picks and Exit

void Game::pick(Integer Index)
{
    if (takePick(Index))
        step({Step::Kind::PlayCardSound});
    waitTurn();
}

bool Game::takePick(Integer Index)
{
    if (m_firstCard * m_secondCard != 0)
        return false; // two cards are up
    if (Index < 1 || Index > maxCards)
        return false;
    // A card that is up already cannot be picked again.
    if (Index == m_firstCard || m_faceUp[std::size_t(Index)])
        return false;
    if (m_firstCard != 0)
        m_secondCard = Index;
    else
        m_firstCard = Index;
    m_clickedCard = Index;
    return true;
}

void Game::lblquit_Click()
{
    clearForLeaving();
    waitTurn();
}

// The Exit handler's clearing; the turn loop runs it again when "Exit" came during the
// pause after a mismatch.
void Game::clearForLeaving()
{
    m_tableState = leaveRequested;
    m_firstCard = 0;
    m_secondCard = 0;
    for (int i = 1; i <= maxCards; ++i)
        setFaceUp(i, false);
    step(parkBacks(0, parkedByExit));
    step({Step::Kind::ShowStartScreen});
}

} // namespace coppix
