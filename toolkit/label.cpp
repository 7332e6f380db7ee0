#include "toolkit/label.h"

#include "toolkit/colour.h"
#include "toolkit/control.h"
#include "toolkit/look.h"

#include <QMouseEvent>
#include <QPainter>

namespace tk {

namespace {
// "MS Sans Serif" is seldom installed here. Its stand-in must be as narrow as it is: the
// rules texts are written to fill their boxes in it, and the common sans faces (DejaVu
// Sans, Liberation Sans) are wide enough to push two lines or more past the bottom of a
// box. Liberation Sans Narrow (fonts-liberation) keeps the words of a line together.
QString standInFor(const QString& family)
{
    if (family.compare(QLatin1String(look::fontFamily), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Sans Narrow");
    return {};
}
} // namespace

QFont designFont(const QString& family, double points, bool bold, bool italic)
{
    QFont font;
    // The design's family where it is installed, else its stand-in, else any sans serif.
    QStringList families{family};
    const QString standIn = standInFor(family);
    if (!standIn.isEmpty())
        families << standIn;
    font.setFamilies(families);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pointsToPixels(points));
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

Label::Label(QWidget* parent, const QString& caption) : QWidget(parent), m_caption(caption)
{
    setAttribute(Qt::WA_NoMousePropagation);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
}

void Label::setForeColor(std::uint32_t bgr)
{
    if (bgr == m_foreColor)
        return;
    m_foreColor = bgr;
    update();
}

void Label::setFontSpec(const QString& family, double points, bool bold, bool italic)
{
    setFont(designFont(family, points, bold, italic));
    update();
}

void Label::Move(double left, double top) { placeControl(*this, left, top); }

void Label::Move(double left, double top, double width, double height)
{
    placeControl(*this, left, top, width, height);
}

void Label::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(colourFromBgr(m_foreColor));
    painter.setFont(font());
    painter.drawText(rect(), Qt::AlignHCenter | Qt::AlignTop, m_caption);
}

void Label::mousePressEvent(QMouseEvent* event) { m_click.press(event); }

void Label::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_click.release(event, *this))
        emit Click();
}

void Label::mouseMoveEvent(QMouseEvent* event)
{
    event->accept();
    emit MouseMove();
}

} // namespace tk
