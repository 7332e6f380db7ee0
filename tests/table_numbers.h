#pragma once
// Where a table of a given client size puts its cards, its boxes and its "Exit" label,
// worked out here from the table's measures, so that a window test grades the program with
// numbers of its own: square cells four fifths of the height over the rows, the grid centred
// across and a two-hundredth of the height down; the rules boxes 0.5 % of the width in, 40 %
// of the width wide and 40 % of the height high; the info box 15 % of the width in; the label
// at 105/120 of the width and 103/120 of the height. Every value goes to the nearest pixel,
// a half to the even one.
#include <QRect>
#include <QRectF>
#include <QTest>
#include <cmath>

namespace testsupport {

inline int nearest(double value) { return int(std::nearbyint(value)); }

struct ExpectedGrid {
    int cell, left, top;
    // The rectangle of grid cell k (from 1) of a grid with that many columns.
    QRect cellRect(int k, int columns) const
    {
        return QRect(left + ((k - 1) % columns) * cell, top + ((k - 1) / columns) * cell, cell, cell);
    }
};

inline ExpectedGrid expectedGrid(int width, int height, int cards, int rows)
{
    const int cell = nearest(4.0 * height / (5.0 * rows));
    return {cell, nearest((width - double(cards / rows) * cell) / 2.0), nearest(height / 200.0)};
}

// The worked grids of the table, as rows of a Qt Test table: the client area, the cards,
// and the cell, left and top that they give.
inline void addWorkedGrids()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("cell");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("top");
    // Halves go to the even neighbour: 155.5 -> 156, 3.525 -> 4, 70.5 -> 70, 2.5 -> 2, 3.5 -> 4.
    QTest::newRow("1016x705, 20") << 1016 << 705 << 20 << 4 << 141 << 156 << 4;
    QTest::newRow("1016x705, 48") << 1016 << 705 << 48 << 6 << 94 << 132 << 4;
    QTest::newRow("1016x705, 80") << 1016 << 705 << 80 << 8 << 70 << 158 << 4;
    QTest::newRow("1024x700, 20") << 1024 << 700 << 20 << 4 << 140 << 162 << 4;
    QTest::newRow("1024x700, 48") << 1024 << 700 << 48 << 6 << 93 << 140 << 4;
    QTest::newRow("1024x700, 80") << 1024 << 700 << 80 << 8 << 70 << 162 << 4;
    QTest::newRow("height 500") << 1024 << 500 << 20 << 4 << 100 << 262 << 2;
    QTest::newRow("top 2.5 goes to 2") << 1016 << 500 << 20 << 4 << 100 << 258 << 2;
    QTest::newRow("top 3.5 goes to 4") << 1016 << 700 << 20 << 4 << 140 << 158 << 4;
    QTest::newRow("narrower than the grid") << 300 << 705 << 80 << 8 << 70 << -200 << 4;
}

// The current row of addWorkedGrids.
struct WorkedGrid {
    int width, height, count, rows;
    ExpectedGrid grid;
};
inline WorkedGrid fetchWorkedGrid()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, count);
    QFETCH(int, rows);
    QFETCH(int, cell);
    QFETCH(int, left);
    QFETCH(int, top);
    return {width, height, count, rows, {cell, left, top}};
}

// The places of the boxes and the label, in real numbers: on a table of 1024 x 700 the
// rules boxes lie at 5.12, 0, 409.6 x 280, the info box at 153.6, 0 and "Exit" at 896, 600.83.
struct TablePlaces {
    QRectF rules;
    QPointF info;
    QPointF exit;
};

inline TablePlaces tablePlaces(double width, double height)
{
    return {QRectF(width * 0.005, 0, width * 0.4, height * 0.4), QPointF(width * 0.15, 0),
            QPointF(width * 105 / 120, height * 103 / 120)};
}

// The same at whole pixels, as the window puts them.
struct ExpectedLayout {
    QRect rules;
    QPoint info;
    QPoint exit;
};

inline ExpectedLayout expectedLayout(int width, int height)
{
    const TablePlaces places = tablePlaces(width, height);
    const auto whole = [](QPointF p) { return QPoint(nearest(p.x()), nearest(p.y())); };
    return {QRect(whole(places.rules.topLeft()), QSize(nearest(places.rules.width()), nearest(places.rules.height()))),
            whole(places.info), whole(places.exit)};
}

} // namespace testsupport
