#pragma once
// The screen-saver switch over org.freedesktop.ScreenSaver (Inhibit / UnInhibit) that never waits
// for the desktop: each request is sent asynchronously with a short time-out and its answer is
// handled when it arrives. One request is on the way at a time; what the user asks meanwhile is
// remembered and sent once the answer is in, so a hold whose cookie arrives after the user let
// the screen saver run again is released with that cookie.
//
// A request that fails or is not answered in time is given up and the state stays as it was (a
// release that failed keeps the hold, for the next call to release); nothing is retried until the
// next call. A hold the desktop grants after the time-out is not known here: desktops drop the
// holds of a program when it leaves the bus. UI thread only (the object lives on the thread that
// made it).
#include <QDBusConnection>
#include <QObject>

class ScreenSaverSwitch : public QObject {
    Q_OBJECT
public:
    static constexpr int DefaultTimeoutMs = 2000;

    explicit ScreenSaverSwitch(const QDBusConnection &bus, int timeoutMs = DefaultTimeoutMs,
                               QObject *parent = nullptr);

    // Asks for the screen saver to be held off (true) or let run (false). Returns at once: false
    // when there is no session bus, true when the request is sent, waits for the answer of the
    // previous one, or when nothing needs to change.
    bool SetInhibited(bool inhibit);

    // The desktop confirmed a hold that is not released yet.
    bool Held() const { return m_held; }
    // A request is waiting for its answer.
    bool Busy() const { return m_busy; }
    // The cookie of the current hold (meaningful while Held()).
    quint32 Cookie() const { return m_cookie; }

signals:
    // Nothing more is to be sent (after an answer or its time-out, or at once when a call needed
    // no request): held tells the outcome.
    void Settled(bool held);

private:
    void sendNext();
    void answered(bool inhibitCall, bool ok, quint32 cookie);

    QDBusConnection m_bus;
    int m_timeoutMs;
    bool m_want = false;
    bool m_held = false;
    bool m_busy = false;
    quint32 m_cookie = 0;
};
