#pragma once
// Small helpers shared by the tests: temporary folders, waiting on the event loop.
#include <QCoreApplication>
#include <QDeadlineTimer>
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

// True when the test session provides a sound server.
inline bool haveSoundServer() { return !qEnvironmentVariableIsEmpty("PULSE_SERVER"); }

} // namespace tavtest
