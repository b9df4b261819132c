// Listening latency: the time from MediaEngine::play() to the start of playback (mpv's
// "playback-restart", which the engine turns into the Playing state), beside a bare mpv handle
// with the same options doing "loadfile" on the same address (time to the same event). Runs
// alternate between the two, on streams of the local test radio (tests/tools/streamserver.py);
// both use mpv's null audio output.
//
// A second set runs behind a server that waits 40 ms at each connection and 40 ms before each
// answer, as a distant station does: a stream without extension, one with ".mp3", a PLS, an M3U
// and an XML ASX. Each is timed beside mpv alone given the final stream address and, for the
// lists mpv reads itself (PLS, M3U), the list's address. mpv cannot read an XML ASX: its
// reference is the least any player has to do, one GET of the list then mpv on the stream.
// The last line is ratio=<worst engine / mpv alone of that set>, each case against mpv on the
// very address the engine was given where mpv reads it.
#include "media/MediaEngine.h"
#include "StreamServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <benchmark/benchmark.h>
#include <clocale>
#include <cstdio>
#include <algorithm>
#include <map>
#include <mpv/client.h>

namespace {

StreamServer *g_server = nullptr;
StreamServer *g_slow = nullptr; // answers after a round trip
MediaEngine *g_engine = nullptr;
mpv_handle *g_bare = nullptr;
std::map<std::string, double> g_ratios;
std::map<std::string, double> g_slowRatios;

mpv_handle *makeBare()
{
    std::setlocale(LC_NUMERIC, "C");
    mpv_handle *h = mpv_create();
    if (!h)
        return nullptr;
    for (const auto &[k, v] : {std::pair{"terminal", "no"}, {"config", "no"}, {"load-scripts", "no"},
                               {"idle", "yes"}, {"network-timeout", "10"}, {"cache", "auto"},
                               {"ytdl", "no"}, {"input-default-bindings", "no"},
                               {"input-vo-keyboard", "no"}, {"osc", "no"}, {"force-window", "no"},
                               {"audio-display", "no"}, {"vid", "no"}, {"ao", "null"}})
        mpv_set_option_string(h, k, v);
    if (mpv_initialize(h) < 0) {
        mpv_terminate_destroy(h);
        return nullptr;
    }
    return h;
}

// Waits on the bare handle for an event; false on timeout.
bool bareWaitFor(mpv_event_id wanted, double timeoutS)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeoutS * 1000) {
        mpv_event *e = mpv_wait_event(g_bare, 0.5);
        if (e->event_id == wanted)
            return true;
        if (wanted == MPV_EVENT_PLAYBACK_RESTART && e->event_id == MPV_EVENT_END_FILE
            && static_cast<mpv_event_end_file *>(e->data)->reason != MPV_END_FILE_REASON_REDIRECT)
            return false;
    }
    return false;
}

double listenBare(const QString &url)
{
    const QByteArray u = url.toUtf8();
    const char *load[] = {"loadfile", u.constData(), "replace", nullptr};
    QElapsedTimer t;
    t.start();
    mpv_command(g_bare, load);
    const bool ok = bareWaitFor(MPV_EVENT_PLAYBACK_RESTART, 10);
    const double seconds = t.nsecsElapsed() / 1e9;
    const char *stop[] = {"stop", nullptr};
    mpv_command(g_bare, stop);
    bareWaitFor(MPV_EVENT_IDLE, 5);
    return ok ? seconds : -1;
}

double listenOurs(const QString &url)
{
    QEventLoop loop;
    auto done = QObject::connect(g_engine, &MediaEngine::stateChanged, &loop, [&](MediaEngine::State s) {
        if (s == MediaEngine::State::Playing || s == MediaEngine::State::Failed)
            loop.quit();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    QElapsedTimer t;
    t.start();
    g_engine->play(url);
    if (g_engine->state() == MediaEngine::State::Connecting)
        loop.exec();
    const double seconds = t.nsecsElapsed() / 1e9;
    QObject::disconnect(done);
    const bool ok = g_engine->state() == MediaEngine::State::Playing;
    g_engine->stop();
    // Let the engine's mpv close the stream before the next run (mpv needs about 200 ms to
    // end a network stream; the bare handle waits for its idle event likewise).
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 400)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return ok ? seconds : -1;
}

// One GET answered in full, timed to its end (a list).
double fetchOnce(const QString &url)
{
    static QNetworkAccessManager network;
    QElapsedTimer t;
    t.start();
    QNetworkReply *reply = network.get(QNetworkRequest(QUrl(url)));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    const double seconds = t.nsecsElapsed() / 1e9;
    const bool ok = reply->error() == QNetworkReply::NoError;
    delete reply;
    return ok ? seconds : -1;
}

struct SlowCase {
    const char *path;
    const char *finalPath; // the stream the list names (the path itself for a stream)
    bool mpvReadsIt;       // mpv alone plays path itself
};

void BM_ListenSlow(benchmark::State &state, SlowCase c)
{
    const QString url = g_slow->url(QString::fromLatin1(c.path));
    const QString finalUrl = g_slow->url(QString::fromLatin1(c.finalPath));
    double ours = 0, bareFinal = 0, bareSame = 0, fetch = 0;
    int n = 0;
    for (auto _ : state) {
        double o = 0, f = 0, s = 0, g = 0;
        const bool oursFirst = n % 2 == 0;
        if (oursFirst)
            o = listenOurs(url);
        f = listenBare(finalUrl);
        s = c.mpvReadsIt ? listenBare(url) : 0;
        g = c.mpvReadsIt ? 0 : fetchOnce(url);
        if (!oursFirst)
            o = listenOurs(url);
        if (o < 0 || f < 0 || s < 0 || g < 0) {
            state.SkipWithError("playback did not start");
            return;
        }
        ours += o;
        bareFinal += f;
        bareSame += s;
        fetch += g;
        ++n;
        state.SetIterationTime(o);
    }
    const double reference = c.mpvReadsIt ? bareSame : fetch + bareFinal;
    state.counters["engine_ms"] = ours / n * 1000;
    state.counters["mpv_final_ms"] = bareFinal / n * 1000;
    if (c.mpvReadsIt)
        state.counters["mpv_same_ms"] = bareSame / n * 1000;
    else
        state.counters["get_list_ms"] = fetch / n * 1000;
    state.counters["ratio"] = ours / reference;
    state.counters["ratio_final"] = ours / bareFinal;
    g_slowRatios[c.path] = ours / reference;
}

void BM_Listen(benchmark::State &state, const char *path)
{
    const QString url = g_server->url(QString::fromLatin1(path));
    double ours = 0, bare = 0;
    int n = 0;
    for (auto _ : state) {
        double o, b;
        if (n % 2 == 0) {
            o = listenOurs(url);
            b = listenBare(url);
        } else {
            b = listenBare(url);
            o = listenOurs(url);
        }
        if (o < 0 || b < 0) {
            state.SkipWithError("playback did not start");
            return;
        }
        ours += o;
        bare += b;
        ++n;
        state.SetIterationTime(o);
    }
    state.counters["engine_ms"] = ours / n * 1000;
    state.counters["mpv_alone_ms"] = bare / n * 1000;
    state.counters["ratio"] = ours / bare;
    g_ratios[path] = ours / bare;
}

} // namespace

BENCHMARK_CAPTURE(BM_Listen, stream_mp3, "/stream.mp3")->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Listen, playlist_pls, "/list.pls")->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Listen, live_no_extension, "/live")->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(BM_ListenSlow, rtt40_live_no_extension, SlowCase{"/live", "/live", true})
    ->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ListenSlow, rtt40_stream_mp3, SlowCase{"/stream.mp3", "/stream.mp3", true})
    ->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ListenSlow, rtt40_playlist_pls, SlowCase{"/list.pls", "/stream.mp3", true})
    ->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ListenSlow, rtt40_playlist_m3u, SlowCase{"/list.m3u", "/stream.mp3", true})
    ->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ListenSlow, rtt40_playlist_xml_asx, SlowCase{"/list.asx", "/stream.mp3", false})
    ->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    StreamServer server;
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "test radio did not start: %s\n", qPrintable(error));
        return 1;
    }
    StreamServer slow("streamserver.py", {QStringLiteral("--delay-ms"), QStringLiteral("40")});
    if (!slow.start(&error)) {
        std::fprintf(stderr, "slow test radio did not start: %s\n", qPrintable(error));
        return 1;
    }
    MediaEngine engine(QStringLiteral("null"));
    g_server = &server;
    g_slow = &slow;
    g_engine = &engine;
    g_bare = makeBare();
    if (!g_bare || !engine.isAvailable()) {
        std::fprintf(stderr, "libmpv did not start\n");
        return 1;
    }
    // The first loads of a process pay for loading codecs and starting threads: not timed.
    for (const char *path : {"/stream.mp3", "/live"}) {
        listenOurs(server.url(QString::fromLatin1(path)));
        listenBare(server.url(QString::fromLatin1(path)));
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    mpv_terminate_destroy(g_bare);
    for (const auto &[path, ratio] : g_ratios)
        std::printf("%s ratio=%.3f\n", path.c_str(), ratio);
    double worst = 0;
    for (const auto &[path, ratio] : g_slowRatios) {
        std::printf("rtt40 %s ratio=%.3f\n", path.c_str(), ratio);
        worst = std::max(worst, ratio);
    }
    if (!g_slowRatios.empty())
        std::printf("ratio=%.3f\n", worst);
    return 0;
}
