// The desktop services with the real main window and engine: a local station plays MP3 streams
// with ICY titles (to a null audio output), the media-player service and the notifications go
// over a session bus of the test's own, stream recordings are decoded with ffmpeg.
#include "app/App.h"
#include "app/FrmMain.h"
#include "app/FrmOptions.h"
#include "app/Options.h"
#include "app/WindowHub.h"
#include "common/TextFile.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "desktop/DesktopRules.h"
#include "desktop/IcyStream.h"
#include "desktop/MprisService.h"
#include "desktop/SleepTimer.h"
#include "desktop/StreamRecorder.h"
#include "media/MediaEngine.h"
#include "nowplaying/InfoRadio.h"
#include "nowplaying/InfoRefresh.h"
#include "FakePrompts.h"
#include "PrivateBus.h"
#include "StreamServer.h"
#include "TestUtil.h"

#include <QAction>
#include <QSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QStorageInfo>
#include <QTemporaryDir>
#include "desktop/TitleJournal.h"
#include <gtest/gtest.h>
#include <taglib/fileref.h>
#include <taglib/mpegfile.h>
#include <taglib/id3v2tag.h>
#include <sys/mount.h>

namespace {

const QString kService = QStringLiteral("org.mpris.MediaPlayer2.tavilune");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");

// A station page as the generator writes it, with a logo.
QString stationPage(const QString &title, const QString &stream, const QString &logo)
{
    return QStringList{
        QStringLiteral("<HTML>"), QStringLiteral("<BODY>"),
        QStringLiteral("<font name=\"titre\">%1</font><br>").arg(title),
        logo.isEmpty() ? QString() : QStringLiteral("<IMG SRC=\"logo/%1\" BORDER=0 WIDTH=66 HEIGHT=50>").arg(logo),
        QStringLiteral("<object id=\"NSPlay\" classid = \"CLSID:22D6F312-B0F6-11D0-94AB-0080C74C7E95\" width=152 height=25>"),
        QStringLiteral("<param name=\"Filename\" value=\"%1\">").arg(stream), QStringLiteral("</object>"),
        QStringLiteral("</HTML>")}
        .join(QStringLiteral("\r\n"));
}

// Receives the player's PropertiesChanged signals.
class ChangeLog : public QObject {
    Q_OBJECT
public:
    QList<QVariantMap> changes;
public slots:
    void changed(const QString &iface, const QVariantMap &props, const QStringList &)
    {
        if (iface == kPlayer)
            changes.append(props);
    }
};

// The positions the player's Seeked signal announced.
class SeekLog : public QObject {
    Q_OBJECT
public:
    QList<qlonglong> positions;
public slots:
    void seeked(qlonglong position) { positions.append(position); }
};

// Stands in for the desktop's notification service.
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString app;
        uint replaces;
        QString icon, summary, body;
        uint id;
    };
    QList<Call> calls;
public slots:
    Q_SCRIPTABLE uint Notify(const QString &app, uint replaces, const QString &icon, const QString &summary,
                             const QString &body, const QStringList &, const QVariantMap &, int)
    {
        // A new id each time, so that the test sees which answer the next call replaces.
        const uint id = 100 + uint(calls.size());
        calls.append({app, replaces, icon, summary, body, id});
        return id;
    }
};

// A property map decoded from what the bus carries.
QVariantMap toMap(const QVariant &v)
{
    if (v.canConvert<QDBusArgument>())
        return qdbus_cast<QVariantMap>(v.value<QDBusArgument>());
    return v.toMap();
}

QString objectPath(const QVariant &v)
{
    if (v.userType() == qMetaTypeId<QDBusObjectPath>())
        return v.value<QDBusObjectPath>().path();
    if (v.canConvert<QDBusArgument>())
        return qdbus_cast<QDBusObjectPath>(v.value<QDBusArgument>()).path();
    return v.toString();
}

class DesktopServicesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = new StreamServer;
        serverStarted = server->start();
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(serverStarted) << "the local station did not start";
        prog = dir.path();
        SetProgramFolder(prog);
        settings::UseFile(dir.filePath(QStringLiteral("Tavilune.conf")));
        G() = ProgramValues{};
        QDir().mkpath(prog + QStringLiteral("/Radios/logo"));
        QDir().mkpath(prog + QStringLiteral("/TV"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(TAV_BIN_DIR "/Intro.htm"), prog + QStringLiteral("/Intro.htm")));
        QFile logo(prog + QStringLiteral("/Radios/logo/alpha.png"));
        ASSERT_TRUE(logo.open(QIODevice::WriteOnly));
        logo.write("PNG");
        logo.close();
        alphaUrl = server->url(QStringLiteral("/stream.mp3?title=Artiste%20-%20Titre%20%7Bn%7D&every=2"));
        betaUrl = server->url(QStringLiteral("/live?title=Beta%20direct"));
        gammaUrl = server->url(QStringLiteral("/stream?title=Gamma"));
        page(QStringLiteral("Radios/Alpha.HTM"), stationPage(QStringLiteral("Alpha"), alphaUrl, QStringLiteral("alpha.png")));
        page(QStringLiteral("Radios/Beta.HTM"), stationPage(QStringLiteral("Beta"), betaUrl, QString()));
        page(QStringLiteral("Radios/Gamma.HTM"), stationPage(QStringLiteral("Gamma"), gammaUrl, QString()));
        settings::SaveSetting(QStringLiteral("DossierRadio"), prog + QStringLiteral("/Radios"));
        settings::SaveSetting(QStringLiteral("DossierTV"), prog + QStringLiteral("/TV"));
        engine = std::make_unique<MediaEngine>(QStringLiteral("null"));
        w = std::make_unique<FrmMain>(engine.get());
        hub = std::make_unique<WindowHub>(*w);
        w->SetWindowHub(hub.get());
        ASSERT_TRUE(w->Form_Load());
    }
    void TearDown() override
    {
        if (w)
            w->Command4_Click();
        hub.reset();
        w.reset();
        engine.reset();
        settings::UseFile(QString());
        SetProgramFolder(QString());
    }
    // What the station sends on one connection, long enough for any recording of the tests.
    QByteArray servedBytes() const
    {
        QFile f(server->folder() + QStringLiteral("/tone.mp3"));
        const QByteArray tone = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        QByteArray loop;
        while (!tone.isEmpty() && loop.size() < 4 * 1024 * 1024)
            loop += tone;
        return loop;
    }
    void page(const QString &rel, const QString &text)
    {
        ASSERT_TRUE(textfile::writeAll(prog + QLatin1Char('/') + rel, text));
    }
    void select(const QString &name)
    {
        const int i = w->ComboRad->findText(name);
        ASSERT_GE(i, 0) << name.toStdString();
        w->ComboRad->setCurrentIndex(i);
    }
    bool playing(const QString &url, int ms = 20000)
    {
        return tavtest::waitUntil(
            [&] { return engine->state() == MediaEngine::State::Playing && engine->address() == url; }, ms);
    }

    static StreamServer *server;
    static bool serverStarted;
    QTemporaryDir dir;
    QString prog, alphaUrl, betaUrl, gammaUrl;
    std::unique_ptr<MediaEngine> engine;
    std::unique_ptr<FrmMain> w;
    std::unique_ptr<WindowHub> hub;
};
StreamServer *DesktopServicesTest::server = nullptr;
bool DesktopServicesTest::serverStarted = false;

// A program and a client, each with its connection to the test's own bus.
class BusTest : public DesktopServicesTest {
protected:
    void SetUp() override
    {
        DesktopServicesTest::SetUp();
        ASSERT_FALSE(bus.address().isEmpty()) << "no dbus-daemon";
        program = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(bus.address(), QStringLiteral("program")));
        client = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(bus.address(), QStringLiteral("client")));
        ASSERT_TRUE(program->isConnected() && client->isConnected());
    }
    void TearDown() override
    {
        DesktopServicesTest::TearDown();
        program.reset();
        client.reset();
        QDBusConnection::disconnectFromBus(QStringLiteral("program"));
        QDBusConnection::disconnectFromBus(QStringLiteral("client"));
    }
    // A call from the client, answered while the program's event loop runs.
    QDBusMessage call(const QString &iface, const QString &method, const QVariantList &args = {})
    {
        QDBusMessage m = QDBusMessage::createMethodCall(kService, kPath, iface, method);
        m.setArguments(args);
        QDBusPendingCall pending = client->asyncCall(m, 5000);
        tavtest::waitUntil([&] { return pending.isFinished(); }, 6000);
        return pending.reply();
    }
    QVariant get(const QString &iface, const QString &name)
    {
        const QDBusMessage r = call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"), {iface, name});
        if (r.type() != QDBusMessage::ReplyMessage || r.arguments().isEmpty())
            return {};
        return r.arguments().at(0).value<QDBusVariant>().variant();
    }
    QString status() { return get(kPlayer, QStringLiteral("PlaybackStatus")).toString(); }
    QVariantMap metadata() { return toMap(get(kPlayer, QStringLiteral("Metadata"))); }

    tavtest::PrivateBus bus;
    std::unique_ptr<QDBusConnection> program, client;
};

TEST_F(BusTest, MediaPlayerReadsAndDrivesThePlayer)
{
    StartDesktopServices(*w, *engine, *program);
    ASSERT_TRUE(client->interface()->isServiceRegistered(kService).value());
    ChangeLog log;
    ASSERT_TRUE(client->connect(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                QStringLiteral("PropertiesChanged"), &log,
                                SLOT(changed(QString, QVariantMap, QStringList))));

    // Nothing listened to yet: stopped, no metadata, and the engine was not made to play.
    EXPECT_EQ(get(QStringLiteral("org.mpris.MediaPlayer2"), QStringLiteral("Identity")).toString(), "Tavilune");
    EXPECT_EQ(get(QStringLiteral("org.mpris.MediaPlayer2"), QStringLiteral("DesktopEntry")).toString(), "tavilune");
    EXPECT_EQ(status(), "Stopped");
    QVariantMap meta = metadata();
    EXPECT_EQ(meta.size(), 1);
    EXPECT_EQ(objectPath(meta.value("mpris:trackid")), "/org/mpris/MediaPlayer2/TrackList/NoTrack");
    EXPECT_EQ(engine->state(), MediaEngine::State::Idle);
    EXPECT_FALSE(get(kPlayer, QStringLiteral("CanPause")).toBool());
    EXPECT_FALSE(get(kPlayer, QStringLiteral("CanSeek")).toBool());
    EXPECT_TRUE(get(kPlayer, QStringLiteral("CanGoNext")).toBool());

    // Play listens on the selected station; the metadata follow its ICY titles.
    select(QStringLiteral("Alpha"));
    call(kPlayer, QStringLiteral("Play"));
    ASSERT_TRUE(playing(alphaUrl));
    EXPECT_EQ(status(), "Playing");
    ASSERT_TRUE(tavtest::waitUntil([&] { return metadata().value("xesam:title").toString().startsWith("Titre "); }, 15000));
    meta = metadata();
    EXPECT_EQ(meta.value("xesam:artist").toStringList(), QStringList{"Artiste"});
    EXPECT_EQ(meta.value("xesam:album").toString(), "Alpha");
    EXPECT_EQ(meta.value("mpris:artUrl").toString(),
              QUrl::fromLocalFile(QDir::cleanPath(prog + "/Radios/logo/alpha.png")).toString());
    EXPECT_TRUE(objectPath(meta.value("mpris:trackid")).startsWith("/tavilune/track/"));

    // A new title is announced with PropertiesChanged.
    const auto titlesAnnounced = [&] {
        QStringList titles;
        for (const QVariantMap &c : log.changes)
            if (c.contains("Metadata")) {
                const QString t = toMap(c.value("Metadata")).value("xesam:title").toString();
                if (t.startsWith("Titre ") && !titles.contains(t))
                    titles << t;
            }
        return titles;
    };
    ASSERT_TRUE(tavtest::waitUntil([&] { return titlesAnnounced().size() >= 2; }, 20000))
        << titlesAnnounced().join(", ").toStdString();
    bool playingAnnounced = false;
    for (const QVariantMap &c : log.changes)
        playingAnnounced = playingAnnounced || c.value("PlaybackStatus").toString() == "Playing";
    EXPECT_TRUE(playingAnnounced);

    // Next and Previous step through the list, going round.
    const QStringList order{w->ComboRad->itemText(0), w->ComboRad->itemText(1), w->ComboRad->itemText(2)};
    const QString urls[] = {alphaUrl, betaUrl, gammaUrl};
    const auto urlOf = [&](const QString &name) { return urls[QStringList{"Alpha", "Beta", "Gamma"}.indexOf(name)]; };
    const int at = order.indexOf("Alpha");
    call(kPlayer, QStringLiteral("Next"));
    ASSERT_TRUE(playing(urlOf(order[(at + 1) % 3])));
    EXPECT_TRUE(tavtest::waitUntil([&] { return metadata().value("xesam:album").toString() == order[(at + 1) % 3]; }, 5000));
    call(kPlayer, QStringLiteral("Previous"));
    ASSERT_TRUE(playing(alphaUrl));
    call(kPlayer, QStringLiteral("Previous"));
    ASSERT_TRUE(playing(urlOf(order[(at + 2) % 3])));

    // Volume both ways.
    call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
         {kPlayer, QStringLiteral("Volume"), QVariant::fromValue(QDBusVariant(0.5))});
    EXPECT_EQ(engine->volume(), 50);
    engine->setVolume(30);
    EXPECT_DOUBLE_EQ(get(kPlayer, QStringLiteral("Volume")).toDouble(), 0.3);
    EXPECT_TRUE(tavtest::waitUntil([&] { return !log.changes.isEmpty() && log.changes.last().value("Volume").toDouble() == 0.3; }, 3000));

    // A radio plays with its live buffer: PlayPause pauses (the stream is still received) and
    // resumes; Seek and SetPosition move within what is kept, each announced with Seeked.
    ASSERT_TRUE(tavtest::waitUntil([&] { return get(kPlayer, QStringLiteral("CanPause")).toBool(); }, 5000));
    EXPECT_TRUE(get(kPlayer, QStringLiteral("CanSeek")).toBool());
    ASSERT_TRUE(tavtest::waitUntil([&] { return engine->playbackTime() > 3.0; }, 10000));
    call(kPlayer, QStringLiteral("PlayPause"));
    EXPECT_TRUE(tavtest::waitUntil([&] { return status() == "Paused"; }, 5000));
    EXPECT_EQ(engine->state(), MediaEngine::State::Playing);
    const qlonglong pausedAt = get(kPlayer, QStringLiteral("Position")).toLongLong();
    EXPECT_GT(pausedAt, 2500000);
    const double received = engine->timeShiftWindow().end;
    EXPECT_TRUE(tavtest::waitUntil([&] { return engine->timeShiftWindow().end > received + 1.5; }, 5000));
    EXPECT_NEAR(get(kPlayer, QStringLiteral("Position")).toLongLong(), pausedAt, 100000);
    call(kPlayer, QStringLiteral("Play"));
    EXPECT_TRUE(tavtest::waitUntil([&] { return status() == "Playing"; }, 5000));
    SeekLog seeks;
    ASSERT_TRUE(client->connect(kService, kPath, kPlayer, QStringLiteral("Seeked"), &seeks, SLOT(seeked(qlonglong))));
    const qlonglong before = get(kPlayer, QStringLiteral("Position")).toLongLong();
    call(kPlayer, QStringLiteral("Seek"), {qlonglong(-2000000)});
    ASSERT_TRUE(tavtest::waitUntil([&] { return !seeks.positions.isEmpty(); }, 3000));
    EXPECT_NEAR(seeks.positions.last(), before - 2000000, 300000);
    EXPECT_GT(engine->liveDelay(), 1.0);
    call(kPlayer, QStringLiteral("SetPosition"), {QVariant::fromValue(QDBusObjectPath("/tavilune/track/0")), qlonglong(1000000)});
    EXPECT_EQ(seeks.positions.size(), 1) << "a position for another track is ignored";
    call(kPlayer, QStringLiteral("SetPosition"),
         {QVariant::fromValue(QDBusObjectPath(objectPath(metadata().value("mpris:trackid")))), qlonglong(1000000)});
    ASSERT_TRUE(tavtest::waitUntil([&] { return seeks.positions.size() == 2; }, 3000));
    EXPECT_NEAR(seeks.positions.last(), 1000000, 600000);
    EXPECT_TRUE(tavtest::waitUntil([&] { return engine->playbackTime() < 3.0; }, 3000));

    // Without the buffer (0 minutes), PlayPause stops a live stream and listens again; Stop stops.
    settings::SaveSetting(QStringLiteral("DureeDiffere"), QStringLiteral("0"));
    call(kPlayer, QStringLiteral("Stop"));
    ASSERT_TRUE(tavtest::waitUntil([&] { return status() == "Stopped"; }, 5000));
    call(kPlayer, QStringLiteral("Play"));
    ASSERT_TRUE(tavtest::waitUntil([&] { return engine->state() == MediaEngine::State::Playing; }, 20000));
    EXPECT_FALSE(get(kPlayer, QStringLiteral("CanPause")).toBool());
    call(kPlayer, QStringLiteral("PlayPause"));
    EXPECT_TRUE(tavtest::waitUntil([&] { return status() == "Stopped"; }, 5000));
    EXPECT_EQ(metadata().size(), 1);
    call(kPlayer, QStringLiteral("PlayPause"));
    ASSERT_TRUE(tavtest::waitUntil([&] { return engine->state() == MediaEngine::State::Playing; }, 20000));
    log.changes.clear();
    call(kPlayer, QStringLiteral("Stop"));
    EXPECT_TRUE(tavtest::waitUntil([&] { return engine->state() == MediaEngine::State::Idle; }, 5000));
    EXPECT_TRUE(tavtest::waitUntil([&] {
        for (const QVariantMap &c : log.changes)
            if (c.value("PlaybackStatus").toString() == "Stopped")
                return true;
        return false;
    }, 3000));

    // Raise brings the window back.
    w->hide();
    call(QStringLiteral("org.mpris.MediaPlayer2"), QStringLiteral("Raise"));
    EXPECT_TRUE(w->isVisible());
}

TEST_F(BusTest, OneNotificationPerTitleReplacingThePrevious)
{
    FakeNotifications notifications;
    ASSERT_TRUE(client->registerObject(QStringLiteral("/org/freedesktop/Notifications"), &notifications,
                                       QDBusConnection::ExportScriptableSlots));
    ASSERT_TRUE(client->registerService(QStringLiteral("org.freedesktop.Notifications")));
    QTemporaryDir journalDir;
    TitleJournal journal(journalDir.filePath(QStringLiteral("titres.csv")));
    StartDesktopServices(*w, *engine, *program, &journal);
    QStringList titles;
    QObject::connect(engine.get(), &MediaEngine::streamTitleChanged, [&](const QString &t) {
        if (!t.isEmpty())
            titles << t;
    });

    // Off by default: titles come, nothing is shown.
    select(QStringLiteral("Alpha"));
    w->Command1_Click();
    ASSERT_TRUE(playing(alphaUrl));
    ASSERT_TRUE(tavtest::waitUntil([&] { return !titles.isEmpty(); }, 15000));
    tavtest::waitUntil([] { return false; }, 300);
    EXPECT_TRUE(notifications.calls.isEmpty());

    options::SaveTitleNotifications(true);
    const int before = int(titles.size());
    ASSERT_TRUE(tavtest::waitUntil([&] { return notifications.calls.size() >= 3; }, 25000));
    w->Command4_Click();
    tavtest::waitUntil([] { return false; }, 300);
    const int shown = int(titles.size()) - before;
    ASSERT_EQ(notifications.calls.size(), shown);
    for (int i = 0; i < notifications.calls.size(); ++i) {
        const FakeNotifications::Call &c = notifications.calls[i];
        EXPECT_EQ(c.app, "Tavilune");
        EXPECT_EQ(c.summary, "Alpha");
        EXPECT_EQ(c.body, titles[before + i]);
        EXPECT_EQ(c.icon, QDir::cleanPath(prog + "/Radios/logo/alpha.png"));
        EXPECT_EQ(c.replaces, i == 0 ? 0u : notifications.calls[i - 1].id) << i;
    }
    // Every title heard is in the journal, with its station.
    QStringList written;
    for (const journal::Entry &e : journal.Load()) {
        EXPECT_EQ(e.station, QStringLiteral("Alpha"));
        written << journal::ArtistTitle(e);
    }
    QStringList heard; // consecutive repeats are written once
    for (const QString &t : titles)
        if (heard.isEmpty() || heard.last() != t)
            heard << t;
    EXPECT_EQ(written, heard);
}

// The now-playing window's newest track is journaled too, with the station that plays, once.
TEST_F(BusTest, NowPlayingTracksGoToTheJournal)
{
    StreamServer data("dataserver.py", {QStringLiteral("--station")});
    ASSERT_TRUE(data.start());
    G().infoAddress = data.url(QStringLiteral("/f/radio/d_data.html"));
    nowplaying::SavedTracks() = nowplaying::TrackTexts{};
    hub->Register(WindowKind::NowPlaying, [] { return new InfoRadio; });
    QTemporaryDir journalDir;
    TitleJournal journal(journalDir.filePath(QStringLiteral("titres.csv")));
    StartDesktopServices(*w, *engine, *program, &journal);
    select(QStringLiteral("Gamma"));
    w->Command1_Click();
    ASSERT_TRUE(playing(gammaUrl));

    const auto tracks = [&journal] {
        QStringList found;
        for (const journal::Entry &e : journal.Load())
            if (e.artist.startsWith(QString::fromUtf8("Interprète")))
                found << e.station + QLatin1Char('|') + journal::ArtistTitle(e);
        return found;
    };
    auto *info = qobject_cast<InfoRadio *>(hub->Window(WindowKind::NowPlaying));
    ASSERT_TRUE(info);
    const QString first = QString::fromUtf8("Gamma|Interprète 1 - Le titre le plus récent");
    ASSERT_TRUE(tavtest::waitUntil([&] { return !tracks().isEmpty(); }, 15000));
    EXPECT_EQ(tracks(), QStringList{first});

    // The station moves on; the same track again is not written twice.
    const QString page = QDir(data.folder()).filePath(QStringLiteral("radio/data.html"));
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray text = file.readAll();
    file.close();
    text.replace(QString::fromUtf8("Le titre le plus récent").toUtf8(), "Un autre titre");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size());
    file.close();
    for (int refresh = 0; refresh < 2; ++refresh) {
        bool ended = false;
        QObject::connect(info, &InfoRadio::refreshed, info, [&ended] { ended = true; });
        info->Command1_Click();
        ASSERT_TRUE(tavtest::waitUntil([&] { return ended; }, 15000));
        QObject::disconnect(info, &InfoRadio::refreshed, info, nullptr);
    }
    EXPECT_EQ(tracks(), (QStringList{first, QString::fromUtf8("Gamma|Interprète 1 - Un autre titre")}));
    // Nothing writes to the journal once the test's journal is gone.
    w->Command4_Click();
    delete info;
}

TEST_F(DesktopServicesTest, ModeMenuAndPreferenceBox)
{
    QStringList captions;
    for (QAction *a : w->Mn_Mode->actions())
        captions << a->text();
    EXPECT_TRUE(captions.contains("Enregistrer le flux"));
    EXPECT_TRUE(captions.contains(QString::fromUtf8("Arrêt programmé")));
    QStringList sleep;
    for (QAction *a : w->Mnu_ArretProgramme->actions())
        sleep << a->text();
    EXPECT_EQ(sleep, (QStringList{QString::fromUtf8("Désactivé"), "15 minutes", "30 minutes", "60 minutes", "90 minutes"}));
    EXPECT_TRUE(w->Mnu_Arret[0]->isChecked());
    // Recording needs a radio that plays, and so do live pause and rewind.
    EXPECT_FALSE(w->Mnu_EnregistreFlux->isEnabled());
    const QString shift[] = {"Pause", "Reculer de 30 s", "Avancer de 30 s", "Revenir au direct",
                             QString::fromUtf8("Garder les 5 dernières minutes")};
    for (const QString &caption : shift) {
        const int at = captions.indexOf(caption);
        ASSERT_GE(at, 0) << caption.toStdString();
        QAction *a = w->Mn_Mode->actions().at(at);
        EXPECT_FALSE(a->isEnabled()) << caption.toStdString();
        EXPECT_FALSE(a->toolTip().isEmpty() || a->toolTip() == caption) << caption.toStdString();
        EXPECT_FALSE(a->shortcut().isEmpty()) << caption.toStdString();
    }
    EXPECT_TRUE(w->Mnu_Fichier->actions().contains(w->Mnu_Pause)) << "the tray's menu pauses too";

    FrmOptions options(OptionsLink{});
    options.Form_Load();
    EXPECT_EQ(options.chkNotifTitre->text(), "Afficher une notification au changement de titre");
    EXPECT_FALSE(options.chkNotifTitre->isChecked());
    options.chkNotifTitre->setChecked(true);
    options.Command2_Click();
    EXPECT_EQ(settings::GetSetting("NotifTitre", QString()), "1");
    EXPECT_TRUE(options::TitleNotificationsOn());
    options.chkNotifTitre->setChecked(false);
    options.Form_Load();
    EXPECT_TRUE(options.chkNotifTitre->isChecked());
    // One file per title, off by default.
    EXPECT_EQ(options.chkFichierTitre->text(), "Un fichier par titre");
    EXPECT_FALSE(options.chkFichierTitre->isChecked());
    options.chkFichierTitre->setChecked(true);
    options.Command2_Click();
    EXPECT_EQ(settings::GetSetting("FichierParTitre", QString()), "1");
    EXPECT_TRUE(options::OneFilePerTitleOn());

    // The minutes of live pause and rewind and of "Garder": 30 and 5 by default, saved with the rest.
    EXPECT_EQ(options.txtDiffere->value(), 30);
    EXPECT_EQ(options.txtGarder->value(), 5);
    EXPECT_EQ(options.lblDiffere->buddy(), static_cast<QWidget *>(options.txtDiffere));
    EXPECT_EQ(options.lblGarder->buddy(), static_cast<QWidget *>(options.txtGarder));
    options.txtDiffere->setValue(0);
    options.txtGarder->setValue(2);
    options.Command2_Click();
    EXPECT_EQ(settings::GetSetting("DureeDiffere", QString()), "0");
    EXPECT_EQ(options::KeepMinutes(), 2);
    emit w->Mn_Mode->aboutToShow();
    EXPECT_EQ(w->Mnu_Garder->text(), QString::fromUtf8("Garder les 2 dernières minutes"));
    // Numbers read the lenient way of every setting; out of range is the default.
    const std::pair<const char *, int> stored[] = {{"-3", 30}, {"100000", 30}, {"abc", 0}, {"12abc", 12}};
    for (const auto &[text, minutes] : stored) {
        settings::SaveSetting("DureeDiffere", text);
        EXPECT_EQ(options::TimeShiftMinutes(), minutes) << text;
    }
}

// Decodes a file with ffmpeg; true when it decodes without an error, with the decoded seconds
// (and what ffmpeg said).
bool decodes(const QString &path, double *seconds, QString *said = nullptr)
{
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-v", "error", "-i", path, "-f", "s16le", "-ac", "1", "-ar", "22050", "-"});
    if (!ffmpeg.waitForFinished(30000))
        return false;
    *seconds = ffmpeg.readAllStandardOutput().size() / 2.0 / 22050.0;
    const QString errors = QString::fromLocal8Bit(ffmpeg.readAllStandardError()).trimmed();
    if (said)
        *said = errors;
    return ffmpeg.exitCode() == 0 && errors.isEmpty();
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST_F(DesktopServicesTest, RecordsTheStreamAsServed)
{
    FakePrompts prompts;
    select(QStringLiteral("Beta"));
    w->Command1_Click();
    ASSERT_TRUE(playing(betaUrl));
    ASSERT_TRUE(w->Mnu_EnregistreFlux->isEnabled());
    w->FluxRecorder->setPollInterval(100);
    w->Mnu_EnregistreFlux->trigger();
    ASSERT_TRUE(w->FluxRecorder->IsRecording());
    EXPECT_TRUE(w->Mnu_EnregistreFlux->isChecked());
    const QString final = w->FluxRecorder->FinalPath();
    EXPECT_TRUE(QFileInfo(final).fileName().startsWith("Beta 20")) << final.toStdString();
    EXPECT_TRUE(final.endsWith(".mp3"));
    EXPECT_EQ(QFileInfo(final).absolutePath(), QDir(G().wavFolder).absolutePath());
    ASSERT_TRUE(tavtest::waitUntil([&] { return w->FluxRecorder->BytesWritten() > 20000; }, 20000));
    EXPECT_TRUE(w->StatusLine->text().contains("Enregistrement : ")) << w->StatusLine->text().toStdString();
    EXPECT_FALSE(QFileInfo::exists(final)); // a working name until it ends

    // A second click ends it; the file takes its name.
    w->Mnu_EnregistreFlux->trigger();
    EXPECT_FALSE(w->FluxRecorder->IsRecording());
    EXPECT_FALSE(w->Mnu_EnregistreFlux->isChecked());
    EXPECT_TRUE(prompts.shown.isEmpty());
    ASSERT_TRUE(QFileInfo::exists(final));
    EXPECT_EQ(QDir(G().wavFolder).entryList(QDir::Files), QStringList{QFileInfo(final).fileName()});
    // Wait for the player to close it, then decode it.
    tavtest::waitUntil([] { return false; }, 500);
    double seconds = 0;
    EXPECT_TRUE(decodes(final, &seconds));
    EXPECT_GT(seconds, 4.0);

    // The file holds the station's bytes as sent: its tone, repeated, from the start.
    const QByteArray bytes = servedBytes(), recordedBytes = fileBytes(final);
    ASSERT_GT(recordedBytes.size(), 20000);
    EXPECT_TRUE(recordedBytes == bytes.left(recordedBytes.size()));

    // Another recording in the same minute gets a number; closing the window ends it and keeps it.
    w->Mnu_EnregistreFlux->trigger();
    const QString second = w->FluxRecorder->FinalPath();
    EXPECT_NE(second, final);
    if (QFileInfo(second).completeBaseName().startsWith(QFileInfo(final).completeBaseName())) {
        EXPECT_TRUE(second.endsWith(" (2).mp3")) << second.toStdString();
    }
    ASSERT_TRUE(tavtest::waitUntil([&] { return w->FluxRecorder->BytesWritten() > 4000; }, 10000));
    hub.reset();
    w.reset();
    EXPECT_TRUE(QFileInfo(second).size() > 4000);
    EXPECT_EQ(QDir(G().wavFolder).entryList(QDir::Files).size(), 2);
}

TEST_F(DesktopServicesTest, FullDiskEndsTheRecordingAndKeepsTheFile)
{
    QTemporaryDir small;
    ASSERT_TRUE(small.isValid());
    if (::mount("tmpfs", small.path().toLocal8Bit().constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no small file system can be mounted here (needs root)";
    struct Unmount {
        QString path;
        ~Unmount() { ::umount2(path.toLocal8Bit().constData(), MNT_DETACH); }
    } unmount{small.path()};
    G().wavFolder = small.path();

    FakePrompts prompts;
    select(QStringLiteral("Beta"));
    w->Command1_Click();
    ASSERT_TRUE(playing(betaUrl));
    w->FluxRecorder->setPollInterval(100);
    w->FluxRecorder->setMinimumFreeBytes(0); // only the write error ends it
    w->Mnu_EnregistreFlux->trigger();
    ASSERT_TRUE(w->FluxRecorder->IsRecording());
    const QString final = w->FluxRecorder->FinalPath();
    ASSERT_TRUE(tavtest::waitUntil([&] { return !w->FluxRecorder->IsRecording(); }, 40000));
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].title, "Enregistrer le flux");
    EXPECT_TRUE(prompts.shown[0].text.startsWith("Le disque est plein")) << prompts.shown[0].text.toStdString();
    EXPECT_EQ(prompts.shown[0].icon, UiPrompts::Icon::Exclamation);
    EXPECT_FALSE(w->Mnu_EnregistreFlux->isChecked());
    EXPECT_EQ(engine->state(), MediaEngine::State::Playing); // the sound goes on
    ASSERT_TRUE(QFileInfo::exists(final));
    EXPECT_GT(QFileInfo(final).size(), 30000);
    EXPECT_EQ(QDir(small.path()).entryList(QDir::Files), QStringList{QFileInfo(final).fileName()});
    const QByteArray kept = fileBytes(final);
    EXPECT_TRUE(kept == servedBytes().left(kept.size()));
}

TEST_F(DesktopServicesTest, ARecordingNeverWritesThroughALinkPlantedAtItsName)
{
    FakePrompts prompts;
    select(QStringLiteral("Beta"));
    w->Command1_Click();
    ASSERT_TRUE(playing(betaUrl));
    const QDateTime now(QDate(2026, 1, 2), QTime(3, 4));
    const QString first = desktop::RecordFileName(QStringLiteral("Beta"), now, QStringLiteral("mp3"));
    const QString stem = first.left(first.size() - 4);
    // A link that leads nowhere yet, at the working name the recording would take.
    const QString victim = dir.filePath(QStringLiteral("ailleurs.mp3"));
    QDir().mkpath(G().wavFolder);
    ASSERT_TRUE(QFile::link(victim, QDir(G().wavFolder).filePath(stem + QStringLiteral(".part.mp3"))));
    QString error;
    ASSERT_TRUE(w->FluxRecorder->Start(QStringLiteral("Beta"), G().wavFolder, now, &error)) << error.toStdString();
    EXPECT_EQ(QFileInfo(w->FluxRecorder->FinalPath()).fileName(), stem + QStringLiteral(" (2).mp3"));
    ASSERT_TRUE(tavtest::waitUntil([&] { return w->FluxRecorder->BytesWritten() > 4000; }, 10000));
    w->FluxRecorder->Stop();
    EXPECT_FALSE(QFileInfo::exists(victim)) << "written through the link";
    EXPECT_TRUE(QFileInfo::exists(QDir(G().wavFolder).filePath(stem + QStringLiteral(" (2).mp3"))));
}

// Stations whose title changes every two seconds (tests/tools/streamserver.py, /titlesteps), in
// MP3, Ogg Vorbis, Ogg Opus and ADTS AAC, recorded with one file per title.
class PerTitleRecordingTest : public DesktopServicesTest {
protected:
    static constexpr int kEvery = 2; // metadata blocks (seconds) per title
    void SetUp() override
    {
        prog = dir.path();
        QDir().mkpath(dir.filePath(QStringLiteral("Radios")));
        for (const char *format : {"mp3", "ogg", "opus", "aac"})
            page(QStringLiteral("Radios/Titres %1.HTM").arg(QLatin1String(format)),
                 stationPage(QStringLiteral("Titres %1").arg(QLatin1String(format)), formatUrl(format), QString()));
        DesktopServicesTest::SetUp();
    }
    QString formatUrl(const char *format) const
    {
        return server->url(QStringLiteral("/titlesteps?every=%1&format=%2").arg(kEvery).arg(QLatin1String(format)));
    }
};

TEST_F(PerTitleRecordingTest, OneFilePerTitleCutAtTheChangesTaggedAndDecoding)
{
    FakePrompts prompts;
    settings::SaveSetting(QString::fromLatin1(options::kOneFilePerTitleKey), QStringLiteral("1"));
    const QDir folder(G().wavFolder);
    for (const char *format : {"mp3", "ogg", "opus", "aac"}) {
        SCOPED_TRACE(format);
        const bool ogg = QByteArray(format) == "ogg" || QByteArray(format) == "opus";
        const QString station = QStringLiteral("Titres %1").arg(QLatin1String(format));
        for (const QString &name : folder.entryList(QDir::Files))
            QFile::remove(folder.filePath(name));
        select(station);
        w->Command1_Click();
        ASSERT_TRUE(playing(formatUrl(format)));
        QStringList kept;
        const auto connection = QObject::connect(w->FluxRecorder, &StreamRecorder::FileKept,
                                                 [&](const QString &path) { kept << path; });
        w->Mnu_EnregistreFlux->trigger();
        ASSERT_TRUE(w->FluxRecorder->IsRecording());
        ASSERT_TRUE(tavtest::waitUntil([&] { return kept.size() >= 3; }, 30000));
        w->Mnu_EnregistreFlux->trigger();
        QObject::disconnect(connection);
        ASSERT_FALSE(w->FluxRecorder->IsRecording());
        ASSERT_GE(kept.size(), 4);
        // Ogg files are tagged, then named, on a worker thread.
        ASSERT_TRUE(tavtest::waitUntil([&] { return folder.entryList({QStringLiteral("*.part.*")}, QDir::Files).isEmpty(); },
                                       10000));
        EXPECT_EQ(folder.entryList(QDir::Files).size(), kept.size());

        // What the station sends, and where its frames begin (the server paces MP3 at 4000
        // bytes a second, the others at their file's size over its 12 seconds).
        QFile f(server->folder() + QStringLiteral("/titlesteps.") + QLatin1String(format));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray tone = f.readAll();
        const qint64 rate = QByteArray(format) == "mp3" ? 4000 : qMax<qint64>(500, tone.size() / 12);
        const QByteArray served = tone.repeated(4);
        QList<qint64> frames;
        for (qint64 at = 0, length = 1; !ogg && length > 0 && at + 9 < served.size(); at += length) {
            const auto *h = reinterpret_cast<const uchar *>(served.constData() + at);
            length = QByteArray(format) == "mp3" ? icy::MpegFrameLength(h) : icy::AdtsFrameLength(h);
            frames << at;
        }

        QByteArray audio; // the files' stream one after the other
        for (int i = 0; i < kept.size(); ++i) {
            const int k = i + 1;
            SCOPED_TRACE(kept[i].toStdString());
            EXPECT_EQ(QFileInfo(kept[i]).fileName(),
                      QStringLiteral("%1 - Artiste %2 - Titre %2.%3").arg(station).arg(k).arg(QLatin1String(format)));
            ASSERT_TRUE(QFileInfo::exists(kept[i]));
            {
                const QByteArray name = QFile::encodeName(kept[i]);
                // MP3 and AAC: an ID3v2 tag before the frames.
                std::unique_ptr<TagLib::File> file(ogg ? TagLib::FileRef::create(name.constData())
                                                       : new TagLib::MPEG::File(name.constData()));
                ASSERT_TRUE(file && file->isValid() && file->tag());
                EXPECT_EQ(QString::fromStdString(file->tag()->title().to8Bit(true)), QStringLiteral("Titre %1").arg(k));
                EXPECT_EQ(QString::fromStdString(file->tag()->artist().to8Bit(true)), QStringLiteral("Artiste %1").arg(k));
                EXPECT_EQ(QString::fromStdString(file->tag()->album().to8Bit(true)), station);
                EXPECT_EQ(int(file->tag()->year()), QDate::currentDate().year());
            }
            double seconds = 0;
            QString said;
            const bool whole = decodes(kept[i], &seconds, &said);
            if (i + 1 < kept.size()) { // the last one ends inside a frame, where the recording stopped
                EXPECT_TRUE(whole) << said.toStdString();
                // Its two seconds, give or take a frame (Ogg pages last about a second).
                if (ogg) {
                    EXPECT_GT(seconds, 0.5);
                } else if (k > 1) {
                    EXPECT_NEAR(seconds, kEvery, 0.1);
                }
            }
            if (ogg)
                continue;
            // The stream after the tag (10 bytes of header and a size in 7-bit bytes).
            const QByteArray bytes = fileBytes(kept[i]);
            ASSERT_TRUE(bytes.startsWith("ID3"));
            const int tagSize = 10 + ((bytes[6] & 0x7F) << 21 | (bytes[7] & 0x7F) << 14 | (bytes[8] & 0x7F) << 7 | (bytes[9] & 0x7F));
            if (k > 1) {
                // Cut at the first frame that begins at or after the block of the new title.
                const qint64 change = qint64((k - 1) * kEvery + 1) * rate, cut = audio.size();
                const qsizetype at = frames.indexOf(cut);
                ASSERT_GT(at, 0) << cut << " is not where a frame begins";
                EXPECT_GE(cut, change);
                EXPECT_LT(frames[at - 1], change);
            }
            audio += bytes.mid(tagSize);
        }
        if (!ogg) {
            // Nothing lost, nothing twice, no metadata among the stream.
            ASSERT_GT(audio.size(), 3 * kEvery * rate);
            EXPECT_TRUE(audio == served.left(audio.size()));
        }
        w->Command4_Click();
    }
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(DesktopServicesTest, SleepTimerFadesThenStops)
{
    select(QStringLiteral("Beta"));
    w->Command1_Click();
    ASSERT_TRUE(playing(betaUrl));
    engine->setVolume(80);
    w->Sleep->setMinuteMs(100); // "15 minutes" is 1.5 s
    w->Sleep->setFadeMs(1200);
    QList<int> volumes;
    QList<MediaEngine::State> states;
    QObject::connect(engine.get(), &MediaEngine::volumeChanged, [&](int v) {
        volumes << v;
        states << engine->state();
    });
    w->Mnu_Arret[1]->trigger();
    EXPECT_TRUE(w->Mnu_Arret[1]->isChecked());
    EXPECT_TRUE(w->StatusLine->text().contains(QString::fromUtf8("Arrêt programmé dans 0:0"))) << w->StatusLine->text().toStdString();
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(tavtest::waitUntil([&] { return engine->state() == MediaEngine::State::Idle; }, 10000));
    EXPECT_GE(clock.elapsed(), 1500 + 1200 - 150);
    // The sound went down while it still played, then the volume came back for the next Listen.
    ASSERT_GE(volumes.size(), 4);
    EXPECT_EQ(volumes.last(), 80);
    int i = 0;
    for (; i + 1 < volumes.size() && volumes[i] < 80; ++i) {
        EXPECT_EQ(states[i], MediaEngine::State::Playing);
        if (i > 0) {
            EXPECT_LE(volumes[i], volumes[i - 1]);
        }
    }
    EXPECT_EQ(volumes[i - 1], 0);
    EXPECT_TRUE(w->Mnu_Arret[0]->isChecked());
    EXPECT_FALSE(w->StatusLine->text().contains(QString::fromUtf8("Arrêt programmé")));

    // Cancelling during the fade puts the volume back at once and keeps playing.
    w->Command1_Click();
    ASSERT_TRUE(playing(betaUrl));
    w->Sleep->setFadeMs(3000);
    w->Mnu_Arret[1]->trigger();
    ASSERT_TRUE(tavtest::waitUntil([&] { return engine->volume() < 60; }, 8000));
    w->Mnu_Arret[0]->trigger();
    EXPECT_EQ(engine->volume(), 80);
    EXPECT_FALSE(w->Sleep->IsActive());
    tavtest::waitUntil([] { return false; }, 500);
    EXPECT_EQ(engine->state(), MediaEngine::State::Playing);
}

} // namespace


// Live pause and rewind from the main window's menus: the status line tells the pause and the
// delay, "Revenir au direct" ends both, and "Garder les 5 dernières minutes" writes what was
// received into the recordings folder, as served, and names it in a notification.
TEST_F(BusTest, PauseFromTheMenuAndKeepTheLastMinutes)
{
    FakeNotifications notifications;
    ASSERT_TRUE(client->registerObject(QStringLiteral("/org/freedesktop/Notifications"), &notifications,
                                       QDBusConnection::ExportScriptableSlots));
    ASSERT_TRUE(client->registerService(QStringLiteral("org.freedesktop.Notifications")));
    StartDesktopServices(*w, *engine, *program);
    G().wavFolder = prog + QStringLiteral("/Wav");
    select(QStringLiteral("Beta"));
    w->Command1_Click();
    ASSERT_TRUE(playing(betaUrl));
    ASSERT_TRUE(tavtest::waitUntil([&] { return w->Mnu_Pause->isEnabled() && w->Mnu_Reculer->isEnabled(); }, 10000));
    EXPECT_FALSE(w->Mnu_Direct->isEnabled());

    w->Mnu_Pause->trigger();
    EXPECT_TRUE(engine->isPaused());
    EXPECT_TRUE(w->Mnu_Pause->isChecked());
    ASSERT_TRUE(tavtest::waitUntil([&] { return w->StatusLine->text().contains(QString::fromUtf8("Différé : -00:02")); }, 5000))
        << w->StatusLine->text().toStdString();
    EXPECT_TRUE(w->StatusLine->text().contains(QStringLiteral("En pause")));
    EXPECT_TRUE(w->Mnu_Direct->isEnabled());
    EXPECT_TRUE(w->Mnu_Avancer->isEnabled());
    w->Mnu_Direct->trigger();
    EXPECT_FALSE(engine->isPaused());
    ASSERT_TRUE(tavtest::waitUntil([&] { return !w->StatusLine->text().contains(QString::fromUtf8("Différé")); }, 5000))
        << w->StatusLine->text().toStdString();

    ASSERT_TRUE(w->Mnu_Garder->isEnabled());
    const QDateTime now = QDateTime::currentDateTime();
    w->Mnu_Garder->trigger();
    ASSERT_TRUE(tavtest::waitUntil([&] { return !notifications.calls.isEmpty(); }, 15000));
    const QStringList files = QDir(G().wavFolder).entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1) << files.join(", ").toStdString();
    const auto named = [&](const QDateTime &t) { return desktop::RecordFileName(QStringLiteral("Beta"), t, QStringLiteral("mp3")); };
    EXPECT_TRUE(files[0] == named(now) || files[0] == named(now.addSecs(60))) << files[0].toStdString();
    EXPECT_EQ(notifications.calls[0].summary, "Beta");
    EXPECT_TRUE(notifications.calls[0].body.endsWith(QLatin1Char('\n') + files[0])) << notifications.calls[0].body.toStdString();
    double seconds = 0;
    EXPECT_TRUE(decodes(QDir(G().wavFolder).filePath(files[0]), &seconds));
    EXPECT_GT(seconds, 3.0);
}

#include "test_desktop_services.moc"
