// The real program under Xvfb, driven as a player drives it: clicks with xdotool, what is
// on the screen read from screenshots, the window closed as a window manager closes it.
#include "x11/game.h"

#include <QDir>
#include <QTest>

using namespace e2e;

namespace {
constexpr int screenW = 1024, screenH = 768;
} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

    void saveShot(const QImage& shot, const QString& name)
    {
        const QString dir = qEnvironmentVariable("COPPIX_SHOTS");
        if (!dir.isEmpty())
            shot.save(QDir(dir).filePath(name));
    }

private slots:
    void playATurnAndCloseTheTable()
    {
        xsession::Display x(screenW, screenH);
        QVERIFY2(x.ok(), "Xvfb did not start");
        QProcess game;
        QVERIFY(startGame(game, x, QStringLiteral(COPPIX_BINARY)));

        // The start screen comes first, over the whole screen.
        const unsigned long start = x.waitForWindow(startTitle, 10000);
        QVERIFY2(start, "no start screen");
        QTest::qWait(300);
        QImage shot = x.screenshot();
        saveShot(shot, QStringLiteral("1-start.png"));
        QVERIFY(x.findWindow(tableTitle) == 0);
        QVERIFY(xsession::fractionOf(shot, shot.rect(), blue) < 0.05);

        // "Play".
        const StartPoints points = startPoints(screenW, screenH);
        QVERIFY(x.click(points.play.x(), points.play.y()));
        const unsigned long table = x.waitForWindow(tableTitle, 10000);
        QVERIFY2(table, "no table after Play");
        QTRY_COMPARE_WITH_TIMEOUT(x.topWindow(), table, 5000);
        // In front is not yet painted: a slow build (the sanitizers) takes a while.
        QTRY_VERIFY_WITH_TIMEOUT(menuBarHeight(x.screenshot()) > 5, 5000);
        QTest::qWait(300);
        shot = x.screenshot();
        saveShot(shot, QStringLiteral("2-table.png"));

        // The blue table under its menu bar, with 20 backs on a 4 x 5 grid.
        const int menuBar = menuBarHeight(shot);
        QVERIFY2(menuBar > 5, "no menu bar above a blue table");
        QVERIFY(xsession::fractionOf(shot, QRect(0, menuBar, screenW, screenH - menuBar), blue) > 0.3);
        const coppix::GridGeometry grid = coppix::gridGeometry(screenW, screenH - menuBar, 20, 4);
        const QImage firstBack = shot.copy(cellRect(grid, menuBar, 5, 1));
        for (int cell = 1; cell <= 20; ++cell) {
            const QImage back = shot.copy(cellRect(grid, menuBar, 5, cell));
            QVERIFY2(xsession::fractionOf(back, back.rect(), blue) < 0.05, qPrintable(QStringLiteral("cell %1 is empty").arg(cell)));
            QVERIFY2(xsession::difference(back, firstBack) < 2, qPrintable(QStringLiteral("cell %1 is no back").arg(cell)));
        }

        // A click on a back shows its face; the other cards stay down.
        const QRect seventh = cellRect(grid, menuBar, 5, 7);
        QVERIFY(x.click(seventh.center().x(), seventh.center().y()));
        QTRY_VERIFY_WITH_TIMEOUT(xsession::difference(x.screenshot().copy(seventh), firstBack) > 10, 5000);
        shot = x.screenshot();
        saveShot(shot, QStringLiteral("3-face.png"));
        QVERIFY(xsession::difference(shot.copy(cellRect(grid, menuBar, 5, 8)), firstBack) < 2);

        // Closed as a window manager closes it: the whole program ends, with status 0.
        x.requestClose(table);
        QVERIFY2(game.waitForFinished(10000), "the program did not end");
        QCOMPARE(game.exitStatus(), QProcess::NormalExit);
        QCOMPARE(game.exitCode(), 0);
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
        const QPoint play = points.play, quit = points.quit;
        QVERIFY(x.click(play.x(), play.y()));
        const unsigned long table = x.waitForWindow(tableTitle, 10000);
        QVERIFY(table);
        QTRY_COMPARE_WITH_TIMEOUT(x.topWindow(), table, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(menuBarHeight(x.screenshot()) > 5, 5000);
        QTest::qWait(300);
        QImage shot = x.screenshot();
        const int menuBar = menuBarHeight(shot);
        QVERIFY(menuBar > 5);

        // "48 cards" from the Options menu, by its access letter.
        QVERIFY(x.xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), QString::number(table)}));
        QVERIFY(x.xdotool({QStringLiteral("key"), QStringLiteral("alt+o")}));
        QTest::qWait(300);
        QVERIFY(x.xdotool({QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Return")}));
        const coppix::GridGeometry grid = coppix::gridGeometry(screenW, screenH - menuBar, 48, 6);
        QTRY_VERIFY_WITH_TIMEOUT(xsession::fractionOf(x.screenshot(), cellRect(grid, menuBar, 8, 48), blue) < 0.05, 5000);
        QTest::qWait(200);
        shot = x.screenshot();
        saveShot(shot, QStringLiteral("4-table48.png"));
        const QImage back = shot.copy(cellRect(grid, menuBar, 8, 1));
        for (int cell = 1; cell <= 48; ++cell)
            QVERIFY2(xsession::difference(shot.copy(cellRect(grid, menuBar, 8, cell)), back) < 2,
                     qPrintable(QStringLiteral("cell %1 is no back of the 48-card table").arg(cell)));

        // Two cards turned: a kept pair stays up, two different faces turn back after the pause.
        const QRect a = cellRect(grid, menuBar, 8, 10), b = cellRect(grid, menuBar, 8, 27);
        QVERIFY(x.click(a.center().x(), a.center().y()));
        QTRY_VERIFY_WITH_TIMEOUT(xsession::difference(x.screenshot().copy(a), back) > 10, 5000);
        QVERIFY(x.click(b.center().x(), b.center().y()));
        QTRY_VERIFY_WITH_TIMEOUT(xsession::difference(x.screenshot().copy(b), back) > 10, 5000);
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
        QVERIFY(x.click(play.x(), play.y()));
        QTRY_COMPARE_WITH_TIMEOUT(x.topWindow(), table, 5000);
        QTest::qWait(300);
        shot = x.screenshot();
        saveShot(shot, QStringLiteral("8-table-again.png"));
        for (int cell = 1; cell <= 48; ++cell)
            QVERIFY(xsession::difference(shot.copy(cellRect(grid, menuBar, 8, cell)), back) < 2);

        // "Exit" again, then "Quit": the program ends with status 0.
        QVERIFY(x.click(exit.x(), exit.y()));
        QTRY_COMPARE_WITH_TIMEOUT(x.topWindow(), start, 5000);
        QVERIFY(x.click(quit.x(), quit.y()));
        QVERIFY2(game.waitForFinished(10000), "the program did not end");
        QCOMPARE(game.exitStatus(), QProcess::NormalExit);
        QCOMPARE(game.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "e2e_game.moc"
