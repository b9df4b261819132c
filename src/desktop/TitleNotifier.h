#pragma once
// A desktop notification (org.freedesktop.Notifications) each time the stream title changes:
// the station as summary, the title as body, the station's logo as icon. Each notification
// replaces the previous one. Calls are asynchronous; a title that changes while the previous
// call is still unanswered is sent once the answer (and its id) is known, so that it replaces
// it too.
#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QPointer>
#include <functional>

#include "media/MediaEngine.h"
class PlayerLink;

class TitleNotifier : public QObject {
    Q_OBJECT
public:
    // enabled: asked at every title change (the preference may change while the program runs).
    TitleNotifier(MediaEngine *engine, PlayerLink &link, std::function<bool()> enabled,
                  const QDBusConnection &bus = QDBusConnection::sessionBus(), QObject *parent = nullptr);

    // The id the notification service gave the last notification; 0 before the first.
    uint LastId() const { return m_lastId; }
    // Sends the notification for title (what the engine's title change does).
    void Notify(const QString &title);

    // The program's notification call: summary, body (shown as written, never as markup) and
    // icon (a file, or the program's icon when empty); replaces names the notification it
    // replaces (0: none).
    static QDBusMessage NotifyCall(uint replaces, const QString &summary, const QString &body, const QString &icon);
    // Sends one notification of its own (a kept file...), without waiting for the answer.
    static void Post(const QDBusConnection &bus, const QString &summary, const QString &body,
                     const QString &icon = QString());

signals:
    // A notification was answered by the service with its id.
    void Notified(uint id);

private:
    void send(const QString &summary, const QString &body, const QString &icon);

    QPointer<MediaEngine> m_engine;
    PlayerLink &m_link;
    std::function<bool()> m_enabled;
    QDBusConnection m_bus;
    uint m_lastId = 0;
    bool m_waiting = false;
    struct {
        bool pending = false;
        QString summary, body, icon;
    } m_next;
};
