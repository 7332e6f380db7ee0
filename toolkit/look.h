#pragma once
// The look both windows share: the family of their texts, the labels used as buttons, the
// size of the info box and the yellow of the boxes.
#include "toolkit/colour.h"
#include "toolkit/label.h"

#include <QSize>
#include <cstdint>

namespace tk::look {

// The family of every text of the game; designFont finds its stand-in where it is missing.
inline constexpr const char* fontFamily = "MS Sans Serif";
inline QFont font(double points, bool bold = false, bool italic = false)
{
    return designFont(QString::fromLatin1(fontFamily), points, bold, italic);
}

// The labels used as buttons ("Info", "Play", "Quit", "Exit"): yellow, 18-point bold.
inline constexpr double labelPoints = 18;
inline void styleLabel(Label& label)
{
    label.setForeColor(Yellow);
    label.setFontSpec(QString::fromLatin1(fontFamily), labelPoints, true);
}
inline constexpr QSize labelSize(74, 37); // "Info", "Quit", "Exit"
inline constexpr QSize playLabelSize(153, 33);

// The info box with the version text, on either window.
inline constexpr QSize infoBoxSize(193, 112);

// The back colour of the rules and info boxes.
inline constexpr std::uint32_t boxYellow = 0x00C0FFFF;

} // namespace tk::look
