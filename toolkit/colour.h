#pragma once
#include <QColor>
#include <cstdint>

namespace tk {

// Colours are written as 0x00BBGGRR, blue in the high byte and red in the low one.
constexpr QRgb bgrToRgb(std::uint32_t bgr)
{
    return qRgb(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}
inline QColor colourFromBgr(std::uint32_t bgr) { return QColor(bgrToRgb(bgr)); }

constexpr std::uint32_t Yellow = 0x0000FFFF;
constexpr std::uint32_t Orange = 0x000080FF;

// Places are given as real numbers; controls sit at whole pixels, halves going to the even one.
int toPixel(double value);

// Point sizes of the game's fonts at 96 dots per inch, in pixels.
int pointsToPixels(double points);

} // namespace tk
