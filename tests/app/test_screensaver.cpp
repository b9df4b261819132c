// The screen-saver preference over a private D-Bus session bus with a stand-in for the desktop's
// org.freedesktop.ScreenSaver service: the ticked box ("Interdire l'économiseur d'écran") holds
// the screen saver off, and letting it run again releases exactly that hold. The program never
// waits for the service: a desktop that is slow to answer, or never answers, leaves it responsive.
#include "app/FrmMain.h"
#include "app/Module1.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "desktop/ScreenSaverSwitch.h"
#include "PrivateBus.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>

namespace {

const QString FakeConnection = QStringLiteral("fake-desktop");

// The desktop's screen-saver service, answering on its own thread. While it keeps its answers it
// takes each Inhibit and answers only when the test says so (or never).
class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QStringList calls() const
    {
        QMutexLocker l(&m_mutex);
        return m_calls;
    }
    void keepAnswers(bool keep)
    {
        QMutexLocker l(&m_mutex);
        m_keep = keep;
    }
    // Answers every kept Inhibit with cookie.
    void answer(uint cookie)
    {
        QMutexLocker l(&m_mutex);
        for (const QDBusMessage &m : std::as_const(m_kept))
            QDBusConnection(FakeConnection).send(m.createReply(QVariant::fromValue(cookie)));
        m_kept.clear();
    }
public slots:
    uint Inhibit(const QString &app, const QString &, const QDBusMessage &message)
    {
        QMutexLocker l(&m_mutex);
        m_calls << QStringLiteral("Inhibit:") + app;
        if (m_keep) {
            message.setDelayedReply(true);
            m_kept << message;
        }
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
    bool m_keep = false;
    QList<QDBusMessage> m_kept;
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
                QDBusConnection c = QDBusConnection::connectToBus(address, FakeConnection);
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
        fake->keepAnswers(false);
    }
    // Waits until the program's switch has its answer.
    static bool settled(ScreenSaverSwitch *s = ScreenSaver())
    {
        return QTest::qWaitFor([s] { return !s->Busy(); }, 20000);
    }
    static bool callsReach(qsizetype n)
    {
        return QTest::qWaitFor([n] { return fake->calls().size() >= n; }, 20000);
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
    const qsizetype before = fake->calls().size();
    {
        FrmMain w;
        ASSERT_TRUE(w.Form_Load());
    }
    ASSERT_TRUE(settled());
    EXPECT_EQ(fake->calls().mid(before), QStringList{QStringLiteral("Inhibit:Tavilune")});
    EXPECT_TRUE(ScreenSaver()->Held());
    EXPECT_TRUE(SetScreenSaver(false)); // already held: no second hold
    ASSERT_TRUE(settled());
    EXPECT_EQ(fake->calls().size(), before + 1);
    EXPECT_TRUE(SetScreenSaver(true));
    ASSERT_TRUE(settled());
    EXPECT_EQ(fake->calls().last(), QStringLiteral("UnInhibit:42"));
    EXPECT_FALSE(ScreenSaver()->Held());
    EXPECT_TRUE(SetScreenSaver(true)); // nothing held: nothing to release
    ASSERT_TRUE(settled());
    EXPECT_EQ(fake->calls().size(), before + 2);
    settings::UseFile(QString());
    SetProgramFolder(QString());
}

TEST_F(ScreenSaverTest, ADesktopSlowToAnswerDoesNotHoldTheProgramAndItsLateCookieIsReleased)
{
    ASSERT_TRUE(SetScreenSaver(true));
    ASSERT_TRUE(settled());
    ASSERT_FALSE(ScreenSaver()->Held());
    const qsizetype before = fake->calls().size();
    fake->keepAnswers(true);

    // Ticking the box returns while the desktop still keeps its answer.
    EXPECT_TRUE(SetScreenSaver(false));
    ASSERT_TRUE(callsReach(before + 1));
    EXPECT_TRUE(ScreenSaver()->Busy());
    EXPECT_FALSE(ScreenSaver()->Held());
    // Unticking it meanwhile returns too, and sends nothing before the cookie is known.
    EXPECT_TRUE(SetScreenSaver(true));
    EXPECT_EQ(fake->calls().size(), before + 1);

    // The cookie comes late: the hold it names is released at once.
    fake->answer(77);
    ASSERT_TRUE(callsReach(before + 2));
    EXPECT_EQ(fake->calls().mid(before),
              (QStringList{QStringLiteral("Inhibit:Tavilune"), QStringLiteral("UnInhibit:77")}));
    ASSERT_TRUE(settled());
    EXPECT_FALSE(ScreenSaver()->Held());
}

TEST_F(ScreenSaverTest, ADesktopThatNeverAnswersIsGivenUpAfterTheTimeOutAndAskedAgainNextTime)
{
    ScreenSaverSwitch saver(QDBusConnection::sessionBus(), 300);
    QSignalSpy settledSpy(&saver, &ScreenSaverSwitch::Settled);
    fake->keepAnswers(true);
    const qsizetype before = fake->calls().size();
    EXPECT_TRUE(saver.SetInhibited(true));
    EXPECT_TRUE(saver.Busy());
    ASSERT_TRUE(settledSpy.wait(20000));
    EXPECT_EQ(settledSpy.takeFirst().at(0).toBool(), false);
    EXPECT_FALSE(saver.Held());
    EXPECT_FALSE(saver.Busy());
    fake->answer(5); // too late: the program no longer waits for it

    // The next request is sent again and taken.
    fake->keepAnswers(false);
    EXPECT_TRUE(saver.SetInhibited(true));
    ASSERT_TRUE(settled(&saver));
    EXPECT_TRUE(saver.Held());
    EXPECT_EQ(saver.Cookie(), 42u);
    EXPECT_EQ(fake->calls().mid(before), (QStringList{QStringLiteral("Inhibit:Tavilune"), QStringLiteral("Inhibit:Tavilune")}));
    EXPECT_TRUE(saver.SetInhibited(false));
    ASSERT_TRUE(settled(&saver));
    EXPECT_EQ(fake->calls().last(), QStringLiteral("UnInhibit:42"));
}

#include "test_screensaver.moc"
