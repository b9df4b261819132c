// The control on a desktop that shows status notifier items, against a stand-in for the
// desktop's org.kde.StatusNotifierWatcher on a private session bus: the item registers itself,
// and the desktop's Activate, ContextMenu and SecondaryActivate calls become the shell's clicks.
// A watcher that stops answering holds the program up no longer than the probe's short wait.
#include "nimbrel/Nimbrel.h"

#include "PrivateBus.h"
#include "TestUtil.h"
#include "TrayTestUtil.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QMutex>
#include <QPixmap>
#include <QProcess>
#include <QSemaphore>
#include <QSystemTrayIcon>
#include <QThread>
#include <csignal>
#include <sys/prctl.h>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <memory>

using namespace nimbrel;
using traytest::EventRecorder;
using tavtest::waitUntil;

namespace {

const QString ItemInterface = QStringLiteral("org.kde.StatusNotifierItem");

// What the item shows, as the desktop reads it.
struct Shown {
    QString status;
    QString tip;
    QString menu;
    int width = 0;          // of the first picture
    QByteArray firstPixel;  // ARGB, network byte order
};

// The desktop's watcher, answering on its own thread; it also plays the desktop calling items.
class StandInWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ IsStatusNotifierHostRegistered)
    Q_PROPERTY(int ProtocolVersion READ ProtocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ RegisteredStatusNotifierItems)
public:
    bool IsStatusNotifierHostRegistered() const { return true; }
    int ProtocolVersion() const { return 0; }
    QStringList RegisteredStatusNotifierItems() const
    {
        QMutexLocker l(&m_mutex);
        return m_items;
    }

    // Watcher thread: a desktop's call on the item registered under service.
    bool Call(const QString &service, const QString &method, const QVariantList &arguments)
    {
        QDBusMessage call = QDBusMessage::createMethodCall(service, QStringLiteral("/StatusNotifierItem"), ItemInterface, method);
        call.setArguments(arguments);
        return bus().call(call, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
    }
    QVariant Property(const QString &service, const QString &name)
    {
        QDBusMessage get = QDBusMessage::createMethodCall(service, QStringLiteral("/StatusNotifierItem"),
                                                          QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        get << ItemInterface << name;
        const QDBusMessage reply = bus().call(get, QDBus::Block, 5000);
        return reply.arguments().isEmpty() ? QVariant() : reply.arguments().first().value<QDBusVariant>().variant();
    }
    Shown Read(const QString &service)
    {
        Shown s;
        s.status = Property(service, QStringLiteral("Status")).toString();
        s.menu = Property(service, QStringLiteral("Menu")).value<QDBusObjectPath>().path();
        const QDBusArgument tip = Property(service, QStringLiteral("ToolTip")).value<QDBusArgument>();
        QString icon, text;
        tip.beginStructure();
        tip >> icon;
        tip.beginArray();
        while (!tip.atEnd()) {
            int w = 0, h = 0;
            QByteArray bytes;
            tip.beginStructure();
            tip >> w >> h >> bytes;
            tip.endStructure();
        }
        tip.endArray();
        tip >> s.tip >> text;
        tip.endStructure();
        const QDBusArgument pixmaps = Property(service, QStringLiteral("IconPixmap")).value<QDBusArgument>();
        pixmaps.beginArray();
        if (!pixmaps.atEnd()) {
            int h = 0;
            QByteArray bytes;
            pixmaps.beginStructure();
            pixmaps >> s.width >> h >> bytes;
            pixmaps.endStructure();
            s.firstPixel = bytes.left(4);
        }
        return s;
    }
    bool Owned(const QString &service) { return bus().interface()->isServiceRegistered(service); }

public slots:
    void RegisterStatusNotifierItem(const QString &service)
    {
        QMutexLocker l(&m_mutex);
        m_items << service;
    }

private:
    static QDBusConnection bus() { return QDBusConnection(QStringLiteral("stand-in-desktop")); }
    mutable QMutex m_mutex;
    QStringList m_items;
};

class SniTray : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        bus = new tavtest::PrivateBus;
        if (bus->address().isEmpty())
            return;
        savedAddress = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus->address().toLatin1());
        thread = new QThread;
        watcher = new StandInWatcher;
        watcher->moveToThread(thread);
        thread->start();
        const QString address = bus->address();
        QMetaObject::invokeMethod(
            watcher,
            [address] {
                QDBusConnection c = QDBusConnection::connectToBus(address, QStringLiteral("stand-in-desktop"));
                c.registerObject(QStringLiteral("/StatusNotifierWatcher"), watcher,
                                 QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties);
                c.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
            },
            Qt::BlockingQueuedConnection);
    }
    static void TearDownTestSuite()
    {
        if (thread) {
            QMetaObject::invokeMethod(
                watcher, [] { QDBusConnection::disconnectFromBus(QStringLiteral("stand-in-desktop")); },
                Qt::BlockingQueuedConnection);
            thread->quit();
            thread->wait();
            delete watcher;
            delete thread;
            qputenv("DBUS_SESSION_BUS_ADDRESS", savedAddress);
        }
        delete bus;
    }
    void SetUp() override
    {
        if (!watcher)
            GTEST_SKIP() << "no dbus-daemon";
    }

    // Runs f on the watcher's thread while this thread keeps its event loop turning (the item
    // answers from it).
    template <class T> static T OnDesktop(std::function<T()> f)
    {
        std::promise<T> promise;
        std::future<T> result = promise.get_future();
        QMetaObject::invokeMethod(watcher, [&] { promise.set_value(f()); }, Qt::QueuedConnection);
        waitUntil([&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }, 10000);
        return result.get();
    }

    static inline tavtest::PrivateBus *bus = nullptr;
    static inline QThread *thread = nullptr;
    static inline StandInWatcher *watcher = nullptr;
    static inline QByteArray savedAddress;
};

// The method calls sent on the bus while it lives, as dbus-monitor prints them.
class BusMonitor {
public:
    explicit BusMonitor(const QString &address)
    {
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        m_process.start(QStringLiteral("dbus-monitor"), {QStringLiteral("--address"), address});
        // Its first lines (its own name) tell that it listens.
        m_ready = m_process.waitForStarted(5000) && m_process.waitForReadyRead(10000);
    }
    ~BusMonitor() { stop(); }
    bool ready() const { return m_ready; }
    // Ends the monitor and returns the members called on destination.
    QStringList stop()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(5000))
                m_process.kill();
            m_process.waitForFinished(5000);
        }
        QStringList members;
        for (const QByteArray &line : m_process.readAllStandardOutput().split('\n')) {
            const int at = line.indexOf("member=");
            if (line.startsWith("method call") && line.contains("destination=org.kde.StatusNotifierWatcher") && at >= 0)
                members << QString::fromLatin1(line.mid(at + 7).trimmed());
        }
        return members;
    }

private:
    QProcess m_process;
    bool m_ready = false;
};

QIcon RedIcon()
{
    QPixmap p(32, 32);
    p.fill(Qt::red);
    return QIcon(p);
}

} // namespace

TEST_F(SniTray, TheDesktopsClicksBecomeTheShellsMessages)
{
    EXPECT_TRUE(TaskBarIcon::TrayAvailable());
    std::unique_ptr<TaskBarIcon> control(CreateTaskBarIcon(nullptr));
    EXPECT_EQ(control->findChild<QSystemTrayIcon *>(), nullptr); // an item, not the system tray
    EventRecorder recorder;
    recorder.Attach(control.get());
    QPoint menuAt;
    QObject::connect(control.get(), &TaskBarIcon::MouseDown, [&](short &Button, short &, float &, float &) {
        if (Button == 2)
            menuAt = control->MenuPosition();
    });
    const int before = watcher->RegisteredStatusNotifierItems().size();
    control->Show();
    ASSERT_TRUE(waitUntil([&] { return watcher->RegisteredStatusNotifierItems().size() == before + 1; }, 5000));
    const QString service = watcher->RegisteredStatusNotifierItems().last();

    // One activation is one double click: a window hidden to the tray comes back with one click.
    struct Case {
        const char *method;
        QVariantList arguments;
        QStringList events;
    };
    const Case cases[] = {
        {"Activate", {10, 20}, {"Down1", "Click1", "Up1", "Dbl1", "Up1"}},
        {"ContextMenu", {300, 4}, {"Down2", "Click2", "Up2"}},
        {"SecondaryActivate", {11, 21}, {"Down4", "Click4", "Up4"}},
        {"Scroll", {120, QStringLiteral("vertical")}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.method);
        recorder.events.clear();
        const QString method = QLatin1String(c.method);
        const QVariantList arguments = c.arguments;
        EXPECT_TRUE(OnDesktop<bool>([&] { return watcher->Call(service, method, arguments); }));
        waitUntil([&] { return recorder.Buttons().size() >= c.events.size(); }, 3000);
        waitUntil([] { return false; }, 100); // nothing more follows
        EXPECT_EQ(recorder.Buttons(), c.events);
    }
    // The menu opens where the desktop said the right click was.
    EXPECT_EQ(menuAt, QPoint(300, 4));
    EXPECT_EQ(control->MenuPosition(), QPoint(11, 21));

    // Hidden: the item leaves the bus, and the desktop takes it away.
    control->Hide();
    EXPECT_TRUE(waitUntil([&] { return !OnDesktop<bool>([&] { return watcher->Owned(service); }); }, 5000));
    control->Show();
    EXPECT_TRUE(waitUntil([&] { return watcher->RegisteredStatusNotifierItems().size() == before + 2; }, 5000));
}

TEST_F(SniTray, TheItemShowsTheIconAndTheWholeTooltip)
{
    std::unique_ptr<TaskBarIcon> control(CreateTaskBarIcon(nullptr));
    const QString tip = QStringLiteral("Tavilune : Радио Маяк — Ελληνικά");
    control->SetToolTipText(tip);
    control->SetIcon(RedIcon());
    const int before = watcher->RegisteredStatusNotifierItems().size();
    control->Show();
    ASSERT_TRUE(waitUntil([&] { return watcher->RegisteredStatusNotifierItems().size() == before + 1; }, 5000));
    const QString service = watcher->RegisteredStatusNotifierItems().last();

    Shown shown = OnDesktop<Shown>([&] { return watcher->Read(service); });
    EXPECT_EQ(shown.status, QStringLiteral("Active"));
    EXPECT_EQ(shown.menu, QStringLiteral("/NO_DBUSMENU")); // the host pops its own menu
    EXPECT_EQ(shown.tip, tip);
    EXPECT_EQ(shown.width, 16);
    EXPECT_EQ(shown.firstPixel, QByteArray("\xFF\xFF\x00\x00", 4));

    // Changes show at once; a second control has an item of its own.
    control->SetToolTipText(QStringLiteral("Tavilune"));
    control->SetIcon(QIcon());
    shown = OnDesktop<Shown>([&] { return watcher->Read(service); });
    EXPECT_EQ(shown.tip, QStringLiteral("Tavilune"));
    EXPECT_EQ(shown.firstPixel, QByteArray(4, '\0')); // an empty picture: transparent
    std::unique_ptr<TaskBarIcon> other(CreateTaskBarIcon(nullptr));
    other->Show();
    ASSERT_TRUE(waitUntil([&] { return watcher->RegisteredStatusNotifierItems().size() == before + 2; }, 5000));
    EXPECT_NE(watcher->RegisteredStatusNotifierItems().last(), service);

    // Destroyed: the item leaves the bus.
    control.reset();
    EXPECT_TRUE(waitUntil([&] { return !OnDesktop<bool>([&] { return watcher->Owned(service); }); }, 5000));
}

#include "test_sni_tray.moc"

TEST_F(SniTray, AWatcherThatDoesNotAnswerCountsAsNoTrayWithoutAskingItAgain)
{
    BusMonitor monitor(bus->address());
    ASSERT_TRUE(monitor.ready()) << "dbus-monitor did not start";
    // The desktop's watcher stops answering until the end of the test.
    QSemaphore release;
    QMetaObject::invokeMethod(watcher, [&release] { release.acquire(); }, Qt::QueuedConnection);
    struct Release {
        QSemaphore &s;
        ~Release()
        {
            s.release();
            // The watcher's thread is done with the semaphore before it goes.
            QMetaObject::invokeMethod(watcher, [] {}, Qt::BlockingQueuedConnection);
        }
    } guard{release};

    // Hiding a window asks this: no notification area, so the host minimises instead.
    EXPECT_FALSE(TaskBarIcon::TrayAvailable());
    // A control made now is an item, registered without waiting for the watcher.
    std::unique_ptr<TaskBarIcon> control(CreateTaskBarIcon(nullptr));
    EXPECT_EQ(control->findChild<QSystemTrayIcon *>(), nullptr);
    control->Show();
    control->Hide();
    control.reset();

    // Only the probe's one question went to the watcher each time: nothing else waited for it
    // (the system tray's check would have asked it again, without a short time-out).
    const QStringList calls = monitor.stop();
    EXPECT_EQ(calls.count(QStringLiteral("Get")), 2) << calls.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(calls.count(QStringLiteral("Introspect")), 0) << calls.join(QLatin1Char(' ')).toStdString();
}
