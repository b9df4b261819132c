// The screen-saver preference over a private D-Bus session bus with a stand-in for the desktop's
// org.freedesktop.ScreenSaver service: the ticked box ("Interdire l'économiseur d'écran") holds
// the screen saver off, and letting it run again releases exactly that hold.
#include "FrmMain.h"
#include "Globals.h"
#include "Module1.h"
#include "PrivateBus.h"
#include "Settings.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// The desktop's screen-saver service, answering on its own thread.
class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QStringList calls() const
    {
        QMutexLocker l(&m_mutex);
        return m_calls;
    }
public slots:
    uint Inhibit(const QString &app, const QString &)
    {
        QMutexLocker l(&m_mutex);
        m_calls << QStringLiteral("Inhibit:") + app;
        return 42;
    }
    void UnInhibit(uint cookie)
    {
        QMutexLocker l(&m_mutex);
        m_calls << QStringLiteral("UnInhibit:%1").arg(cookie);
    }

private:
    mutable QMutex m_mutex;
    QStringList m_calls;
};

class ScreenSaverTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        bus = new tavtest::PrivateBus;
        address = bus->address();
        if (address.isEmpty())
            return;
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toLatin1());
        thread = new QThread;
        fake = new FakeScreenSaver;
        fake->moveToThread(thread);
        thread->start();
        QMetaObject::invokeMethod(
            fake,
            [] {
                QDBusConnection c = QDBusConnection::connectToBus(address, QStringLiteral("fake-desktop"));
                c.registerService(QStringLiteral("org.freedesktop.ScreenSaver"));
                c.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), fake, QDBusConnection::ExportAllSlots);
            },
            Qt::BlockingQueuedConnection);
    }
    static void TearDownTestSuite()
    {
        if (thread) {
            thread->quit();
            thread->wait();
        }
        delete bus;
    }
    void SetUp() override
    {
        if (address.isEmpty())
            GTEST_SKIP() << "no dbus-daemon";
    }
    static inline tavtest::PrivateBus *bus = nullptr;
    static inline QThread *thread = nullptr;
    static inline FakeScreenSaver *fake = nullptr;
    static inline QString address;
};

} // namespace

TEST_F(ScreenSaverTest, TickedBoxHoldsTheScreenSaverOffAndReleasingUsesTheSameHold)
{
    QTemporaryDir dir;
    SetProgramFolder(dir.path());
    QDir().mkpath(dir.filePath(QStringLiteral("Radios")));
    settings::UseFile(dir.filePath(QStringLiteral("t.conf")));
    settings::SaveSetting(QStringLiteral("DossierRadio"), dir.filePath(QStringLiteral("Radios")));
    settings::SaveSetting(QStringLiteral("EcoEcran"), QStringLiteral("1"));
    {
        FrmMain w;
        ASSERT_TRUE(w.Form_Load());
    }
    EXPECT_EQ(fake->calls(), QStringList{QStringLiteral("Inhibit:Tavilune")});
    EXPECT_TRUE(SetScreenSaver(false)); // already held: no second hold
    EXPECT_EQ(fake->calls().size(), 1);
    EXPECT_TRUE(SetScreenSaver(true));
    EXPECT_EQ(fake->calls().last(), QStringLiteral("UnInhibit:42"));
    EXPECT_TRUE(SetScreenSaver(true)); // nothing held: nothing to release
    EXPECT_EQ(fake->calls().size(), 2);
    settings::UseFile(QString());
    SetProgramFolder(QString());
}

#include "test_screensaver.moc"
