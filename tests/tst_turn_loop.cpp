// Playing a game: picks, the pair check, the two pauses, and what a new game or "Exit"
// does to a turn in progress.
#include "table_fixture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <set>

using namespace testsupport;
using coppix::Form1;
using coppix::Integer;


class TestTurnLoop : public TableTest {
    Q_OBJECT

    // Turns a mismatched pair: the table is in its 1.5 s pause afterwards.
    QPair<int, int> turnMismatch()
    {
        const int a = 1;
        const int b = strangerOf(*form, a);
        clickBack(*form, a);
        clickBack(*form, b);
        return {a, b};
    }

    bool backShown(int card) { return (*form->backsInUse())(card).Visible(); }

private slots:
    void eachBackHandlerIsTheWholeClick_data()
    {
        QTest::addColumn<int>("count");
        QTest::newRow("dorso20_Click") << 20;
        QTest::newRow("dorso48_Click") << 48;
        QTest::newRow("dorso80_Click") << 80;
    }
    void eachBackHandlerIsTheWholeClick()
    {
        // Called straight, as the toolkit's click calls it: the pick is taken, its sound
        // plays and the card turns, all in the one call.
        QFETCH(int, count);
        if (count == 48)
            form->quarantotto_Click();
        else if (count == 80)
            form->ottanta_Click();
        const auto click = [&](int card) {
            if (count == 20)
                form->dorso20_Click(Integer(card));
            else if (count == 48)
                form->dorso48_Click(Integer(card));
            else
                form->dorso80_Click(Integer(card));
        };
        QCOMPARE(form->MMCw.mode(), audio::MediaDevice::Mode::Stopped);
        click(4);
        QCOMPARE(form->game().firstCard(), Integer(4));
        QCOMPARE(form->game().secondCard(), Integer(0));
        QCOMPARE(form->game().clickedCard(), Integer(0)); // taken: the loop waits for the next
        QVERIFY(faceUp(*form, 4));
        QVERIFY(!backShown(4));
        QCOMPARE(form->MMCw.mode(), audio::MediaDevice::Mode::Playing);
        const int b = strangerOf(*form, 4);
        click(b);
        QCOMPARE(form->game().firstCard(), Integer(4));
        QCOMPARE(form->game().secondCard(), Integer(b));
        QCOMPARE(form->game().clickedCard(), Integer(b));
        QVERIFY(faceUp(*form, b));
        QCOMPARE(form->phase(), Form1::Phase::MismatchPause);
        // Two picks are set: a further click changes nothing.
        int c = 1;
        while (c == 4 || c == b)
            ++c;
        click(c);
        QCOMPARE(form->game().secondCard(), Integer(b));
        QCOMPARE(form->game().clickedCard(), Integer(b));
        QVERIFY(!faceUp(*form, c));
        // The timer's handler is the whole tick: both cards go back down.
        form->Timer1_Timer();
        QVERIFY(!faceUp(*form, 4) && !faceUp(*form, b));
        QVERIFY(backShown(4) && backShown(b));
        QVERIFY(!form->Timer1.enabled());
        QCOMPARE(form->phase(), Form1::Phase::WaitingForPick);
    }

    void firstPickTurnsTheCard()
    {
        clickBack(*form, 3);
        QVERIFY(faceUp(*form, 3));
        QVERIFY(!backShown(3));
        QCOMPARE(form->game().firstCard(), Integer(3));
        QCOMPARE(form->game().clickedCard(), Integer(0)); // taken: the loop waits for the next
        QCOMPARE(facesUp(*form), 1);
        QCOMPARE(form->phase(), Form1::Phase::WaitingForPick);
    }

    void aTurnedCardCannotBePickedAgain()
    {
        clickBack(*form, 3);
        clickBack(*form, 3);
        QCOMPARE(form->game().secondCard(), Integer(0));
        QCOMPARE(form->game().foundCards(), Integer(0));
        QCOMPARE(facesUp(*form), 1);
    }

    void keptPairStaysUp()
    {
        const int a = 2, b = partnerOf(*form, 2);
        clickBack(*form, a);
        clickBack(*form, b);
        QVERIFY(form->game().matchFlag());
        QCOMPARE(form->game().foundCards(), Integer(2));
        QVERIFY(faceUp(*form, a) && faceUp(*form, b));
        QVERIFY(!backShown(a) && !backShown(b));
        QCOMPARE(form->game().firstCard(), Integer(0));
        QCOMPARE(form->game().secondCard(), Integer(0));
        QVERIFY(!form->Timer1.enabled()); // no pause for a pair
        QCOMPARE(form->phase(), Form1::Phase::WaitingForPick);
        // The pair stays up through the rest of the game, mismatches included.
        int c = 1;
        while (c == a || c == b)
            ++c;
        int d = 1;
        while (d == a || d == b || d == c || d == partnerOf(*form, c))
            ++d;
        clickBack(*form, c);
        clickBack(*form, d);
        form->Timer1.fire();
        QVERIFY(faceUp(*form, a) && faceUp(*form, b));
        QVERIFY(!faceUp(*form, c) && !faceUp(*form, d));
        QCOMPARE(form->game().foundCards(), Integer(2));
    }

    void mismatchShowsBothThenTurnsThemBack()
    {
        const auto [a, b] = turnMismatch();
        QVERIFY(!form->game().matchFlag());
        QCOMPARE(form->phase(), Form1::Phase::MismatchPause);
        QVERIFY(faceUp(*form, a) && faceUp(*form, b));
        QVERIFY(form->Timer1.enabled());
        QCOMPARE(form->Timer1.interval(), 1500);
        QVERIFY(!form->game().tickFlag());
        form->Timer1.fire();
        QVERIFY(form->game().tickFlag());
        QVERIFY(!form->Timer1.enabled());
        QVERIFY(!faceUp(*form, a) && !faceUp(*form, b));
        QVERIFY(backShown(a) && backShown(b));
        QCOMPARE(form->game().firstCard(), Integer(0));
        QCOMPARE(form->game().secondCard(), Integer(0));
        QCOMPARE(form->game().foundCards(), Integer(0));
        QCOMPARE(form->phase(), Form1::Phase::WaitingForPick);
    }

    void mismatchPauseLastsOneAndAHalfSecondsOnTheClock()
    {
        QElapsedTimer clock;
        const auto [a, b] = turnMismatch();
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(!faceUp(*form, a), 10000);
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(elapsed >= 1450, qPrintable(QStringLiteral("turned back after %1 ms").arg(elapsed)));
        QVERIFY(!faceUp(*form, b));
        QVERIFY(backShown(a) && backShown(b));
    }

    void clicksDuringThePauseOnlyCloseTheBoxes()
    {
        const auto [a, b] = turnMismatch();
        // The second card's sound is stopped, so that any sound the next click made would
        // show as the device playing again.
        form->MMCw.setCommand(QStringLiteral("stop"));
        QCOMPARE(form->MMCw.mode(), audio::MediaDevice::Mode::Stopped);
        QSignalSpy sounds(&form->MMCw, &audio::MediaDevice::modeChanged);
        form->italiano_Click(1);
        QVERIFY(form->Text1.Visible());
        const int third = strangerOf(*form, a) == b ? 5 : strangerOf(*form, a);
        clickBack(*form, third);
        QVERIFY(!form->Text1.Visible());
        QCOMPARE(form->game().firstCard(), Integer(a));
        QCOMPARE(form->game().secondCard(), Integer(b));
        QVERIFY(!faceUp(*form, third));
        QCOMPARE(sounds.count(), 0);
        QCOMPARE(form->MMCw.mode(), audio::MediaDevice::Mode::Stopped);
        QCOMPARE(form->phase(), Form1::Phase::MismatchPause);
    }

    void acceptedPickPlaysTheCardSound()
    {
        QCOMPARE(form->MMCw.mode(), audio::MediaDevice::Mode::Stopped);
        clickBack(*form, 1);
        QCOMPARE(form->MMCw.mode(), audio::MediaDevice::Mode::Playing);
    }

    void withCardRustleOffAPickPlaysNothing()
    {
        form->cards_Click();
        QVERIFY(!form->cards->checked());
        clickBack(*form, 1);
        QCOMPARE(form->game().firstCard(), Integer(1));
        QVERIFY(faceUp(*form, 1));
        QCOMPARE(form->MMCw.mode(), audio::MediaDevice::Mode::Closed);
    }

    void lastPairPausesOneSecondAndLeavesTheTableAsItIs()
    {
        for (int i = 1; i <= 10; ++i) {
            clickBack(*form, i);
            clickBack(*form, partnerOf(*form, i));
        }
        QCOMPARE(form->phase(), Form1::Phase::EndPause);
        QCOMPARE(form->game().foundCards(), Integer(0));
        QVERIFY(form->Timer1.enabled());
        QCOMPARE(form->Timer1.interval(), 1000);
        QCOMPARE(facesUp(*form), 20);
        form->Timer1.fire();
        QCOMPARE(form->phase(), Form1::Phase::WaitingForPick);
        QCOMPARE(facesUp(*form), 20);
        QCOMPARE(form->game().foundCards(), Integer(0));
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        // No back is left, and a pick of a card that is up is refused.
        for (int i = 1; i <= 20; ++i)
            QVERIFY(!backShown(i));
        clickBack(*form, 7);
        QCOMPARE(form->game().firstCard(), Integer(0));
        QVERIFY(!form->Timer1.enabled());
    }

    void lastPairPauseRunsOnTheClock()
    {
        for (int i = 1; i <= 10; ++i) {
            clickBack(*form, i);
            clickBack(*form, partnerOf(*form, i));
        }
        QElapsedTimer clock;
        clock.start();
        QTRY_COMPARE_WITH_TIMEOUT(form->phase(), Form1::Phase::WaitingForPick, 10000);
        QVERIFY(clock.elapsed() >= 950);
        QCOMPARE(facesUp(*form), 20);
    }

    void exitDuringTheMismatchPause()
    {
        const auto [a, b] = turnMismatch();
        emit form->lblquit.Click();
        QCOMPARE(form->game().tableState(), coppix::Game::leaveRequested);
        QCOMPARE(form->game().firstCard(), Integer(0));
        QCOMPARE(facesUp(*form), 0);
        QCOMPARE(tk::Form::activeForm(), fixture->start.get());
        QCOMPARE(form->phase(), Form1::Phase::MismatchPause); // the pause runs on
        // Mark a back: the second run of the Exit handler at the pause's end parks it again.
        form->dorso48(1).Move(5, 5);
        form->Timer1.fire();
        QCOMPARE(form->dorso48(1).pos(), QPoint(100000, 10000));
        QVERIFY(!faceUp(*form, a) && !faceUp(*form, b));
        // The next wait finished the leaving: the backs are shown where they lie, out of sight.
        QCOMPARE(form->game().tableState(), coppix::Game::playing);
        QCOMPARE(form->phase(), Form1::Phase::WaitingForPick);
        for (int i = 1; i <= 20; ++i) {
            QVERIFY(backShown(i));
            QCOMPARE(form->dorso20(i).pos(), QPoint(100000, 10000));
        }
        // Back through "Play": a new deal and nothing else.
        fixture->start->lblplay_Click();
        QCOMPARE(tk::Form::activeForm(), form);
        QCOMPARE(facesUp(*form), 0);
        for (int i = 1; i <= 20; ++i)
            QVERIFY(form->dorso20(i).pos().x() < form->game().tableWidth());
    }

    void playAfterExitInAPauseStaysOnTheTable_data()
    {
        QTest::addColumn<bool>("endPause");
        QTest::addColumn<bool>("pauseRunsOut");
        QTest::newRow("mismatch pause, Play at once") << false << false;
        QTest::newRow("mismatch pause, Play after it ran out") << false << true;
        QTest::newRow("end pause, Play at once") << true << false;
        QTest::newRow("end pause, Play after it ran out") << true << true;
    }
    void playAfterExitInAPauseStaysOnTheTable()
    {
        QFETCH(bool, endPause);
        QFETCH(bool, pauseRunsOut);
        if (endPause) {
            for (int i = 1; i <= 10; ++i) {
                clickBack(*form, i);
                clickBack(*form, partnerOf(*form, i));
            }
            QCOMPARE(form->phase(), Form1::Phase::EndPause);
        } else {
            turnMismatch();
            QCOMPARE(form->phase(), Form1::Phase::MismatchPause);
        }
        emit form->lblquit.Click();
        QCOMPARE(tk::Form::activeForm(), fixture->start.get());
        if (pauseRunsOut)
            QTRY_COMPARE_WITH_TIMEOUT(form->phase(), Form1::Phase::WaitingForPick, 10000);
        fixture->start->lblplay_Click();
        QCOMPARE(tk::Form::activeForm(), form);
        // The old pause's end, and anything else the old game had pending, has come and gone.
        QTest::qWait(3000);
        QCOMPARE(tk::Form::activeForm(), form);
        QCOMPARE(form->game().tableState(), coppix::Game::playing);
        QCOMPARE(facesUp(*form), 0);
        for (int i = 1; i <= 20; ++i) {
            QVERIFY(backShown(i));
            QVERIFY(form->dorso20(i).pos().x() < form->game().tableWidth());
        }
        clickBack(*form, 1);
        QVERIFY(faceUp(*form, 1));
    }

    void newGameDuringThePauseNeverTurnsAnythingBack()
    {
        turnMismatch();
        form->venti_Click();
        QVERIFY(!form->Timer1.enabled());
        QCOMPARE(form->phase(), Form1::Phase::WaitingForPick);
        clickBack(*form, 6);
        QVERIFY(faceUp(*form, 6));
        // Past the old pause's end nothing of the old game runs.
        QTest::qWait(1700);
        QVERIFY(faceUp(*form, 6));
        QCOMPARE(form->game().firstCard(), Integer(6));
        QCOMPARE(facesUp(*form), 1);
    }

    void tenThousandNewGamesKeepStackAndMemoryFlat()
    {
        // Each new game is chosen from the menu inside the event loop, with a card turned.
        // A probe connected after the game's own handler sees the handler return every
        // time, always at the same stack depth.
        // The songs' synthesizer grows as it plays; the memory watched here is the game's.
        form->nomusic_Click();
        int games = 0;
        std::set<std::uintptr_t> depths;
        connect(form->venti, &tk::MenuItem::Click, this, [&] {
            int probe = 0;
            depths.insert(reinterpret_cast<std::uintptr_t>(&probe));
            ++games;
        });
        long before = 0, residentBefore = 0;
        const int total = 10000;
        std::function<void()> next = [&] {
            if (games == 2000) {
                before = heapInUseKiB();
                residentBefore = residentKiB();
            }
            if (games == total) {
                QCoreApplication::exit(0);
                return;
            }
            clickBack(*form, 1 + games % 20);
            form->venti->trigger();
            QMetaObject::invokeMethod(this, next, Qt::QueuedConnection);
        };
        QMetaObject::invokeMethod(this, next, Qt::QueuedConnection);
        QCoreApplication::exec();
        const long after = heapInUseKiB();
        QCOMPARE(games, total);
        QCOMPARE(depths.size(), std::size_t(1));
        qInfo("after 2000 games: heap %ld KiB, resident %ld KiB; after %d: heap %ld KiB, resident %ld KiB", before,
              residentBefore, total, after, residentKiB());
        QVERIFY2(after - before < 1024, qPrintable(QStringLiteral("heap grew by %1 KiB").arg(after - before)));
    }
};

QTEST_MAIN(TestTurnLoop)
#include "tst_turn_loop.moc"
