#pragma once
// The notification area of desktops that show status notifier items (KDE Plasma, GNOME with its
// AppIndicator extension, most current panels): the icon is an item object on the session bus,
// made known to the desktop's org.kde.StatusNotifierWatcher. The desktop calls Activate for a
// click, ContextMenu for a right click and SecondaryActivate for a middle click, each with the
// screen point of the click, and never reports a double click.
//
// An activation is what brings a hidden window back there, so it reaches the control as the
// shell's double click (down, up, double click, up); a right click as down, up and a middle
// click likewise. The point of the last click is where a menu for the icon opens.
//
// Each shell has a bus connection of its own, so any number of icons can be shown. The item runs
// on the user-interface thread; clicks are delivered from the event loop after the desktop's
// call has been answered.
#include "nimbrel/TrayShell.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <functional>

class QDBusArgument;
class QDBusServiceWatcher;

namespace nimbrel::detail {

// One picture of the icon: ARGB32 pixels in network byte order.
struct SniPixmap {
    int width = 0;
    int height = 0;
    QByteArray pixels;
};
using SniPixmaps = QList<SniPixmap>;

struct SniToolTip {
    QString iconName;
    SniPixmaps pixmaps;
    QString title;
    QString text;
};

// The pictures an item shows for icon, in the sizes panels use; a transparent square for none.
SniPixmaps ToSniPixmaps(const QIcon &icon);

// The item object the desktop talks to.
class SniItem final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ Category)
    Q_PROPERTY(QString Id READ Id)
    Q_PROPERTY(QString Title READ Title)
    Q_PROPERTY(QString Status READ Status)
    Q_PROPERTY(int WindowId READ WindowId)
    Q_PROPERTY(QString IconName READ NoName)
    Q_PROPERTY(nimbrel::detail::SniPixmaps IconPixmap READ IconPixmap)
    Q_PROPERTY(QString OverlayIconName READ NoName)
    Q_PROPERTY(nimbrel::detail::SniPixmaps OverlayIconPixmap READ NoPixmaps)
    Q_PROPERTY(QString AttentionIconName READ NoName)
    Q_PROPERTY(nimbrel::detail::SniPixmaps AttentionIconPixmap READ NoPixmaps)
    Q_PROPERTY(QString AttentionMovieName READ NoName)
    Q_PROPERTY(nimbrel::detail::SniToolTip ToolTip READ ToolTip)
    Q_PROPERTY(bool ItemIsMenu READ ItemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ Menu)

public:
    enum class Click { Left, Right, Middle };
    using ClickHandler = std::function<void(Click, QPoint)>;

    SniItem(QString id, ClickHandler handler, QObject *parent);

    QString Category() const { return QStringLiteral("ApplicationStatus"); }
    QString Id() const { return m_id; }
    QString Title() const { return m_id; }
    QString Status() const { return QStringLiteral("Active"); }
    int WindowId() const { return 0; }
    QString NoName() const { return {}; }
    SniPixmaps IconPixmap() const { return m_pixmaps; }
    SniPixmaps NoPixmaps() const { return {}; }
    SniToolTip ToolTip() const;
    bool ItemIsMenu() const { return false; }
    QDBusObjectPath Menu() const { return QDBusObjectPath(QStringLiteral("/NO_DBUSMENU")); }

    // Changes what the item shows; true when it differs from before.
    bool SetPixmaps(SniPixmaps pixmaps);
    bool SetTip(const QString &tip);

public slots:
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void ContextMenu(int x, int y);
    void Scroll(int delta, const QString &orientation);

signals:
    void NewTitle();
    void NewIcon();
    void NewToolTip();
    void NewStatus(const QString &status);

private:
    QString m_id;
    ClickHandler m_handler;
    SniPixmaps m_pixmaps;
    QString m_tip;
};

class SniTrayShell final : public TrayShell {
public:
    // What the session bus says of status notifier items, asked with a short time-out.
    enum class Watcher {
        None,       // no watcher on the bus
        NoHost,     // a watcher, but no host shows items
        Shows,      // a watcher with a host that shows items
        Unanswered, // a watcher that did not answer in time: anything asking it would wait too
    };
    static Watcher Probe();
    // True when a status notifier watcher with a host that shows items is on the session bus.
    static bool Available() { return Probe() == Watcher::Shows; }

    SniTrayShell();
    ~SniTrayShell() override;

    bool NotifyIcon(NotifyAction action, const NotifyIconData &data, const QIcon &icon, const QString &tip) override;
    QPoint MenuPosition() const override { return m_position; }

    // The bus name the item is registered under while shown.
    QString ServiceName() const { return m_serviceName; }

private:
    void Attached(QObject *window) override;
    void Clicked(SniItem::Click click, QPoint at);
    bool Register();
    void Unregister();
    void TellWatcher();

    QString m_connectionName;
    QString m_serviceName;
    QDBusConnection m_bus;
    QPointer<SniItem> m_item;            // a child of the control
    QPointer<QDBusServiceWatcher> m_watcher; // the desktop's watcher coming (back)
    bool m_registered = false;
    QPoint m_position;
};

} // namespace nimbrel::detail

Q_DECLARE_METATYPE(nimbrel::detail::SniPixmap)
Q_DECLARE_METATYPE(nimbrel::detail::SniToolTip)
