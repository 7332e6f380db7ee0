// The rules of the game on their own, with no window, no timer and no sound: the random
// source and the shuffle, the deal and its grid, picks in each phase of the turn loop, pairs
// and mismatches, the end of a game, "Exit" in each phase, and table sizes chosen mid-game.
#include "table/game.h"

#include "pairs.h"
#include "table_numbers.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <QTest>

#include <cmath>
#include <deque>

using coppix::CardArray;
using coppix::Game;
using coppix::Integer;
using coppix::Step;
using coppix::Steps;
using Phase = Game::Phase;
using Kind = Step::Kind;

namespace {

// A step as a short line, so that a sequence compares as a readable list.
QString describe(const Step& s)
{
    switch (s.kind) {
    case Kind::SetFace: return QStringLiteral("SetFace %1=%2").arg(s.card).arg(s.face);
    case Kind::PlaceCard:
        return QStringLiteral("PlaceCard %1 %2,%3 %4").arg(s.card).arg(s.left).arg(s.top).arg(s.side);
    case Kind::ShowFace: return QStringLiteral("ShowFace %1").arg(s.card);
    case Kind::HideFace: return QStringLiteral("HideFace %1").arg(s.card);
    case Kind::ShowBack: return QStringLiteral("ShowBack %1").arg(s.card);
    case Kind::HideBack: return QStringLiteral("HideBack %1").arg(s.card);
    case Kind::ParkBacks: return QStringLiteral("ParkBacks %1 %2,%3").arg(s.size).arg(s.left).arg(s.top);
    case Kind::SizeChosen: return QStringLiteral("SizeChosen %1").arg(s.size);
    case Kind::PlayCardSound: return QStringLiteral("PlayCardSound");
    case Kind::ShowStartScreen: return QStringLiteral("ShowStartScreen");
    case Kind::StartPause: return QStringLiteral("StartPause %1").arg(s.hundredths);
    case Kind::StopPause: return QStringLiteral("StopPause");
    }
    return QStringLiteral("?");
}

QStringList describe(const Steps& steps)
{
    QStringList lines;
    for (const Step& s : steps)
        lines << describe(s);
    return lines;
}

// The lines "<what> 1" .. "<what> n".
QStringList each(const QString& what, int from, int to)
{
    QStringList lines;
    for (int i = from; i <= to; ++i)
        lines << QStringLiteral("%1 %2").arg(what).arg(i);
    return lines;
}

int rowsFor(int count) { return count == 20 ? 4 : count == 48 ? 6 : 8; }

// "Exit" at once: every face down, every back of every set away at (100000, 10000), the
// start screen in front.
const QStringList exitHandler = each("HideFace", 1, 80) + QStringList{"ParkBacks 0 100000,10000", "ShowStartScreen"};

// A game on a table of 1016 x 705 pixels, dealt at the given size.
struct Table {
    coppix::Random random;
    Game game{random};
    Steps dealt;
    // The library face of each card, as the deals set them.
    QHash<int, int> faces;

    explicit Table(int count = 20)
    {
        game.Form_Load(1016, 705);
        game.takeSteps();
        game.chooseSize(Integer(count));
        learn(game.takeSteps());
        game.Main();
        dealt = game.takeSteps();
        learn(dealt);
    }

    QStringList learn(const Steps& steps)
    {
        for (const Step& s : steps)
            if (s.kind == Kind::SetFace)
                faces[s.card] = s.face;
        return describe(steps);
    }
    int faceOf(int card) const { return faces.value(card); }
    int partnerOf(int card) const
    {
        return testsupport::partners(game.cardCount(), [this](int c) { return faceOf(c); })[std::size_t(card)];
    }
    int strangerOf(int card) const
    {
        return testsupport::strangerOf(game.cardCount(), card, [this](int c) { return faceOf(c); });
    }
    // A whole event; the steps it caused.
    QStringList click(int card)
    {
        game.pick(Integer(card));
        return learn(game.takeSteps());
    }
    QStringList tick()
    {
        game.Timer1_Timer();
        return learn(game.takeSteps());
    }
    QStringList exit()
    {
        game.lblquit_Click();
        return learn(game.takeSteps());
    }
    QStringList deal()
    {
        game.Main();
        return learn(game.takeSteps());
    }
    QStringList activate()
    {
        game.Form_Activate();
        return learn(game.takeSteps());
    }
    QStringList choose(int count)
    {
        game.chooseSize(Integer(count));
        return learn(game.takeSteps());
    }
    int facesUp() const
    {
        int n = 0;
        for (int card = 1; card <= coppix::maxCards; ++card)
            n += game.faceUp(card) ? 1 : 0;
        return n;
    }
    // Finds every pair, the last one too: the table is in its end pause.
    void finish()
    {
        for (int i = 1; i <= game.cardCount(); ++i)
            if (!game.faceUp(i)) {
                click(i);
                click(partnerOf(i));
            }
    }
};

// The phases a game can be brought to before an event.
enum class Situation { NoCardUp, OneCardUp, MismatchPause, EndPause };

void bringTo(Table& t, Situation situation)
{
    switch (situation) {
    case Situation::NoCardUp: break;
    case Situation::OneCardUp: t.click(1); break;
    case Situation::MismatchPause:
        t.click(1);
        t.click(t.strangerOf(1));
        break;
    case Situation::EndPause: t.finish(); break;
    }
}

void addSituations()
{
    QTest::addColumn<int>("situation");
    QTest::newRow("no card up") << int(Situation::NoCardUp);
    QTest::newRow("one card up") << int(Situation::OneCardUp);
    QTest::newRow("mismatch pause") << int(Situation::MismatchPause);
    QTest::newRow("end pause") << int(Situation::EndPause);
}

} // namespace

class TestGame : public QObject {
    Q_OBJECT

private slots:
    // ---------------------------------------------------------------------- the shuffle

    void rndNeverReachesOne()
    {
        QVERIFY(coppix::Random::unitFromBits(0xFFFFFFFFu) < 1.0f);
        QCOMPARE(coppix::Random::unitFromBits(0), 0.0f);
        coppix::Random random;
        random.Randomize();
        float highest = 0;
        for (int i = 0; i < 200000; ++i) {
            const float r = random.Rnd();
            QVERIFY(r >= 0.0f && r < 1.0f);
            highest = std::max(highest, r);
        }
        QVERIFY(highest > 0.99f);
    }

    void shuffleIsAPermutation_data()
    {
        QTest::addColumn<int>("n");
        for (int n : {1, 2, 20, 40, 48, 80})
            QTest::newRow(qPrintable(QString::number(n))) << n;
    }
    void shuffleIsAPermutation()
    {
        QFETCH(int, n);
        coppix::Random random;
        CardArray pool{}, order{};
        for (int round = 0; round < 20; ++round) {
            coppix::Mescola(random, Integer(n), pool, order);
            QSet<int> seen;
            for (int i = 1; i <= n; ++i) {
                const int v = order[std::size_t(i)];
                QVERIFY2(v >= 1 && v <= n, qPrintable(QStringLiteral("value %1 at %2").arg(v).arg(i)));
                seen.insert(v);
            }
            QCOMPARE(seen.size(), n);
            for (Integer slot : pool)
                QCOMPARE(slot, Integer(0));
        }
    }

    void shuffleLeavesEntriesPastNAlone()
    {
        coppix::Random random;
        CardArray pool{}, order{};
        order[0] = 77;
        pool[0] = 55;
        coppix::Mescola(random, 40, pool, order);
        const CardArray before = order;
        coppix::Mescola(random, 20, pool, order);
        for (int i = 21; i <= 80; ++i)
            QCOMPARE(order[std::size_t(i)], before[std::size_t(i)]);
        QCOMPARE(order[0], Integer(77));
        QCOMPARE(pool[0], Integer(55));
    }

    void shuffleDraws_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<QList<float>>("draws");
        QTest::addColumn<QList<int>>("order");
        // Slot 3, slot 3 again (taken: nothing changes, the same place draws again), 1, 4, 2.
        QTest::newRow("a taken slot is drawn again") << 4 << QList<float>{0.5f, 0.55f, 0.0f, 0.99f, 0.3f}
                                                     << QList<int>{3, 1, 4, 2};
        // The largest single-precision value below one still lands in slot m.
        QTest::newRow("the largest draw stays in range")
            << 2 << QList<float>{std::nextafter(1.0f, 0.0f), 0.0f} << QList<int>{2, 1};
        QTest::newRow("one card") << 1 << QList<float>{0.7f} << QList<int>{1};
    }
    void shuffleDraws()
    {
        QFETCH(int, n);
        QFETCH(QList<float>, draws);
        QFETCH(QList<int>, order);
        coppix::Random random;
        std::deque<float> pending(draws.begin(), draws.end());
        random.setSource([&] {
            const float r = pending.front();
            pending.pop_front();
            return r;
        });
        CardArray pool{}, drawn{};
        coppix::Mescola(random, Integer(n), pool, drawn);
        QVERIFY(pending.empty());
        for (int i = 1; i <= n; ++i)
            QCOMPARE(int(drawn[std::size_t(i)]), order.at(i - 1));
    }

    void everyShuffleReseeds()
    {
        Table t;
        CardArray pool{}, order{};
        const int before = t.random.reseedCount();
        coppix::Mescola(t.random, 20, pool, order);
        QCOMPARE(t.random.reseedCount(), before + 1);
        coppix::Mescola(t.random, 0, pool, order); // nothing to draw, but still reseeded
        QCOMPARE(t.random.reseedCount(), before + 2);
        t.deal();
        QCOMPARE(t.random.reseedCount(), before + 4); // a deal shuffles twice
    }

    void dealsAMomentApartDiffer()
    {
        Table t;
        const CardArray first = t.game.cardOrder();
        t.deal();
        QVERIFY(first != t.game.cardOrder());
    }

    // ------------------------------------------------------------------------- the deal

    void gridGeometry_data() { testsupport::addWorkedGrids(); }
    void gridGeometry()
    {
        const testsupport::WorkedGrid worked = testsupport::fetchWorkedGrid();
        const coppix::GridGeometry grid =
            coppix::gridGeometry(worked.width, worked.height, Integer(worked.count), Integer(worked.rows));
        QCOMPARE(grid.cellSize, worked.grid.cell);
        QCOMPARE(grid.marginLeft, worked.grid.left);
        QCOMPARE(grid.marginTop, worked.grid.top);
    }

    void loadOpensTheTableAtTwentyCards()
    {
        coppix::Random random;
        Game game(random);
        // Before the table is loaded there is no size to deal.
        game.Main();
        QVERIFY(game.takeSteps().empty());
        QCOMPARE(game.phase(), Phase::NoGame);
        game.Form_Load(1016, 705);
        QCOMPARE(describe(game.takeSteps()), QStringList{"SizeChosen 20"});
        QCOMPARE(game.cardCount(), Integer(20));
        QCOMPARE(game.rowCount(), Integer(4));
        QCOMPARE(game.tableState(), Game::playing);
        QCOMPARE(game.tableWidth(), 1016);
        QCOMPARE(game.tableHeight(), 705);
        QCOMPARE(game.phase(), Phase::NoGame);
        // A count that is no table size is no choice.
        game.chooseSize(30);
        QVERIFY(game.takeSteps().empty());
        QCOMPARE(game.cardCount(), Integer(20));
        QCOMPARE(game.phase(), Phase::NoGame);
    }

    void dealLaysEveryCardFaceDown_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("rows");
        QTest::newRow("20") << 20 << 4;
        QTest::newRow("48") << 48 << 6;
        QTest::newRow("80") << 80 << 8;
    }
    void dealLaysEveryCardFaceDown()
    {
        QFETCH(int, count);
        QFETCH(int, rows);
        Table t(count); // on 1016 x 705 pixels
        const auto [cell, left, top] = testsupport::expectedGrid(1016, 705, count, rows);
        const Game& g = t.game;
        QCOMPARE(int(g.rowCount()), rows);
        const QStringList steps = describe(t.dealt);
        // The pause of the game it replaces is dropped first.
        QCOMPARE(steps.first(), QStringLiteral("StopPause"));
        const int half = count / 2;
        const int columns = count / rows;
        QSet<int> faces;
        QSet<QPair<int, int>> cells;
        for (int card = 1; card <= count; ++card) {
            const int face = g.cardFace()[std::size_t(card)];
            QVERIFY(face >= 1 && face <= coppix::faceLibrarySize);
            QVERIFY(steps.contains(QStringLiteral("SetFace %1=%2").arg(card).arg(face)));
            if (card <= half) {
                QCOMPARE(g.cardFace()[std::size_t(card + half)], Integer(face));
                faces.insert(face);
            }
            // Each card lies in the cell the deal's order gives it, its back up.
            const int k = int(std::find(g.cardOrder().begin() + 1, g.cardOrder().begin() + count + 1, card) -
                              g.cardOrder().begin());
            QVERIFY(k >= 1 && k <= count);
            const int x = left + ((k - 1) % columns) * cell;
            const int y = top + ((k - 1) / columns) * cell;
            const int placed =
                int(steps.indexOf(QStringLiteral("PlaceCard %1 %2,%3 %4").arg(card).arg(x).arg(y).arg(cell)));
            QVERIFY2(placed > 0, qPrintable(QStringLiteral("card %1 not placed in cell %2").arg(card).arg(k)));
            QCOMPARE(steps.value(placed + 1), QStringLiteral("ShowBack %1").arg(card));
            cells.insert({x, y});
            QVERIFY(!g.faceUp(card));
        }
        QCOMPARE(faces.size(), half); // no two pairs share a face
        QCOMPARE(cells.size(), count);
        QVERIFY(!steps.join(' ').contains(QLatin1String("ShowFace")));
        QCOMPARE(g.firstCard(), Integer(0));
        QCOMPARE(g.secondCard(), Integer(0));
        QCOMPARE(g.foundCards(), Integer(0));
        QCOMPARE(g.phase(), Phase::WaitingForPick);
    }

    // ------------------------------------------------------------------------ the turns

    void firstPickTurnsTheCard()
    {
        Table t;
        // The card sound comes with the pick, before the card turns.
        QCOMPARE(t.click(3), (QStringList{"PlayCardSound", "ShowFace 3", "HideBack 3"}));
        QCOMPARE(t.game.firstCard(), Integer(3));
        QCOMPARE(t.game.clickedCard(), Integer(0)); // taken: the loop waits for the next
        QCOMPARE(t.game.phase(), Phase::WaitingForPick);
    }

    void aPairStaysUpWithNoPause()
    {
        Table t;
        const int a = 2, b = t.partnerOf(2);
        t.click(a);
        QCOMPARE(t.click(b), (QStringList{"PlayCardSound", QStringLiteral("ShowFace %1").arg(b),
                                          QStringLiteral("HideBack %1").arg(b)}));
        QVERIFY(t.game.matchFlag());
        QCOMPARE(t.game.foundCards(), Integer(2));
        QCOMPARE(t.game.firstCard(), Integer(0));
        QCOMPARE(t.game.secondCard(), Integer(0));
        QCOMPARE(t.game.phase(), Phase::WaitingForPick);
        // The pair stays up through a mismatch that follows.
        int c = 1;
        while (c == a || c == b)
            ++c;
        int d = 1;
        while (d == a || d == b || d == c || d == t.partnerOf(c))
            ++d;
        t.click(c);
        t.click(d);
        t.tick();
        QVERIFY(t.game.faceUp(a) && t.game.faceUp(b));
        QCOMPARE(t.facesUp(), 2);
    }

    void aMismatchPausesThenTurnsBothBack()
    {
        Table t;
        const int a = 1, b = t.strangerOf(1);
        t.click(a);
        const QStringList second = t.click(b);
        QCOMPARE(second, (QStringList{"PlayCardSound", QStringLiteral("ShowFace %1").arg(b),
                                      QStringLiteral("HideBack %1").arg(b), "StartPause 150"}));
        QVERIFY(!t.game.matchFlag());
        QVERIFY(!t.game.tickFlag());
        QCOMPARE(t.game.phase(), Phase::MismatchPause);
        QCOMPARE(t.facesUp(), 2);
        // Until the tick nothing moves on: a pick of another card is refused and moves nothing.
        int other = 1;
        while (other == a || other == b)
            ++other;
        QVERIFY(t.click(other).isEmpty());
        QCOMPARE(t.game.phase(), Phase::MismatchPause);
        QCOMPARE(t.tick(), (QStringList{"StopPause", QStringLiteral("HideFace %1").arg(a),
                                        QStringLiteral("HideFace %1").arg(b), QStringLiteral("ShowBack %1").arg(a),
                                        QStringLiteral("ShowBack %1").arg(b)}));
        QVERIFY(t.game.tickFlag());
        QCOMPARE(t.facesUp(), 0);
        QCOMPARE(t.game.firstCard(), Integer(0));
        QCOMPARE(t.game.secondCard(), Integer(0));
        QCOMPARE(t.game.foundCards(), Integer(0));
        QCOMPARE(t.game.phase(), Phase::WaitingForPick);
    }

    void picksInEachPhase_data()
    {
        addSituations();
    }
    void picksInEachPhase()
    {
        QFETCH(int, situation);
        Table t;
        bringTo(t, Situation(situation));
        const Integer first = t.game.firstCard(), second = t.game.secondCard(), clicked = t.game.clickedCard();
        const Phase phase = t.game.phase();
        const int up = t.facesUp();
        // Every card that is up refuses a pick: no sound, no step, nothing changes.
        for (int i = 1; i <= t.game.cardCount(); ++i) {
            if (!t.game.faceUp(i))
                continue;
            const QStringList steps = t.click(i);
            QVERIFY2(steps.isEmpty(), qPrintable(QStringLiteral("card %1 picked again: %2").arg(i).arg(steps.join(", "))));
            QCOMPARE(t.game.firstCard(), first);
            QCOMPARE(t.game.secondCard(), second);
            QCOMPARE(t.game.clickedCard(), clicked);
        }
        QCOMPARE(t.game.phase(), phase);
        QCOMPARE(t.facesUp(), up);

        // A card that is face down, where there is one.
        int down = 0;
        for (int i = 1; i <= t.game.cardCount() && !down; ++i)
            if (!t.game.faceUp(i))
                down = i;
        const QStringList turned{"PlayCardSound", QStringLiteral("ShowFace %1").arg(down),
                                 QStringLiteral("HideBack %1").arg(down)};
        switch (Situation(situation)) {
        case Situation::NoCardUp:
            QCOMPARE(t.click(down), turned);
            QCOMPARE(t.game.firstCard(), Integer(down));
            QCOMPARE(t.game.secondCard(), Integer(0));
            QCOMPARE(t.game.phase(), Phase::WaitingForPick);
            QCOMPARE(t.facesUp(), up + 1);
            break;
        case Situation::OneCardUp: {
            const bool pair = t.partnerOf(first) == down;
            QCOMPARE(t.click(down), pair ? turned : turned + QStringList{"StartPause 150"});
            QCOMPARE(t.game.phase(), pair ? Phase::WaitingForPick : Phase::MismatchPause);
            if (!pair) {
                QCOMPARE(t.game.firstCard(), first);
                QCOMPARE(t.game.secondCard(), Integer(down));
                QCOMPARE(t.game.clickedCard(), Integer(down));
            }
            QCOMPARE(t.facesUp(), up + 1);
            break;
        }
        case Situation::MismatchPause:
            // Both picks are set: the click changes nothing.
            QVERIFY(t.click(down).isEmpty());
            QCOMPARE(t.game.firstCard(), first);
            QCOMPARE(t.game.secondCard(), second);
            QCOMPARE(t.game.clickedCard(), second);
            QCOMPARE(t.game.phase(), phase);
            QCOMPARE(t.facesUp(), up);
            break;
        case Situation::EndPause:
            QCOMPARE(down, 0); // no back is left
            break;
        }
    }

    void outOfRangePicksAreRefused()
    {
        Table t;
        for (int index : {0, -1, 81, 32767})
            QVERIFY(t.click(index).isEmpty());
        QCOMPARE(t.game.firstCard(), Integer(0));
    }

    void theLastPairPausesAndLeavesTheTableAsItIs()
    {
        Table t;
        for (int i = 1; i < 10; ++i) {
            t.click(i);
            t.click(t.partnerOf(i));
        }
        const int last = t.partnerOf(10);
        t.click(10);
        QCOMPARE(t.click(last), (QStringList{"PlayCardSound", QStringLiteral("ShowFace %1").arg(last),
                                             QStringLiteral("HideBack %1").arg(last), "StartPause 100"}));
        QCOMPARE(t.game.phase(), Phase::EndPause);
        QCOMPARE(t.game.foundCards(), Integer(0));
        QCOMPARE(t.tick(), QStringList{"StopPause"});
        QCOMPARE(t.game.phase(), Phase::WaitingForPick);
        QCOMPARE(t.facesUp(), 20);
        for (int i = 1; i <= 20; ++i)
            QVERIFY(t.click(i).isEmpty());
        QCOMPARE(t.game.firstCard(), Integer(0));
    }

    // ----------------------------------------------------------------------------- Exit

    void exitInEachPhase_data()
    {
        addSituations();
    }
    void exitInEachPhase()
    {
        QFETCH(int, situation);
        Table t;
        bringTo(t, Situation(situation));
        const Phase phase = t.game.phase();

        // The handler clears the table at once and brings the start screen in front; the
        // turn loop finishes the leaving at its next wait for a pick: faces down, backs
        // shown where they lie, the start screen in front once more.
        QStringList leaving;
        for (int i = 1; i <= 20; ++i)
            leaving << QStringLiteral("HideFace %1").arg(i) << QStringLiteral("ShowBack %1").arg(i);
        leaving << "ShowStartScreen";

        const QStringList exit = t.exit();
        QCOMPARE(t.game.firstCard(), Integer(0));
        QCOMPARE(t.game.secondCard(), Integer(0));
        QCOMPARE(t.facesUp(), 0);
        if (phase == Phase::WaitingForPick) {
            QCOMPARE(exit, exitHandler + leaving);
        } else {
            QCOMPARE(exit, exitHandler); // the pause runs on
            QCOMPARE(t.game.tableState(), Game::leaveRequested);
            QCOMPARE(t.game.phase(), phase);
            const QStringList rest = t.tick();
            if (phase == Phase::MismatchPause)
                // The handler runs a second time, and nothing is turned back.
                QCOMPARE(rest, QStringList{"StopPause"} + exitHandler + leaving);
            else
                QCOMPARE(rest, QStringList{"StopPause"} + leaving);
        }
        QCOMPARE(t.game.tableState(), Game::playing);
        QCOMPARE(t.game.phase(), Phase::WaitingForPick);
        QCOMPARE(t.game.foundCards(), Integer(0));
        QCOMPARE(t.facesUp(), 0);
    }

    void aNewDealEndsALeaveRequestOfThePausedGame_data()
    {
        addSituations();
    }
    void aNewDealEndsALeaveRequestOfThePausedGame()
    {
        // "Exit" in a pause leaves the request pending until the pause ends; "Play" deals
        // before that. The new game must stay on the table, not carry out the old request.
        QFETCH(int, situation);
        Table t;
        bringTo(t, Situation(situation));
        t.exit();
        const QStringList deal = t.deal();
        QVERIFY2(!deal.contains(QStringLiteral("ShowStartScreen")), qPrintable(deal.join(", ")));
        QCOMPARE(t.game.tableState(), Game::playing);
        QCOMPARE(t.game.phase(), Phase::WaitingForPick);
        QVERIFY(t.tick().isEmpty());
        // A request made in the new game is still carried out at its next wait.
        QCOMPARE(t.exit().last(), QStringLiteral("ShowStartScreen"));
        QCOMPARE(t.game.tableState(), Game::playing);
    }

    // The table brought to the front by "Play" while a game's cards are still up (the
    // desktop brought the start screen in front, not "Exit"): every face goes down before
    // the deal, so each card of the new game can be picked, and the old pause turns nothing.
    void comingToTheFrontTurnsEveryFaceDownAndDeals_data()
    {
        addSituations();
    }
    void comingToTheFrontTurnsEveryFaceDownAndDeals()
    {
        QFETCH(int, situation);
        Table t;
        bringTo(t, Situation(situation));
        const QStringList steps = t.activate();
        QCOMPARE(t.facesUp(), 0);
        QCOMPARE(t.game.phase(), Phase::WaitingForPick);
        QCOMPARE(steps.mid(0, coppix::maxCards), each(QStringLiteral("HideFace"), 1, coppix::maxCards));
        QVERIFY(steps.filter(QStringLiteral("ShowFace")).isEmpty());
        QVERIFY(steps.contains(QStringLiteral("StopPause")));
        QVERIFY(t.tick().isEmpty());
        for (int card = 1; card <= t.game.cardCount(); card += 7) {
            QVERIFY(t.click(card).contains(QStringLiteral("ShowFace %1").arg(card)));
            t.click(t.partnerOf(card));
        }
    }

    void exitTwiceIsExitOnce_data()
    {
        addSituations();
    }
    void exitTwiceIsExitOnce()
    {
        // Twice in a row, during a pause before the loop's next wait or with the loop
        // waiting, "Exit" leaves the table as once does, and what the pause's tick does
        // after it is the same.
        QFETCH(int, situation);
        Table once, twice;
        for (Table* t : {&once, &twice}) {
            bringTo(*t, Situation(situation));
            // The same cards up on both tables, whatever their deals.
            QCOMPARE(t->facesUp(), once.facesUp());
        }
        once.exit();
        twice.exit();
        twice.exit();
        QCOMPARE(twice.game.tableState(), once.game.tableState());
        QCOMPARE(twice.game.firstCard(), once.game.firstCard());
        QCOMPARE(twice.game.secondCard(), once.game.secondCard());
        QCOMPARE(twice.game.phase(), once.game.phase());
        QCOMPARE(twice.facesUp(), once.facesUp());
        QCOMPARE(twice.tick(), once.tick());
        QCOMPARE(twice.game.tableState(), once.game.tableState());
        QCOMPARE(twice.game.phase(), once.game.phase());
    }

    // ----------------------------------------------------------------- sizes mid-game

    void sizeChosenInEachPhase_data()
    {
        QTest::addColumn<int>("situation");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("parked");
        const QStringList parked20{"ParkBacks 48 10000,10000", "ParkBacks 80 10000,10000"};
        const QStringList parked48{"ParkBacks 20 10000,10000", "ParkBacks 80 10000,10000"};
        const QStringList parked80{"ParkBacks 20 10000,10000", "ParkBacks 48 10000,10000"};
        for (int count : {20, 48, 80}) {
            const QByteArray size = QByteArray::number(count);
            const QStringList parked = count == 20 ? parked20 : count == 48 ? parked48 : parked80;
            QTest::newRow("no card up, " + size) << int(Situation::NoCardUp) << count << parked;
            QTest::newRow("one card up, " + size) << int(Situation::OneCardUp) << count << parked;
            QTest::newRow("mismatch pause, " + size) << int(Situation::MismatchPause) << count << parked;
            QTest::newRow("end pause, " + size) << int(Situation::EndPause) << count << parked;
        }
    }
    void sizeChosenInEachPhase()
    {
        QFETCH(int, situation);
        QFETCH(int, count);
        QFETCH(QStringList, parked);
        Table t;
        bringTo(t, Situation(situation));
        // Every face down, the other sizes' backs away, the size marked, then the deal,
        // which drops the old pause first.
        const QStringList steps = t.choose(count);
        const QStringList before = each("HideFace", 1, 80) + parked +
                                   QStringList{QStringLiteral("SizeChosen %1").arg(count), "StopPause"};
        QCOMPARE(steps.mid(0, int(before.size())), before);
        QCOMPARE(t.game.cardCount(), Integer(count));
        QCOMPARE(int(t.game.rowCount()), rowsFor(count));
        QCOMPARE(t.game.phase(), Phase::WaitingForPick);
        QCOMPARE(t.facesUp(), 0);
        QCOMPARE(t.game.foundCards(), Integer(0));
        QCOMPARE(t.game.firstCard(), Integer(0));
        QCOMPARE(t.game.secondCard(), Integer(0));
        QCOMPARE(t.game.clickedCard(), Integer(0));
        // The old pause's tick, had its timer not been stopped, moves nothing.
        QVERIFY(t.tick().isEmpty());
        // The new game plays: a first card turns.
        QCOMPARE(t.click(count), (QStringList{"PlayCardSound", QStringLiteral("ShowFace %1").arg(count),
                                              QStringLiteral("HideBack %1").arg(count)}));
    }
};

QTEST_GUILESS_MAIN(TestGame)
#include "tst_game.moc"
