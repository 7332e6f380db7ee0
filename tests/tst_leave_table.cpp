// Leaving the table with "Exit", the label's hover colours, and closing the table window.
#include "table_fixture.h"
#include "toolkit/colour.h"

using namespace testsupport;
using coppix::Form1;
using coppix::Integer;

class TestLeaveTable : public TableTest {
    Q_OBJECT

    void checkAllBacksAway()
    {
        for (int i = 1; i <= 20; ++i)
            QCOMPARE(form->dorso20(i).pos(), QPoint(100000, 10000));
        for (int i = 1; i <= 48; ++i)
            QCOMPARE(form->dorso48(i).pos(), QPoint(100000, 10000));
        for (int i = 1; i <= 80; ++i)
            QCOMPARE(form->Dorso80(i).pos(), QPoint(100000, 10000));
    }
    void exitClick() { emit form->lblquit.Click(); }

private slots:
    void exitWithOneCardUp()
    {
        clickBack(*form, 5);
        // The handler is the whole click: from the wait for a pick the leaving is finished
        // at once.
        form->lblquit_Click();
        QCOMPARE(form->game().firstCard(), Integer(0));
        QCOMPARE(form->game().tableState(), coppix::Game::playing);
        QCOMPARE(facesUp(*form), 0);
        // The backs of the size in use are shown where they lie, out of sight.
        for (int i = 1; i <= 20; ++i)
            QVERIFY(form->dorso20(i).Visible());
        checkAllBacksAway();
        QCOMPARE(tk::Form::activeForm(), fixture->start.get());
        // Still loaded, but out of sight and out of the desktop's reach until "Play".
        QVERIFY(form->loaded());
        QVERIFY(!form->isVisible());
        // "Play" deals the same size again.
        fixture->start->lblplay_Click();
        QVERIFY(form->isVisible());
        QCOMPARE(tk::Form::activeForm(), form);
        QCOMPARE(form->game().cardCount(), Integer(20));
        QVERIFY(form->venti->checked());
        QCOMPARE(facesUp(*form), 0);
        QVERIFY(QRect(0, 0, form->game().tableWidth(), form->game().tableHeight()).contains(form->dorso20(1).geometry()));
    }

    // The start screen brought in front by the desktop (its window list) while a game is
    // under way: the switch itself deals nothing, and a switch straight back to the table
    // keeps the game; "Play" deals a new one, with every card down and free to be picked,
    // and the old game's pause, were it pending, turns nothing of it.
    void theDesktopBringsTheStartScreenInFront_data()
    {
        QTest::addColumn<bool>("inThePause");
        QTest::newRow("one card up") << false;
        QTest::newRow("two cards up, in the pause") << true;
    }
    void theDesktopBringsTheStartScreenInFront()
    {
        QFETCH(bool, inThePause);
        tk::Form& start = *fixture->start;
        clickBack(*form, 1);
        if (inThePause)
            clickBack(*form, strangerOf(*form, 1));
        const int up = inThePause ? 2 : 1;
        QCOMPARE(form->phase(), inThePause ? Form1::Phase::MismatchPause : Form1::Phase::WaitingForPick);

        start.activateWindow();
        QTRY_VERIFY(start.isActiveWindow());
        QCOMPARE(tk::Form::activeForm(), &start);
        QCOMPARE(facesUp(*form), up);
        form->activateWindow();
        QTRY_VERIFY(form->isActiveWindow());
        QCOMPARE(tk::Form::activeForm(), form);
        QCOMPARE(facesUp(*form), up);
        QVERIFY(faceUp(*form, 1));

        start.activateWindow();
        QTRY_VERIFY(start.isActiveWindow());
        fixture->start->lblplay_Click();
        QCOMPARE(tk::Form::activeForm(), form);
        QCOMPARE(facesUp(*form), 0);
        QCOMPARE(form->phase(), Form1::Phase::WaitingForPick);
        QVERIFY(!form->Timer1.enabled());
        for (int i = 1; i <= 20; ++i)
            QVERIFY(form->dorso20(i).Visible());
        clickBack(*form, 1);
        QVERIFY(faceUp(*form, 1));
        QCOMPARE(facesUp(*form), 1);
    }

    void exitTwiceIsExitOnce_data()
    {
        QTest::addColumn<bool>("inThePause");
        QTest::newRow("one card up") << false;
        QTest::newRow("in the mismatch pause") << true;
    }
    void exitTwiceIsExitOnce()
    {
        QFETCH(bool, inThePause);
        clickBack(*form, 5);
        if (inThePause)
            clickBack(*form, strangerOf(*form, 5));
        form->lblquit_Click();
        form->lblquit_Click();
        checkAllBacksAway();
        QCOMPARE(facesUp(*form), 0);
        QCOMPARE(form->game().firstCard(), Integer(0));
        QCOMPARE(form->game().secondCard(), Integer(0));
        QCOMPARE(tk::Form::activeForm(), fixture->start.get());
        if (inThePause) {
            // The leaving waits for the pause's end, which finishes it once.
            QCOMPARE(form->game().tableState(), coppix::Game::leaveRequested);
            form->Timer1.fire();
            checkAllBacksAway();
            QCOMPARE(facesUp(*form), 0);
            QCOMPARE(tk::Form::activeForm(), fixture->start.get());
        }
        QCOMPARE(form->game().tableState(), coppix::Game::playing);
        QCOMPARE(form->phase(), Form1::Phase::WaitingForPick);
        for (int i = 1; i <= 20; ++i)
            QVERIFY(form->dorso20(i).Visible());
    }

    void exitParksSetsThatASizeChoiceParkedElsewhere()
    {
        form->quarantotto_Click(); // 20 and 80 at (10000, 10000)
        exitClick();
        checkAllBacksAway();
        QCOMPARE(form->game().tableState(), coppix::Game::playing);
        fixture->start->lblplay_Click();
        QCOMPARE(form->game().cardCount(), Integer(48));
        for (int i = 1; i <= 20; ++i)
            QCOMPARE(form->dorso20(i).pos(), QPoint(100000, 10000));
    }

    void exitDuringTheLastPairPause()
    {
        for (int i = 1; i <= 10; ++i) {
            clickBack(*form, i);
            clickBack(*form, partnerOf(*form, i));
        }
        exitClick();
        QCOMPARE(form->game().tableState(), coppix::Game::leaveRequested); // finished at the next wait
        QCOMPARE(facesUp(*form), 0);
        form->Timer1.fire();
        QCOMPARE(form->game().tableState(), coppix::Game::playing);
        QCOMPARE(tk::Form::activeForm(), fixture->start.get());
    }

    void exitKeepsTheBoxesAndTheMusic()
    {
        form->menu_about_Click();
        QVERIFY(form->Text3.Visible());
        const audio::MediaDevice::Mode music = form->MMC1.mode();
        const QString song = form->MMC1.fileName();
        exitClick();
        QVERIFY(form->Text3.Visible());
        QCOMPARE(form->MMC1.mode(), music);
        QCOMPARE(form->MMC1.fileName(), song);
        QVERIFY(form->canzoni(1).checked());
        // Back at the table: the info box still open with its text copied anew, the rules closed.
        form->Text1.show();
        fixture->start->Text4.setText(QStringLiteral("changed\r\n"));
        fixture->start->lblplay_Click();
        QVERIFY(form->Text3.Visible());
        QCOMPARE(form->Text3.text(), QStringLiteral("changed\r\n"));
        QVERIFY(!form->Text1.Visible());
    }

    void exitWithABoxOpenAndAnItalianBox()
    {
        form->italiano_Click(1);
        exitClick();
        QVERIFY(form->Text1.Visible()); // behind the start screen
        fixture->start->lblplay_Click();
        QVERIFY(!form->Text1.Visible());
    }

    void hoverColours()
    {
        // The offscreen platform keeps no window order: take the start screen out of the way.
        fixture->start->hide();
        QVERIFY(QTest::qWaitForWindowExposed(form));
        QCOMPARE(form->lblquit.foreColor(), tk::Yellow);
        QTest::mouseMove(&form->lblquit, QPoint(5, 5));
        QTRY_COMPARE(form->lblquit.foreColor(), tk::Orange);
        // Over a card, or over an open box, the label keeps its colour.
        QTest::mouseMove(&form->dorso20(1), QPoint(5, 5));
        form->menu_about_Click();
        QTest::mouseMove(form->Text3.viewport(), QPoint(5, 5));
        QTest::qWait(30);
        QCOMPARE(form->lblquit.foreColor(), tk::Orange);
        // Over the bare table it turns yellow again.
        QTest::mouseMove(form->client(), QPoint(5, form->game().tableHeight() - 5));
        QTRY_COMPARE(form->lblquit.foreColor(), tk::Yellow);
    }

    void closingTheTableAfterNoMusicAndNoSound()
    {
        form->nomusic_Click();
        form->cards_Click();
        form->close();
        QCOMPARE(fixture->endings, 1);
        QCOMPARE(form->MMC1.mode(), audio::MediaDevice::Mode::Closed);
        QCOMPARE(form->MMCw.mode(), audio::MediaDevice::Mode::Closed);
        QVERIFY(!fixture->start->loaded());
    }
};

QTEST_MAIN(TestLeaveTable)
#include "tst_leave_table.moc"
