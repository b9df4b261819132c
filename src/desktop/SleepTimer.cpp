#include "SleepTimer.h"

#include "media/MediaEngine.h"
#include "DesktopRules.h"

SleepTimer::SleepTimer(MediaEngine *engine, std::function<void()> stop, QObject *parent)
    : QObject(parent), m_engine(engine), m_stop(std::move(stop))
{
    connect(&m_tick, &QTimer::timeout, this, &SleepTimer::tick);
}

void SleepTimer::Start(int minutes)
{
    restoreVolume();
    if (minutes <= 0) {
        Cancel();
        return;
    }
    m_minutes = minutes;
    m_durationMs = minutes * m_minuteMs;
    m_state = Phase::Counting;
    m_clock.start();
    m_tick.start(static_cast<int>(qBound(qint64(10), m_durationMs / 60, qint64(1000))));
    emit Changed();
}

void SleepTimer::Cancel()
{
    restoreVolume();
    const bool was = IsActive();
    m_tick.stop();
    m_state = Phase::Off;
    m_minutes = 0;
    if (was)
        emit Changed();
}

qint64 SleepTimer::RemainingMs() const
{
    if (m_state != Phase::Counting)
        return 0;
    return qMax<qint64>(0, m_durationMs - m_clock.elapsed());
}

void SleepTimer::tick()
{
    if (m_state == Phase::Counting) {
        if (m_clock.elapsed() < m_durationMs) {
            emit Changed();
            return;
        }
        m_state = Phase::Fading;
        m_startVolume = m_engine ? m_engine->volume() : -1;
        m_clock.start();
        m_tick.start(qBound(10, m_fadeMs / 40, 100));
    }
    const qint64 elapsed = m_clock.elapsed();
    if (m_engine && m_startVolume >= 0)
        m_engine->setVolume(desktop::FadeVolume(m_startVolume, elapsed, m_fadeMs));
    if (elapsed < m_fadeMs) {
        emit Changed();
        return;
    }
    m_tick.stop();
    m_state = Phase::Off;
    m_minutes = 0;
    if (m_stop)
        m_stop();
    else if (m_engine)
        m_engine->stop();
    restoreVolume();
    emit Changed();
    emit Finished();
}

void SleepTimer::restoreVolume()
{
    if (m_engine && m_startVolume >= 0)
        m_engine->setVolume(m_startVolume);
    m_startVolume = -1;
}
