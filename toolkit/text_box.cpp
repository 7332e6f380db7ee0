#include "toolkit/text_box.h"

#include "toolkit/colour.h"
#include "toolkit/control.h"

#include <QMouseEvent>

namespace tk {

TextBox::TextBox(QWidget* parent) : QPlainTextEdit(parent)
{
    setAttribute(Qt::WA_NoMousePropagation);
    viewport()->setAttribute(Qt::WA_NoMousePropagation);
    setReadOnly(true);
    setTextInteractionFlags(Qt::NoTextInteraction);
    setFocusPolicy(Qt::NoFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    viewport()->setCursor(Qt::ArrowCursor);
    setFrameShape(QFrame::Box);
    setForeColor(0x00000000);
    hide();
}

void TextBox::setText(const QString& text)
{
    if (text == m_text)
        return;
    m_text = text;
    // Lines end with CR LF; the box shows plain line breaks.
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (shown.endsWith(QLatin1Char('\n')))
        shown.chop(1);
    setPlainText(shown);
}

void TextBox::setBackColor(std::uint32_t bgr)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Base, colourFromBgr(bgr));
    setPalette(pal);
}

void TextBox::setForeColor(std::uint32_t bgr)
{
    QPalette pal = palette();
    pal.setColor(QPalette::Text, colourFromBgr(bgr));
    setPalette(pal);
}

void TextBox::Move(double left, double top) { placeControl(*this, left, top); }

void TextBox::Move(double left, double top, double width, double height)
{
    placeControl(*this, left, top, width, height);
}

void TextBox::mousePressEvent(QMouseEvent* event) { m_click.press(event); }

void TextBox::mouseReleaseEvent(QMouseEvent* event)
{
    // The box's mouse events come from its viewport, in the viewport's coordinates.
    if (m_click.release(event, *viewport()))
        emit Click();
}

void TextBox::mouseMoveEvent(QMouseEvent* event) { event->accept(); }

} // namespace tk
