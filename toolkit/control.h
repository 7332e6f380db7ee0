#pragma once
// What the game's controls share: places given in real-numbered pixels, and a click that
// is a press and a release of the left button inside the control.
class QMouseEvent;
class QWidget;

namespace tk {

// Left and top, and optionally width and height; what is left out keeps its value.
void placeControl(QWidget& control, double left, double top);
void placeControl(QWidget& control, double left, double top, double width, double height);

class ClickTracker {
public:
    void press(QMouseEvent* event);
    // True when this release completes a click inside the given area.
    bool release(QMouseEvent* event, const QWidget& area);

private:
    bool m_pressed = false;
};

} // namespace tk
