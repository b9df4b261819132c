#pragma once
// The sleep timer: after the chosen time the sound fades out over a few seconds and playback
// stops; the volume is then put back as it was, for the next Listen. Cancelling (or a new
// choice) during the fade puts the volume back at once.
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <functional>

#include "media/MediaEngine.h"

class SleepTimer : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultFadeMs = 8000;

    // stop: what ends playback (the main window's Stop); by default the engine's stop().
    explicit SleepTimer(MediaEngine *engine, std::function<void()> stop = {}, QObject *parent = nullptr);

    // Starts (or starts again) for minutes; 0 or less cancels.
    void Start(int minutes);
    void Cancel();

    bool IsActive() const { return m_state != Phase::Off; }
    bool IsFading() const { return m_state == Phase::Fading; }
    int Minutes() const { return m_minutes; }
    // Time left before the fade starts (0 while fading or off).
    qint64 RemainingMs() const;

    // Length of a minute and of the fade (tests shorten them).
    void setMinuteMs(qint64 ms) { m_minuteMs = qMax<qint64>(1, ms); }
    void setFadeMs(int ms) { m_fadeMs = qMax(0, ms); }

signals:
    // Each second while counting, at every fade step, and when it starts, ends or is cancelled.
    void Changed();
    // The timer ran out: the sound faded and playback stopped.
    void Finished();

private:
    enum class Phase { Off, Counting, Fading };
    void tick();
    void restoreVolume();

    QPointer<MediaEngine> m_engine;
    std::function<void()> m_stop;
    Phase m_state = Phase::Off;
    int m_minutes = 0;
    qint64 m_minuteMs = 60000;
    int m_fadeMs = DefaultFadeMs;
    qint64 m_durationMs = 0;
    QElapsedTimer m_clock;
    QTimer m_tick;
    int m_startVolume = -1; // the volume before the fade, -1 when not fading
};
