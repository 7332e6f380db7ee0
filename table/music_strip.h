#pragma once
// The music strip of the table: play (a triangle), pause (two bars) and stop (a square)
// for the music device, drawn in the plain raised style of the rest of the table. It
// follows the device's mode, greying out the buttons that make no sense in it, and sends
// the device its commands.
#include "audio/media_device.h"

#include <QAbstractButton>
#include <QPointer>
#include <QWidget>

namespace coppix {

class StripButton : public QAbstractButton {
    Q_OBJECT
public:
    enum class Glyph { Play, Pause, Stop };
    StripButton(Glyph glyph, QWidget* parent);
    Glyph glyph() const { return m_glyph; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Glyph m_glyph;
};

class MusicStrip : public QWidget {
    Q_OBJECT
public:
    explicit MusicStrip(QWidget* parent);

    // From now on the strip shows the mode of this device and its buttons send it "play",
    // "pause" and "stop". Either may go first; the other carries on alone.
    void control(audio::MediaDevice& device);

    void setMode(audio::MediaDevice::Mode mode);
    StripButton* button(StripButton::Glyph glyph) const;

signals:
    void playClicked();
    void pauseClicked();
    void stopClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void send(const char* word);

    StripButton* m_play;
    StripButton* m_pause;
    StripButton* m_stop;
    QPointer<audio::MediaDevice> m_device;
};

} // namespace coppix
