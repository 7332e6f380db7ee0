#pragma once
// Where a table of a given client size puts its cards, its boxes and its "Exit" label,
// worked out here from the table's measures, so that a window test grades the program with
// numbers of its own: square cells four fifths of the height over the rows, the grid centred
// across and a two-hundredth of the height down; the rules boxes 0.5 % of the width in, 40 %
// of the width wide and 40 % of the height high; the info box 15 % of the width in; the label
// at 105/120 of the width and 103/120 of the height. Every value goes to the nearest pixel,
// a half to the even one.
#include <QRect>
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

struct ExpectedLayout {
    QRect rules;
    QPoint info;
    QPoint exit;
};

inline ExpectedLayout expectedLayout(int width, int height)
{
    return {QRect(nearest(width / 200.0), 0, nearest(width * 2 / 5.0), nearest(height * 2 / 5.0)),
            QPoint(nearest(width * 3 / 20.0), 0), QPoint(nearest(width * 105 / 120.0), nearest(height * 103 / 120.0))};
}

} // namespace testsupport
