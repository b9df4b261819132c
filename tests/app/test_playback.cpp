// Playing stations from the main window with real components: a local HTTP station serves an MP3
// stream and playlists, station pages in a temporary radio folder name them, and libmpv plays
// them (to a null audio output).
#include "app/FrmMain.h"
#include "app/ProgrammationRunner.h"
#include "app/WindowHub.h"
#include "common/TextFile.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "desktop/StreamRecorder.h"
#include "media/MediaEngine.h"
#include "ui/WebBrowser.h"
#include "StreamServer.h"
#include "TestUtil.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A page as the station page generator writes it, for either player object.
QString stationPage(const QString &title, const QString &stream, bool realPlayer, const QString &info = {})
{
    QStringList l{QStringLiteral("<HTML>"), QStringLiteral("<HEAD>"),
                  QStringLiteral("<META http-equiv=\"content-type\" content=\"text/html; charset=iso-8859-1\">"),
                  QStringLiteral("<LINK REL=\"stylesheet\" TYPE=\"text/css\" HREF=\"bas.css\">"),
                  QStringLiteral("</HEAD>"), QStringLiteral("<BODY>"),
                  QStringLiteral("<font name=\"titre\">%1</font><br>").arg(title),
                  QStringLiteral("<TABLE CELLPADDING=0 CELLSPACING=0>"), QStringLiteral("    <TR>"),
                  QStringLiteral("      <TD VALIGN=\"MIDDLE\">")};
    if (realPlayer) {
        l << QStringLiteral("<object id=\"NSPlay\"") << QStringLiteral(" CLASSID = \"clsid:CFCDAA03-8BE4-11cf-B84B-0020AFBBCCFA\"")
          << QStringLiteral(" width=152 height=25>") << QStringLiteral("  <param name=\"SRC\" value=\"%1\">").arg(stream)
          << QStringLiteral("  <param NAME=\"controls\" value=\"StatusField\">")
          << QStringLiteral("  <param name=\"AUTOSTART\" value=\"-1\">") << QStringLiteral("</OBJECT>");
    } else {
        l << QStringLiteral("<object id=\"NSPlay\" name=\"NSPlay\"")
          << QStringLiteral("    classid = \"CLSID:22D6F312-B0F6-11D0-94AB-0080C74C7E95\"")
          << QStringLiteral("    width=152 height=25") << QStringLiteral("    type=\"application/x-oleobject\">")
          << QStringLiteral("    <param name=\"Filename\" value=\"%1\">").arg(stream)
          << QStringLiteral("    <param name=\"ShowStatusBar\" value=\"-1\">") << QStringLiteral("</object>");
    }
    l << QStringLiteral("    </TD>") << QStringLiteral("    </TR>") << QStringLiteral("</TABLE>");
    if (!info.isEmpty())
        l << QStringLiteral("<A HREF=\"app:live('%1')\">Informations</A>").arg(info);
    l << QStringLiteral("</HTML>");
    return l.join(QStringLiteral("\r\n"));
}

class PlaybackTest : public ::testing::Test {
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
        QDir().mkpath(prog + QStringLiteral("/Radios"));
        QDir().mkpath(prog + QStringLiteral("/TV"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(TAV_BIN_DIR "/Intro.htm"), prog + QStringLiteral("/Intro.htm")));
        page(QStringLiteral("Radios/LIVE.HTM"),
             stationPage(QStringLiteral("Live"), server->url(QStringLiteral("/stream.mp3")), false,
                         server->url(QStringLiteral("/now?x=1&y=2"))));
        page(QStringLiteral("Radios/PLAYLIST.HTM"),
             stationPage(QStringLiteral("Playlist"), server->url(QStringLiteral("/list.pls")), false));
        page(QStringLiteral("Radios/REAL.HTM"),
             stationPage(QStringLiteral("Real"), server->url(QStringLiteral("/list.m3u")), true));
        page(QStringLiteral("Radios/DEAD.HTM"),
             stationPage(QStringLiteral("Dead"), server->url(QStringLiteral("/missing.mp3")), false));
        page(QStringLiteral("TV/CHAINE.HTM"),
             stationPage(QStringLiteral("Chaîne"), server->url(QStringLiteral("/stream")), false));
        settings::SaveSetting(QStringLiteral("DossierRadio"), prog + QStringLiteral("/Radios"));
        settings::SaveSetting(QStringLiteral("DossierTV"), prog + QStringLiteral("/TV"));
        settings::SaveSetting(QStringLiteral("NomRadio"), QStringLiteral("1"));
        engine = std::make_unique<MediaEngine>(QStringLiteral("null"));
        w = std::make_unique<FrmMain>(engine.get());
        hub = std::make_unique<WindowHub>(*w);
        hub->Register(WindowKind::NowPlaying, [] { return new QWidget; });
        w->SetWindowHub(hub.get());
        ASSERT_TRUE(w->Form_Load());
    }
    void TearDown() override
    {
        w->Command4_Click();
        hub.reset();
        w.reset();
        engine.reset();
        settings::UseFile(QString());
        SetProgramFolder(QString());
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
    // Waits until the engine plays and its position moves on.
    bool playsAndAdvances()
    {
        MediaEngine &e = *engine;
        if (!tavtest::waitUntil([&] { return e.state() == MediaEngine::State::Playing && e.playbackTime() > 0.2; },
                                20000))
            return false;
        const double t0 = e.playbackTime();
        return tavtest::waitUntil([&] { return e.playbackTime() > t0 + 0.5; }, 10000);
    }

    static StreamServer *server;
    static bool serverStarted;
    QTemporaryDir dir;
    QString prog;
    std::unique_ptr<MediaEngine> engine;
    std::unique_ptr<FrmMain> w;
    std::unique_ptr<WindowHub> hub;
};

StreamServer *PlaybackTest::server = nullptr;
bool PlaybackTest::serverStarted = false;

} // namespace

TEST_F(PlaybackTest, ListenPlaysTheSelectedStationAndStopReturnsToTheIdlePage)
{
    MediaEngine &e = *engine;
    select(QStringLiteral("LIVE"));
    w->Command1_Click();
    EXPECT_EQ(w->WebBrowser1->LocationURL(), prog + QStringLiteral("/Radios/LIVE.HTM"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Tavilune : LIVE"));
    ASSERT_TRUE(playsAndAdvances()) << e.statusText().toStdString();
    EXPECT_EQ(e.address(), server->url(QStringLiteral("/stream.mp3")));
    EXPECT_FALSE(w->StatusLine->text().isEmpty());

    w->Command4_Click();
    EXPECT_EQ(e.state(), MediaEngine::State::Idle);
    EXPECT_EQ(w->WebBrowser1->LocationURL(), prog + QStringLiteral("/Intro.htm"));
    EXPECT_TRUE(tavtest::waitUntil([&] { return w->StatusLine->text().isEmpty(); }, 2000));
}

TEST_F(PlaybackTest, PlaylistsOfBothPlayerKindsPlayAndAnotherListenReplacesTheStream)
{
    MediaEngine &e = *engine;
    select(QStringLiteral("PLAYLIST"));
    w->Command1_Click();
    ASSERT_TRUE(playsAndAdvances()) << e.statusText().toStdString();
    EXPECT_EQ(e.address(), server->url(QStringLiteral("/list.pls")));

    select(QStringLiteral("REAL"));
    w->Command1_Click();
    EXPECT_EQ(e.address(), server->url(QStringLiteral("/list.m3u")));
    ASSERT_TRUE(playsAndAdvances()) << e.statusText().toStdString();
}

TEST_F(PlaybackTest, InformationLinkKeepsThePageAndItsStream)
{
    MediaEngine &e = *engine;
    int opened = 0;
    QObject::connect(hub.get(), &WindowHub::Opened, [&](WindowKind k, QWidget *) { opened += k == WindowKind::NowPlaying; });
    select(QStringLiteral("LIVE"));
    w->Command1_Click();
    ASSERT_TRUE(playsAndAdvances());
    // The link as the page writes it: the address is stored as written, not re-encoded.
    w->WebBrowser1->FollowLink(QStringLiteral("app:live('") + server->url(QStringLiteral("/now?x=1&y=2")) +
                               QStringLiteral("')"));
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(G().infoAddress, server->url(QStringLiteral("/now?x=1&y=2")));
    EXPECT_EQ(w->WebBrowser1->LocationURL(), prog + QStringLiteral("/Radios/LIVE.HTM"));
    EXPECT_EQ(e.state(), MediaEngine::State::Playing);
    EXPECT_TRUE(playsAndAdvances());
}

TEST_F(PlaybackTest, TvModeListenPlaysTheSameRadioPageUnderTheTvTitle)
{
    select(QStringLiteral("LIVE"));
    w->Mnu_TV_Click();
    w->Command1_Click();
    EXPECT_EQ(w->WebBrowser1->LocationURL(), prog + QStringLiteral("/Radios/LIVE.HTM"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Tavilune : Sélectionner une TV"));
    EXPECT_TRUE(playsAndAdvances());

    w->ComboTV->setCurrentIndex(0);
    w->Command1_Click();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Tavilune : CHAINE"));
    EXPECT_EQ(engine->address(), server->url(QStringLiteral("/stream")));
    EXPECT_TRUE(playsAndAdvances());

    // "Autres TV..." stops the page's stream and shows the idle page.
    w->Mnu_AutreTV_Click();
    EXPECT_EQ(engine->state(), MediaEngine::State::Idle);
    EXPECT_EQ(w->WebBrowser1->LocationURL(), prog + QStringLiteral("/Intro.htm"));
}

TEST_F(PlaybackTest, DeadStationEndsInAClearStatusNotAHang)
{
    MediaEngine &e = *engine;
    select(QStringLiteral("DEAD"));
    w->Command1_Click();
    ASSERT_TRUE(tavtest::waitUntil([&] { return e.state() == MediaEngine::State::Failed; }, 30000))
        << e.statusText().toStdString();
    EXPECT_TRUE(w->StatusLine->text().startsWith(QStringLiteral("Impossible de lire")))
        << w->StatusLine->text().toStdString();
    EXPECT_EQ(w->StatusLine->text(), QStringLiteral("Impossible de lire %1 : adresse introuvable (erreur HTTP 404)")
                                         .arg(server->url(QStringLiteral("/missing.mp3"))));
}

TEST_F(PlaybackTest, AFavouriteFromTheFilePlaysWithListen)
{
    ASSERT_TRUE(textfile::writeLines(prog + QStringLiteral("/Favoris.lst"),
                                     {QStringLiteral("Real"), QStringLiteral("live"), QStringLiteral("PLAYLIST")}));
    // A new start reads the file.
    hub.reset();
    w = std::make_unique<FrmMain>(engine.get());
    hub = std::make_unique<WindowHub>(*w);
    w->SetWindowHub(hub.get());
    ASSERT_TRUE(w->Form_Load());
    w->Ajout_Menu();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(w->Mnu_Fav[i]->isVisible(), i < 3) << i;
    w->Mnu_Fav[1]->trigger();
    EXPECT_EQ(engine->state(), MediaEngine::State::Idle); // nothing plays before Listen
    w->Command1_Click();
    EXPECT_EQ(w->WebBrowser1->LocationURL(), prog + QStringLiteral("/Radios/LIVE.HTM"));
    ASSERT_TRUE(playsAndAdvances()) << engine->statusText().toStdString();
    EXPECT_EQ(engine->address(), server->url(QStringLiteral("/stream.mp3")));
}

namespace {
// True when libmpv is mapped into this process.
bool libmpvLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libmpv.so");
}
} // namespace

TEST_F(PlaybackTest, ThePlayerIsLoadedOnTheFirstListenAndKept)
{
    // Whatever the idle window does before the first Listen leaves libmpv unloaded.
    const struct {
        const char *what;
        std::function<void(FrmMain &)> action;
    } idle[] = {
        {"show", [](FrmMain &f) { f.show(); }},
        {"choose a station", [](FrmMain &f) { f.ComboRad->setCurrentIndex(f.ComboRad->findText(QStringLiteral("LIVE"))); }},
        {"TV mode and back", [](FrmMain &f) { f.Mnu_TV_Click(); f.Mnu_RAdio_Click(); }},
        {"stop", [](FrmMain &f) { f.Command4_Click(); }},
        {"favourites menu", [](FrmMain &f) { f.Ajout_Menu(); }},
    };
    for (const auto &step : idle) {
        step.action(*w);
        EXPECT_FALSE(engine->isLoaded()) << step.what;
        EXPECT_FALSE(libmpvLoaded()) << step.what;
    }
    EXPECT_EQ(engine->state(), MediaEngine::State::Idle);

    // The pointer on Listen loads libmpv in the background; no player is made yet.
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(w->Command1, &enter);
    EXPECT_TRUE(tavtest::waitUntil([] { return libmpvLoaded(); }, 10000));
    EXPECT_FALSE(engine->isLoaded());

    // Listen right after start-up plays; the player stays after Stop.
    select(QStringLiteral("LIVE"));
    w->Command1_Click();
    EXPECT_TRUE(engine->isLoaded());
    ASSERT_TRUE(playsAndAdvances()) << engine->statusText().toStdString();
    EXPECT_TRUE(libmpvLoaded());
    w->Command4_Click();
    EXPECT_TRUE(engine->isLoaded());

    // A window's own engine, not loaded until it plays, still stops the main page first.
    w->Command1_Click();
    ASSERT_TRUE(playsAndAdvances());
    MediaEngine window(QStringLiteral("null"));
    EXPECT_FALSE(window.isLoaded());
    window.play(server->url(QStringLiteral("/live")));
    EXPECT_EQ(engine->state(), MediaEngine::State::Idle);
    EXPECT_TRUE(tavtest::waitUntil([&] { return window.state() == MediaEngine::State::Playing; }, 10000))
        << window.statusText().toStdString();
}

// Planned events on the main window: "Écouter" plays the page and ends on time, "Enregistrer le
// flux" plays it and records its stream until the end; an occurrence missed while the program was
// not running is told, not run.
TEST_F(PlaybackTest, PlannedEventsPlayAndRecordTheirStationAndMissedOnesAreTold)
{
    ProgrammationRunner runner(*w, *engine, dir.filePath(QStringLiteral("programmation.ini")));
    programmation::Event listen;
    listen.id = QStringLiteral("1");
    listen.what = prog + QStringLiteral("/Radios/LIVE.HTM");
    listen.start = QDateTime(QDate(2030, 1, 7), QTime(7, 0));
    listen.minutes = 1;
    programmation::Event record = listen;
    record.id = QStringLiteral("2");
    record.action = programmation::Action::EnregistrerFlux;
    record.start = listen.start.addSecs(120);
    // A dated TV programme's event names its address: it plays without a page, and stops.
    programmation::Event programme = listen;
    programme.id = QStringLiteral("3");
    programme.what = QStringLiteral("Journal de test");
    programme.link = server->url(QStringLiteral("/stream.mp3?programme=1"));
    programme.start = listen.start.addSecs(240);
    runner.Events().SetEvents({listen, record, programme});

    runner.Events().Check(listen.start);
    ASSERT_TRUE(playsAndAdvances());
    EXPECT_EQ(w->PlayingStation(), QStringLiteral("LIVE"));
    runner.Events().Check(listen.start.addSecs(60));
    EXPECT_TRUE(tavtest::waitUntil([&] { return engine->state() == MediaEngine::State::Idle; }, 10000));

    runner.Events().Check(record.start);
    QElapsedTimer held; // from the event's start to its end, in real time
    held.start();
    ASSERT_TRUE(playsAndAdvances());
    ASSERT_TRUE(tavtest::waitUntil([&] { return w->FluxRecorder->IsRecording(); }, 10000));
    const QString file = w->FluxRecorder->FinalPath();
    ASSERT_TRUE(tavtest::waitUntil([&] { return w->FluxRecorder->BytesWritten() > 16000; }, 15000));
    runner.Events().Check(record.start.addSecs(60));
    const double heldSeconds = held.elapsed() / 1000.0;
    EXPECT_FALSE(w->FluxRecorder->IsRecording());
    EXPECT_TRUE(tavtest::waitUntil([&] { return engine->state() == MediaEngine::State::Idle; }, 10000));
    EXPECT_GT(QFileInfo(file).size(), 16000) << file.toStdString();
    // The file decodes whole, and holds the time the event ran (within a second) plus the
    // 2 s the station sends at once on connecting.
    QProcess decode;
    decode.start(QStringLiteral("ffmpeg"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), file,
                                            QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-")});
    ASSERT_TRUE(decode.waitForFinished(20000));
    EXPECT_EQ(decode.exitCode(), 0);
    EXPECT_TRUE(decode.readAllStandardError().trimmed().isEmpty());
    QProcess probe;
    probe.start(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                                            QStringLiteral("format=duration"), QStringLiteral("-of"),
                                            QStringLiteral("default=nw=1:nk=1"), file});
    ASSERT_TRUE(probe.waitForFinished(20000));
    const double duration = QString::fromUtf8(probe.readAllStandardOutput()).trimmed().toDouble();
    EXPECT_GE(duration, heldSeconds - 1.0) << heldSeconds;
    EXPECT_LE(duration, heldSeconds + 2.0 + 1.0) << heldSeconds;

    runner.Events().Check(programme.start);
    ASSERT_TRUE(playsAndAdvances());
    EXPECT_EQ(engine->address(), programme.link);
    EXPECT_EQ(w->PlayingStation(), QStringLiteral("Journal de test"));
    runner.Events().Check(programme.start.addSecs(60));
    EXPECT_TRUE(tavtest::waitUntil([&] { return engine->state() == MediaEngine::State::Idle; }, 10000));

    // Last seen the day before: the morning's occurrence was missed; it is told once.
    programmation::Event daily = listen;
    daily.repeat = programmation::Repeat::EveryDay;
    daily.start = QDateTime(QDate(2030, 1, 1), QTime(7, 0));
    ASSERT_TRUE(programmation::Save(runner.FileName(), {daily}));
    settings::SaveSetting(QStringLiteral("ProgrammationVue"), QDateTime(QDate(2030, 1, 6), QTime(22, 0)).toString(Qt::ISODate));
    const QString report = runner.MissedReport(QDateTime(QDate(2030, 1, 7), QTime(9, 0)));
    EXPECT_TRUE(report.contains(QStringLiteral("Écouter, LIVE"))) << report.toStdString();
    EXPECT_EQ(report.count(QLatin1Char('\n')), 1);
    EXPECT_TRUE(runner.MissedReport(QDateTime(QDate(2030, 1, 7), QTime(9, 5))).isEmpty());
}
