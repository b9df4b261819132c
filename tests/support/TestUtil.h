#pragma once
// Small helpers shared by the tests: temporary folders, waiting on the event loop.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <functional>

// TAV_ADDRESS_SANITIZER is 1 in builds with AddressSanitizer (gcc and clang name it differently).
#if defined(__SANITIZE_ADDRESS__)
#define TAV_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAV_ADDRESS_SANITIZER 1
#endif
#endif
#ifndef TAV_ADDRESS_SANITIZER
#define TAV_ADDRESS_SANITIZER 0
#endif

namespace tavtest {

// The resident memory of this process in KiB (0 when it cannot be read).
inline long RssKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

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
