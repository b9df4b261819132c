// The playlist resolver and the media engine against a local test radio, with real libmpv
// playing through mpv's null audio output.
#include "common/NetGuard.h"
#include "media/MediaEngine.h"
#include "media/MpvApi.h"
#include "media/PlaylistResolver.h"
#include "ui/VideoView.h"
#include "ui/WebBrowser.h"
#include "StreamServer.h"
#include "TestUtil.h"

#include <QDir>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryFile>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <sys/stat.h>

using tavtest::waitUntil;

// Texts in failure messages as text.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os) { *os << s.toStdString(); }
QT_END_NAMESPACE
using State = MediaEngine::State;

namespace {

// Every test program run starts its own server (ctest runs each test in its own process).
class MediaTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = std::make_unique<StreamServer>();
        QString error;
        if (!server->start(&error)) {
            startError = error;
            server.reset();
        }
    }
    static void TearDownTestSuite() { server.reset(); }
    void SetUp() override
    {
        ASSERT_TRUE(server) << "test radio did not start: " << startError.toStdString();
    }
    static QString url(const QString &path) { return server->url(path); }

    // An address on which nothing listens.
    // Port 1 of the loopback: privileged and never given out to the tests' own servers, so the
    // connection is refused however many tests run beside this one (a port freed by a probe could
    // be taken by another test's server before it is tried).
    static QString refusedAddress(const QString &path) { return QStringLiteral("http://127.0.0.1:1%1").arg(path); }

    static std::unique_ptr<StreamServer> server;
    static QString startError;
};
std::unique_ptr<StreamServer> MediaTest::server;
QString MediaTest::startError;

std::optional<PlaylistResolver::Result> resolve(const QString &address)
{
    PlaylistResolver resolver;
    std::optional<PlaylistResolver::Result> result;
    QObject::connect(&resolver, &PlaylistResolver::finished,
                     [&](const PlaylistResolver::Result &r) { result = r; });
    resolver.start(address);
    EXPECT_FALSE(result.has_value()) << "finished() came from inside start()";
    waitUntil([&] { return result.has_value(); }, 15000);
    return result;
}

// The engine's playback position moves forward by at least seconds.
bool advances(const MediaEngine &engine, double seconds, int timeoutMs = 10000)
{
    double start = -1;
    if (!waitUntil([&] { return (start = engine.playbackTime()) >= 0; }, timeoutMs))
        return false;
    return waitUntil([&] { return engine.playbackTime() >= start + seconds; }, timeoutMs);
}

} // namespace

using Outcome = PlaylistResolver::Outcome;

TEST_F(MediaTest, ResolverDecodesEveryPlaylistFormat)
{
    const QString stream = url(QStringLiteral("/stream.mp3"));
    const struct {
        const char *path;
        Playlist::Format format;
        QString entry;
    } cases[] = {
        {"/list.pls", Playlist::Format::Pls, stream},
        {"/list.m3u", Playlist::Format::M3u, stream}, // BOM, CR LF, #EXTINF
        {"/list.asx", Playlist::Format::Asx, stream}, // served as video/x-ms-asf
        {"/ref.asx", Playlist::Format::AsfReference, stream},
        {"/list.xspf", Playlist::Format::Xspf, stream},
        {"/station", Playlist::Format::Pls, url(QStringLiteral("/live"))}, // by Content-Type only
        {"/lists/rel.m3u", Playlist::Format::M3u, stream},                 // "../stream.mp3"
        {"/lists/rel.pls", Playlist::Format::Pls, url(QStringLiteral("/live"))}, // text/plain
    };
    for (const auto &c : cases) {
        const auto r = resolve(url(QString::fromLatin1(c.path)));
        ASSERT_TRUE(r.has_value()) << c.path;
        EXPECT_EQ(r->outcome, Outcome::Entries) << c.path;
        EXPECT_EQ(r->format, c.format) << c.path;
        EXPECT_EQ(r->entries, QStringList{c.entry}) << c.path;
    }
    const auto fallback = resolve(url(QStringLiteral("/fallback.pls")));
    ASSERT_TRUE(fallback.has_value());
    EXPECT_EQ(fallback->entries, (QStringList{url(QStringLiteral("/missing.mp3")), stream}));
}

TEST_F(MediaTest, ResolverLeavesStreamsAndHlsAsTheyAre)
{
    for (const char *path : {"/live", "/hls.m3u8", "/icy-old"}) {
        const auto r = resolve(url(QString::fromLatin1(path)));
        ASSERT_TRUE(r.has_value()) << path;
        EXPECT_EQ(r->outcome, Outcome::Direct) << path;
        EXPECT_EQ(r->address, url(QString::fromLatin1(path))) << path;
    }
    EXPECT_EQ(resolve(url(QStringLiteral("/hls.m3u8")))->format, Playlist::Format::Hls);

    EXPECT_FALSE(PlaylistResolver::needsLookup(url(QStringLiteral("/stream.mp3"))));
    EXPECT_FALSE(PlaylistResolver::needsLookup(QStringLiteral("mms://wm.example/live")));
    EXPECT_FALSE(PlaylistResolver::needsLookup(QStringLiteral("/home/user/song.mp3")));
    EXPECT_TRUE(PlaylistResolver::needsLookup(url(QStringLiteral("/live"))));
    EXPECT_TRUE(PlaylistResolver::needsLookup(QStringLiteral("/home/user/radio.PLS")));
}

TEST_F(MediaTest, ResolverReportsDeadAddressesAndEmptyLists)
{
    const auto missing = resolve(url(QStringLiteral("/404")));
    ASSERT_TRUE(missing.has_value());
    EXPECT_EQ(missing->outcome, Outcome::Failed);
    EXPECT_EQ(missing->errorText, QStringLiteral("adresse introuvable (erreur HTTP 404)"));

    const auto refused = resolve(refusedAddress(QStringLiteral("/live")));
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->outcome, Outcome::Failed);
    EXPECT_EQ(refused->errorText, QStringLiteral("connexion refusée"));

    const auto empty = resolve(url(QStringLiteral("/empty.pls")));
    ASSERT_TRUE(empty.has_value());
    EXPECT_EQ(empty->outcome, Outcome::Failed);
    EXPECT_EQ(empty->errorText, QStringLiteral("liste de lecture vide ou illisible"));
}

TEST_F(MediaTest, ResolverReadsLocalPlaylistFiles)
{
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/tavXXXXXX.m3u"));
    ASSERT_TRUE(file.open());
    file.write("#EXTM3U\r\nhttp://a.example/live\r\nsub/b.mp3\r\n");
    file.close();
    const auto r = resolve(file.fileName());
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->outcome, Outcome::Entries);
    ASSERT_EQ(r->entries.size(), 2);
    EXPECT_EQ(r->entries[0], QStringLiteral("http://a.example/live"));
    EXPECT_EQ(r->entries[1], QUrl::fromLocalFile(QFileInfo(file.fileName()).absolutePath() + QStringLiteral("/sub/b.mp3")).toString());

    const auto gone = resolve(QStringLiteral("/nonexistent/folder/x.pls"));
    ASSERT_TRUE(gone.has_value());
    EXPECT_EQ(gone->outcome, Outcome::Failed);
}

// Local names that are no playlist or stream to read: a device, named pipes nobody writes, a
// folder, a file of gigabytes. Each fails at once with its reason, the player never blocked.
TEST_F(MediaTest, LocalAddressesThatAreNoFilesFailWithAReason)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString fifo = dir.filePath(QStringLiteral("flux.mp3"));
    const QString fifoList = dir.filePath(QStringLiteral("liste.m3u"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifoList).constData(), 0600), 0);
    const QString zeroList = dir.filePath(QStringLiteral("zero.pls"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zeroList));
    const QString hugeList = dir.filePath(QStringLiteral("huge.pls"));
    {
        QFile huge(hugeList); // sparse: takes no room on the disk
        ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
        ASSERT_TRUE(huge.resize(qint64(3) << 30));
    }
    const QString folderList = dir.filePath(QStringLiteral("dossier.m3u"));
    ASSERT_TRUE(QDir().mkdir(folderList));

    const QString notAFile = QStringLiteral("ce n'est pas un fichier ordinaire");
    const struct {
        QString address;
        QString reason;
        bool listToo; // also a playlist the resolver is given
    } cases[] = {
        {QStringLiteral("/dev/zero"), notAFile, false},
        {QStringLiteral("file:///dev/zero"), notAFile, false},
        {fifo, notAFile, false},
        {fifoList, notAFile, true},
        {zeroList, notAFile, true},
        {folderList, notAFile, true},
        {hugeList, QStringLiteral("fichier trop volumineux"), true},
        {dir.filePath(QStringLiteral("absent.mp3")), QStringLiteral("fichier introuvable"), false},
    };
    MediaEngine engine(QStringLiteral("null"));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.address.toStdString());
        engine.play(c.address);
        ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Failed || engine.state() == State::Playing; }, 10000));
        EXPECT_EQ(engine.statusText(), QStringLiteral("Impossible de lire %1 : %2").arg(c.address, c.reason));
        if (c.listToo) {
            const auto r = resolve(c.address);
            ASSERT_TRUE(r.has_value());
            EXPECT_EQ(r->outcome, Outcome::Failed);
            EXPECT_EQ(r->errorText, c.reason);
        }
    }
}

// Station pages on the user's disk whose player, picture or style sheet names a device or a
// pipe, and a "page" that is a pipe: the view never blocks, the player fails with its reason.
TEST_F(MediaTest, StationPagesNamingDevicesOrPipesNeverBlock)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char *name : {"pipe.mp3", "pipe.png", "pipe.css", "PIPE.HTM"})
        ASSERT_EQ(::mkfifo(QFile::encodeName(dir.filePath(QString::fromLatin1(name))).constData(), 0600), 0);
    const auto page = [&](const QString &name, const QString &stream) {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("<html><head><link rel=\"stylesheet\" href=\"pipe.css\"></head><body>"
                               "<img src=\"pipe.png\"><img src=\"/dev/zero\">"
                               "<embed src=\"%1\" autostart=\"true\"></body></html>")
                    .arg(stream)
                    .toUtf8());
        return path;
    };
    MediaEngine engine(QStringLiteral("null"));
    WebBrowser view(&engine);
    const QString notAFile = QStringLiteral("ce n'est pas un fichier ordinaire");
    const struct {
        QString page;
        QString stream; // as the engine is given it
    } cases[] = {
        {page(QStringLiteral("zero.htm"), QStringLiteral("/dev/zero")), QStringLiteral("/dev/zero")},
        {page(QStringLiteral("pipe.htm"), QStringLiteral("pipe.mp3")), dir.filePath(QStringLiteral("pipe.mp3"))},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.page.toStdString());
        view.Navigate(c.page);
        EXPECT_EQ(view.LocationURL(), c.page);
        ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Failed; }, 10000)) << engine.statusText().toStdString();
        EXPECT_EQ(engine.statusText(), QStringLiteral("Impossible de lire %1 : %2").arg(c.stream, notAFile));
    }
    int errors = 0;
    QObject::connect(&view, &WebBrowser::NavigateError, [&](const QString &, int, bool &cancel) {
        ++errors;
        cancel = true;
    });
    view.Navigate(dir.filePath(QStringLiteral("PIPE.HTM")));
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(view.LocationURL(), cases[1].page);
}

TEST_F(MediaTest, PlaysALiveStreamAndStops)
{
    MediaEngine engine(QStringLiteral("null"));
    ASSERT_TRUE(engine.isAvailable());
    QSignalSpy states(&engine, &MediaEngine::stateChanged);
    const QString address = url(QStringLiteral("/stream.mp3"));
    engine.play(address);
    EXPECT_EQ(engine.state(), State::Connecting);
    EXPECT_EQ(engine.statusText(), QStringLiteral("Connexion à %1...").arg(address));
    ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Playing; }, 10000)) << engine.statusText().toStdString();
    EXPECT_EQ(engine.statusText(), QStringLiteral("Lecture en cours : %1").arg(address));
    EXPECT_TRUE(advances(engine, 0.5));

    engine.setVolume(150);
    EXPECT_EQ(engine.volume(), 100);
    engine.setVolume(-4);
    EXPECT_EQ(engine.volume(), 0);

    engine.stop();
    EXPECT_EQ(engine.state(), State::Idle);
    EXPECT_LT(engine.playbackTime(), 0);
    ASSERT_EQ(states.size(), 3);
    EXPECT_EQ(states[0][0].value<State>(), State::Connecting);
    EXPECT_EQ(states[1][0].value<State>(), State::Playing);
    EXPECT_EQ(states[2][0].value<State>(), State::Idle);
    // Nothing comes back after a stop.
    waitUntil([] { return false; }, 300);
    EXPECT_EQ(engine.state(), State::Idle);
}

TEST_F(MediaTest, PlaysEveryPlaylistFormat)
{
    MediaEngine engine(QStringLiteral("null"));
    for (const char *path : {"/list.pls", "/list.m3u", "/list.asx", "/ref.asx", "/list.xspf", "/station",
                             "/lists/rel.m3u", "/fallback.pls"}) {
        engine.play(url(QString::fromLatin1(path)));
        ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Playing || engine.state() == State::Failed; }, 15000))
            << path;
        EXPECT_EQ(engine.state(), State::Playing) << path << ": " << engine.statusText().toStdString();
        EXPECT_TRUE(engine.currentUrl().endsWith(u"/stream.mp3") || engine.currentUrl().endsWith(u"/live"))
            << engine.currentUrl().toStdString();
        EXPECT_EQ(engine.address(), url(QString::fromLatin1(path)));
    }
    EXPECT_TRUE(advances(engine, 0.3));
}

TEST_F(MediaTest, ReconnectsWhenTheStreamDrops)
{
    MediaEngine engine(QStringLiteral("null"));
    engine.setReconnectBaseDelayMs(50);
    QList<State> seen;
    QObject::connect(&engine, &MediaEngine::stateChanged, [&](State s) { seen.append(s); });
    // The first two connections are cut after about two seconds of sound.
    engine.play(url(QStringLiteral("/cut.mp3?id=reconnect&after=8000&times=2")));
    ASSERT_TRUE(waitUntil([&] { return seen.count(State::Reconnecting) >= 1; }, 15000)) << engine.statusText().toStdString();
    EXPECT_TRUE(engine.statusText().startsWith(u"Flux interrompu : reconnexion à ") || engine.statusText().startsWith(u"Reconnexion à "))
        << engine.statusText().toStdString();
    ASSERT_TRUE(waitUntil([&] { return server->get(QStringLiteral("/count?id=reconnect")).toInt() >= 3
                                           && engine.state() == State::Playing; }, 30000))
        << engine.statusText().toStdString();
    EXPECT_TRUE(advances(engine, 0.5));
    EXPECT_EQ(engine.state(), State::Playing);
    EXPECT_EQ(engine.reconnectAttempts(), 0);
    EXPECT_EQ(seen.first(), State::Connecting);
    EXPECT_FALSE(seen.contains(State::Failed));
}

TEST_F(MediaTest, GivesUpAfterFiveReconnections)
{
    MediaEngine engine(QStringLiteral("null"));
    engine.setReconnectBaseDelayMs(20);
    QSignalSpy errors(&engine, &MediaEngine::error);
    const QString address = url(QStringLiteral("/dies.mp3?id=giveup&after=8000"));
    engine.play(address);
    ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Playing; }, 10000));
    ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Failed; }, 30000)) << engine.statusText().toStdString();
    const QString text = QStringLiteral("Flux interrompu : impossible de se reconnecter à %1").arg(address);
    EXPECT_EQ(engine.statusText(), text);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_EQ(errors[0][0].toString(), text);
    // The first connection and five attempts.
    EXPECT_EQ(server->get(QStringLiteral("/count?id=giveup")).toInt(), 1 + MediaEngine::MaxReconnectAttempts);
}

TEST_F(MediaTest, DeadAddressesFailWithAReason)
{
    MediaEngine engine(QStringLiteral("null"));
    const struct {
        QString address;
        const char *reason;
    } cases[] = {
        {refusedAddress(QStringLiteral("/radio.mp3")), "connexion refusée"},       // mpv opens it
        {refusedAddress(QStringLiteral("/radio")), "connexion refusée"},           // looked at first
        {url(QStringLiteral("/missing.mp3")), "adresse introuvable (erreur HTTP 404)"},
        {url(QStringLiteral("/404")), "adresse introuvable (erreur HTTP 404)"},
        {url(QStringLiteral("/empty.pls")), "liste de lecture vide ou illisible"},
    };
    for (const auto &c : cases) {
        bool played = false;
        auto watch = QObject::connect(&engine, &MediaEngine::stateChanged, [&](State s) { played |= s == State::Playing; });
        engine.play(c.address);
        ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Failed; }, 20000))
            << c.address.toStdString() << ": " << engine.statusText().toStdString();
        QObject::disconnect(watch);
        EXPECT_FALSE(played);
        EXPECT_EQ(engine.statusText().toStdString(),
                  QStringLiteral("Impossible de lire %1 : %2").arg(c.address, QString::fromUtf8(c.reason)).toStdString());
    }
    engine.play(QStringLiteral("   "));
    EXPECT_EQ(engine.state(), State::Failed);
    EXPECT_FALSE(engine.statusText().isEmpty());
}

TEST_F(MediaTest, ASilentServerIsGivenUp)
{
    MediaEngine engine(QStringLiteral("null"));
    engine.setConnectTimeoutMs(1500);
    const QString address = url(QStringLiteral("/silent.mp3"));
    engine.play(address);
    ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Failed; }, 8000)) << engine.statusText().toStdString();
    EXPECT_EQ(engine.statusText(), QStringLiteral("Impossible de lire %1 : le serveur ne répond pas").arg(address));
}

TEST_F(MediaTest, ShowsTheIcyStreamTitle)
{
    MediaEngine engine(QStringLiteral("null"));
    QSignalSpy titles(&engine, &MediaEngine::streamTitleChanged);
    engine.play(url(QStringLiteral("/stream?title=Chanson%20d%27essai")));
    ASSERT_TRUE(waitUntil([&] { return !engine.streamTitle().isEmpty(); }, 10000));
    EXPECT_EQ(engine.streamTitle(), QStringLiteral("Chanson d'essai"));
    ASSERT_GE(titles.size(), 1);
    EXPECT_EQ(titles.last()[0].toString(), QStringLiteral("Chanson d'essai"));
    engine.stop();
    EXPECT_TRUE(engine.streamTitle().isEmpty());

    // Titles in UTF-8 and in Latin-1 (older servers) both read right.
    engine.play(url(QStringLiteral("/stream?title=Caf%C3%A9%20cr%C3%A8me")));
    ASSERT_TRUE(waitUntil([&] { return !engine.streamTitle().isEmpty(); }, 10000));
    EXPECT_EQ(engine.streamTitle(), QStringLiteral("Café crème"));
    engine.play(url(QStringLiteral("/stream?title=D%C3%A9j%C3%A0%20vu&encoding=latin-1")));
    ASSERT_TRUE(waitUntil([&] { return !engine.streamTitle().isEmpty(); }, 10000));
    EXPECT_EQ(engine.streamTitle(), QStringLiteral("Déjà vu"));
}

TEST_F(MediaTest, TheFirstTitleComesBeforeItsAudioAndLaterOnesStillCome)
{
    // The test radio sends its first title after one second of audio, then one a second
    // ("{n}" counts them), and two seconds at once on connecting, as stations do.
    MediaEngine engine(QStringLiteral("null"));
    double positionAtTitle = -2;
    QStringList titles;
    QObject::connect(&engine, &MediaEngine::streamTitleChanged, [&](const QString &title) {
        if (title.isEmpty())
            return;
        if (titles.isEmpty())
            positionAtTitle = engine.playbackTime(); // negative: before playback started
        titles.append(title);
    });
    engine.play(url(QStringLiteral("/stream?title=Titre%20%7Bn%7D&every=1")));
    ASSERT_TRUE(waitUntil([&] { return titles.size() >= 2; }, 15000)) << titles.join(u'|').toStdString();
    EXPECT_EQ(titles[0], QStringLiteral("Titre 1"));
    EXPECT_EQ(titles[1], QStringLiteral("Titre 2"));
    // Shown as soon as the stream is read, not once its second of audio is reached.
    EXPECT_LT(positionAtTitle, 0.25);
    // Later titles go with their audio: the second one once the first second has played.
    EXPECT_GE(engine.playbackTime(), 1.0);
}

TEST_F(MediaTest, WhatALiveStreamKeepsInMemoryIsBounded)
{
    MediaEngine engine(QStringLiteral("null"));
    engine.play(url(QStringLiteral("/live")));
    ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Playing; }, 10000)) << engine.statusText().toStdString();
    const MpvApi *api = MpvApi::Loaded();
    ASSERT_NE(api, nullptr);
    const auto option = [&](const char *name) {
        char *value = api->get_property_string(engine.mpvHandle(), name);
        const std::string text = value ? value : "(none)";
        api->free(value);
        return text;
    };
    EXPECT_EQ(engine.backBufferBytes(), MediaEngine::DefaultBackBufferBytes);
    EXPECT_EQ(option("demuxer-max-back-bytes"), std::to_string(MediaEngine::DefaultBackBufferBytes));
    EXPECT_EQ(option("demuxer-max-bytes"), std::to_string(MediaEngine::ReadAheadBytes));
    EXPECT_EQ(option("demuxer-donate-buffer"), "no");
    // The one place a later feature sets how much of the past it keeps: applied while playing.
    engine.setBackBufferBytes(8 * 1024 * 1024);
    EXPECT_EQ(option("demuxer-max-back-bytes"), "8388608");
    engine.setBackBufferBytes(-1);
    EXPECT_EQ(engine.backBufferBytes(), 0);
    EXPECT_EQ(option("demuxer-max-back-bytes"), "0");
    EXPECT_TRUE(advances(engine, 0.5));
}

TEST_F(MediaTest, AFiniteFileEndsWithoutReconnecting)
{
    MediaEngine engine(QStringLiteral("null"));
    engine.setReconnectBaseDelayMs(20);
    QList<State> seen;
    QObject::connect(&engine, &MediaEngine::stateChanged, [&](State s) { seen.append(s); });
    engine.play(url(QStringLiteral("/file.mp3"))); // four seconds of sound
    ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Idle; }, 20000)) << engine.statusText().toStdString();
    EXPECT_EQ(engine.statusText(), QStringLiteral("Lecture terminée"));
    EXPECT_EQ(seen, (QList<State>{State::Connecting, State::Playing, State::Idle}));
}

TEST_F(MediaTest, OneStreamAtATime)
{
    MediaEngine first(QStringLiteral("null"));
    MediaEngine second; // mpv's default output, changed before playing
    second.setAudioOutput(QStringLiteral("null"));
    EXPECT_EQ(second.audioOutput(), QStringLiteral("null"));
    first.play(url(QStringLiteral("/stream.mp3")));
    ASSERT_TRUE(waitUntil([&] { return first.state() == State::Playing; }, 10000));
    second.play(url(QStringLiteral("/live")));
    EXPECT_EQ(first.state(), State::Idle);
    ASSERT_TRUE(waitUntil([&] { return second.state() == State::Playing; }, 10000));
    // A new play() on the same engine replaces its stream.
    second.play(url(QStringLiteral("/stream.mp3")));
    ASSERT_TRUE(waitUntil([&] { return second.state() == State::Playing; }, 10000));
    EXPECT_EQ(second.currentUrl(), url(QStringLiteral("/stream.mp3")));
    EXPECT_EQ(first.state(), State::Idle);

    // An engine outside the policy (the recorder's file player) neither stops nor is stopped.
    MediaEngine apart(QStringLiteral("null"));
    apart.setPolicy(nullptr);
    apart.play(url(QStringLiteral("/stream.mp3")));
    ASSERT_TRUE(waitUntil([&] { return apart.state() == State::Playing; }, 10000));
    EXPECT_EQ(second.state(), State::Playing);
    first.play(url(QStringLiteral("/stream.mp3")));
    EXPECT_EQ(second.state(), State::Idle);
    EXPECT_EQ(apart.state(), State::Playing);
}

TEST_F(MediaTest, RemoteListsCannotPointThePlayerAtLocalThings)
{
    MediaEngine engine(QStringLiteral("null"));
    // Only refused entries: nothing is opened, and the reason names the refusal.
    engine.play(url(QStringLiteral("/hostile.pls")));
    ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Failed; }, 10000)) << engine.statusText().toStdString();
    EXPECT_TRUE(engine.statusText().contains(QStringLiteral("entrée de liste refusée"))) << engine.statusText().toStdString();
    EXPECT_TRUE(engine.currentUrl().isEmpty() || engine.currentUrl().startsWith(QStringLiteral("http")));
    // A refused entry is skipped; the network entry after it plays.
    engine.play(url(QStringLiteral("/hostile.m3u")));
    ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Playing; }, 10000)) << engine.statusText().toStdString();
    EXPECT_EQ(engine.currentUrl(), url(QStringLiteral("/stream.mp3")));

    const struct {
        const char *entry;
        bool allowed;
    } cases[] = {{"http://x/a", true},     {"HTTPS://x/a", true},  {"mms://x/a", true},  {"mmsh://x/a", true},
                 {"rtsp://x/a", true},     {"rtsps://x/a", true},  {"rtmp://x/a", true}, {"file:///etc/passwd", false},
                 {"/etc/passwd", false},   {"av://lavfi:sine", false}, {"lavfi://sine", false},
                 {"smb://host/share", false}, {"", false}};
    for (const auto &c : cases)
        EXPECT_EQ(Playlist::remoteEntryAllowed(QString::fromLatin1(c.entry)), c.allowed) << c.entry;
}

TEST_F(MediaTest, RemoteListsNameOnlyPublicAddressesElsewhereThanTheirServer)
{
    // A second server of this machine, as a service of the local network would be.
    StreamServer other;
    QString error;
    ASSERT_TRUE(other.start(&error)) << error.toStdString();
    struct TrustReset {
        ~TrustReset() { net::ForgetTrustedOrigins(); }
    } reset;
    const auto list = [](const char *path, const QString &entry) {
        return url(QString::fromLatin1(path)) + QStringLiteral("?url=")
               + QString::fromLatin1(QUrl::toPercentEncoding(entry));
    };
    const QString elsewhere = other.url(QStringLiteral("/live?id=named"));
    const QString byName = QStringLiteral("http://localhost:%1/live?id=named").arg(other.port());
    const struct {
        const char *what;
        QString address;
        bool trustOther; // the test marks the second server as the user's own
        QString plays;   // the entry that plays, or empty when the list fails
    } cases[] = {
        {"decoded list naming this machine", list("/to.pls", elsewhere), false, {}},
        {"list the player reads naming this machine", list("/to", elsewhere), false, {}},
        {"a name of this machine", list("/to.pls", byName), false, {}},
        {"entry on the list's own server", list("/to.pls", url(QStringLiteral("/live?id=same"))), false,
         url(QStringLiteral("/live?id=same"))},
        {"decoded list, trusted server", list("/to.pls", elsewhere), true, elsewhere},
        {"list the player reads, trusted server", list("/to", elsewhere), true, elsewhere},
    };
    MediaEngine engine(QStringLiteral("null"));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.trustOther)
            net::TrustOrigin(QUrl(other.url(QString())));
        const int before = other.get(QStringLiteral("/count?id=named")).toInt();
        engine.play(c.address);
        ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Playing || engine.state() == State::Failed; }, 15000));
        if (c.plays.isEmpty()) {
            EXPECT_EQ(engine.state(), State::Failed);
            EXPECT_TRUE(engine.statusText().contains(QStringLiteral("entrée de liste refusée")))
                << engine.statusText().toStdString();
            EXPECT_EQ(other.get(QStringLiteral("/count?id=named")).toInt(), before) << "the refused server was reached";
        } else {
            EXPECT_EQ(engine.state(), State::Playing) << engine.statusText().toStdString();
            EXPECT_EQ(engine.currentUrl(), c.plays);
        }
        engine.stop();
    }
}

TEST_F(MediaTest, VideoViewGoingAwayStopsPlayback)
{
    MediaEngine engine(QStringLiteral("null"));
    auto *widget = new VideoView;
    widget->resize(160, 90);
    widget->show();
    widget->Attach(&engine);
    EXPECT_EQ(engine.videoWindow(), widget->windowHandle());
    // What the demuxer analyses before it starts: all it may need for a picture, only the
    // stream's headers for sound alone.
    const auto probing = [&engine] {
        char *value = MpvApi::Loaded()->get_property_string(engine.mpvHandle(), "demuxer-lavf-probe-info");
        const QString text = QString::fromUtf8(value);
        MpvApi::Loaded()->free(value);
        return text;
    };
    engine.play(url(QStringLiteral("/stream.mp3")));
    EXPECT_EQ(probing(), QStringLiteral("auto"));
    ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Playing; }, 10000)) << engine.statusText().toStdString();
    delete widget;
    EXPECT_EQ(engine.videoWindow(), nullptr);
    EXPECT_EQ(engine.state(), State::Idle);
    // Playing again without a widget plays the sound only.
    engine.play(url(QStringLiteral("/stream.mp3")));
    EXPECT_EQ(probing(), QStringLiteral("nostreams"));
    EXPECT_TRUE(waitUntil([&] { return engine.state() == State::Playing; }, 10000));
}

TEST_F(MediaTest, TheEnginesNumberFormatLeavesTheUsersNumbersAlone)
{
    // libmpv needs LC_NUMERIC "C" in the whole process; what the user reads still follows the locale.
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    MediaEngine engine(QStringLiteral("null"));
    EXPECT_EQ(QLocale().toString(44.1, 'f', 1), QStringLiteral("44,1"));
    EXPECT_EQ(QLocale().toString(12.3, 'f', 1) + QStringLiteral(" Mo"), QStringLiteral("12,3 Mo"));
    QLocale::setDefault(QLocale::c());
}

TEST_F(MediaTest, AddressesWithoutExtensionGoToThePlayerFirst)
{
    // A station mount plays on its one connection; what the player reads itself (PLS, M3U) it
    // expands under the same entry rule as the decoders; what it does not recognise (an XML
    // ASX, a page) is looked at by the decoders.
    EXPECT_TRUE(PlaylistResolver::playerLooksFirst(url(QStringLiteral("/live"))));
    EXPECT_TRUE(PlaylistResolver::playerLooksFirst(url(QStringLiteral("/tv/index.M3U8"))));
    EXPECT_FALSE(PlaylistResolver::playerLooksFirst(url(QStringLiteral("/list.pls"))));
    EXPECT_FALSE(PlaylistResolver::playerLooksFirst(url(QStringLiteral("/stream.mp3"))));
    EXPECT_FALSE(PlaylistResolver::playerLooksFirst(QStringLiteral("/home/user/radio")));
    EXPECT_FALSE(PlaylistResolver::playerLooksFirst(QStringLiteral("mms://wm.example/live")));

    MediaEngine engine(QStringLiteral("null"));
    const struct {
        const char *path;
        bool plays;
        const char *playedOrReason; // the entry that plays, or the failure reason
        int connections;            // requests counted by the server for the stream, or -1
    } cases[] = {
        {"/live?id=once", true, "/live?id=once", 1},
        {"/station", true, "/live", -1},
        {"/asx-list", true, "/stream.mp3", -1},
        {"/hostile-mixed", true, "/stream.mp3", -1},
        {"/hostile-list", false, "entrée de liste refusée (", -1},
        {"/page", false, "format non reconnu", -1},
    };
    for (const auto &c : cases) {
        const QString address = url(QString::fromLatin1(c.path));
        engine.play(address);
        ASSERT_TRUE(waitUntil([&] { return engine.state() == State::Playing || engine.state() == State::Failed; }, 15000))
            << c.path;
        if (c.plays) {
            EXPECT_EQ(engine.state(), State::Playing) << c.path << ": " << engine.statusText().toStdString();
            EXPECT_EQ(engine.currentUrl(), url(QString::fromLatin1(c.playedOrReason))) << c.path;
        } else {
            EXPECT_EQ(engine.state(), State::Failed) << c.path;
            EXPECT_TRUE(engine.statusText().startsWith(
                QStringLiteral("Impossible de lire %1 : %2").arg(address, QString::fromUtf8(c.playedOrReason))))
                << c.path << ": " << engine.statusText().toStdString();
        }
        if (c.connections >= 0) {
            EXPECT_EQ(server->get(QStringLiteral("/count?id=once")).toInt(), c.connections) << c.path;
        }
    }
}
