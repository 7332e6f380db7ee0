#pragma once
#include <QObject>
#include <QTimer>

namespace tk {

// A window's timer: while enabled, Tick comes once per interval.
class Timer : public QObject {
    Q_OBJECT
public:
    explicit Timer(QObject* parent = nullptr);

    void setInterval(int milliseconds);
    int interval() const { return m_timer.interval(); }
    void setEnabled(bool enabled);
    bool enabled() const { return m_timer.isActive(); }
    // The tick, delivered at once: lets a test step through a pause without the clock.
    void fire();

signals:
    void Tick();

private:
    QTimer m_timer;
};

} // namespace tk
