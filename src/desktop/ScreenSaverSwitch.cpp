#include "ScreenSaverSwitch.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {
const QString Service = QStringLiteral("org.freedesktop.ScreenSaver");
const QString Path = QStringLiteral("/org/freedesktop/ScreenSaver");
} // namespace

ScreenSaverSwitch::ScreenSaverSwitch(const QDBusConnection &bus, int timeoutMs, QObject *parent)
    : QObject(parent), m_bus(bus), m_timeoutMs(timeoutMs)
{
}

bool ScreenSaverSwitch::SetInhibited(bool inhibit)
{
    if (!m_bus.isConnected())
        return false;
    m_want = inhibit;
    if (!m_busy)
        sendNext();
    return true;
}

void ScreenSaverSwitch::sendNext()
{
    if (m_want == m_held) {
        emit Settled(m_held);
        return;
    }
    const bool inhibitCall = m_want;
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Service,
                                                       inhibitCall ? QStringLiteral("Inhibit") : QStringLiteral("UnInhibit"));
    if (inhibitCall)
        call << QStringLiteral("Tavilune") << QStringLiteral("Écoute de la radio ou de la TV");
    else
        call << m_cookie;
    m_busy = true;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, m_timeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, inhibitCall](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        if (inhibitCall) {
            const QDBusPendingReply<quint32> reply = *w;
            answered(true, !reply.isError(), reply.isError() ? 0 : reply.value());
        } else {
            const QDBusPendingReply<> reply = *w;
            answered(false, !reply.isError(), 0);
        }
    });
}

void ScreenSaverSwitch::answered(bool inhibitCall, bool ok, quint32 cookie)
{
    m_busy = false;
    if (ok) {
        m_held = inhibitCall;
        if (inhibitCall)
            m_cookie = cookie;
    } else {
        // The desktop did not take the request: give it up rather than ask again and again.
        m_want = m_held;
    }
    sendNext();
}
