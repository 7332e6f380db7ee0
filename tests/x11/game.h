#pragma once
// The game as the end-to-end tests see it from outside: its window titles, where its labels
// and cards lie on a screen of a given size, and what its start screen must look like.
#include "disk_sound.h"
#include "start/start_picture.h"
#include "start_numbers.h"
#include "window_titles.h"
#include "x11/xsession.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QRectF>
#include <QTest>

#include <array>
#include <cmath>
#include <functional>

// A check made in a helper of its own (a void function with Qt Test's checks in it): the test
// stops at the helper's first failure.
#define CHECKED(call)                                                                              \
    do {                                                                                           \
        call;                                                                                      \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)

namespace e2e {

using testsupport::startTitle;
using testsupport::tableTitle;
constexpr QRgb blue = 0x0000FF;
constexpr QRgb darkGreen = 0x004000;

// Starts the program on the display, silent; its standard error is passed on, or kept for
// the test to read.
enum class Errors { PassOn, Keep };
// With a sound file named, what the game plays is written there (SDL's disk driver).
inline bool startGame(QProcess& game, const xsession::Display& x, const QString& program, Errors errors = Errors::PassOn,
                      const QString& workingFolder = {}, const QString& soundFile = {})
{
    QProcessEnvironment env = x.environment();
    if (soundFile.isEmpty()) {
        env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    } else {
        disksound::writeSoundTo(env, soundFile);
    }
    game.setProcessEnvironment(env);
    game.setProcessChannelMode(errors == Errors::Keep ? QProcess::ForwardedOutputChannel : QProcess::ForwardedChannels);
    if (!workingFolder.isEmpty())
        game.setWorkingDirectory(workingFolder);
    game.start(program, {});
    return game.waitForStarted(5000);
}

// Another program's small window (xmessage, 300 x 100 at 100, 100) on the display; the window,
// or 0 when none came.
inline unsigned long startOtherProgram(QProcess& other, const xsession::Display& x)
{
    QProcessEnvironment env = x.environment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    other.setProcessEnvironment(env);
    other.setProcessChannelMode(QProcess::ForwardedChannels);
    other.start(QStringLiteral("xmessage"),
                {QStringLiteral("-geometry"), QStringLiteral("300x100+100+100"), QStringLiteral("Another program")});
    if (!other.waitForStarted(5000))
        return 0;
    return x.waitForWindow(QStringLiteral("xmessage"), 10000);
}

// The loudest sample the game has written to its sound file from a given byte on; -1 while
// there is no file.
inline int peakFrom(const QString& soundFile, qint64 offset = 0) { return disksound::loudestSampleIn(soundFile, offset); }

// A screenshot kept for a person to look at, in the folder COPPIX_SHOTS names; none without it.
inline void saveShot(const QImage& shot, const QString& name)
{
    const QString dir = qEnvironmentVariable("COPPIX_SHOTS");
    if (!dir.isEmpty())
        shot.save(QDir(dir).filePath(name));
}

// The yellow of the labels used as buttons, as the screen shows it.
constexpr QRgb yellow = 0xFFFF00;

// A label's letters stand centred in its place: the box around the pixels of their colour,
// looked for in a band around the place, lies inside the place; its middle is the place's
// across, to within the pixel the program rounds to, and lies up to a few pixels above it
// down the place, where a line of text with room below it for descenders puts its letters.
inline void checkLabelAt(const QImage& shot, const QRectF& place, QRgb colour, const QString& name)
{
    const QRect search = place.toAlignedRect().adjusted(-40, -40, 40, 40).intersected(shot.rect());
    QRect letters;
    for (int y = search.top(); y <= search.bottom(); ++y)
        for (int x = search.left(); x <= search.right(); ++x)
            if ((shot.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF))
                letters |= QRect(x, y, 1, 1);
    QVERIFY2(!letters.isEmpty(), qPrintable(name + QStringLiteral(" is not seen")));
    const QString where = QStringLiteral("%1: letters at %2,%3 %4x%5, the label at %6,%7 %8x%9")
                              .arg(name)
                              .arg(letters.x())
                              .arg(letters.y())
                              .arg(letters.width())
                              .arg(letters.height())
                              .arg(place.x())
                              .arg(place.y())
                              .arg(place.width())
                              .arg(place.height());
    QVERIFY2(place.adjusted(-1, -1, 1, 1).contains(QRectF(letters)), qPrintable(where + QStringLiteral(": not inside")));
    const QPointF off = QRectF(letters).center() - place.center();
    QVERIFY2(qAbs(off.x()) <= 2 && off.y() >= -6.5 && off.y() <= 1, qPrintable(where + QStringLiteral(": not centred")));
}

// ---- Where things stand, by the game's own rules written out here (never the program's
// layout code): the worked numbers for a bare 1024 x 768 screen, and the rules themselves for
// a client area of any other size (a framed window's, whose size the test reads from the X
// server). Places are in pixels of the screen, before the program makes them whole.

// The start screen's three labels on its client area (start_numbers.h).
using testsupport::labelSize;
using testsupport::playLabelSize;
using testsupport::StartLabels;
using testsupport::startLabels;
using testsupport::startLabels1024x768;

// The labels of the start screen, at the points a player clicks: their middles.
struct StartPoints {
    QPoint play, quit, info;
};
inline StartPoints startPoints(const StartLabels& labels)
{
    return {labels.play.center().toPoint(), labels.quit.center().toPoint(), labels.info.center().toPoint()};
}
// On a bare screen of the given size (every test's but the desktop's is 1024 x 768).
inline StartPoints startPoints(int width, int height)
{
    return startPoints(width == 1024 && height == 768 ? startLabels1024x768() : startLabels(QRect(0, 0, width, height)));
}

// The part of the start screen above its labels: nothing but the picture.
inline QRect startPictureArea(const QRect& client)
{
    return QRect(client.left(), client.top(), client.width(), int(client.height() * 0.8875) - 4);
}

// The start screen as the program paints it: its picture stretched over the whole client
// area. A null image when the picture cannot be read.
inline QImage expectedStartScreen(const QString& pictureFile, int width, int height)
{
    const QImage picture = coppix::loadStartPicture(pictureFile);
    if (picture.isNull())
        return {};
    QImage screen(width, height, QImage::Format_RGB32);
    screen.fill(Qt::black);
    QPainter painter(&screen);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(0, 0, width, height), picture);
    return screen;
}

// How far a screenshot is from the start screen's picture over the part above the labels,
// for a client area at the given place (the screen's top left corner on a bare screen).
inline double offStartPicture(const QImage& shot, const QImage& expected, QPoint clientOrigin = {})
{
    const QRect area = startPictureArea(QRect(QPoint(0, 0), expected.size()));
    return xsession::difference(shot.copy(area.translated(clientOrigin)), expected.copy(area));
}

// The height of the table's menu bar: the rows from the top of the client area down to the
// blue cloth at its right edge; 0 when there is no such bar.
inline int menuBarHeight(const QImage& shot, const QRect& client)
{
    int bar = 0;
    const int x = client.right() - 4;
    while (bar < 100 && client.top() + bar < shot.height() && (shot.pixel(x, client.top() + bar) & 0xFFFFFF) != blue)
        ++bar;
    return bar < 100 ? bar : 0;
}
inline int menuBarHeight(const QImage& shot) { return menuBarHeight(shot, shot.rect()); }

// The card grid of a deal on a table of W x H pixels (the client area under the menu bar):
// cells of 0.8 H / rows, the grid centred across the width and H / 200 below the top, each
// value made whole with halves going to the even number.
struct Grid {
    int cellSize = 0, marginLeft = 0, marginTop = 0;
};
inline int wholeHalvesToEven(double value) { return int(std::nearbyint(value)); }
inline Grid gridOn(int W, int H, int cards, int rows)
{
    Grid grid;
    grid.cellSize = wholeHalvesToEven(0.8 * H / rows);
    grid.marginLeft = wholeHalvesToEven((W - double(cards / rows) * grid.cellSize) / 2);
    grid.marginTop = wholeHalvesToEven(0.005 * H);
    return grid;
}

// One cell of the card grid (cells counted from 1, row by row), on the screen; the table's
// top left corner (under the menu bar) lies at the given place.
inline QRect cellRect(const Grid& grid, QPoint table, int columns, int cell)
{
    const int row = (cell - 1) / columns, column = (cell - 1) % columns;
    return QRect(table.x() + grid.marginLeft + column * grid.cellSize, table.y() + grid.marginTop + row * grid.cellSize,
                 grid.cellSize, grid.cellSize);
}
// The same on a bare screen, whose table starts right under the menu bar at the left edge.
inline QRect cellRect(const Grid& grid, int menuBar, int columns, int cell)
{
    return cellRect(grid, QPoint(0, menuBar), columns, cell);
}

// Every card of a deal lies face down: each cell of the grid shows the given back, and none
// the blue cloth under it; and the grid lies where the rules put it, to the pixel: the cloth
// is blue right around it and no cell shows it along the grid's edges.
inline void checkAllDown(const QImage& shot, const Grid& grid, QPoint table, int columns, int cards, const QImage& back)
{
    for (int cell = 1; cell <= cards; ++cell) {
        const QImage image = shot.copy(cellRect(grid, table, columns, cell));
        QVERIFY2(xsession::fractionOf(image, image.rect(), blue) < 0.05, qPrintable(QStringLiteral("cell %1 is empty").arg(cell)));
        QVERIFY2(xsession::difference(image, back) < 2, qPrintable(QStringLiteral("cell %1 is no back").arg(cell)));
    }
    // The four lines of pixels along the grid's edges, one pixel in from the given rectangle's.
    const auto edges = [](const QRect& r) {
        return std::array<QRect, 4>{QRect(r.left(), r.top(), r.width(), 1), QRect(r.left(), r.bottom(), r.width(), 1),
                                    QRect(r.left(), r.top(), 1, r.height()), QRect(r.right(), r.top(), 1, r.height())};
    };
    const QRect whole = cellRect(grid, table, columns, 1).united(cellRect(grid, table, columns, cards));
    for (const QRect& edge : edges(whole.adjusted(-1, -1, 1, 1)))
        QVERIFY2(xsession::fractionOf(shot, edge, blue) > 0.95, "the blue cloth does not reach the grid's edge");
    for (const QRect& edge : edges(whole))
        QVERIFY2(xsession::fractionOf(shot, edge, blue) < 0.05, "the grid's edge shows the blue cloth");
}
inline void checkAllDown(const QImage& shot, const Grid& grid, int menuBar, int columns, int cards, const QImage& back)
{
    checkAllDown(shot, grid, QPoint(0, menuBar), columns, cards, back);
}

// A player's click on a card of the table: its cell shows something else than the back
// it showed (its face) within 5 s.
inline void turnCard(const xsession::Display& x, const QRect& cell, const QImage& back)
{
    QVERIFY(x.click(cell.center().x(), cell.center().y()));
    QTRY_VERIFY_WITH_TIMEOUT(xsession::difference(x.screenshot().copy(cell), back) > 10, 5000);
}

// The program has ended by itself, as it ends when a player leaves: with status 0.
inline void checkEnded(QProcess& game)
{
    QVERIFY2(game.waitForFinished(10000), "the program did not end");
    QCOMPARE(game.exitStatus(), QProcess::NormalExit);
    QCOMPARE(game.exitCode(), 0);
}

// The "Exit" label of the table: at 7/8 of the width and 103/120 of the height of the table
// (the client area under the menu bar), whose top left corner lies at the given place.
inline QRectF exitLabel(QPoint table, int W, int H)
{
    return QRectF(QPointF(table) + QPointF(W * 105.0 / 120, H * 103.0 / 120), labelSize);
}
// The point a player clicks, on a bare screen of the given size.
inline QPoint exitPoint(int width, int height, int menuBar)
{
    return exitLabel(QPoint(0, menuBar), width, height - menuBar).center().toPoint();
}

// A deal as the table lays it out: so many cards on so many rows (every run starts with 20 on 4).
struct Deal {
    int cards = 20, rows = 4;
    int columns() const { return cards / rows; }
};

// The table as it shows after "Play": its window and client area on the screen, a screenshot
// taken once it is painted, the height of its menu bar, the grid of the deal and the back its
// first card shows.
struct Table {
    unsigned long window = 0;
    QRect client;
    QImage shot;
    int menuBar = 0;
    Deal deal;
    Grid grid{};
    QImage back;

    // The table itself: the client area under the menu bar, on the screen.
    QRect cloth() const { return client.adjusted(0, menuBar, 0, 0); }
    // One cell of the deal (counted from 1, row by row), on the screen.
    QRect cell(int n) const { return cellRect(grid, cloth().topLeft(), deal.columns(), n); }
    QPoint exit() const { return exitLabel(cloth().topLeft(), cloth().width(), cloth().height()).center().toPoint(); }
};

// Every card of the table's deal lies face down, showing the given back.
inline void checkAllDown(const Table& table, const QImage& back)
{
    checkAllDown(table.shot, table.grid, table.cloth().topLeft(), table.deal.columns(), table.deal.cards, back);
}

// How a test waits for a window to be in front; with no such check, until it is the uppermost.
using InFront = std::function<void(unsigned long window)>;

// Clicks "Play" on the start screen and waits for the table: mapped, in front, painted with
// its menu bar above the blue cloth, and the deal of the given size on it with every card
// down. Call it through CHECKED: it fails the test on the way.
inline void pressPlay(const xsession::Display& x, const StartPoints& points, Table& table, const Deal& deal = {},
                      const InFront& inFront = {})
{
    QVERIFY(x.click(points.play.x(), points.play.y()));
    table.window = x.waitForWindow(tableTitle, 10000);
    QVERIFY2(table.window, "no table after Play");
    if (inFront)
        CHECKED(inFront(table.window));
    else
        QTRY_COMPARE_WITH_TIMEOUT(x.topWindow(), table.window, 5000);
    // The client area as the X server has it: the screen on a bare server, what the frame
    // leaves under a window manager.
    table.client = x.geometry(table.window);
    QVERIFY2(!table.client.isEmpty(), "the table's window has no place");
    // In front is not yet painted: a slow build (the sanitizers) takes a while.
    QTRY_VERIFY_WITH_TIMEOUT(menuBarHeight(x.screenshot(), table.client) > 5, 5000);
    QTest::qWait(300);
    table.shot = x.screenshot();
    table.menuBar = menuBarHeight(table.shot, table.client);
    QVERIFY2(table.menuBar > 5, "no menu bar above a blue table");
    table.deal = deal;
    table.grid = gridOn(table.cloth().width(), table.cloth().height(), deal.cards, deal.rows);
    table.back = table.shot.copy(table.cell(1));
    CHECKED(checkAllDown(table, table.back));
}

} // namespace e2e
