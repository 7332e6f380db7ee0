#include "toolkit/timer.h"

namespace tk {

Timer::Timer(QObject* parent) : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &Timer::Tick);
}

void Timer::setInterval(int milliseconds)
{
    if (milliseconds == m_timer.interval())
        return;
    m_timer.setInterval(milliseconds);
}

void Timer::setEnabled(bool enabled)
{
    if (enabled && !m_timer.isActive())
        m_timer.start();
    else if (!enabled)
        m_timer.stop();
}

void Timer::fire()
{
    if (m_timer.isActive())
        emit Tick();
}

} // namespace tk
