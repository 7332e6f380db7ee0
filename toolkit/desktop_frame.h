#pragma once
// What the desktop's window manager does with a top-level window: the frame it puts around it.
#include <QMargins>
#include <optional>

class QWidget;

namespace tk::desktop {

// The frame the window manager will put around the window (its left, top, right and bottom
// edges), asked before the window is on the screen. None when no window manager frames
// windows (no X server, a bare one), when it cannot tell a frame before it maps the window,
// or when it does not answer within a fraction of a second; such a window is best shown
// full screen, where its client area is the whole screen.
std::optional<QMargins> frameExtents(QWidget& window);

} // namespace tk::desktop
