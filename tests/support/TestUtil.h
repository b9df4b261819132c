#pragma once
// Small helpers shared by the tests: temporary folders, waiting on the event loop.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <functional>

namespace tavtest {

// Runs the event loop until cond() holds or the time runs out; returns cond().
inline bool waitUntil(const std::function<bool()> &cond, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!cond()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

// True when the test session provides a sound server (outside the session PULSE_SERVER names a
// socket that does not exist, so that no test reaches the desktop's server).
inline bool haveSoundServer()
{
    const QString server = qEnvironmentVariable("PULSE_SERVER");
    return server.startsWith(QLatin1String("unix:")) && QFileInfo::exists(server.mid(5));
}

} // namespace tavtest
