// The real program under Xvfb, driven as a player drives it: clicks with xdotool, what is
// on the screen read from screenshots, the window closed as a window manager closes it.
#include "x11/game.h"

#include <QTest>

using namespace e2e;

namespace {
constexpr int screenW = 1024, screenH = 768;
} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void playATurnAndCloseTheTable()
    {
        xsession::Display x(screenW, screenH);
        QVERIFY2(x.ok(), "Xvfb did not start");
        QProcess game;
        QVERIFY(startGame(game, x, QStringLiteral(COPPIX_BINARY)));

        // The start screen comes first, over the whole screen, with no frame; its labels
        // stand where they stand on a 1024 x 768 screen.
        const unsigned long start = x.waitForWindow(startTitle, 10000);
        QVERIFY2(start, "no start screen");
        QTest::qWait(300);
        QImage shot = x.screenshot();
        saveShot(shot, QStringLiteral("1-start.png"));
        QVERIFY(x.findWindow(tableTitle) == 0);
        QVERIFY(xsession::fractionOf(shot, shot.rect(), blue) < 0.05);
        QVERIFY(!x.isFramed(start));
        QCOMPARE(x.geometry(start), QRect(0, 0, screenW, screenH));
        const StartLabels labels = startLabels1024x768();
        CHECKED(checkLabelAt(shot, labels.info, yellow, QStringLiteral("Info")));
        CHECKED(checkLabelAt(shot, labels.play, yellow, QStringLiteral("Play")));
        CHECKED(checkLabelAt(shot, labels.quit, yellow, QStringLiteral("Quit")));

        // "Play".
        Table table;
        CHECKED(pressPlay(x, startPoints(screenW, screenH), table));
        shot = table.shot;
        saveShot(shot, QStringLiteral("2-table.png"));

        // The blue table over the whole screen, under its menu bar, with 20 backs on a 4 x 5
        // grid (the backs and the grid's place checked by pressPlay) and "Exit" at 7/8 of the
        // width and 103/120 of the height under the menu bar.
        QVERIFY(!x.isFramed(table.window));
        QCOMPARE(table.client, QRect(0, 0, screenW, screenH));
        const int menuBar = table.menuBar;
        QVERIFY(xsession::fractionOf(shot, QRect(0, menuBar, screenW, screenH - menuBar), blue) > 0.3);
        CHECKED(checkLabelAt(shot, QRectF(896, menuBar + (screenH - menuBar) * 103.0 / 120, 74, 37), yellow,
                             QStringLiteral("Exit")));
        const QImage firstBack = table.back;

        // A click on a back shows its face; the other cards stay down.
        const QRect seventh = table.cell(7);
        CHECKED(turnCard(x, seventh, firstBack));
        shot = x.screenshot();
        saveShot(shot, QStringLiteral("3-face.png"));
        QVERIFY(xsession::difference(shot.copy(table.cell(8)), firstBack) < 2);

        // Closed as a window manager closes it: the whole program ends, with status 0.
        x.requestClose(table.window);
        CHECKED(checkEnded(game));
    }

    void aWholeVisit()
    {
        xsession::Display x(screenW, screenH);
        QVERIFY2(x.ok(), "Xvfb did not start");
        QProcess game;
        QVERIFY(startGame(game, x, QStringLiteral(COPPIX_BINARY)));
        const unsigned long start = x.waitForWindow(startTitle, 10000);
        QVERIFY(start);
        QTest::qWait(300);

        const StartPoints points = startPoints(screenW, screenH);
        Table table;
        CHECKED(pressPlay(x, points, table));
        QImage shot;
        const int menuBar = table.menuBar;

        // "48 cards" from the Options menu, by its access letter.
        QVERIFY(x.xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(table.window)}));
        QVERIFY(x.xdotool({QStringLiteral("key"), QStringLiteral("alt+o")}));
        QTest::qWait(300);
        QVERIFY(x.xdotool({QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Return")}));
        const Grid grid = gridOn(screenW, screenH - menuBar, 48, 6);
        QTRY_VERIFY_WITH_TIMEOUT(xsession::fractionOf(x.screenshot(), cellRect(grid, menuBar, 8, 48), blue) < 0.05, 5000);
        QTest::qWait(200);
        shot = x.screenshot();
        saveShot(shot, QStringLiteral("4-table48.png"));
        const QImage back = shot.copy(cellRect(grid, menuBar, 8, 1));
        CHECKED(checkAllDown(shot, grid, menuBar, 8, 48, back));

        // Two cards turned: a kept pair stays up, two different faces turn back after the pause.
        const QRect a = cellRect(grid, menuBar, 8, 10), b = cellRect(grid, menuBar, 8, 27);
        CHECKED(turnCard(x, a, back));
        CHECKED(turnCard(x, b, back));
        shot = x.screenshot();
        saveShot(shot, QStringLiteral("5-two-up.png"));
        const bool pair = xsession::difference(shot.copy(a), shot.copy(b)) < 3;
        QTest::qWait(2200);
        shot = x.screenshot();
        saveShot(shot, QStringLiteral("6-after-pause.png"));
        if (pair) {
            QVERIFY(xsession::difference(shot.copy(a), back) > 10);
            QVERIFY(xsession::difference(shot.copy(b), back) > 10);
        } else {
            QVERIFY(xsession::difference(shot.copy(a), back) < 2);
            QVERIFY(xsession::difference(shot.copy(b), back) < 2);
        }

        // "Exit": the start screen in front, then "Play" deals 48 cards anew.
        const QPoint exit = exitPoint(screenW, screenH, menuBar);
        QVERIFY(x.click(exit.x(), exit.y()));
        QTRY_COMPARE_WITH_TIMEOUT(x.topWindow(), start, 5000);
        QTest::qWait(200);
        saveShot(x.screenshot(), QStringLiteral("7-back-at-start.png"));
        Table again;
        CHECKED(pressPlay(x, points, again, Deal{48, 6}));
        QCOMPARE(again.window, table.window);
        saveShot(again.shot, QStringLiteral("8-table-again.png"));
        CHECKED(checkAllDown(again, back));

        // "Exit" again, then "Quit": the program ends with status 0.
        QVERIFY(x.click(exit.x(), exit.y()));
        QTRY_COMPARE_WITH_TIMEOUT(x.topWindow(), start, 5000);
        QVERIFY(x.click(points.quit.x(), points.quit.y()));
        CHECKED(checkEnded(game));
    }

    // "Play" sends the start screen to the back of the window order: another program's
    // window that lay under it now lies between it and the table, at each "Play".
    void playSendsTheStartScreenToTheBack()
    {
        xsession::Display x(screenW, screenH);
        QVERIFY2(x.ok(), "Xvfb did not start");
        QProcess other;
        const unsigned long message = startOtherProgram(other, x);
        QVERIFY2(message, "no window of the other program");
        QProcess game;
        QVERIFY(startGame(game, x, QStringLiteral(COPPIX_BINARY)));
        const unsigned long start = x.waitForWindow(startTitle, 10000);
        QVERIFY2(start, "no start screen");
        QTRY_COMPARE_WITH_TIMEOUT(x.topWindow(), start, 5000);
        QCOMPARE(x.windowsBottomToTop(), (QList<unsigned long>{message, start}));
        QTest::qWait(300);

        const StartPoints points = startPoints(screenW, screenH);
        Table table;
        CHECKED(pressPlay(x, points, table));
        QCOMPARE(x.windowsBottomToTop(), (QList<unsigned long>{start, message, table.window}));

        // "Exit" brings the start screen in front of both; "Play" sends it back again.
        QVERIFY(x.click(table.exit().x(), table.exit().y()));
        QTRY_COMPARE_WITH_TIMEOUT(x.topWindow(), start, 5000);
        QVERIFY(x.windowsBottomToTop().indexOf(message) < x.windowsBottomToTop().indexOf(start));
        QTest::qWait(200);
        Table again;
        CHECKED(pressPlay(x, points, again));
        QCOMPARE(x.windowsBottomToTop(), (QList<unsigned long>{start, message, table.window}));

        x.requestClose(table.window);
        CHECKED(checkEnded(game));
        other.terminate();
        other.waitForFinished(3000);
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "e2e_game.moc"
