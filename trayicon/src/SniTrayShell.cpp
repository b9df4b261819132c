#include "SniTrayShell.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QtEndian>
#include <atomic>

namespace nimbrel::detail {
namespace {

const QString WatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString WatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString ItemPath = QStringLiteral("/StatusNotifierItem");
constexpr int ProbeTimeoutMs = 1000;

std::atomic<int> serial{0}; // numbers the connections and item names of this process

void RegisterTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<SniPixmap>();
        qDBusRegisterMetaType<SniPixmaps>();
        qDBusRegisterMetaType<SniToolTip>();
        return true;
    }();
    Q_UNUSED(registered);
}

} // namespace

QDBusArgument &operator<<(QDBusArgument &argument, const SniPixmap &pixmap)
{
    argument.beginStructure();
    argument << pixmap.width << pixmap.height << pixmap.pixels;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, SniPixmap &pixmap)
{
    argument.beginStructure();
    argument >> pixmap.width >> pixmap.height >> pixmap.pixels;
    argument.endStructure();
    return argument;
}

QDBusArgument &operator<<(QDBusArgument &argument, const SniToolTip &tip)
{
    argument.beginStructure();
    argument << tip.iconName << tip.pixmaps << tip.title << tip.text;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, SniToolTip &tip)
{
    argument.beginStructure();
    argument >> tip.iconName >> tip.pixmaps >> tip.title >> tip.text;
    argument.endStructure();
    return argument;
}

SniPixmaps ToSniPixmaps(const QIcon &icon)
{
    SniPixmaps out;
    for (const int side : {16, 22, 32, 48}) {
        QImage image(side, side, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        if (!icon.isNull())
            image = icon.pixmap(side, side).toImage().convertToFormat(QImage::Format_ARGB32);
        SniPixmap p;
        p.width = image.width();
        p.height = image.height();
        p.pixels.resize(qsizetype(p.width) * p.height * 4);
        auto *target = reinterpret_cast<quint32 *>(p.pixels.data());
        for (int y = 0; y < p.height; ++y) {
            const auto *line = reinterpret_cast<const quint32 *>(image.constScanLine(y));
            for (int x = 0; x < p.width; ++x)
                *target++ = qToBigEndian(line[x]);
        }
        out << p;
    }
    return out;
}

// ---------------------------------------------------------------------------------------------

SniItem::SniItem(QString id, ClickHandler handler, QObject *parent)
    : QObject(parent), m_id(std::move(id)), m_handler(std::move(handler))
{
}

SniToolTip SniItem::ToolTip() const
{
    SniToolTip tip;
    tip.title = m_tip;
    return tip;
}

bool SniItem::SetPixmaps(SniPixmaps pixmaps)
{
    const bool changed = pixmaps.size() != m_pixmaps.size()
                         || !std::equal(pixmaps.cbegin(), pixmaps.cend(), m_pixmaps.cbegin(),
                                        [](const SniPixmap &a, const SniPixmap &b) {
                                            return a.width == b.width && a.height == b.height && a.pixels == b.pixels;
                                        });
    m_pixmaps = std::move(pixmaps);
    return changed;
}

bool SniItem::SetTip(const QString &tip)
{
    const bool changed = tip != m_tip;
    m_tip = tip;
    return changed;
}

void SniItem::Activate(int x, int y)
{
    m_handler(Click::Left, QPoint(x, y));
}

void SniItem::SecondaryActivate(int x, int y)
{
    m_handler(Click::Middle, QPoint(x, y));
}

void SniItem::ContextMenu(int x, int y)
{
    m_handler(Click::Right, QPoint(x, y));
}

void SniItem::Scroll(int, const QString &) {}

// ---------------------------------------------------------------------------------------------

SniTrayShell::Watcher SniTrayShell::Probe()
{
    const QString name = QStringLiteral("nimbrel-probe-%1").arg(++serial);
    Watcher found = Watcher::None;
    {
        const QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
        if (bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(WatcherService)) {
            QDBusMessage get = QDBusMessage::createMethodCall(WatcherService, WatcherPath,
                                                              QStringLiteral("org.freedesktop.DBus.Properties"),
                                                              QStringLiteral("Get"));
            get << WatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
            const QDBusReply<QDBusVariant> reply = bus.call(get, QDBus::Block, ProbeTimeoutMs);
            if (reply.isValid())
                found = reply.value().variant().toBool() ? Watcher::Shows : Watcher::NoHost;
            else
                found = reply.error().type() == QDBusError::Timeout || reply.error().type() == QDBusError::NoReply
                            ? Watcher::Unanswered
                            : Watcher::NoHost;
        }
    }
    QDBusConnection::disconnectFromBus(name);
    return found;
}

SniTrayShell::SniTrayShell()
    : m_connectionName(QStringLiteral("nimbrel-item-%1").arg(++serial)),
      m_serviceName(QStringLiteral("org.kde.StatusNotifierItem-%1-%2").arg(QCoreApplication::applicationPid()).arg(serial.load())),
      m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName))
{
    RegisterTypes();
}

SniTrayShell::~SniTrayShell()
{
    Unregister();
    delete m_watcher.data();
    delete m_item.data();
    m_bus = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(m_connectionName);
}

void SniTrayShell::Attached(QObject *window)
{
    m_item = new SniItem(QCoreApplication::applicationName(),
                         [this](SniItem::Click click, QPoint at) { Clicked(click, at); }, window);
    // A desktop whose panel restarts gets the shown icon again.
    m_watcher = new QDBusServiceWatcher(WatcherService, m_bus, QDBusServiceWatcher::WatchForRegistration, window);
    QObject::connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, m_watcher, [this] {
        if (m_registered)
            TellWatcher();
    });
}

bool SniTrayShell::NotifyIcon(NotifyAction action, const NotifyIconData &data, const QIcon &icon, const QString &tip)
{
    if (!m_item)
        return false;
    if (action == NIM_DELETE) {
        Unregister();
        return true;
    }
    const bool newIcon = (data.uFlags & NIF_ICON) && m_item->SetPixmaps(ToSniPixmaps(icon));
    const bool newTip = (data.uFlags & NIF_TIP) && m_item->SetTip(tip);
    if (action == NIM_ADD)
        return Register();
    if (newIcon)
        emit m_item->NewIcon();
    if (newTip)
        emit m_item->NewToolTip();
    return true;
}

bool SniTrayShell::Register()
{
    if (m_registered)
        return true;
    if (!m_bus.isConnected()
        || !m_bus.registerObject(ItemPath, m_item, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals
                                                        | QDBusConnection::ExportAllProperties))
        return false;
    if (!m_bus.registerService(m_serviceName)) {
        m_bus.unregisterObject(ItemPath);
        return false;
    }
    m_registered = true;
    TellWatcher();
    return true;
}

void SniTrayShell::Unregister()
{
    if (!m_registered)
        return;
    m_registered = false;
    // The watcher sees the name go and takes the item away.
    m_bus.unregisterService(m_serviceName);
    m_bus.unregisterObject(ItemPath);
}

void SniTrayShell::TellWatcher()
{
    QDBusMessage call = QDBusMessage::createMethodCall(WatcherService, WatcherPath, WatcherService,
                                                       QStringLiteral("RegisterStatusNotifierItem"));
    call << m_serviceName;
    m_bus.asyncCall(call);
}

void SniTrayShell::Clicked(SniItem::Click click, QPoint at)
{
    m_position = at;
    switch (click) {
    case SniItem::Click::Left:
        PostMessages(m_item, {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP});
        break;
    case SniItem::Click::Right:
        PostMessages(m_item, {WM_RBUTTONDOWN, WM_RBUTTONUP});
        break;
    case SniItem::Click::Middle:
        PostMessages(m_item, {WM_MBUTTONDOWN, WM_MBUTTONUP});
        break;
    }
}

} // namespace nimbrel::detail
