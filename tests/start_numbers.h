#pragma once
// Where the start screen puts its three labels on a client area of a given size, worked out
// here, so that a test grades the program with numbers of its own: "Info", "Play" and "Quit"
// with their left edges at 15/120, 50/120 and 105/120 of the width, all three with their tops
// at 0.8875 of the height. Places are real numbers, before the program makes them whole.
#include <QRect>
#include <QRectF>
#include <QSizeF>

namespace testsupport {

// The sizes of the labels used as buttons, as designed (1116 x 552 and 2292 x 492 twips).
inline constexpr QSizeF labelSize(74, 37), playLabelSize(153, 33);

struct StartLabels {
    QRectF info, play, quit;
};

// On a client area of 1024 x 768 (a bare screen of that size), worked out by hand: "Info" at
// left 128, "Play" at 426.67 (5/12 of the width in single precision), "Quit" at 896, all
// three at top 681.6.
inline StartLabels startLabels1024x768()
{
    return {QRectF(QPointF(128, 681.6), labelSize), QRectF(QPointF(426.66666, 681.6), playLabelSize),
            QRectF(QPointF(896, 681.6), labelSize)};
}

// On any client area, at its place on the screen.
inline StartLabels startLabels(const QRect& client)
{
    const double W = client.width(), H = client.height();
    const QPointF origin = client.topLeft();
    const double top = H * 0.8875;
    return {QRectF(origin + QPointF(W * 15 / 120, top), labelSize), QRectF(origin + QPointF(W * 50 / 120, top), playLabelSize),
            QRectF(origin + QPointF(W * 105 / 120, top), labelSize)};
}

} // namespace testsupport
