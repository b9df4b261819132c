#pragma once
// A D-Bus session bus of the test's own: a dbus-daemon started with the tests' bus configuration
// (no service started on demand) and ended with the object, or with the test program when that
// ends without destroying it (a crash, a time-out).
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <csignal>
#include <sys/prctl.h>

namespace tavtest {

class PrivateBus {
public:
    PrivateBus()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty())
            return;
        m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=" TAV_TOOLS_DIR "/../session/bus.conf"), QStringLiteral("--nofork"),
                        QStringLiteral("--nopidfile"), QStringLiteral("--print-address")});
        if (m_daemon.waitForStarted(5000) && m_daemon.waitForReadyRead(5000))
            m_address = QString::fromLatin1(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.kill();
            m_daemon.waitForFinished(5000);
        }
    }
    PrivateBus(const PrivateBus &) = delete;
    PrivateBus &operator=(const PrivateBus &) = delete;

    // The bus's address; empty when no daemon could be started.
    const QString &address() const { return m_address; }

private:
    QProcess m_daemon;
    QString m_address;
};

} // namespace tavtest
