#pragma once
// The game as the end-to-end tests see it from outside: its window titles, where its labels
// and cards lie on a screen of a given size, and what its start screen must look like.
#include "start/frmmain.h"
#include "start/start_picture.h"
#include "table/form1.h"
#include "x11/xsession.h"

#include <QPainter>
#include <QPoint>
#include <QProcess>
#include <QRect>

namespace e2e {

inline const QString startTitle = QStringLiteral("VErdanticoPRess  -  Coppix");
inline const QString tableTitle = QStringLiteral("VErdanticoPRess  -  Coppix ");
constexpr QRgb blue = 0x0000FF;
constexpr QRgb darkGreen = 0x004000;

// Starts the program on the display, silent; its standard error is passed on, or kept for
// the test to read.
enum class Errors { PassOn, Keep };
inline bool startGame(QProcess& game, const xsession::Display& x, const QString& program, Errors errors = Errors::PassOn,
                      const QString& workingFolder = {})
{
    QProcessEnvironment env = x.environment();
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    game.setProcessEnvironment(env);
    game.setProcessChannelMode(errors == Errors::Keep ? QProcess::ForwardedOutputChannel : QProcess::ForwardedChannels);
    if (!workingFolder.isEmpty())
        game.setWorkingDirectory(workingFolder);
    game.start(program, {});
    return game.waitForStarted(5000);
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

// The "Exit" label of the table, at the point a player clicks.
inline QPoint exitPoint(int width, int height, int menuBar)
{
    const coppix::TableLayout layout = coppix::tableLayout(width, height - menuBar);
    return QPoint(int(layout.exitLeft) + 37, menuBar + int(layout.exitTop) + 18);
}

} // namespace e2e
