// The real program on a desktop: Xvfb with a window manager (openbox), so that frames, title
// bars, focus and the order of the windows are a window manager's and not the bare X
// server's. Both windows are framed, their frames over the whole screen; another program's
// window takes the focus and gives it back; the window manager closes the windows.
#include "x11/game.h"
#include "x11/xsession.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTest>

using namespace e2e;

namespace {
constexpr int screenW = 1024, screenH = 768;
const QString fullScreen = QStringLiteral("_NET_WM_STATE_FULLSCREEN");
constexpr QRgb orange = 0xFF8000; // a start screen label under the pointer

QString pictureFile() { return QFileInfo(QStringLiteral(COPPIX_BINARY)).absolutePath() + QStringLiteral("/dabrel coppix.jpg"); }
} // namespace

class TestDesktop : public QObject {
    Q_OBJECT

    static void saveShot(const QImage& shot, const QString& name) { e2e::saveShot(shot, QStringLiteral("desktop-") + name); }

    // The window manager has taken the window in and shows it framed, in front of every other
    // window, with the focus: the frame covers the whole screen from its top left corner, and
    // the window's client area is what the frame leaves.
    void checkInFront(const xsession::Display& x, unsigned long window, QSize screen = QSize(screenW, screenH))
    {
        QTRY_VERIFY_WITH_TIMEOUT(x.isFramed(window), 5000);
        QTRY_COMPARE_WITH_TIMEOUT(x.frameGeometry(window), QRect(QPoint(0, 0), screen), 5000);
        const std::optional<QMargins> frame = x.frameExtents(window);
        QVERIFY2(frame, "the window manager tells no frame");
        QTRY_COMPARE_WITH_TIMEOUT(x.geometry(window), QRect(QPoint(0, 0), screen) - *frame, 5000);
        QVERIFY(!x.states(window).contains(fullScreen));
        QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), window, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(x.topWindow(), window, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(!x.stackingOrder().isEmpty() && x.stackingOrder().last() == window, 5000);
    }

    // The program started under the window manager, its start screen in front.
    void startOnTheDesktop(xsession::Display& x, QProcess& game, unsigned long& start)
    {
        QVERIFY2(x.startWindowManager(), qPrintable(QStringLiteral("no window manager: ") + x.windowManagerLog()));
        QVERIFY(startGame(game, x, QStringLiteral(COPPIX_BINARY)));
        start = x.waitForWindow(startTitle, 10000);
        QVERIFY2(start, "no start screen");
        CHECKED(checkInFront(x, start));
    }

    InFront inFront(const xsession::Display& x, QSize screen = QSize(screenW, screenH))
    {
        return [this, &x, screen](unsigned long window) { checkInFront(x, window, screen); };
    }

    // The frame's top edge is a title bar showing the window's caption: deeper than the
    // frame's other edges, with letters drawn across its middle (pixels unlike the bar's own
    // colour at its left end, row by row).
    void checkTitleBar(const xsession::Display& x, unsigned long window, const QImage& shot, const QString& caption)
    {
        QCOMPARE(x.titleOf(window), caption);
        const std::optional<QMargins> frame = x.frameExtents(window);
        QVERIFY2(frame, "the window manager tells no frame");
        QVERIFY2(frame->top() >= 15 && frame->top() > 2 * std::max({frame->left(), frame->right(), frame->bottom()}),
                 qPrintable(QStringLiteral("no title bar: the frame's top edge is %1 pixels").arg(frame->top())));
        const QRect bar(x.frameGeometry(window).topLeft(), QSize(x.frameGeometry(window).width(), frame->top()));
        int letters = 0;
        for (int y = bar.top() + 2; y < bar.bottom() - 1; ++y) {
            const QRgb plain = shot.pixel(bar.left() + 30, y);
            for (int col = bar.left() + bar.width() / 4; col < bar.right() - bar.width() / 4; ++col) {
                const QRgb p = shot.pixel(col, y);
                if (std::abs(qRed(p) - qRed(plain)) + std::abs(qGreen(p) - qGreen(plain)) + std::abs(qBlue(p) - qBlue(plain)) > 120)
                    ++letters;
            }
        }
        QVERIFY2(letters > 100, qPrintable(QStringLiteral("the title bar shows no caption (%1 pixels of letters)").arg(letters)));
    }

    // The start screen in its frame: its picture whole over the client area, from the
    // client's top left corner to its edges and down to the labels; nothing of the table.
    void checkStartScreen(const xsession::Display& x, unsigned long start, const QString& name)
    {
        const QRect client = x.geometry(start);
        const QImage expected = expectedStartScreen(pictureFile(), client.width(), client.height());
        QTRY_VERIFY_WITH_TIMEOUT(offStartPicture(x.screenshot(), expected, client.topLeft()) < 1, 5000);
        const QImage shot = x.screenshot();
        saveShot(shot, name);
        const QRect picture = startPictureArea(QRect(QPoint(0, 0), client.size()));
        for (const QRect edge : {QRect(0, 0, picture.width(), 30), QRect(0, 0, 30, picture.height()),
                                 QRect(picture.width() - 30, 0, 30, picture.height())})
            QVERIFY2(xsession::difference(shot.copy(edge.translated(client.topLeft())), expected.copy(edge)) < 3,
                     "the start picture leaves an edge of the client area");
        QVERIFY(xsession::fractionOf(shot, client, darkGreen) < 0.05);
        QVERIFY(xsession::fractionOf(shot, client, blue) < 0.05);
    }

    // The blue cloth reaches every edge of the table's client area under its menu bar, and the
    // menu bar starts right under the title bar.
    void checkCloth(const Table& table)
    {
        const QRect cloth = table.cloth();
        for (const QRect& edge : {QRect(cloth.left(), cloth.bottom() - 9, cloth.width(), 10), QRect(cloth.left(), cloth.top(), 10, cloth.height()),
                                  QRect(cloth.right() - 9, cloth.top(), 10, cloth.height())})
            QVERIFY2(xsession::fractionOf(table.shot, edge, blue) > 0.95, "the blue cloth leaves an edge of the client area");
        for (int column : {table.client.left() + 5, table.client.center().x()})
            for (int row = table.client.top(); row < cloth.top(); ++row)
                QVERIFY2((table.shot.pixel(column, row) & 0xFFFFFF) != blue, "the menu bar does not start at the client area's top");
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(!coppix::loadStartPicture(pictureFile()).isNull(), qPrintable(pictureFile()));
    }

    // Both windows framed, the frame over the whole screen, a title bar showing the caption,
    // and the layout made from the client area the frame leaves: the start screen's picture
    // and labels, the table's menu bar, cloth, centred grid and "Exit", each where the rules
    // put it on that client area.
    void framedWindows_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::newRow("1024x768") << QSize(1024, 768);
        QTest::newRow("1920x1080") << QSize(1920, 1080);
    }
    void framedWindows()
    {
        QFETCH(QSize, screen);
        const QString size = QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
        xsession::Display x(screen.width(), screen.height());
        QVERIFY2(x.ok(), "Xvfb did not start");
        QVERIFY2(x.startWindowManager(), qPrintable(QStringLiteral("no window manager: ") + x.windowManagerLog()));
        QProcess game;
        QVERIFY(startGame(game, x, QStringLiteral(COPPIX_BINARY)));
        const unsigned long start = x.waitForWindow(startTitle, 10000);
        QVERIFY2(start, "no start screen");
        CHECKED(checkInFront(x, start, screen));
        CHECKED(checkStartScreen(x, start, QStringLiteral("framed-%1-1-start.png").arg(size)));
        QImage shot = x.screenshot();
        CHECKED(checkTitleBar(x, start, shot, startTitle));
        const QRect client = x.geometry(start);
        const StartLabels labels = startLabels(client);
        CHECKED(checkLabelAt(shot, labels.info, yellow, QStringLiteral("Info")));
        CHECKED(checkLabelAt(shot, labels.play, yellow, QStringLiteral("Play")));
        CHECKED(checkLabelAt(shot, labels.quit, yellow, QStringLiteral("Quit")));

        // The table: its deal laid out by the rules on the client area under the menu bar
        // (pressPlay checks every cell and the grid's edges to the pixel).
        Table table;
        CHECKED(pressPlay(x, startPoints(labels), table, Deal{}, inFront(x, screen)));
        saveShot(table.shot, QStringLiteral("framed-%1-2-table.png").arg(size));
        QCOMPARE(table.client.size(), client.size());
        CHECKED(checkTitleBar(x, table.window, table.shot, tableTitle));
        CHECKED(checkCloth(table));
        // Centred: as much blue cloth on the left of the grid as on its right, measured on
        // the screen along the first row, to a pixel.
        const int row = table.cell(1).center().y();
        int left = 0, right = 0;
        while ((table.shot.pixel(table.client.left() + left, row) & 0xFFFFFF) == blue)
            ++left;
        while ((table.shot.pixel(table.client.right() - right, row) & 0xFFFFFF) == blue)
            ++right;
        QVERIFY2(left > 0 && qAbs(left - right) <= 1, qPrintable(QStringLiteral("cloth left %1, right %2").arg(left).arg(right)));
        QCOMPARE(left, table.grid.marginLeft);
        const QRect cloth = table.cloth();
        CHECKED(checkLabelAt(table.shot, exitLabel(cloth.topLeft(), cloth.width(), cloth.height()), yellow, QStringLiteral("Exit")));

        // "Exit", then "Quit".
        QVERIFY(x.click(table.exit().x(), table.exit().y()));
        CHECKED(checkInFront(x, start, screen));
        QVERIFY(x.click(startPoints(labels).quit.x(), startPoints(labels).quit.y()));
        CHECKED(checkEnded(game));
    }

    // A visit with another program on the desktop: the table keeps its game while the other
    // program has the focus, and when the focus comes straight back to it; only "Play" deals
    // anew, and it sends the start screen below the other program's window.
    void theTableKeepsItsGameWhenTheFocusComesBack()
    {
        xsession::Display x(screenW, screenH);
        QVERIFY2(x.ok(), "Xvfb did not start");
        QVERIFY2(x.startWindowManager(), qPrintable(QStringLiteral("no window manager: ") + x.windowManagerLog()));
        QCOMPARE(x.windowManagerName(), QStringLiteral("Openbox"));

        QProcess game;
        QVERIFY(startGame(game, x, QStringLiteral(COPPIX_BINARY)));
        const unsigned long start = x.waitForWindow(startTitle, 10000);
        QVERIFY2(start, "no start screen");
        CHECKED(checkInFront(x, start));
        CHECKED(checkStartScreen(x, start, QStringLiteral("1-start.png")));
        QVERIFY(x.findWindow(tableTitle) == 0);

        // "Play": the table in front, its menu bar at the top of its client area.
        const StartPoints points = startPoints(startLabels(x.geometry(start)));
        Table first;
        CHECKED(pressPlay(x, points, first, Deal{}, inFront(x)));
        const unsigned long table = first.window;
        QVERIFY(x.findWindow(startTitle) == start);
        QVERIFY(x.stackingOrder().contains(start));
        saveShot(first.shot, QStringLiteral("2-table.png"));
        CHECKED(checkCloth(first));
        const int menuBar = first.menuBar;
        const QRect barArea(first.client.topLeft(), QSize(first.client.width(), menuBar));
        const QImage back = first.back;

        // A card turned face up.
        const QRect seventh = first.cell(7);
        CHECKED(turnCard(x, seventh, back));
        QTest::qWait(200);
        const QImage faceUp = x.screenshot();
        saveShot(faceUp, QStringLiteral("3-face.png"));

        // The same game, the face still up, the others down, the menu bar unchanged.
        const auto checkSameGame = [&](const QImage& shot) {
            QVERIFY2(xsession::difference(shot.copy(seventh), back) > 10, "the card turned before is face down again");
            QVERIFY2(xsession::difference(shot.copy(seventh), faceUp.copy(seventh)) < 2, "the card turned before shows another face");
            for (int cell = 1; cell <= 20; ++cell)
                if (cell != 7)
                    QVERIFY2(xsession::difference(shot.copy(first.cell(cell)), back) < 2,
                             qPrintable(QStringLiteral("cell %1 is no longer a back").arg(cell)));
            QVERIFY2(xsession::difference(shot.copy(barArea), faceUp.copy(barArea)) < 2, "the menu bar changed");
        };

        // Another program's window takes the focus and comes in front of the table.
        QProcess other;
        const unsigned long message = startOtherProgram(other, x);
        QVERIFY2(message, "no window of the other program");
        QVERIFY(x.xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(message)}));
        QTRY_COMPARE_WITH_TIMEOUT(x.activeWindow(), message, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(x.topWindow(), message, 5000);
        QCOMPARE(x.stackingOrder().last(), message);
        QVERIFY2(x.isFramed(message), "the other program's window has no frame");
        QTest::qWait(300);
        QImage shot = x.screenshot();
        saveShot(shot, QStringLiteral("4-other-program.png"));
        const QRect messageArea = x.frameGeometry(message);
        QVERIFY(!messageArea.isEmpty());
        QVERIFY2(xsession::difference(shot.copy(messageArea), faceUp.copy(messageArea)) > 10, "the other program's window is not seen");
        // Around the other window, the table stays as it was.
        for (int cell = 1; cell <= 20; ++cell) {
            const QRect place = first.cell(cell);
            if (!place.intersects(messageArea))
                QVERIFY2(xsession::difference(shot.copy(place), faceUp.copy(place)) < 2,
                         qPrintable(QStringLiteral("cell %1 changed behind the other program").arg(cell)));
        }

        // A click on the table's cloth, beside the other program's window: the table has the
        // focus again and the same game.
        const QPoint cloth(first.client.left() + first.grid.marginLeft / 2, first.cell(16).center().y());
        QVERIFY(!messageArea.contains(cloth));
        QVERIFY(x.click(cloth.x(), cloth.y()));
        CHECKED(checkInFront(x, table));
        QTest::qWait(400);
        shot = x.screenshot();
        saveShot(shot, QStringLiteral("4a-click-on-table.png"));
        CHECKED(checkSameGame(shot));

        // The start screen brought in front from the desktop while the table is up: its
        // picture, let go while the table covered it, is painted again whole.
        QVERIFY(x.xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(start)}));
        CHECKED(checkInFront(x, start));
        CHECKED(checkStartScreen(x, start, QStringLiteral("4b-start-from-desktop.png")));

        // The focus straight back on the table, with no "Play": the same game.
        QVERIFY(x.xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(table)}));
        CHECKED(checkInFront(x, table));
        QTest::qWait(400);
        shot = x.screenshot();
        saveShot(shot, QStringLiteral("5-focus-back.png"));
        CHECKED(checkSameGame(shot));
        QVERIFY(menuBarHeight(shot, first.client) == menuBar);

        // "Exit": the start screen in front again, with the other program still about.
        QVERIFY(x.click(first.exit().x(), first.exit().y()));
        CHECKED(checkInFront(x, start));
        CHECKED(checkStartScreen(x, start, QStringLiteral("6-back-at-start.png")));
        QVERIFY(x.stackingOrder().contains(message));
        // The table has left the desktop: no window list or activation brings it back empty.
        QTRY_VERIFY_WITH_TIMEOUT(!x.stackingOrder().contains(table), 5000);
        QCOMPARE(x.findWindow(tableTitle), 0UL);
        x.xdotool({QStringLiteral("windowactivate"), QString::number(table)}); // refused: it is not mapped
        QTest::qWait(500);
        CHECKED(checkInFront(x, start));
        QCOMPARE(x.findWindow(tableTitle), 0UL);

        // "Play" again: now the table comes in front with a new deal, every card down, and the
        // start screen goes to the back, below the other program's window.
        QCOMPARE(x.stackingOrder(), (QList<unsigned long>{message, start}));
        Table again;
        CHECKED(pressPlay(x, points, again, Deal{}, inFront(x)));
        QCOMPARE(again.window, table);
        saveShot(again.shot, QStringLiteral("7-new-deal.png"));
        CHECKED(checkAllDown(again, back));
        QCOMPARE(x.stackingOrder(), (QList<unsigned long>{start, message, table}));

        // "Exit", then "Quit": the program ends with status 0; the other program goes on.
        QVERIFY(x.click(first.exit().x(), first.exit().y()));
        CHECKED(checkInFront(x, start));
        QVERIFY(x.click(points.quit.x(), points.quit.y()));
        CHECKED(checkEnded(game));
        QCOMPARE(other.state(), QProcess::Running);
        QTRY_COMPARE_WITH_TIMEOUT(x.stackingOrder(), QList<unsigned long>{message}, 5000);
        other.terminate();
        other.waitForFinished(3000);
    }

    // "Play" deals a new game however the start screen came in front: here from the
    // desktop's window list while a game is under way, with a card up.
    void playDealsAnewHoweverTheStartScreenCameInFront()
    {
        xsession::Display x(screenW, screenH);
        QVERIFY2(x.ok(), "Xvfb did not start");
        QProcess game;
        unsigned long start = 0;
        CHECKED(startOnTheDesktop(x, game, start));
        const StartPoints points = startPoints(startLabels(x.geometry(start)));
        Table first;
        CHECKED(pressPlay(x, points, first, Deal{}, inFront(x)));
        const QRect seventh = first.cell(7);
        CHECKED(turnCard(x, seventh, first.back));
        QTest::qWait(200);
        saveShot(x.screenshot(), QStringLiteral("play-1-face.png"));

        // The start screen from the window list, not by "Exit"; then "Play".
        QVERIFY(x.xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(start)}));
        CHECKED(checkInFront(x, start));
        CHECKED(checkStartScreen(x, start, QStringLiteral("play-2-start-from-desktop.png")));
        Table again;
        CHECKED(pressPlay(x, points, again, Deal{}, inFront(x)));
        saveShot(again.shot, QStringLiteral("play-3-new-deal.png"));
        QCOMPARE(again.window, first.window);
        CHECKED(checkAllDown(again, first.back));
        QCOMPARE(x.stackingOrder(), (QList<unsigned long>{start, first.window}));

        // The new game plays: the card in the seventh cell turns, and the one beside it.
        CHECKED(turnCard(x, seventh, first.back));
        const QRect eighth = first.cell(8);
        CHECKED(turnCard(x, eighth, first.back));

        x.requestClose(first.window);
        CHECKED(checkEnded(game));
    }

    // The table made smaller, with the start screen behind it: the part the table leaves
    // shows the start picture whole, also when the start screen paints there (its "Quit"
    // lights up under the pointer) while the table stays in front.
    void theStartPictureBehindASmallerTable()
    {
        xsession::Display x(screenW, screenH);
        QVERIFY2(x.ok(), "Xvfb did not start");
        QProcess game;
        unsigned long start = 0;
        CHECKED(startOnTheDesktop(x, game, start));
        const QRect client = x.geometry(start);
        const StartLabels labels = startLabels(client);
        Table table;
        CHECKED(pressPlay(x, startPoints(labels), table, Deal{}, inFront(x)));

        QVERIFY(x.xdotool({QStringLiteral("windowsize"), QStringLiteral("--sync"), QString::number(table.window),
                           QString::number(screenW / 2), QString::number(screenH / 2)}));
        QTRY_VERIFY_WITH_TIMEOUT(x.frameGeometry(table.window).right() < screenW / 2 + 40, 5000);
        const QImage expected = expectedStartScreen(pictureFile(), client.width(), client.height());
        // The start screen's client area right of the table, above the labels.
        const int left = x.frameGeometry(table.window).right() + 1 - client.left();
        const QRect beside(left, 0, client.width() - left, startPictureArea(QRect(QPoint(0, 0), client.size())).height());
        QTRY_VERIFY_WITH_TIMEOUT(xsession::difference(x.screenshot().copy(beside.translated(client.topLeft())), expected.copy(beside)) < 1, 5000);

        const QRect quit = labels.quit.toAlignedRect();
        QVERIFY(x.moveMouse(quit.center().x(), quit.center().y()));
        QTRY_VERIFY_WITH_TIMEOUT(xsession::fractionOf(x.screenshot(), quit, orange) > 0.02, 5000);
        QTest::qWait(300);
        const QImage shot = x.screenshot();
        saveShot(shot, QStringLiteral("smaller-table.png"));
        QCOMPARE(x.activeWindow(), table.window);
        QVERIFY2(xsession::fractionOf(shot, quit, darkGreen) < 0.05, "the start screen paints its background alone behind the table");
        QVERIFY(xsession::difference(shot.copy(beside.translated(client.topLeft())), expected.copy(beside)) < 1);

        x.requestClose(table.window);
        CHECKED(checkEnded(game));
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
        QProcess game;
        unsigned long window = 0;
        CHECKED(startOnTheDesktop(x, game, window));
        if (fromTheTable) {
            Table table;
            CHECKED(pressPlay(x, startPoints(startLabels(x.geometry(window))), table, Deal{}, inFront(x)));
            window = table.window;
        }
        QTest::qWait(200);
        QVERIFY(x.xdotool({QStringLiteral("key"), QStringLiteral("alt+F4")}));
        CHECKED(checkEnded(game));
        QTRY_VERIFY_WITH_TIMEOUT(x.stackingOrder().isEmpty(), 5000);
    }

    // A window manager that says it can tell a window's frame but never answers: the start
    // screen still comes at once, and both windows cover the screen unframed, as on a bare
    // server, their layout made for the whole screen.
    void aWindowManagerThatDoesNotAnswer()
    {
        xsession::Display x(screenW, screenH);
        QVERIFY2(x.ok(), "Xvfb did not start");
        QVERIFY(x.pretendWindowManager(QStringLiteral("Mute")));
        QProcess game;
        QElapsedTimer clock;
        clock.start();
        QVERIFY(startGame(game, x, QStringLiteral(COPPIX_BINARY)));
        const unsigned long start = x.waitForWindow(startTitle, 5000);
        QVERIFY2(start, qPrintable(QStringLiteral("no start screen after %1 ms").arg(clock.elapsed())));
        QVERIFY(!x.isFramed(start));
        QTRY_COMPARE_WITH_TIMEOUT(x.geometry(start), QRect(0, 0, screenW, screenH), 5000);
        CHECKED(checkStartScreen(x, start, QStringLiteral("mute-1-start.png")));

        Table table;
        CHECKED(pressPlay(x, startPoints(screenW, screenH), table));
        QVERIFY(!x.isFramed(table.window));
        QCOMPARE(table.client, QRect(0, 0, screenW, screenH));
        saveShot(table.shot, QStringLiteral("mute-2-table.png"));
        x.requestClose(table.window);
        CHECKED(checkEnded(game));
    }
};

QTEST_GUILESS_MAIN(TestDesktop)
#include "e2e_desktop.moc"
