#pragma once
// The game as the end-to-end tests see it from outside: its window titles, where its labels
// and cards lie on a screen of a given size, and what its start screen must look like.
#include "start/frmmain.h"
#include "start/start_picture.h"
#include "table/form1.h"
#include "x11/xsession.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPoint>
#include <QProcess>
#include <QRect>
#include <QTest>
#include <QtEndian>

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

inline const QString startTitle = QStringLiteral("VErdanticoPRess  -  Coppix");
inline const QString tableTitle = QStringLiteral("VErdanticoPRess  -  Coppix ");
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
        env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("disk"));
        env.insert(QStringLiteral("SDL_DISKAUDIOFILE"), soundFile);
    }
    game.setProcessEnvironment(env);
    game.setProcessChannelMode(errors == Errors::Keep ? QProcess::ForwardedOutputChannel : QProcess::ForwardedChannels);
    if (!workingFolder.isEmpty())
        game.setWorkingDirectory(workingFolder);
    game.start(program, {});
    return game.waitForStarted(5000);
}

// The loudest sample SDL's disk driver has written to a sound file (signed 16-bit
// little-endian) from a given byte on; 0 while there is none.
inline int peakFrom(const QString& soundFile, qint64 offset = 0)
{
    QFile out(soundFile);
    if (!out.open(QIODevice::ReadOnly) || !out.seek(offset))
        return 0;
    const QByteArray data = out.readAll();
    int peak = 0;
    for (qsizetype i = 0; i + 1 < data.size(); i += 2)
        peak = qMax(peak, qAbs(int(qFromLittleEndian<qint16>(data.constData() + i))));
    return peak;
}

// A screenshot kept for a person to look at, in the folder COPPIX_SHOTS names; none without it.
inline void saveShot(const QImage& shot, const QString& name)
{
    const QString dir = qEnvironmentVariable("COPPIX_SHOTS");
    if (!dir.isEmpty())
        shot.save(QDir(dir).filePath(name));
}

// The labels of the start screen, at the points a player clicks.
struct StartPoints {
    QPoint play, quit, info;
};
inline StartPoints startPoints(int width, int height)
{
    const coppix::StartLayout layout = coppix::startLayout(float(width), float(height));
    return {QPoint(int(layout.playLeft) + 76, int(layout.top) + 16), QPoint(int(layout.quitLeft) + 37, int(layout.top) + 18),
            QPoint(int(layout.infoLeft) + 37, int(layout.top) + 18)};
}

// The part of the start screen above its labels: nothing but the picture.
inline QRect startPictureArea(int width, int height)
{
    const coppix::StartLayout layout = coppix::startLayout(float(width), float(height));
    return QRect(0, 0, width, int(layout.top) - 4);
}

// The start screen as the program paints it: its picture stretched over the whole window.
// A null image when the picture cannot be read.
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

// How far a screenshot is from the start screen's picture over the part above the labels.
inline double offStartPicture(const QImage& shot, const QImage& expected)
{
    const QRect area = startPictureArea(expected.width(), expected.height());
    return xsession::difference(shot.copy(area), expected.copy(area));
}

// The height of the table's menu bar: the rows from the top of the screen down to the blue
// cloth at its right edge; 0 when there is no such bar.
inline int menuBarHeight(const QImage& shot)
{
    int bar = 0;
    while (bar < 100 && bar < shot.height() && (shot.pixel(shot.width() - 5, bar) & 0xFFFFFF) != blue)
        ++bar;
    return bar < 100 ? bar : 0;
}

// One cell of the card grid (cells counted from 1, row by row), on the screen.
inline QRect cellRect(const coppix::GridGeometry& grid, int top, int columns, int cell)
{
    const int row = (cell - 1) / columns, column = (cell - 1) % columns;
    return QRect(grid.marginLeft + column * grid.cellSize, top + grid.marginTop + row * grid.cellSize, grid.cellSize,
                 grid.cellSize);
}

// Every card of a deal lies face down: each cell of the grid shows the given back, and none
// the blue cloth under it.
inline void checkAllDown(const QImage& shot, const coppix::GridGeometry& grid, int menuBar, int columns, int cards,
                         const QImage& back)
{
    for (int cell = 1; cell <= cards; ++cell) {
        const QImage image = shot.copy(cellRect(grid, menuBar, columns, cell));
        QVERIFY2(xsession::fractionOf(image, image.rect(), blue) < 0.05, qPrintable(QStringLiteral("cell %1 is empty").arg(cell)));
        QVERIFY2(xsession::difference(image, back) < 2, qPrintable(QStringLiteral("cell %1 is no back").arg(cell)));
    }
}

// The program has ended by itself, as it ends when a player leaves: with status 0.
inline void checkEnded(QProcess& game)
{
    QVERIFY2(game.waitForFinished(10000), "the program did not end");
    QCOMPARE(game.exitStatus(), QProcess::NormalExit);
    QCOMPARE(game.exitCode(), 0);
}

// The "Exit" label of the table, at the point a player clicks.
inline QPoint exitPoint(int width, int height, int menuBar)
{
    const coppix::TableLayout layout = coppix::tableLayout(width, height - menuBar);
    return QPoint(int(layout.exitLeft) + 37, menuBar + int(layout.exitTop) + 18);
}

// A deal as the table lays it out: so many cards on so many rows (every run starts with 20 on 4).
struct Deal {
    int cards = 20, rows = 4;
    int columns() const { return cards / rows; }
};

// The table as it shows after "Play": its window, a screenshot taken once it is painted, the
// height of its menu bar, the grid of the deal and the back its first card shows.
struct Table {
    unsigned long window = 0;
    QImage shot;
    int menuBar = 0;
    Deal deal;
    coppix::GridGeometry grid{};
    QImage back;

    // One cell of the deal (counted from 1, row by row), on the screen.
    QRect cell(int n) const { return cellRect(grid, menuBar, deal.columns(), n); }
};

// Every card of the table's deal lies face down, showing the given back.
inline void checkAllDown(const Table& table, const QImage& back)
{
    checkAllDown(table.shot, table.grid, table.menuBar, table.deal.columns(), table.deal.cards, back);
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
    // In front is not yet painted: a slow build (the sanitizers) takes a while.
    QTRY_VERIFY_WITH_TIMEOUT(menuBarHeight(x.screenshot()) > 5, 5000);
    QTest::qWait(300);
    table.shot = x.screenshot();
    table.menuBar = menuBarHeight(table.shot);
    QVERIFY2(table.menuBar > 5, "no menu bar above a blue table");
    table.deal = deal;
    table.grid = coppix::gridGeometry(table.shot.width(), table.shot.height() - table.menuBar, deal.cards, deal.rows);
    table.back = table.shot.copy(table.cell(1));
    CHECKED(checkAllDown(table, table.back));
}

} // namespace e2e
