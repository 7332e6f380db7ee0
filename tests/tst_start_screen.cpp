// The start screen: its layout and look, the info box, the hover colours, and the ways
// into the game and out of the program.
#include "audio/audio_system.h"
#include "start/program.h"
#include "start_numbers.h"
#include "table_fixture.h"
#include "table_numbers.h"
#include "toolkit/colour.h"
#include "toolkit/stop_signals.h"
#include "window_titles.h"

#include <csignal>
#include <tuple>

using namespace testsupport;
using coppix::frmmain;

namespace {
// A place as a control takes it: at the nearest whole pixel, a half going to the even one.
QPoint wholePlace(QPointF place) { return {nearest(place.x()), nearest(place.y())}; }
} // namespace

class TestStartScreen : public StartScreenTest {
    Q_OBJECT

private slots:
    void labelsOnA1024x768Screen()
    {
        const coppix::StartLayout layout = coppix::startLayout(1024, 768);
        QCOMPARE(layout.infoLeft, 128.0f);
        QCOMPARE(layout.playLeft, 426.66666f);
        QCOMPARE(layout.quitLeft, 896.0f);
        QVERIFY(qAbs(layout.top - 681.6) < 1e-9);
    }

    // The numbers this test grades the window with give the worked 1024 x 768 places.
    void theWorkedLabels()
    {
        const StartLabels worked = startLabels1024x768();
        const StartLabels own = startLabels(QRect(0, 0, 1024, 768));
        for (const auto& [name, ownPlace, workedPlace] : {std::tuple{"Info", own.info, worked.info},
                                                           std::tuple{"Play", own.play, worked.play},
                                                           std::tuple{"Quit", own.quit, worked.quit}}) {
            QVERIFY2(qAbs(ownPlace.x() - workedPlace.x()) < 1e-4 && qAbs(ownPlace.y() - workedPlace.y()) < 1e-9, name);
            QCOMPARE(ownPlace.size(), workedPlace.size());
        }
        QCOMPARE(wholePlace(own.info.topLeft()), QPoint(128, 682));
        QCOMPARE(wholePlace(own.play.topLeft()), QPoint(427, 682));
        QCOMPARE(wholePlace(own.quit.topLeft()), QPoint(896, 682));
    }

    void asDesigned()
    {
        open();
        QCOMPARE(start->windowTitle(), startTitle);
        QCOMPARE(start->size(), start->screen()->geometry().size());
        QVERIFY(!start->windowIcon().isNull());
        for (tk::Label* label : {&start->lblInfo, &start->lblplay, &start->lblquit})
            QCOMPARE(label->foreColor(), tk::Yellow);
        QCOMPARE(start->lblInfo.caption(), QStringLiteral("Info"));
        QCOMPARE(start->lblplay.caption(), QStringLiteral("Play"));
        QCOMPARE(start->lblquit.caption(), QStringLiteral("Quit"));
        QCOMPARE(start->lblplay.size(), QSize(153, 33));
        QCOMPARE(start->lblquit.size(), QSize(74, 37));
        QCOMPARE(start->Text4.geometry(), QRect(10, 0, 193, 112));
        QVERIFY(!start->Text4.Visible());
        // Where this test's own numbers put the labels on the client area the window has.
        const StartLabels own = startLabels(QRect(0, 0, start->clientWidth(), start->clientHeight()));
        QCOMPARE(start->lblplay.pos(), wholePlace(own.play.topLeft()));
        QCOMPARE(start->lblInfo.pos(), wholePlace(own.info.topLeft()));
        QCOMPARE(start->lblquit.pos(), wholePlace(own.quit.topLeft()));
        // Nothing of the game exists before "Play". (This runs before any "Play" of this
        // test program: sound, once started, stays started for the process.)
        QVERIFY(start->table() == nullptr);
        QVERIFY(!audio::AudioSystem::instance().started());
    }

    void versionLineAndLineEnds()
    {
        open();
        const QString text = start->Text4.text();
        const QString version = QStringLiteral("                Coppix ver. 2.2                 ");
        QCOMPARE(version.size(), 48);
        QVERIFY(text.startsWith(version + QStringLiteral("\r\n")));
        QVERIFY(text.endsWith(QStringLiteral("\r\n")));
        QCOMPARE(text.count(QLatin1Char('\n')), text.count(QStringLiteral("\r\n")));
        QCOMPARE(text.count(QLatin1Char('\r')), text.count(QStringLiteral("\r\n")));
        QVERIFY(text.count(QStringLiteral("\r\n")) >= 2);
    }

    void infoBoxShowsAndHides()
    {
        open();
        start->lblInfo_Click();
        QVERIFY(start->Text4.Visible());
        start->lblInfo_Click();
        QVERIFY(!start->Text4.Visible());
        start->lblInfo_Click();
        start->Text4_Click();
        QVERIFY(!start->Text4.Visible());
        start->lblInfo_Click();
        start->Form_Click();
        QVERIFY(!start->Text4.Visible());
        start->Form_Click(); // hidden already: stays hidden
        QVERIFY(!start->Text4.Visible());
        // "Play" and the table leave it as it was.
        start->lblInfo_Click();
        fixture->play();
        QVERIFY(start->Text4.Visible());
    }

    void realClicksReachTheRightHandlers()
    {
        open();
        QVERIFY(QTest::qWaitForWindowExposed(start));
        QTest::mouseClick(&start->lblInfo, Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(start->Text4.Visible());
        QTest::mouseClick(start->Text4.viewport(), Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(!start->Text4.Visible());
        QTest::mouseClick(&start->lblInfo, Qt::LeftButton, {}, QPoint(10, 10));
        QTest::mouseClick(start->client(), Qt::LeftButton, {}, QPoint(start->clientWidth() / 2, 300));
        QVERIFY(!start->Text4.Visible());
    }

    void hoverColours()
    {
        open();
        QVERIFY(QTest::qWaitForWindowExposed(start));
        QTest::mouseMove(&start->lblplay, QPoint(5, 5));
        QTRY_COMPARE(start->lblplay.foreColor(), tk::Orange);
        QCOMPARE(start->lblquit.foreColor(), tk::Yellow);
        QTest::mouseMove(&start->lblquit, QPoint(5, 5));
        QTRY_COMPARE(start->lblquit.foreColor(), tk::Orange);
        QCOMPARE(start->lblplay.foreColor(), tk::Orange); // no move over the background yet
        QTest::mouseMove(start->client(), QPoint(start->clientWidth() / 2, 200));
        QTRY_COMPARE(start->lblplay.foreColor(), tk::Yellow);
        QCOMPARE(start->lblquit.foreColor(), tk::Yellow);
        QCOMPARE(start->lblInfo.foreColor(), tk::Yellow);

        // From a label straight onto the info box: the label stays orange.
        start->lblInfo_Click();
        QTest::mouseMove(&start->lblInfo, QPoint(5, 5));
        QTRY_COMPARE(start->lblInfo.foreColor(), tk::Orange);
        QTest::mouseMove(start->Text4.viewport(), QPoint(30, 30));
        QTest::qWait(30);
        QCOMPARE(start->lblInfo.foreColor(), tk::Orange);
    }

    void quitBeforePlayNeverOpensTheTable()
    {
        open();
        start->lblquit_Click();
        QCOMPARE(fixture->endings, 1);
        QVERIFY(start->table() == nullptr);
        QVERIFY(!start->loaded());
    }

    void closingTheStartScreenIsQuit()
    {
        open();
        QVERIFY(start->close());
        QCOMPARE(fixture->endings, 1);
        QVERIFY(start->table() == nullptr);
    }

    void playOpensOneTableAndDealsAgainEachTime()
    {
        open();
        coppix::Form1& table = fixture->play();
        QCOMPARE(tk::Form::activeForm(), &table);
        QVERIFY(start->loaded());
        QVERIFY(table.isVisible());
        const std::int32_t firstFace = table.Img(1).picture().handle();
        const auto firstOrder = table.game().cardOrder();
        start->Show();
        coppix::Form1& again = fixture->play();
        QCOMPARE(&again, &table);
        QVERIFY(firstOrder != again.game().cardOrder() || firstFace != again.Img(1).picture().handle());
        QCOMPARE(again.phase(), coppix::Form1::Phase::WaitingForPick);
    }

    void quitAfterPlayClosesBothDevicesFirst()
    {
        open();
        coppix::Form1& table = fixture->play();
        QVERIFY(table.MMCw.mode() != audio::MediaDevice::Mode::Closed);
        start->Show();
        start->lblquit_Click();
        QCOMPARE(fixture->endings, 1);
        QCOMPARE(table.MMC1.mode(), audio::MediaDevice::Mode::Closed);
        QCOMPARE(table.MMCw.mode(), audio::MediaDevice::Mode::Closed);
        QVERIFY(!table.loaded() && !start->loaded());
    }

    void closingTheTableEndsTheProgram()
    {
        open();
        coppix::Form1& table = fixture->play();
        clickBack(table, 1);
        clickBack(table, strangerOf(table, 1)); // in the middle of a pause
        QVERIFY(table.close());
        QCOMPARE(fixture->endings, 1);
        QCOMPARE(table.MMC1.mode(), audio::MediaDevice::Mode::Closed);
        QCOMPARE(table.MMCw.mode(), audio::MediaDevice::Mode::Closed);
        QVERIFY(!start->loaded());
    }

    // A stop signal leaves as "Quit" does: the table and its two sound devices closed, both
    // windows unloaded, the program ended once, with 128 + the signal's number.
    // (The handlers are installed once per program, so this is the only test that does it.)
    void stopSignalLeavesAsQuitDoes()
    {
        open();
        coppix::Form1& table = fixture->play();
        QVERIFY(table.MMC1.mode() != audio::MediaDevice::Mode::Closed);
        coppix::endOnStopSignals(*start);
        QCOMPARE(std::raise(SIGTERM), 0);
        QTRY_COMPARE_WITH_TIMEOUT(fixture->endings, 1, 1000);
        tk::StopSignals::ended();  // the watchdog would otherwise end this test program
        QCOMPARE(tk::Program::exitStatus(), 128 + SIGTERM);
        QCOMPARE(table.MMC1.mode(), audio::MediaDevice::Mode::Closed);
        QCOMPARE(table.MMCw.mode(), audio::MediaDevice::Mode::Closed);
        QVERIFY(!table.loaded());
        QVERIFY(!start->loaded());
    }

    void startPictureFillsTheScreen()
    {
        open();
        QVERIFY(start->pictureShown());
        const QImage shown = start->client()->grab().toImage();
        const QRgb green = tk::bgrToRgb(frmmain::darkGreen);
        int greenPixels = 0;
        for (int y = 0; y < shown.height(); y += 16)
            for (int x = 0; x < shown.width(); x += 16)
                greenPixels += shown.pixel(x, y) == green ? 1 : 0;
        QCOMPARE(greenPixels, 0); // no band of the back colour left
    }

    // The start picture's pixels are not kept while the table covers the start screen: a
    // paint meanwhile draws it again from the file's bytes, and once the start screen is
    // back in front ("Exit", or the desktop's window list) it keeps them again, the
    // picture whole.
    void theStartPictureIsLetGoUnderTheTable_data()
    {
        QTest::addColumn<bool>("byExit");
        QTest::newRow("Exit") << true;
        QTest::newRow("the desktop") << false;
    }
    void theStartPictureIsLetGoUnderTheTable()
    {
        QFETCH(bool, byExit);
        open();
        QVERIFY(start->pictureShown());
        const QImage before = start->client()->grab().toImage();
        QVERIFY(start->keepsPaintedCopy());

        coppix::Form1& table = fixture->play();
        QCOMPARE(tk::Form::activeForm(), &table);
        QVERIFY(!start->keepsPaintedCopy());
        QCOMPARE(start->client()->grab().toImage(), before); // a late paint while covered
        QVERIFY(!start->keepsPaintedCopy());

        if (byExit) {
            table.lblquit_Click();
        } else {
            start->activateWindow();
            QTRY_VERIFY(start->isActiveWindow());
        }
        QCOMPARE(tk::Form::activeForm(), start);
        QCOMPARE(start->client()->grab().toImage(), before);
        QVERIFY(start->keepsPaintedCopy());
    }
};

QTEST_MAIN(TestStartScreen)
#include "tst_start_screen.moc"
