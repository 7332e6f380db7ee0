#include "table/music_strip.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace coppix {

StripButton::StripButton(Glyph glyph, QWidget* parent) : QAbstractButton(parent), m_glyph(glyph)
{
    setFocusPolicy(Qt::NoFocus);
}

QSize StripButton::sizeHint() const
{
    return {21, 18};
}

void StripButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect();
    const QPalette& pal = palette();
    p.fillRect(r, pal.color(QPalette::Button));

    // A one-pixel bevel: light above and to the left, dark below and to the right; the
    // other way round while the button is held down.
    const bool down = isDown();
    const QColor topLeft = down ? pal.color(QPalette::Dark) : pal.color(QPalette::Light);
    const QColor bottomRight = down ? pal.color(QPalette::Light) : pal.color(QPalette::Dark);
    p.setPen(topLeft);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(bottomRight);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());

    // The glyph: a square of about half the button's height, centred, shifted by a pixel
    // while held down.
    const qreal side = qMax(4, qMin(r.width(), r.height()) / 2);
    QRectF box(0, 0, side, side);
    box.moveCenter(QRectF(r).center() + (down ? QPointF(1, 1) : QPointF(0, 0)));
    const QColor ink = isEnabled() ? pal.color(QPalette::Active, QPalette::ButtonText)
                                   : pal.color(QPalette::Disabled, QPalette::ButtonText);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    switch (m_glyph) {
    case Glyph::Play: {
        QPolygonF triangle;
        triangle << box.topLeft() << QPointF(box.right(), box.center().y()) << box.bottomLeft();
        p.drawPolygon(triangle);
        break;
    }
    case Glyph::Pause: {
        const qreal bar = side / 3;
        p.drawRect(QRectF(box.left(), box.top(), bar, side));
        p.drawRect(QRectF(box.right() - bar, box.top(), bar, side));
        break;
    }
    case Glyph::Stop:
        p.drawRect(box);
        break;
    }
}

MusicStrip::MusicStrip(QWidget* parent)
    : QWidget(parent),
      m_play(new StripButton(StripButton::Glyph::Play, this)),
      m_pause(new StripButton(StripButton::Glyph::Pause, this)),
      m_stop(new StripButton(StripButton::Glyph::Stop, this))
{
    // A control of its own: the pointer over it is not over the bare table.
    setAttribute(Qt::WA_NoMousePropagation);
    connect(m_play, &QAbstractButton::clicked, this, &MusicStrip::playClicked);
    connect(m_pause, &QAbstractButton::clicked, this, &MusicStrip::pauseClicked);
    connect(m_stop, &QAbstractButton::clicked, this, &MusicStrip::stopClicked);
    connect(this, &MusicStrip::playClicked, this, [this] { send("play"); });
    connect(this, &MusicStrip::pauseClicked, this, [this] { send("pause"); });
    connect(this, &MusicStrip::stopClicked, this, [this] { send("stop"); });
    setMode(audio::MediaDevice::Mode::Closed);
}

void MusicStrip::control(audio::MediaDevice& device)
{
    if (m_device)
        disconnect(m_device, nullptr, this, nullptr);
    m_device = &device;
    connect(&device, &audio::MediaDevice::modeChanged, this, &MusicStrip::setMode);
    setMode(device.mode());
}

void MusicStrip::send(const char* word)
{
    if (m_device)
        m_device->setCommand(QString::fromLatin1(word));
}

void MusicStrip::setMode(audio::MediaDevice::Mode mode)
{
    using Mode = audio::MediaDevice::Mode;
    m_play->setEnabled(mode == Mode::Stopped || mode == Mode::Paused);
    m_pause->setEnabled(mode == Mode::Playing);
    m_stop->setEnabled(mode == Mode::Playing || mode == Mode::Paused);
}

StripButton* MusicStrip::button(StripButton::Glyph glyph) const
{
    switch (glyph) {
    case StripButton::Glyph::Play:
        return m_play;
    case StripButton::Glyph::Pause:
        return m_pause;
    case StripButton::Glyph::Stop:
        return m_stop;
    }
    return nullptr;
}

void MusicStrip::resizeEvent(QResizeEvent*)
{
    // Three equal buttons across the strip; the last takes what the division leaves.
    const int w = width() / 3;
    m_play->setGeometry(0, 0, w, height());
    m_pause->setGeometry(w, 0, w, height());
    m_stop->setGeometry(2 * w, 0, width() - 2 * w, height());
}

} // namespace coppix
