#include "toolkit/control.h"

#include "toolkit/colour.h"

#include <QMouseEvent>
#include <QWidget>

namespace tk {

void placeControl(QWidget& control, double left, double top) { control.move(toPixel(left), toPixel(top)); }

void placeControl(QWidget& control, double left, double top, double width, double height)
{
    control.setGeometry(toPixel(left), toPixel(top), std::max(0, toPixel(width)), std::max(0, toPixel(height)));
}

void ClickTracker::press(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
    event->accept();
}

bool ClickTracker::release(QMouseEvent* event, const QWidget& area)
{
    const bool wasPressed = m_pressed;
    m_pressed = false;
    event->accept();
    return wasPressed && event->button() == Qt::LeftButton && area.rect().contains(event->position().toPoint());
}

} // namespace tk
