#pragma once
// The rules of the game, with no window: the deal, the picks, the pair check, the turn
// loop and its two pauses, leaving the table and choosing its size.
//
// The game keeps its own state (which card lies where, which face each card carries,
// which cards are face up, the picks and the counters) and never touches a control or a
// timer. Each call records, in order, what the table must now do: show or hide a face or
// a back, lay a card in its cell, start or stop the pause, bring the start screen to the
// front. The window takes those steps (takeSteps) and carries them out in that order.
//
// The turn loop stands in one phase between two events: waiting for a pick, or in one of
// its two pauses. An event that can move it on (a pick, "Exit", the pause's tick) runs
// its handler and then the loop's next steps, until the loop has to wait again. A new
// deal replaces the phase, so nothing of an abandoned game ever runs again.
#include "toolkit/random.h"

#include <array>
#include <cstdint>
#include <vector>

namespace coppix {

using Integer = std::int16_t;
using Long = std::int32_t;

// The largest table, and the size of the arrays indexed by card (element 0 unused).
inline constexpr int maxCards = 80;
// The face library the pairs are drawn from.
inline constexpr int faceLibrarySize = 40;

// The card grid of one deal, in pixels of the table.
struct GridGeometry {
    Long cellSize, marginLeft, marginTop;
};
GridGeometry gridGeometry(Long tableWidth, Long tableHeight, Integer cardCount, Integer rowCount);

// One thing the table must do.
struct Step {
    enum class Kind : std::uint8_t {
        SetFace,          // card takes the picture of library face `face`
        PlaceCard,        // card's face and back go to the square cell (left, top, side)
        ShowFace,
        HideFace,
        ShowBack,
        HideBack,
        ParkBacks,        // every back of every size goes out of sight ("Exit")
        ShowStartScreen,  // the start screen comes to the front
        StartPause,       // the pause starts: `hundredths` of a second to its tick
        StopPause,
    };
    Kind kind;
    Integer card = 0;
    Integer face = 0;
    Integer hundredths = 0;
    Long left = 0, top = 0, side = 0;

    bool operator==(const Step&) const = default;
};
using Steps = std::vector<Step>;

class Game {
public:
    enum class Phase { NoGame, WaitingForPick, EndPause, MismatchPause };

    explicit Game(tk::Random& random) : m_random(random) {}

    // ---- state ----
    std::array<Integer, maxCards + 1> drawPool{};
    std::array<Integer, maxCards + 1> cardOrder{};
    // The library face each card carries; cards i and i + cardCount/2 carry the same one.
    std::array<Integer, maxCards + 1> cardFace{};
    std::array<bool, maxCards + 1> faceUp{};
    bool matchFlag = false;
    bool tickFlag = false;
    Integer clickedCard = 0;
    Integer firstCard = 0;
    Integer secondCard = 0;
    Integer foundCards = 0;
    Integer cardCount = 0;
    Integer rowCount = 0;
    Integer tableState = 0;  // 4: the player asked to leave the table
    Long tableWidth = 0;
    Long tableHeight = 0;
    Long cellSize = 0;
    Long marginLeft = 0;
    Long marginTop = 0;

    Phase phase() const { return m_phase; }

    // ---- the rules ----
    // A new game at the current size: whatever the game in progress had pending is
    // dropped, a leave request included.
    void Main();
    // cardOrder(1..N) becomes a random permutation of 1..N, reseeded from the clock.
    void Mescola(Integer N);
    // The pair check of firstCard and secondCard; a mismatch starts the 1.5 s pause.
    void verifica();
    // Starts a pause of tempo hundredths of a second.
    void ritardo(Integer tempo);

    // A click on the back of card Index: true when the pick is taken (the card sound
    // plays then). The card is turned by the turn loop (waitTurn).
    bool pick(Integer Index);
    // The turn loop after a pick or "Exit": it turns what was picked and waits again.
    void waitTurn();
    // The pause's tick, and the turn loop going on from where it paused.
    void Timer1_Timer() { tickFlag = true; }
    void pauseTurn();
    // "Exit": clears the table and asks the turn loop to finish the leaving.
    void lblquit_Click();
    // Every face goes down, of every size.
    void hideFaces();
    // A table size chosen from the menu: every face goes down; Main deals next.
    void chooseSize(Integer count, Integer rows);

    // What the table must do, in order, since the last call.
    Steps takeSteps();

private:
    void startTurn();
    void waitForPick();
    void leaveTable();
    void turnPickedCard();
    void finishAttempt();
    void setFaceUp(int card, bool up);
    void setBackShown(int card, bool shown);
    void step(const Step& s) { m_steps.push_back(s); }

    tk::Random& m_random;
    Phase m_phase = Phase::NoGame;
    Steps m_steps;
};

} // namespace coppix
