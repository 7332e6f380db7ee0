// The real program on a desktop: Xvfb with a window manager (openbox), so that frames, full
// screen, focus and the order of the windows are a window manager's and not the bare X
// server's. Another program's window takes the focus and gives it back; the window manager
// closes the windows.
#include "x11/game.h"
#include "x11/xsession.h"

#include <QFileInfo>
#include <QTest>

using namespace e2e;

namespace {
constexpr int screenW = 1024, screenH = 768;
const QString fullScreen = QStringLiteral("_NET_WM_STATE_FULLSCREEN");

QString pictureFile() { return QFileInfo(QStringLiteral(COPPIX_BINARY)).absolutePath() + QStringLiteral("/dabrel coppix.jpg"); }
} // namespace

class TestDesktop : public QObject {
    Q_OBJECT

    static void saveShot(const QImage& shot, const QString& name) { e2e::saveShot(shot, QStringLiteral("desktop-") + name); }

    // The window manager has taken the window in and shows it over the whole screen, in
    // front of every other window, with the focus.
    void checkInFront(const xsession::Display& x, unsigned long window)
    {
        QTRY_VERIFY_WITH_TIMEOUT(x.isFramed(window), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(x.states(window).contains(fullScreen), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(x.geometry(window), QRect(0, 0, screenW, screenH), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), window, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(x.topWindow(), window, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!x.stackingOrder().isEmpty() && x.stackingOrder().last() == window, 5000);
    }

    InFront inFront(const xsession::Display& x)
    {
        return [this, &x](unsigned long window) { checkInFront(x, window); };
    }

    void checkStartScreen(const xsession::Display& x, const QImage& expected, const QString& name)
    {
        // Its picture from the top left corner of the screen to the right and down to the
        // labels: no title bar, no frame, nothing of the table.
        QTRY_VERIFY_WITH_TIMEOUT(offStartPicture(x.screenshot(), expected) < 1, 5000);
        const QImage shot = x.screenshot();
        saveShot(shot, name);
        for (const QRect edge : {QRect(0, 0, screenW, 30), QRect(0, 0, 30, screenH - 100), QRect(screenW - 30, 0, 30, screenH - 100)})
            QVERIFY2(xsession::difference(shot.copy(edge), expected.copy(edge)) < 3, "the start screen leaves an edge of the screen");
        QVERIFY(xsession::fractionOf(shot, shot.rect(), darkGreen) < 0.05);
        QVERIFY(xsession::fractionOf(shot, shot.rect(), blue) < 0.05);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(!coppix::loadStartPicture(pictureFile()).isNull(), qPrintable(pictureFile()));
    }

    // A visit with another program on the desktop: the table keeps its game while the other
    // program has the focus, and only "Play" deals anew.
    void theTableKeepsItsGameWhenTheFocusComesBack()
    {
        xsession::Display x(screenW, screenH);
        QVERIFY2(x.ok(), "Xvfb did not start");
        QVERIFY2(x.startWindowManager(), qPrintable(QStringLiteral("no window manager: ") + x.windowManagerLog()));
        QCOMPARE(x.windowManagerName(), QStringLiteral("Openbox"));
        const QImage expectedStart = expectedStartScreen(pictureFile(), screenW, screenH);

        QProcess game;
        QVERIFY(startGame(game, x, QStringLiteral(COPPIX_BINARY)));
        const unsigned long start = x.waitForWindow(startTitle, 10000);
        QVERIFY2(start, "no start screen");
        CHECKED(checkInFront(x, start));
        CHECKED(checkStartScreen(x, expectedStart, QStringLiteral("1-start.png")));
        QVERIFY(x.findWindow(tableTitle) == 0);

        // "Play": the table in front, over the whole screen, its menu bar at the top.
        const StartPoints points = startPoints(screenW, screenH);
        Table first;
        CHECKED(pressPlay(x, points, first, Deal{}, inFront(x)));
        const unsigned long table = first.window;
        QVERIFY(x.findWindow(startTitle) == start);
        QVERIFY(x.stackingOrder().contains(start));
        QImage shot = first.shot;
        saveShot(shot, QStringLiteral("2-table.png"));
        const int menuBar = first.menuBar;
        for (int column : {5, screenW / 2})
            for (int row = 0; row < menuBar; ++row)
                QVERIFY2((shot.pixel(column, row) & 0xFFFFFF) != blue, "the menu bar does not start at the top");
        // The blue cloth reaches the bottom and both sides of the screen.
        QVERIFY(xsession::fractionOf(shot, QRect(0, screenH - 10, screenW, 10), blue) > 0.95);
        QVERIFY(xsession::fractionOf(shot, QRect(0, menuBar, 10, screenH - menuBar), blue) > 0.95);
        QVERIFY(xsession::fractionOf(shot, QRect(screenW - 10, menuBar, 10, screenH - menuBar), blue) > 0.95);

        const QImage back = first.back;

        // A card turned face up.
        const QRect seventh = first.cell(7);
        QVERIFY(x.click(seventh.center().x(), seventh.center().y()));
        QTRY_VERIFY_WITH_TIMEOUT(xsession::difference(x.screenshot().copy(seventh), back) > 10, 5000);
        QTest::qWait(200);
        const QImage faceUp = x.screenshot();
        saveShot(faceUp, QStringLiteral("3-face.png"));

        // Another program's window takes the focus and comes in front of the table.
        QProcess other;
        QProcessEnvironment otherEnv = x.environment();
        otherEnv.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        other.setProcessEnvironment(otherEnv);
        other.setProcessChannelMode(QProcess::ForwardedChannels);
        other.start(QStringLiteral("xmessage"), {QStringLiteral("-geometry"), QStringLiteral("300x100+100+100"),
                                                 QStringLiteral("Another program")});
        QVERIFY2(other.waitForStarted(5000), "xmessage did not start");
        const unsigned long message = x.waitForWindow(QStringLiteral("xmessage"), 10000);
        QVERIFY2(message, "no window of the other program");
        QVERIFY(x.xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(message)}));
        QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), message, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(x.topWindow(), message, 5000);
        QCOMPARE(x.stackingOrder().last(), message);
        QVERIFY2(x.isFramed(message), "the other program's window has no frame");
        QTest::qWait(300);
        shot = x.screenshot();
        saveShot(shot, QStringLiteral("4-other-program.png"));
        const QRect messageArea = x.geometry(message);
        QVERIFY(!messageArea.isEmpty());
        QVERIFY2(xsession::difference(shot.copy(messageArea), faceUp.copy(messageArea)) > 10, "the other program's window is not seen");
        // Around the other window, the table stays as it was.
        const QRect frameArea = messageArea.adjusted(-10, -40, 10, 10);
        for (int cell = 1; cell <= 20; ++cell) {
            const QRect place = first.cell(cell);
            if (!place.intersects(frameArea))
                QVERIFY2(xsession::difference(shot.copy(place), faceUp.copy(place)) < 2,
                         qPrintable(QStringLiteral("cell %1 changed behind the other program").arg(cell)));
        }

        // The start screen brought in front from the desktop while the table is up: its
        // picture, let go while the table covered it, is painted again whole.
        QVERIFY(x.xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(start)}));
        CHECKED(checkInFront(x, start));
        CHECKED(checkStartScreen(x, expectedStart, QStringLiteral("4b-start-from-desktop.png")));

        // The focus back on the table: the same game, the face still up, the others down.
        QVERIFY(x.xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(table)}));
        CHECKED(checkInFront(x, table));
        QTest::qWait(400);
        shot = x.screenshot();
        saveShot(shot, QStringLiteral("5-focus-back.png"));
        QVERIFY2(xsession::difference(shot.copy(seventh), back) > 10, "the card turned before is face down again");
        QVERIFY2(xsession::difference(shot.copy(seventh), faceUp.copy(seventh)) < 2, "the card turned before shows another face");
        for (int cell = 1; cell <= 20; ++cell)
            if (cell != 7)
                QVERIFY2(xsession::difference(shot.copy(first.cell(cell)), back) < 2,
                         qPrintable(QStringLiteral("cell %1 is no longer a back").arg(cell)));
        QVERIFY2(xsession::difference(shot.copy(QRect(0, 0, screenW, menuBar)), faceUp.copy(QRect(0, 0, screenW, menuBar))) < 2,
                 "the menu bar changed");
        QVERIFY(menuBarHeight(shot) == menuBar);

        // "Exit": the start screen in front again, with the other program still about.
        const QPoint exit = exitPoint(screenW, screenH, menuBar);
        QVERIFY(x.click(exit.x(), exit.y()));
        CHECKED(checkInFront(x, start));
        CHECKED(checkStartScreen(x, expectedStart, QStringLiteral("6-back-at-start.png")));
        QVERIFY(x.stackingOrder().contains(message));
        // The table has left the desktop: no window list or activation brings it back empty.
        QTRY_VERIFY_WITH_TIMEOUT(!x.stackingOrder().contains(table), 5000);
        QCOMPARE(x.findWindow(tableTitle), 0UL);
        x.xdotool({QStringLiteral("windowactivate"), QString::number(table)}); // refused: it is not mapped
        QTest::qWait(500);
        CHECKED(checkInFront(x, start));
        QCOMPARE(x.findWindow(tableTitle), 0UL);

        // "Play" again: now the table comes in front with a new deal, every card down.
        Table again;
        CHECKED(pressPlay(x, points, again, Deal{}, inFront(x)));
        QCOMPARE(again.window, table);
        saveShot(again.shot, QStringLiteral("7-new-deal.png"));
        CHECKED(checkAllDown(again, back));

        // "Exit", then "Quit": the program ends with status 0; the other program goes on.
        QVERIFY(x.click(exit.x(), exit.y()));
        CHECKED(checkInFront(x, start));
        QVERIFY(x.click(points.quit.x(), points.quit.y()));
        CHECKED(checkEnded(game));
        QCOMPARE(other.state(), QProcess::Running);
        QTRY_COMPARE_WITH_TIMEOUT(x.stackingOrder(), QList<unsigned long>{message}, 5000);
        other.terminate();
        other.waitForFinished(3000);
    }

    // The window manager's close (Alt+F4 on the window with the focus) ends the program,
    // from either window.
    void closedByTheWindowManager_data()
    {
        QTest::addColumn<bool>("fromTheTable");
        QTest::newRow("start screen") << false;
        QTest::newRow("table") << true;
    }
    void closedByTheWindowManager()
    {
        QFETCH(bool, fromTheTable);
        xsession::Display x(screenW, screenH);
        QVERIFY2(x.ok(), "Xvfb did not start");
        QVERIFY2(x.startWindowManager(), qPrintable(QStringLiteral("no window manager: ") + x.windowManagerLog()));
        QProcess game;
        QVERIFY(startGame(game, x, QStringLiteral(COPPIX_BINARY)));
        unsigned long window = x.waitForWindow(startTitle, 10000);
        QVERIFY2(window, "no start screen");
        CHECKED(checkInFront(x, window));
        if (fromTheTable) {
            Table table;
            CHECKED(pressPlay(x, startPoints(screenW, screenH), table, Deal{}, inFront(x)));
            window = table.window;
        }
        QTest::qWait(200);
        QVERIFY(x.xdotool({QStringLiteral("key"), QStringLiteral("alt+F4")}));
        CHECKED(checkEnded(game));
        QTRY_VERIFY_WITH_TIMEOUT(x.stackingOrder().isEmpty(), 5000);
    }
};

QTEST_GUILESS_MAIN(TestDesktop)
#include "e2e_desktop.moc"
