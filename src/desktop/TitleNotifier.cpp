#include "TitleNotifier.h"

#include "media/MediaEngine.h"
#include "PlayerLink.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

TitleNotifier::TitleNotifier(MediaEngine *engine, PlayerLink &link, std::function<bool()> enabled,
                             const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_engine(engine), m_link(link), m_enabled(std::move(enabled)), m_bus(bus)
{
    if (engine)
        connect(engine, &MediaEngine::streamTitleChanged, this, &TitleNotifier::Notify);
}

void TitleNotifier::Notify(const QString &title)
{
    if (title.trimmed().isEmpty() || !m_bus.isConnected() || (m_enabled && !m_enabled()))
        return;
    QString station = m_link.PlayingStation().trimmed();
    if (station.isEmpty())
        station = QStringLiteral("Tavilune");
    const QString icon = m_link.PlayingLogo();
    if (m_waiting) {
        m_next = {true, station, title.trimmed(), icon};
        return;
    }
    send(station, title.trimmed(), icon);
}

QDBusMessage TitleNotifier::NotifyCall(uint replaces, const QString &summary, const QString &body, const QString &icon)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // The body is markup for some servers: the title is shown as written.
    QString text = body.toHtmlEscaped();
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("tavilune")},
                            {QStringLiteral("category"), QStringLiteral("x-tavilune.title")}};
    call << QStringLiteral("Tavilune") << replaces << (icon.isEmpty() ? QStringLiteral("tavilune") : icon)
         << summary << text << QStringList() << hints << -1;
    return call;
}

void TitleNotifier::Post(const QDBusConnection &bus, const QString &summary, const QString &body, const QString &icon)
{
    if (bus.isConnected())
        bus.asyncCall(NotifyCall(0, summary, body, icon), 5000);
}

void TitleNotifier::send(const QString &summary, const QString &body, const QString &icon)
{
    const QDBusMessage call = NotifyCall(m_lastId, summary, body, icon);
    m_waiting = true;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        m_waiting = false;
        const QDBusPendingReply<uint> reply = *w;
        if (!reply.isError()) {
            m_lastId = reply.value();
            emit Notified(m_lastId);
        }
        if (m_next.pending) {
            m_next.pending = false;
            send(m_next.summary, m_next.body, m_next.icon);
        }
    });
}
