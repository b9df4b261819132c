// Long captures at 44100 Hz stereo with the default ring (5 × 10240 bytes, about 290 ms), from the
// null sink's monitor, while busy threads load the other core(s). Reports the buffers lost (goal
// 0) and the sound delivered against the time that passed, for a busy run and for an idle
// reference run in the same process.
//
//   build/bench/bench_capture                        idle reference 10 s, one busy thread 60 s
//   TAV_BENCH_SECONDS=20 build/bench/bench_capture   shorter busy run
//
// Without PULSE_SERVER set, the program starts the test session's daemon in a temporary folder.
#include "audio/PulseCapture.h"
#include "audio/WaveInRecorder.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <atomic>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdio>
#include <algorithm>
#include <thread>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kBytesPerSecond = kRate * 4;

struct Outcome {
    double deliveredRatio = 0;
    double lostBuffers = 0;
};
std::vector<std::pair<std::string, Outcome>> g_outcomes; // in run order

int benchSeconds()
{
    const int s = qEnvironmentVariableIntValue("TAV_BENCH_SECONDS");
    return s > 0 ? s : 60;
}

// Runs the event loop (sleeping between events) for `ms` milliseconds or until done() holds.
template <class Done> void runEvents(int ms, Done done)
{
    QEventLoop loop;
    QTimer timeout;
    QTimer poll;
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    timeout.start(ms);
    poll.start(10);
    loop.exec();
}

void BM_Capture(benchmark::State &state, const char *label, int busyThreads, int seconds)
{
    for (auto _ : state) {
        auto backend = std::make_unique<PulseCapture>();
        PulseCapture *pulse = backend.get();
        WaveInRecorder rec(std::move(backend));
        int device = -1;
        for (int i = 0, n = rec.DeviceCount(); i < n; ++i)
            if (rec.DeviceName(i) == QLatin1String("Monitor of Tavilune-null"))
                device = i;
        if (device >= 0)
            rec.SelectDevice(device);

        // The handler does what a recording window does with each buffer: copy it and measure it.
        std::vector<qint16> processed(std::size_t(rec.BufferSize() / 2));
        qint64 bytes = 0, deliveries = 0, longestGapMs = 0, lastMs = -1;
        int peak = 0;
        QElapsedTimer clock;
        QObject::connect(&rec, &WaveInRecorder::GotData, [&](std::span<qint16> buffer, qint32 len) {
            std::copy(buffer.begin(), buffer.end(), processed.begin());
            for (std::size_t i = 0; i < std::size_t(len / 2); ++i)
                peak = std::max(peak, std::abs(int(processed[i])));
            const qint64 now = clock.isValid() ? clock.elapsed() : 0;
            if (lastMs >= 0)
                longestGapMs = std::max(longestGapMs, now - lastMs);
            lastMs = now;
            bytes += len;
            ++deliveries;
        });

        std::atomic<bool> stop{false};
        std::vector<std::thread> busy;
        for (int t = 0; t < busyThreads; ++t)
            busy.emplace_back([&stop] {
                volatile double x = 1.0;
                while (!stop.load(std::memory_order_relaxed))
                    x = std::sqrt(x + 1.0);
            });

        if (!rec.StartRecord(kRate, 2)) {
            stop = true;
            for (auto &t : busy)
                t.join();
            state.SkipWithError("StartRecord failed (no sound server?)");
            break;
        }
        // An idle null sink has rendered ahead of real time: count from the first buffer on.
        runEvents(5000, [&] { return deliveries > 0; });
        const PulseCapture::Statistics before = pulse->CaptureStatistics();
        bytes = 0;
        deliveries = 0;
        lastMs = -1;
        clock.start();
        runEvents(seconds * 1000, [] { return false; });
        const qint64 elapsedMs = lastMs;
        const PulseCapture::Statistics after = pulse->CaptureStatistics();
        rec.StopRecord();
        stop = true;
        for (auto &t : busy)
            t.join();

        const double expected = double(elapsedMs) / 1000.0 * kBytesPerSecond;
        const double lost = std::ceil(double(after.lostBytes - before.lostBytes) / rec.BufferSize());
        const double missing = std::max(0.0, (expected - double(bytes)) / rec.BufferSize());
        state.SetIterationTime(double(clock.elapsed()) / 1000.0);
        state.counters["buffers"] = double(deliveries);
        state.counters["lost_buffers"] = lost;
        state.counters["missing_buffers"] = std::floor(missing);
        state.counters["delivered_ratio"] = expected > 0 ? double(bytes) / expected : 0;
        state.counters["longest_gap_ms"] = double(longestGapMs);
        g_outcomes.emplace_back(label, Outcome{expected > 0 ? double(bytes) / expected : 0, lost});
        benchmark::DoNotOptimize(peak);
    }
}

// Starts the test session's services when no sound server is given; stops them at the end.
class Session {
public:
    Session()
    {
        if (!qEnvironmentVariableIsEmpty("PULSE_SERVER") || !m_dir.isValid())
            return;
        const QString dir = m_dir.filePath(QStringLiteral("session"));
        if (QProcess::execute(QStringLiteral(TAV_SESSION_SCRIPTS "/start.sh"), {dir}) != 0)
            return;
        QFile env(dir + QStringLiteral("/env"));
        if (!env.open(QIODevice::ReadOnly))
            return;
        while (!env.atEnd()) {
            const QByteArray line = env.readLine().trimmed();
            const QByteArray prefix = "export PULSE_SERVER=";
            if (line.startsWith(prefix))
                qputenv("PULSE_SERVER", line.mid(prefix.size()));
        }
        m_started = dir;
    }
    ~Session()
    {
        if (!m_started.isEmpty())
            QProcess::execute(QStringLiteral(TAV_SESSION_SCRIPTS "/stop.sh"), {m_started});
    }

private:
    QTemporaryDir m_dir;
    QString m_started;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    Session session;
    benchmark::Initialize(&argc, argv);
    const int seconds = benchSeconds();
    benchmark::RegisterBenchmark("Capture/idle_reference", BM_Capture, "idle reference", 0, std::min(10, seconds))
        ->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
    benchmark::RegisterBenchmark("Capture/one_core_busy", BM_Capture, "one core busy", 1, seconds)
        ->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
    benchmark::RegisterBenchmark("Capture/both_cores_busy", BM_Capture, "both cores busy", 2, seconds)
        ->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const auto reference = std::find_if(g_outcomes.begin(), g_outcomes.end(),
                                        [](const auto &o) { return o.first == "idle reference"; });
    for (const auto &[name, outcome] : g_outcomes) {
        std::printf("%-16s lost buffers %.0f, delivered %.4f of real time", name.c_str(), outcome.lostBuffers,
                    outcome.deliveredRatio);
        if (reference != g_outcomes.end() && reference->second.deliveredRatio > 0)
            std::printf(", %.4f × the idle reference", outcome.deliveredRatio / reference->second.deliveredRatio);
        std::printf("\n");
    }
    return 0;
}
