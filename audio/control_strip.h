#pragma once
// The small strip of buttons under a media device: play (a triangle), pause (two bars)
// and stop (a square), drawn here in the plain raised style of the rest of the table. The
// buttons that make no sense in the device's mode are greyed out.
#include <QAbstractButton>
#include <QWidget>

namespace audio {

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

class ControlStrip : public QWidget {
    Q_OBJECT
public:
    enum class State { Closed, Stopped, Playing, Paused };
    explicit ControlStrip(QWidget* parent);

    void setState(State state);
    StripButton* button(StripButton::Glyph glyph) const;

signals:
    void playClicked();
    void pauseClicked();
    void stopClicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    StripButton* m_play;
    StripButton* m_pause;
    StripButton* m_stop;
};

} // namespace audio
