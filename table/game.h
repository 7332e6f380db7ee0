#pragma once
// The rules of the game, with no window: the deal, the picks, the pair check, the turn
// loop and its two pauses, leaving the table and choosing its size.
//
// The game keeps its own state (which card lies where, which face each card carries,
// which cards are face up, the picks and the counters); only the game writes it, and
// everything else reads it through the accessors below. It never touches a control or a
// timer. Each event is one call: the table's load, a deal, a pick, the pause's tick,
// "Exit", a size chosen. The call runs the turn loop on until the loop has to wait again,
// and records, in order, what the table must now do: show or hide a face or a back, lay a
// card in its cell, park the backs out of sight, mark the size, play the card sound, start
// or stop the pause, bring the start screen to the front. The window takes those steps
// (takeSteps) and carries them out in that order.
//
// Between two events the turn loop stands in one phase: waiting for a pick, or in one of
// its two pauses. A new deal replaces the phase, so nothing of an abandoned game ever runs
// again.
#include "table/random.h"
#include "table/sizes.h"

#include <array>
#include <cstdint>
#include <vector>

namespace coppix {

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
        ParkBacks,        // the backs of the `size`-card set, or of every set back by back when
                          // `size` is 0, go to (left, top), out of sight; each keeps its size
        SizeChosen,       // the table has `size` cards now: its "&Options" entry is checked
        PlayCardSound,    // a pick was taken: the card sound plays, when it is switched on
        ShowStartScreen,  // the start screen comes to the front
        StartPause,       // the pause starts: `hundredths` of a second to its tick
        StopPause,
    };
    Kind kind;
    Integer card = 0;
    Integer face = 0;
    Integer size = 0;
    Integer hundredths = 0;
    Long left = 0, top = 0, side = 0;

    bool operator==(const Step&) const = default;
};
using Steps = std::vector<Step>;

// Values indexed by card, 1 to maxCards (element 0 unused).
using CardArray = std::array<Integer, maxCards + 1>;

// The shuffle: cardOrder(1..N) becomes a random permutation of 1..N, drawn slot by slot
// from drawPool(1..N) after random is reseeded from the clock. The entries past N, and
// entry 0, keep what they held; slots 1..N of the pool are 0 afterwards.
void Mescola(Random& random, Integer N, CardArray& drawPool, CardArray& cardOrder);

class Game {
public:
    enum class Phase { NoGame, WaitingForPick, EndPause, MismatchPause };

    // The values of tableState.
    static constexpr Integer playing = 0;
    static constexpr Integer leaveRequested = 4;  // the player asked to leave the table

    explicit Game(Random& random) : m_random(random) {}

    // ---- the events ----
    // The table is opened on a client area of that many pixels, which it keeps: the game
    // is at its first size, playing. Nothing can be dealt before.
    void Form_Load(Long tableWidth, Long tableHeight);
    // A new game at the current size, up to its first wait for a pick: whatever the game
    // in progress had pending is dropped, a leave request included.
    void Main();
    // A click on the back of card Index: taken while fewer than two cards of the attempt
    // are up, when the card plays its sound and the turn loop turns it.
    void pick(Integer Index);
    // The pause's tick: the timer stops and the turn loop goes on from where it paused.
    void Timer1_Timer();
    // "Exit": the table is cleared at once and the start screen comes to the front; the
    // turn loop finishes the leaving at its next wait for a pick.
    void lblquit_Click();
    // A table size chosen from the menu, by its number of cards (one of tableSizes): every
    // face goes down, the back sets of the other sizes are parked, and a new game is dealt.
    void chooseSize(Integer cards);
    // The table comes to the front through the program ("Play"): every face goes down and a
    // new game is dealt.
    void Form_Activate();

    // What the table must do, in order, since the last call.
    Steps takeSteps();

    // ---- the state, read only ----
    Phase phase() const { return m_phase; }
    const CardArray& drawPool() const { return m_drawPool; }
    const CardArray& cardOrder() const { return m_cardOrder; }
    // The library face each card carries; cards i and i + cardCount/2 carry the same one.
    const CardArray& cardFace() const { return m_cardFace; }
    bool faceUp(int card) const { return card >= 1 && card <= maxCards && m_faceUp[std::size_t(card)]; }
    bool matchFlag() const { return m_matchFlag; }
    bool tickFlag() const { return m_tickFlag; }
    Integer clickedCard() const { return m_clickedCard; }
    Integer firstCard() const { return m_firstCard; }
    Integer secondCard() const { return m_secondCard; }
    Integer foundCards() const { return m_foundCards; }
    Integer cardCount() const { return m_cardCount; }
    Integer rowCount() const { return m_rowCount; }
    Integer tableState() const { return m_tableState; }
    Long tableWidth() const { return m_tableWidth; }
    Long tableHeight() const { return m_tableHeight; }

private:
    void Mescola(Integer N) { coppix::Mescola(m_random, N, m_drawPool, m_cardOrder); }
    void setSize(const TableSize& size);
    // Every face goes down, of every size.
    void hideFaces();
    bool takePick(Integer Index);
    void verifica();
    void ritardo(Integer tempo);
    void clearForLeaving();
    void startTurn();
    void waitForPick();
    void waitTurn();
    void leaveTable();
    void turnPickedCard();
    void finishAttempt();
    void setFaceUp(int card, bool up);
    void setBackShown(int card, bool shown);
    void step(const Step& s) { m_steps.push_back(s); }

    Random& m_random;
    CardArray m_drawPool{};
    CardArray m_cardOrder{};
    CardArray m_cardFace{};
    std::array<bool, maxCards + 1> m_faceUp{};
    bool m_matchFlag = false;
    bool m_tickFlag = false;
    Integer m_clickedCard = 0;
    Integer m_firstCard = 0;
    Integer m_secondCard = 0;
    Integer m_foundCards = 0;
    Integer m_cardCount = 0;
    Integer m_rowCount = 0;
    Integer m_tableState = playing;
    Long m_tableWidth = 0;
    Long m_tableHeight = 0;

    Phase m_phase = Phase::NoGame;
    Steps m_steps;
};

} // namespace coppix
