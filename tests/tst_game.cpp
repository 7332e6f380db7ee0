// The rules of the game on their own, with no window, no timer and no sound: the random
// source and the shuffle, the deal and its grid, picks in each phase of the turn loop, pairs
// and mismatches, the end of a game, "Exit" in each phase, and table sizes chosen mid-game.
#include "table/game.h"

#include <QSet>
#include <QStringList>
#include <QTest>

#include <cmath>
#include <deque>

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
    case Kind::ParkBacks: return QStringLiteral("ParkBacks");
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

// A game on a table of 1016 x 705 pixels, dealt at the given size.
struct Table {
    coppix::Random random;
    Game game{random};
    Steps dealt;

    explicit Table(int count = 20)
    {
        game.tableWidth = 1016;
        game.tableHeight = 705;
        game.chooseSize(Integer(count), Integer(rowsFor(count)));
        game.takeSteps();
        game.Main();
        dealt = game.takeSteps();
    }

    int partnerOf(int card) const
    {
        const int half = game.cardCount / 2;
        return card <= half ? card + half : card - half;
    }
    // A card whose face differs from card's.
    int strangerOf(int card) const
    {
        for (int other = 1; other <= game.cardCount; ++other)
            if (game.cardFace[std::size_t(other)] != game.cardFace[std::size_t(card)])
                return other;
        return 0;
    }
    // A click on a back, followed by the turn loop; the steps it caused.
    QStringList click(int card)
    {
        game.pick(Integer(card));
        game.waitTurn();
        return describe(game.takeSteps());
    }
    QStringList tick()
    {
        game.Timer1_Timer();
        game.pauseTurn();
        return describe(game.takeSteps());
    }
    QStringList exit()
    {
        game.lblquit_Click();
        game.waitTurn();
        return describe(game.takeSteps());
    }
    int facesUp() const
    {
        int n = 0;
        for (bool up : game.faceUp)
            n += up ? 1 : 0;
        return n;
    }
    // Finds every pair but one, then the last one: the table is in its end pause.
    void finish()
    {
        for (int i = 1; i <= game.cardCount / 2; ++i) {
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
        Game game(random);
        for (int round = 0; round < 20; ++round) {
            game.Mescola(Integer(n));
            QSet<int> seen;
            for (int i = 1; i <= n; ++i) {
                const int v = game.cardOrder[std::size_t(i)];
                QVERIFY2(v >= 1 && v <= n, qPrintable(QStringLiteral("value %1 at %2").arg(v).arg(i)));
                seen.insert(v);
            }
            QCOMPARE(seen.size(), n);
            for (Integer slot : game.drawPool)
                QCOMPARE(slot, Integer(0));
        }
    }

    void shuffleLeavesEntriesPastNAlone()
    {
        coppix::Random random;
        Game game(random);
        game.cardOrder[0] = 77;
        game.drawPool[0] = 55;
        game.Mescola(40);
        const auto before = game.cardOrder;
        game.Mescola(20);
        for (int i = 21; i <= 80; ++i)
            QCOMPARE(game.cardOrder[std::size_t(i)], before[std::size_t(i)]);
        QCOMPARE(game.cardOrder[0], Integer(77));
        QCOMPARE(game.drawPool[0], Integer(55));
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
        Game game(random);
        game.Mescola(Integer(n));
        QVERIFY(pending.empty());
        for (int i = 1; i <= n; ++i)
            QCOMPARE(int(game.cardOrder[std::size_t(i)]), order.at(i - 1));
    }

    void everyShuffleReseeds()
    {
        Table t;
        const int before = t.random.reseedCount();
        t.game.Mescola(20);
        QCOMPARE(t.random.reseedCount(), before + 1);
        t.game.Mescola(0); // nothing to draw, but still reseeded
        QCOMPARE(t.random.reseedCount(), before + 2);
        t.game.Main();
        QCOMPARE(t.random.reseedCount(), before + 4); // a deal shuffles twice
    }

    void dealsAMomentApartDiffer()
    {
        Table t;
        const auto first = t.game.cardOrder;
        t.game.Main();
        QVERIFY(first != t.game.cardOrder);
    }

    // ------------------------------------------------------------------------- the deal

    void gridGeometry_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("cell");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("top");
        // Halves go to the even neighbour: 155.5 -> 156, 3.525 -> 4, 70.5 -> 70, 2.5 -> 2, 3.5 -> 4.
        QTest::newRow("1016x705, 20") << 1016 << 705 << 20 << 141 << 156 << 4;
        QTest::newRow("1016x705, 48") << 1016 << 705 << 48 << 94 << 132 << 4;
        QTest::newRow("1016x705, 80") << 1016 << 705 << 80 << 70 << 158 << 4;
        QTest::newRow("1024x700, 20") << 1024 << 700 << 20 << 140 << 162 << 4;
        QTest::newRow("height 500") << 1024 << 500 << 20 << 100 << 262 << 2;
        QTest::newRow("top 2.5 goes to 2") << 1016 << 500 << 20 << 100 << 258 << 2;
        QTest::newRow("top 3.5 goes to 4") << 1016 << 700 << 20 << 140 << 158 << 4;
        QTest::newRow("narrower than the grid") << 300 << 705 << 80 << 70 << -200 << 4;
    }
    void gridGeometry()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, count);
        QFETCH(int, cell);
        QFETCH(int, left);
        QFETCH(int, top);
        const coppix::GridGeometry grid = coppix::gridGeometry(width, height, Integer(count), Integer(rowsFor(count)));
        QCOMPARE(grid.cellSize, cell);
        QCOMPARE(grid.marginLeft, left);
        QCOMPARE(grid.marginTop, top);
    }

    void dealLaysEveryCardFaceDown_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("20") << 20;
        QTest::newRow("48") << 48;
        QTest::newRow("80") << 80;
    }
    void dealLaysEveryCardFaceDown()
    {
        QFETCH(int, count);
        Table t(count);
        const Game& g = t.game;
        const QStringList steps = describe(t.dealt);
        // The pause of the game it replaces is dropped first.
        QCOMPARE(steps.first(), QStringLiteral("StopPause"));
        const int half = count / 2;
        const int columns = count / g.rowCount;
        QSet<int> faces;
        QSet<QPair<int, int>> cells;
        for (int card = 1; card <= count; ++card) {
            const int face = g.cardFace[std::size_t(card)];
            QVERIFY(face >= 1 && face <= coppix::faceLibrarySize);
            QVERIFY(steps.contains(QStringLiteral("SetFace %1=%2").arg(card).arg(face)));
            if (card <= half) {
                QCOMPARE(g.cardFace[std::size_t(card + half)], Integer(face));
                faces.insert(face);
            }
            // Each card lies in the cell the deal's order gives it, its back up.
            const int cell = int(std::find(g.cardOrder.begin() + 1, g.cardOrder.begin() + count + 1, card) -
                                 g.cardOrder.begin());
            QVERIFY(cell >= 1 && cell <= count);
            const int left = g.marginLeft + ((cell - 1) % columns) * g.cellSize;
            const int top = g.marginTop + ((cell - 1) / columns) * g.cellSize;
            const int placed = int(steps.indexOf(
                QStringLiteral("PlaceCard %1 %2,%3 %4").arg(card).arg(left).arg(top).arg(g.cellSize)));
            QVERIFY2(placed > 0, qPrintable(QStringLiteral("card %1 not placed in cell %2").arg(card).arg(cell)));
            QCOMPARE(steps.value(placed + 1), QStringLiteral("ShowBack %1").arg(card));
            cells.insert({left, top});
            QVERIFY(!g.faceUp[std::size_t(card)]);
        }
        QCOMPARE(faces.size(), half); // no two pairs share a face
        QCOMPARE(cells.size(), count);
        QVERIFY(!steps.join(' ').contains(QLatin1String("ShowFace")));
        QCOMPARE(g.firstCard, Integer(0));
        QCOMPARE(g.secondCard, Integer(0));
        QCOMPARE(g.foundCards, Integer(0));
        QCOMPARE(g.phase(), Phase::WaitingForPick);
    }

    // ------------------------------------------------------------------------ the turns

    void firstPickTurnsTheCard()
    {
        Table t;
        QCOMPARE(t.click(3), (QStringList{"ShowFace 3", "HideBack 3"}));
        QCOMPARE(t.game.firstCard, Integer(3));
        QCOMPARE(t.game.clickedCard, Integer(0)); // taken: the loop waits for the next
        QCOMPARE(t.game.phase(), Phase::WaitingForPick);
    }

    void aPairStaysUpWithNoPause()
    {
        Table t;
        const int a = 2, b = t.partnerOf(2);
        t.click(a);
        QCOMPARE(t.click(b), (QStringList{QStringLiteral("ShowFace %1").arg(b), QStringLiteral("HideBack %1").arg(b)}));
        QVERIFY(t.game.matchFlag);
        QCOMPARE(t.game.foundCards, Integer(2));
        QCOMPARE(t.game.firstCard, Integer(0));
        QCOMPARE(t.game.secondCard, Integer(0));
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
        QVERIFY(t.game.faceUp[std::size_t(a)] && t.game.faceUp[std::size_t(b)]);
        QCOMPARE(t.facesUp(), 2);
    }

    void aMismatchPausesThenTurnsBothBack()
    {
        Table t;
        const int a = 1, b = t.strangerOf(1);
        t.click(a);
        const QStringList second = t.click(b);
        QCOMPARE(second, (QStringList{QStringLiteral("ShowFace %1").arg(b), QStringLiteral("HideBack %1").arg(b),
                                      "StartPause 150"}));
        QVERIFY(!t.game.matchFlag);
        QVERIFY(!t.game.tickFlag);
        QCOMPARE(t.game.phase(), Phase::MismatchPause);
        QCOMPARE(t.facesUp(), 2);
        // Until the tick nothing moves on.
        t.game.pauseTurn();
        QVERIFY(t.game.takeSteps().empty());
        QCOMPARE(t.tick(), (QStringList{"StopPause", QStringLiteral("HideFace %1").arg(a),
                                        QStringLiteral("HideFace %1").arg(b), QStringLiteral("ShowBack %1").arg(a),
                                        QStringLiteral("ShowBack %1").arg(b)}));
        QCOMPARE(t.facesUp(), 0);
        QCOMPARE(t.game.firstCard, Integer(0));
        QCOMPARE(t.game.secondCard, Integer(0));
        QCOMPARE(t.game.foundCards, Integer(0));
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
        const Integer first = t.game.firstCard, second = t.game.secondCard;
        const Phase phase = t.game.phase();
        const int up = t.facesUp();
        // A card that is face down, where there is one.
        int down = 0;
        for (int i = 1; i <= t.game.cardCount && !down; ++i)
            if (!t.game.faceUp[std::size_t(i)])
                down = i;
        const bool taken = down != 0 && t.game.pick(Integer(down));
        switch (Situation(situation)) {
        case Situation::NoCardUp:
            QVERIFY(taken);
            QCOMPARE(t.game.firstCard, Integer(down));
            QCOMPARE(t.game.clickedCard, Integer(down));
            break;
        case Situation::OneCardUp:
            QVERIFY(taken);
            QCOMPARE(t.game.firstCard, first);
            QCOMPARE(t.game.secondCard, Integer(down));
            QCOMPARE(t.game.clickedCard, Integer(down));
            break;
        case Situation::MismatchPause:
            // Both picks are set: the click changes nothing.
            QVERIFY(!taken);
            QCOMPARE(t.game.firstCard, first);
            QCOMPARE(t.game.secondCard, second);
            QCOMPARE(t.game.clickedCard, second);
            break;
        case Situation::EndPause:
            QCOMPARE(down, 0); // no back is left
            break;
        }
        // Every card that is up refuses a pick.
        for (int i = 1; i <= t.game.cardCount; ++i)
            if (t.game.faceUp[std::size_t(i)] && i != down)
                QVERIFY2(!t.game.pick(Integer(i)), qPrintable(QStringLiteral("card %1 picked again").arg(i)));
        t.game.takeSteps();
        QCOMPARE(t.game.phase(), phase);
        QCOMPARE(t.facesUp(), up);
    }

    void outOfRangePicksAreRefused()
    {
        Table t;
        for (int index : {0, -1, 81, 32767})
            QVERIFY(!t.game.pick(Integer(index)));
        QCOMPARE(t.game.firstCard, Integer(0));
    }

    void theLastPairPausesAndLeavesTheTableAsItIs()
    {
        Table t;
        for (int i = 1; i < 10; ++i) {
            t.click(i);
            t.click(t.partnerOf(i));
        }
        t.click(10);
        QCOMPARE(t.click(20), (QStringList{"ShowFace 20", "HideBack 20", "StartPause 100"}));
        QCOMPARE(t.game.phase(), Phase::EndPause);
        QCOMPARE(t.game.foundCards, Integer(0));
        QCOMPARE(t.tick(), QStringList{"StopPause"});
        QCOMPARE(t.game.phase(), Phase::WaitingForPick);
        QCOMPARE(t.facesUp(), 20);
        for (int i = 1; i <= 20; ++i)
            QVERIFY(!t.game.pick(Integer(i)));
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
        // The handler clears the table at once and brings the start screen in front.
        t.game.lblquit_Click();
        const QStringList handler =
            each("HideFace", 1, 80) + QStringList{"ParkBacks", "ShowStartScreen"};
        QCOMPARE(describe(t.game.takeSteps()), handler);
        QCOMPARE(t.game.tableState, Integer(4));
        QCOMPARE(t.game.firstCard, Integer(0));
        QCOMPARE(t.game.secondCard, Integer(0));
        QCOMPARE(t.facesUp(), 0);

        // The turn loop finishes the leaving at its next wait: faces down, backs shown
        // where they lie, the start screen in front once more.
        QStringList leaving;
        for (int i = 1; i <= 20; ++i)
            leaving << QStringLiteral("HideFace %1").arg(i) << QStringLiteral("ShowBack %1").arg(i);
        leaving << "ShowStartScreen";

        t.game.waitTurn();
        QStringList rest = describe(t.game.takeSteps());
        if (phase == Phase::WaitingForPick) {
            QCOMPARE(rest, leaving);
        } else {
            QVERIFY(rest.isEmpty()); // the pause runs on
            rest = t.tick();
            if (phase == Phase::MismatchPause)
                // The handler runs a second time, and nothing is turned back.
                QCOMPARE(rest, QStringList{"StopPause"} + handler + leaving);
            else
                QCOMPARE(rest, QStringList{"StopPause"} + leaving);
        }
        QCOMPARE(t.game.tableState, Integer(0));
        QCOMPARE(t.game.phase(), Phase::WaitingForPick);
        QCOMPARE(t.game.foundCards, Integer(0));
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
        t.game.Main();
        const QStringList deal = describe(t.game.takeSteps());
        QVERIFY2(!deal.contains(QStringLiteral("ShowStartScreen")), qPrintable(deal.join(", ")));
        QCOMPARE(t.game.tableState, Integer(0));
        QCOMPARE(t.game.phase(), Phase::WaitingForPick);
        QVERIFY(t.tick().isEmpty());
        // A request made in the new game is still carried out at its next wait.
        QCOMPARE(t.exit().last(), QStringLiteral("ShowStartScreen"));
        QCOMPARE(t.game.tableState, Integer(0));
    }

    void exitTwiceBeforeTheWaitIsExitOnce()
    {
        Table once, twice;
        once.click(1);
        twice.click(1);
        once.game.lblquit_Click();
        twice.game.lblquit_Click();
        twice.game.lblquit_Click();
        once.game.takeSteps();
        twice.game.takeSteps();
        once.game.waitTurn();
        twice.game.waitTurn();
        QCOMPARE(describe(twice.game.takeSteps()), describe(once.game.takeSteps()));
        QCOMPARE(twice.game.tableState, once.game.tableState);
        QCOMPARE(twice.game.firstCard, once.game.firstCard);
    }

    // ----------------------------------------------------------------- sizes mid-game

    void sizeChosenInEachPhase_data()
    {
        QTest::addColumn<int>("situation");
        QTest::addColumn<int>("count");
        for (int count : {20, 48, 80}) {
            const QByteArray size = QByteArray::number(count);
            QTest::newRow("no card up, " + size) << int(Situation::NoCardUp) << count;
            QTest::newRow("one card up, " + size) << int(Situation::OneCardUp) << count;
            QTest::newRow("mismatch pause, " + size) << int(Situation::MismatchPause) << count;
            QTest::newRow("end pause, " + size) << int(Situation::EndPause) << count;
        }
    }
    void sizeChosenInEachPhase()
    {
        QFETCH(int, situation);
        QFETCH(int, count);
        Table t;
        bringTo(t, Situation(situation));
        t.game.chooseSize(Integer(count), Integer(rowsFor(count)));
        QCOMPARE(describe(t.game.takeSteps()), each("HideFace", 1, 80));
        t.game.Main();
        const QStringList deal = describe(t.game.takeSteps());
        QCOMPARE(deal.first(), QStringLiteral("StopPause")); // the old pause is dropped
        QCOMPARE(t.game.cardCount, Integer(count));
        QCOMPARE(t.game.phase(), Phase::WaitingForPick);
        QCOMPARE(t.facesUp(), 0);
        QCOMPARE(t.game.foundCards, Integer(0));
        QCOMPARE(t.game.firstCard, Integer(0));
        QCOMPARE(t.game.secondCard, Integer(0));
        QCOMPARE(t.game.clickedCard, Integer(0));
        // The old pause's tick, had its timer not been stopped, moves nothing.
        QVERIFY(t.tick().isEmpty());
        // The new game plays: a first card turns.
        QCOMPARE(t.click(count), (QStringList{QStringLiteral("ShowFace %1").arg(count),
                                              QStringLiteral("HideBack %1").arg(count)}));
    }
};

QTEST_GUILESS_MAIN(TestGame)
#include "tst_game.moc"
