// The capture engine on a real PulseAudio daemon: the test session's null sink "tavnull", whose
// monitor records what a tone player plays into it; a missing server; a server that dies.
#include "PulseCapture.h"
#include "TestUtil.h"
#include "WaveInRecorder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

using tavtest::waitUntil;

namespace {

const QString kMonitor = QStringLiteral("Monitor of Tavilune-null");

int deviceIndex(WaveInRecorder &rec, const QString &name)
{
    const int count = rec.DeviceCount();
    for (int i = 0; i < count; ++i)
        if (rec.DeviceName(i) == name)
            return i;
    return -1;
}

// Plays a 1 kHz stereo tone at 44100 Hz into the null sink for `seconds`.
class TonePlayer {
public:
    explicit TonePlayer(int seconds)
    {
        const QString pacat = QStandardPaths::findExecutable(QStringLiteral("pacat"));
        if (pacat.isEmpty() || !m_dir.isValid())
            return;
        QFile file(m_dir.filePath(QStringLiteral("tone.raw")));
        if (!file.open(QIODevice::WriteOnly))
            return;
        std::vector<qint16> pcm(std::size_t(44100) * 2 * std::size_t(seconds));
        for (std::size_t i = 0; i < pcm.size() / 2; ++i)
            pcm[2 * i] = pcm[2 * i + 1] =
                qint16(std::lround(12000.0 * std::sin(2.0 * std::numbers::pi * 1000.0 * double(i) / 44100.0)));
        file.write(reinterpret_cast<const char *>(pcm.data()), qint64(pcm.size() * sizeof(qint16)));
        file.close();
        m_process.start(pacat, {QStringLiteral("--playback"), QStringLiteral("--raw"), QStringLiteral("--device=tavnull"),
                                QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                                QStringLiteral("--channels=2"), QStringLiteral("--latency-msec=20"), file.fileName()});
        m_started = m_process.waitForStarted(5000);
    }
    ~TonePlayer()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    bool started() const { return m_started; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    bool m_started = false;
};

struct Recording {
    std::vector<qint16> samples;
    qint64 bytes = 0;
    int deliveries = 0;
    qint32 longest = 0;
    std::size_t arraySize = 0;
    bool offThread = false;
    qint64 lastDeliveryMs = 0;
};

// A null sink that was idle has rendered up to two seconds ahead of real time, so a capture
// from its monitor sees nothing until real time catches up. With a player keeping the sink busy,
// one capture that waits for sound to flow brings the sink to real time for the next ones.
bool warmUp(WaveInRecorder &rec)
{
    int deliveries = 0;
    const auto connection = QObject::connect(&rec, &WaveInRecorder::GotData, [&](std::span<qint16>, qint32) { ++deliveries; });
    const bool flowing = rec.StartRecord(44100, 2) && waitUntil([&] { return deliveries >= 2; }, 5000);
    rec.StopRecord();
    QObject::disconnect(connection);
    return flowing;
}

// Records for `ms` milliseconds, collecting what GotData hands out.
Recording record(WaveInRecorder &rec, qint32 rate, qint16 channels, int ms)
{
    Recording r;
    QElapsedTimer clock;
    const auto connection = QObject::connect(&rec, &WaveInRecorder::GotData, [&](std::span<qint16> buffer, qint32 len) {
        r.lastDeliveryMs = clock.elapsed();
        ++r.deliveries;
        r.bytes += len;
        r.longest = std::max(r.longest, len);
        r.arraySize = buffer.size();
        r.offThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
        r.samples.insert(r.samples.end(), buffer.begin(), buffer.begin() + len / 2);
    });
    const bool started = rec.StartRecord(rate, channels);
    clock.start();
    EXPECT_TRUE(started);
    if (started)
        waitUntil([&] { return clock.elapsed() >= ms; }, ms + 2000);
    EXPECT_TRUE(rec.StopRecord());
    QObject::disconnect(connection);
    return r;
}

// Frequency of the strongest component of the first channel over the last 4096 frames.
double dominantFrequency(const std::vector<qint16> &samples, int channels, int rate)
{
    constexpr std::size_t n = 4096;
    const std::size_t frames = samples.size() / std::size_t(channels);
    if (frames < n)
        return 0;
    std::vector<double> x(n), cosTable(n), sinTable(n);
    for (std::size_t i = 0; i < n; ++i) {
        x[i] = samples[(frames - n + i) * std::size_t(channels)];
        cosTable[i] = std::cos(2.0 * std::numbers::pi * double(i) / n);
        sinTable[i] = std::sin(2.0 * std::numbers::pi * double(i) / n);
    }
    std::size_t best = 0;
    double bestPower = -1;
    for (std::size_t k = 1; k < n / 2; ++k) {
        double re = 0, im = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t t = (k * i) % n;
            re += x[i] * cosTable[t];
            im -= x[i] * sinTable[t];
        }
        if (re * re + im * im > bestPower) {
            bestPower = re * re + im * im;
            best = k;
        }
    }
    return double(best) * rate / double(n);
}

double rms(const std::vector<qint16> &samples)
{
    double sum = 0;
    for (qint16 s : samples)
        sum += double(s) * s;
    return samples.empty() ? 0 : std::sqrt(sum / double(samples.size()));
}

class PulseSession : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tavtest::haveSoundServer()) << "the test session has no sound server"; }
};

TEST_F(PulseSession, TheNullSinkMonitorIsADeviceWithOneLine)
{
    WaveInRecorder rec;
    ASSERT_GE(rec.DeviceCount(), 1);
    const int monitor = deviceIndex(rec, kMonitor);
    ASSERT_GE(monitor, 0);
    ASSERT_TRUE(rec.SelectDevice(monitor));
    EXPECT_EQ(rec.SelectedDevice(), monitor);
    EXPECT_EQ(rec.MixerLineCount(), 1);
    EXPECT_EQ(rec.MixerLineName(0), kMonitor);
    EXPECT_EQ(rec.MixerLineType(-1), qint32(capture::kComponentSrcWaveOut));
    EXPECT_TRUE(rec.SelectMixerLine(0));
    EXPECT_FALSE(rec.SelectMixerLine(1));
    EXPECT_EQ(rec.SelectedMixerLine(), 0);
    EXPECT_FALSE(rec.SelectDevice(rec.DeviceCount()));

    // The line volume is the source volume, read back through a second connection; full volume
    // is restored whatever happens, for the recordings that follow.
    struct Restore {
        WaveInRecorder &rec;
        ~Restore() { rec.SetMixerLineVolume(65535); }
    } restore{rec};
    for (qint32 volume : {0, 1, 32768, 65535}) {
        rec.SetMixerLineVolume(volume);
        WaveInRecorder other;
        ASSERT_TRUE(other.SelectDevice(deviceIndex(other, kMonitor)));
        EXPECT_EQ(other.MixerLineVolume(), volume);
    }
}

TEST_F(PulseSession, RecordsAToneAt44100HzStereo)
{
    TonePlayer tone(10);
    ASSERT_TRUE(tone.started()) << "pacat is needed (pulseaudio-utils)";
    WaveInRecorder rec;
    ASSERT_TRUE(rec.SelectDevice(deviceIndex(rec, kMonitor)));
    ASSERT_TRUE(warmUp(rec));

    const Recording r = record(rec, 44100, 2, 2000);
    EXPECT_FALSE(rec.IsRecording());
    EXPECT_FALSE(r.offThread);
    EXPECT_EQ(r.arraySize, 5120u);
    EXPECT_LE(r.longest, 10240);
    // Everything recorded up to the last delivery arrived: the total matches that time within one buffer.
    EXPECT_GE(r.deliveries, 30);
    EXPECT_NEAR(double(r.bytes), r.lastDeliveryMs / 1000.0 * 176400.0, 10240.0);
    EXPECT_GT(rms(r.samples), 3000.0);
    EXPECT_NEAR(dominantFrequency(r.samples, 2, 44100), 1000.0, 2 * 44100.0 / 4096);
}

TEST_F(PulseSession, RecordsAToneAt22050HzMono)
{
    TonePlayer tone(10);
    ASSERT_TRUE(tone.started()) << "pacat is needed (pulseaudio-utils)";
    WaveInRecorder rec;
    ASSERT_TRUE(rec.SelectDevice(deviceIndex(rec, kMonitor)));
    ASSERT_TRUE(warmUp(rec));

    const Recording r = record(rec, 22050, 1, 2000);
    EXPECT_FALSE(r.offThread);
    EXPECT_LE(r.longest, 10240);
    EXPECT_GE(r.deliveries, 6);
    EXPECT_NEAR(double(r.bytes), r.lastDeliveryMs / 1000.0 * 44100.0, 10240.0);
    EXPECT_GT(rms(r.samples), 3000.0);
    EXPECT_NEAR(dominantFrequency(r.samples, 1, 22050), 1000.0, 2 * 22050.0 / 4096);
}

TEST_F(PulseSession, RefusedFormatsLeaveNothingOpen)
{
    WaveInRecorder rec;
    ASSERT_TRUE(rec.SelectDevice(deviceIndex(rec, kMonitor)));
    EXPECT_FALSE(rec.StartRecord(400000, 2));
    EXPECT_FALSE(rec.StartRecord(44100, 3));
    EXPECT_FALSE(rec.IsRecording());

    // Nothing was left open: a good format records, as does the default device.
    EXPECT_TRUE(warmUp(rec));
    WaveInRecorder byDefault;
    EXPECT_TRUE(warmUp(byDefault));
}

// A restoring environment variable override.
class EnvOverride {
public:
    EnvOverride(const char *name, const QByteArray &value) : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name))
    {
        qputenv(name, value);
    }
    ~EnvOverride() { m_had ? qputenv(m_name, m_old) : qunsetenv(m_name); }

private:
    const char *m_name;
    QByteArray m_old;
    bool m_had;
};

TEST(CaptureWithoutServer, CountsAreZeroAndNothingStarts)
{
    EnvOverride server("PULSE_SERVER", "unix:/nonexistent/tavilune/native");
    QElapsedTimer clock;
    clock.start();
    WaveInRecorder rec;
    EXPECT_EQ(rec.DeviceCount(), 0);
    EXPECT_TRUE(rec.DeviceName(0).isEmpty());
    EXPECT_FALSE(rec.SelectDevice(0));
    EXPECT_EQ(rec.MixerLineCount(), 0);
    EXPECT_FALSE(rec.StartRecord(44100, 2));
    EXPECT_FALSE(rec.IsRecording());
    EXPECT_TRUE(rec.StopRecord());
    EXPECT_LT(clock.elapsed(), 2000);
}

TEST(CaptureServerGoesAway, RecordingEndsQuietlyAndCountsFallToZero)
{
    const QString pulseaudio = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
    ASSERT_FALSE(pulseaudio.isEmpty());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString socket = dir.filePath(QStringLiteral("native"));
    QProcess daemon;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), dir.path());
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.path());
    daemon.setProcessEnvironment(env);
    daemon.setStandardOutputFile(QProcess::nullDevice());
    daemon.setStandardErrorFile(QProcess::nullDevice());
    daemon.start(pulseaudio, {QStringLiteral("-n"), QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                              QStringLiteral("--use-pid-file=no"), QStringLiteral("--disable-shm=yes"),
                              QStringLiteral("-L"), QStringLiteral("module-null-sink sink_name=gone"), QStringLiteral("-L"),
                              QStringLiteral("module-native-protocol-unix socket=%1 auth-anonymous=1").arg(socket)});
    ASSERT_TRUE(daemon.waitForStarted(5000));
    ASSERT_TRUE(waitUntil([&] { return QFileInfo::exists(socket); }, 10000));

    WaveInRecorder rec(std::make_unique<PulseCapture>(("unix:" + socket).toStdString()));
    ASSERT_EQ(rec.DeviceCount(), 1);
    ASSERT_TRUE(rec.SelectDevice(0));
    int deliveries = 0;
    QObject::connect(&rec, &WaveInRecorder::GotData, [&](std::span<qint16>, qint32) { ++deliveries; });
    ASSERT_TRUE(rec.StartRecord(44100, 2));
    ASSERT_TRUE(waitUntil([&] { return deliveries >= 2; }, 5000));

    daemon.kill();
    ASSERT_TRUE(daemon.waitForFinished(5000));
    QElapsedTimer clock;
    clock.start();
    waitUntil([] { return false; }, 300); // whatever the loss of the server brings, nothing breaks
    EXPECT_TRUE(rec.StopRecord());
    EXPECT_FALSE(rec.IsRecording());
    EXPECT_EQ(rec.MixerLineCount(), 0);
    EXPECT_EQ(rec.DeviceCount(), 0);
    EXPECT_TRUE(rec.DeviceName(0).isEmpty());
    EXPECT_FALSE(rec.StartRecord(44100, 2));
    EXPECT_LT(clock.elapsed(), 2000);
}

} // namespace
