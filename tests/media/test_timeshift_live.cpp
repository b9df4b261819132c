// Live pause and rewind with real components: libmpv plays the test radio's /steps stream, a tone
// that steps through ten frequencies (300, 400 ... 1200 Hz), one a second, with a new ICY title
// every three seconds, into the test session's null sink. What is heard is recorded from the
// sink's monitor (the sound as it leaves the player, in real time: a pause is silence there) and
// each tenth of a second is told apart by its frequency.
#include "desktop/LastMinutesKeeper.h"
#include "media/MediaEngine.h"
#include "media/TimeShift.h"
#include "StreamServer.h"
#include "TestUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <optional>
#include <vector>

using tavtest::waitUntil;

namespace {

constexpr int kRate = 22050;
constexpr int kBlock = kRate / 10; // a tenth of a second
constexpr int kSteps = 10;

// The step (0..9: 300 + 100 k Hz) a block of mono samples holds, by the strongest of the ten
// frequencies (Goertzel); -1 when it is silent.
int stepOf(const qint16 *x, int n)
{
    double energy = 0;
    for (int i = 0; i < n; ++i)
        energy += double(x[i]) * x[i];
    if (energy / n < 200.0 * 200.0)
        return -1;
    int best = -1;
    double bestPower = 0;
    for (int k = 0; k < kSteps; ++k) {
        const double w = 2 * std::numbers::pi * (300.0 + 100.0 * k) / kRate;
        const double c = 2 * std::cos(w);
        double s1 = 0, s2 = 0;
        for (int i = 0; i < n; ++i) {
            const double s0 = x[i] + c * s1 - s2;
            s2 = s1;
            s1 = s0;
        }
        const double power = s1 * s1 + s2 * s2 - c * s1 * s2;
        if (power > bestPower) {
            bestPower = power;
            best = k;
        }
    }
    return best;
}

// What a recording holds, as runs of blocks of one step (or of silence, -1); runs shorter than
// minBlocks (blocks across a change) are left out.
struct StepRun {
    int step;
    int blocks;
};
std::vector<StepRun> runsOf(const QByteArray &pcm, int minBlocks = 2)
{
    const auto *x = reinterpret_cast<const qint16 *>(pcm.constData());
    const qsizetype count = pcm.size() / 2;
    std::vector<StepRun> runs;
    for (qsizetype at = 0; at + kBlock <= count; at += kBlock) {
        const int step = stepOf(x + at, kBlock);
        if (!runs.empty() && runs.back().step == step)
            ++runs.back().blocks;
        else
            runs.push_back({step, 1});
    }
    std::vector<StepRun> kept;
    for (const StepRun &r : runs) {
        if (r.blocks < minBlocks)
            continue;
        if (!kept.empty() && kept.back().step == r.step)
            kept.back().blocks += r.blocks;
        else
            kept.push_back(r);
    }
    return kept;
}

// How many steps b is ahead of a, going round (0..9).
int stepsAhead(int a, int b) { return ((b - a) % kSteps + kSteps) % kSteps; }

// The title number the stream carries at playback time t: a block of metadata follows each
// second of sound, the n-th title being sent for three seconds.
int titleAt(double t) { return t < 1 ? 1 : (int(t) - 1) / 3 + 1; }
int titleNumber(const QString &title) { return title.section(QLatin1Char(' '), 1, 1).toInt(); }

// Records the null sink's monitor (mono, 22050 Hz) while it lives.
class MonitorRecording {
public:
    MonitorRecording()
    {
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput,
                         [this] { m_pcm += m_process.readAllStandardOutput(); });
        m_process.start(QStringLiteral("parec"),
                        {QStringLiteral("--device=tavnull.monitor"), QStringLiteral("--raw"),
                         QStringLiteral("--format=s16le"), QStringLiteral("--rate=%1").arg(kRate),
                         QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=50")});
        m_process.waitForStarted(5000);
    }
    ~MonitorRecording() { stop(); }
    bool started() const { return m_process.state() == QProcess::Running; }
    const QByteArray &pcm() const { return m_pcm; }
    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        m_process.waitForFinished(5000);
        m_pcm += m_process.readAllStandardOutput();
    }

private:
    QProcess m_process;
    QByteArray m_pcm;
};

// Runs the event loop for ms milliseconds.
void runFor(int ms) { waitUntil([] { return false; }, ms); }

class TimeShiftTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = std::make_unique<StreamServer>();
        if (!server->start())
            server.reset();
    }
    static void TearDownTestSuite() { server.reset(); }
    void SetUp() override
    {
        ASSERT_TRUE(tavtest::haveSoundServer()) << "no sound server in the test session";
        ASSERT_TRUE(server) << "the test radio did not start";
        engine.setTimeShiftMinutes(1);
        engine.play(server->url(QStringLiteral("/steps")));
        ASSERT_TRUE(waitUntil([&] { return engine.timeShiftActive() && engine.playbackTime() > 2.0; }, 20000))
            << engine.statusText().toStdString();
    }

    static std::unique_ptr<StreamServer> server;
    MediaEngine engine{QStringLiteral("pulse")};
};
std::unique_ptr<StreamServer> TimeShiftTest::server;

} // namespace

// Pause keeps receiving; Play resumes with the sound (and title) of the moment of the pause, not
// the live one; "Revenir au direct" jumps ahead by the delay, back to live.
TEST_F(TimeShiftTest, PauseResumesWhereItPausedAndLiveJumpsBackToLive)
{
    MonitorRecording heard;
    ASSERT_TRUE(heard.started()) << "parec did not start";
    runFor(1500);
    engine.setPaused(true);
    const double receivedAtPause = engine.timeShiftWindow().end;
    runFor(5000);
    EXPECT_GE(engine.timeShiftWindow().end - receivedAtPause, 4.0) << "the stream was not received during the pause";
    EXPECT_NEAR(engine.liveDelay(), 5.0, 1.0);
    engine.setPaused(false);
    runFor(2500);

    // Behind live: the title is the one of what is heard.
    const double position = engine.playbackTime();
    const double live = timeshift::LivePoint(engine.timeShiftWindow());
    const int title = titleNumber(engine.streamTitle());
    EXPECT_GE(title, titleAt(position - 1)) << engine.streamTitle().toStdString() << " at " << position;
    EXPECT_LE(title, titleAt(position + 1)) << engine.streamTitle().toStdString() << " at " << position;
    EXPECT_LT(title, titleAt(live)) << "the live title is shown while playing behind it";

    const double delay = engine.liveDelay();
    EXPECT_NEAR(delay, 5.0, 1.0);
    engine.goLive();
    runFor(2500);
    EXPECT_LT(engine.liveDelay(), timeshift::LiveTolerance);
    heard.stop();

    // The pause is the one long silence; what follows it is what preceded it.
    const std::vector<StepRun> runs = runsOf(heard.pcm());
    size_t pause = 0;
    while (pause < runs.size() && !(runs[pause].step < 0 && runs[pause].blocks >= 30))
        ++pause;
    ASSERT_TRUE(pause > 0 && pause + 1 < runs.size()) << "no pause heard";
    const int before = runs[pause - 1].step;
    const int after = runs[pause + 1].step;
    ASSERT_GE(before, 0);
    EXPECT_LE(stepsAhead(before, after), 1) << "heard " << after << " after pausing on " << before;
    // Then a jump ahead by the delay (within a step): the first change that is not the next step.
    std::optional<int> jump;
    for (size_t i = pause + 2; i < runs.size() && !jump; ++i) {
        if (runs[i].step < 0)
            continue;
        size_t prev = i - 1;
        while (prev > pause && runs[prev].step < 0)
            --prev;
        const int ahead = stepsAhead(runs[prev].step, runs[i].step);
        if (ahead > 1)
            jump = ahead;
    }
    ASSERT_TRUE(jump.has_value()) << "no jump back to live heard";
    EXPECT_LE(std::abs(*jump - int(std::lround(delay))), 1) << "jumped " << *jump << " steps for a delay of " << delay;
}

// The kept file holds the last seconds received, as received (MP3, not re-encoded), named after
// the station and the time, and decodes into the steps of the stream in order.
TEST_F(TimeShiftTest, KeptFileHoldsTheLastSecondsAsReceived)
{
    QTemporaryDir folder;
    LastMinutesKeeper keeper(&engine);
    std::optional<std::pair<QString, double>> kept;
    QObject::connect(&keeper, &LastMinutesKeeper::Kept, [&](const QString &path, double seconds, const QString &error) {
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        kept = std::make_pair(path, seconds);
    });
    ASSERT_TRUE(waitUntil([&] { return engine.timeShiftWindow().end > 9.0; }, 20000));
    const double end = engine.timeShiftWindow().end;
    const QDateTime when(QDate(2026, 12, 10), QTime(14, 5));
    QString error;
    ASSERT_TRUE(keeper.Start(QStringLiteral("Radio des pas"), folder.path(), 1, when, &error)) << error.toStdString();
    EXPECT_FALSE(keeper.Start(QStringLiteral("Radio des pas"), folder.path(), 1, when, &error)) << "two at once";
    ASSERT_TRUE(waitUntil([&] { return kept.has_value(); }, 20000));
    EXPECT_EQ(kept->first, QDir(folder.path()).filePath(QStringLiteral("Radio des pas 2026-12-10 14h05.mp3")));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QFileInfo(kept->first).fileName()});
    EXPECT_NEAR(kept->second, end, 1.5) << "the whole buffer (shorter than a minute) is kept";

    QProcess probe;
    probe.start(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                                            QStringLiteral("stream=codec_name:format=duration"), QStringLiteral("-of"),
                                            QStringLiteral("default=nw=1"), kept->first});
    ASSERT_TRUE(probe.waitForFinished(20000));
    const QString info = QString::fromUtf8(probe.readAllStandardOutput());
    EXPECT_TRUE(info.contains(QLatin1String("codec_name=mp3"))) << info.toStdString();
    const double duration = info.section(QStringLiteral("duration="), 1).section(QLatin1Char('\n'), 0, 0).toDouble();
    EXPECT_NEAR(duration, kept->second, 0.5) << info.toStdString();

    // Decoded by the reference decoder: the steps in order, a second each, ending on the step of
    // the end of what was received.
    const QString wav = folder.filePath(QStringLiteral("decoded.wav"));
    ASSERT_EQ(QProcess::execute(QStringLiteral("lame"), {QStringLiteral("--quiet"), QStringLiteral("--decode"), kept->first, wav}), 0);
    QFile file(wav);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const qsizetype data = bytes.indexOf("data");
    ASSERT_GT(data, 0);
    const std::vector<StepRun> runs = runsOf(bytes.mid(data + 8));
    std::vector<StepRun> sound;
    for (const StepRun &r : runs)
        if (r.step >= 0)
            sound.push_back(r);
    ASSERT_GE(sound.size(), size_t(std::floor(duration)) - 1) << "too few steps in the file";
    for (size_t i = 1; i < sound.size(); ++i) {
        EXPECT_EQ(stepsAhead(sound[i - 1].step, sound[i].step), 1) << "step " << i;
        if (i + 1 < sound.size()) {
            EXPECT_NEAR(sound[i].blocks, 10, 2) << "step " << i;
        }
    }
    const int last = int(std::floor(end - 0.3)) % kSteps;
    EXPECT_LE(std::min(stepsAhead(sound.back().step, last), stepsAhead(last, sound.back().step)), 1)
        << "ends on step " << sound.back().step << ", received up to " << end;
}
