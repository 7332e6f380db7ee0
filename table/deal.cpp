// The deal: faces chosen for the pairs, cards shuffled and laid face down on the grid.
#include "table/form1.h"

#include <cmath>

namespace coppix {

namespace {
// Nearest whole number, halves going to the even one.
Long roundToLong(double value) { return Long(std::nearbyint(value)); }
} // namespace

GridGeometry gridGeometry(Long tableWidth, Long tableHeight, Integer cardCount, Integer rowCount)
{
    const double fourFifths = 4.0 / 5.0;
    const int columns = cardCount / rowCount;
    GridGeometry grid{};
    grid.cellSize = roundToLong(fourFifths * tableHeight / rowCount);
    grid.marginLeft = roundToLong((tableWidth - double(columns) * grid.cellSize) / 2.0);
    grid.marginTop = roundToLong(0.005 * tableHeight);
    return grid;
}

void Form1::Main()
{
    // Whatever the game in progress was waiting for is dropped with it.
    Timer1.setEnabled(false);
    m_phase = Phase::NoGame;

    firstCard = 0;
    secondCard = 0;
    Mescola(40);

    // Face elements are made once and reused by later deals.
    for (int i = 1; i <= cardCount; ++i)
        Img.Load(i);

    // Both cards of a pair show the one picture object of their face.
    const int pairs = cardCount / 2;
    for (int i = 1; i <= pairs; ++i)
        Img(i).setPicture(Pic(cardOrder[std::size_t(i)]).picture());
    for (int i = pairs + 1; i <= cardCount; ++i)
        Img(i).setPicture(Img(i - pairs).picture());

    Mescola(cardCount);

    const GridGeometry grid = gridGeometry(tableWidth, tableHeight, cardCount, rowCount);
    cellSize = grid.cellSize;
    marginLeft = grid.marginLeft;
    marginTop = grid.marginTop;

    foundCards = 0;
    tk::ImageArray* backs = backsInUse();
    const int rows = rowCount;
    int cell = 0;
    for (int row = 0; row < rows; ++row) {
        const int columns = cardCount / rowCount;
        for (int column = 0; column < columns; ++column) {
            ++cell;
            const int card = cardOrder[std::size_t(cell)];
            const Long left = marginLeft + column * cellSize;
            const Long top = marginTop + row * cellSize;
            Img(card).Move(float(left), top, cellSize, cellSize);
            if (backs) {
                (*backs)(card).Move(float(left), top, cellSize, cellSize);
                (*backs)(card).show();
            }
        }
    }

    firstCard = 0;
    secondCard = 0;
    startTurn();
}

} // namespace coppix
