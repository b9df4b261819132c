// The capture engine on a real PulseAudio daemon: the test session's null sink "tavnull", whose
// monitor records what a tone player plays into it; a missing server; the session's server
// stopping and a device going away mid-recording; the mixer following the server's changes.
#include "audio/EncoderWAV.h"
#include "audio/PulseCapture.h"
#include "audio/WaveInRecorder.h"
#include "PulseTestUtil.h"
#include "TestUtil.h"

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
#include <signal.h>

using tavtest::waitUntil;
using namespace pulsetest;

namespace {

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

// Runs pactl on the session's server; its output, or a null array when it failed.
QByteArray pactl(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("pactl"), args);
    if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return {};
    return p.readAllStandardOutput().trimmed() + ' ';
}

// What a recording that ends by itself handed out, written to a WAV file as the recording window
// does: every buffer appended, the file closed when the loss is reported.
struct LossRecorder {
    WaveInRecorder &rec;
    EncoderWAV encoder;
    qint64 bytes = 0;
    int deliveries = 0;
    qint32 lastLength = 0;
    QList<capture::Loss> losses;
    int deliveriesAfterLoss = 0;
    bool recordingAtLoss = true;

    explicit LossRecorder(WaveInRecorder &r) : rec(r)
    {
        QObject::connect(&rec, &WaveInRecorder::GotData, [this](std::span<qint16> buffer, qint32 len) {
            if (!losses.isEmpty())
                ++deliveriesAfterLoss;
            ++deliveries;
            bytes += len;
            lastLength = len;
            // The encoder takes at most one second at a time.
            for (qint32 at = 0; at < len; at += 176400) {
                std::int32_t used = 0;
                encoder.Encoder_Encode(buffer.data() + at / 2, std::min<qint32>(176400, len - at), used);
            }
        });
        QObject::connect(&rec, &WaveInRecorder::RecordingLost, [this](capture::Loss why) {
            losses << why;
            recordingAtLoss = rec.IsRecording();
            encoder.Encoder_EncoderClose();
        });
    }
};

qint64 fileSize(const QString &path) { return QFileInfo(path).size(); }

class PulseLoss : public PulseSession {
protected:
    void SetUp() override
    {
        PulseSession::SetUp();
        ASSERT_TRUE(server.valid()) << "the session's sound server is not known";
        ASSERT_TRUE(dir.isValid());
    }
    SessionServer server;
    QTemporaryDir dir;
};

TEST_F(PulseLoss, TheServerStoppingMidRecordingIsNoticedAndTheSoundKept)
{
    const QString file = dir.filePath(QStringLiteral("perdu.wav"));
    {
        TonePlayer tone(20);
        ASSERT_TRUE(tone.started()) << "pacat is needed (pulseaudio-utils)";
        WaveInRecorder rec;
        ASSERT_TRUE(rec.SelectDevice(deviceIndex(rec, kMonitor)));
        ASSERT_TRUE(warmUp(rec));

        // Buffers of four seconds: what was captured when the server stops is in the one being
        // filled, and must still reach the file.
        rec.SetBufferSize(4 * 176400);
        rec.SetBufferCount(2);
        LossRecorder loss(rec);
        ASSERT_EQ(loss.encoder.Encoder_EncoderInit(44100, 2, file.toStdString()), 0);
        ASSERT_TRUE(rec.StartRecord(44100, 2));
        waitUntil([] { return false; }, 1500);
        EXPECT_EQ(loss.deliveries, 0);
        ASSERT_TRUE(server.kill());

        ASSERT_TRUE(waitUntil([&] { return !loss.losses.isEmpty(); }, 5000)) << "the loss went unnoticed";
        waitUntil([] { return false; }, 200); // nothing more comes
        EXPECT_EQ(loss.losses, QList<capture::Loss>{capture::Loss::Server});
        EXPECT_FALSE(loss.recordingAtLoss);
        EXPECT_FALSE(rec.IsRecording());
        EXPECT_EQ(loss.deliveriesAfterLoss, 0);
        EXPECT_EQ(loss.deliveries, 1);
        EXPECT_GT(loss.lastLength, 0);
        EXPECT_LT(loss.lastLength, 4 * 176400);
        EXPECT_EQ(loss.lastLength % 4, 0); // whole frames
        EXPECT_EQ(fileSize(file), 46 + loss.bytes);
        EXPECT_TRUE(rec.StopRecord());
        EXPECT_EQ(rec.MixerLineCount(), 0);
        EXPECT_FALSE(rec.StartRecord(44100, 2));
        EXPECT_EQ(rec.DeviceCount(), 0);
        EXPECT_EQ(rec.SelectedDevice(), -1);

        // The server comes back: the same recorder finds its device again and records.
        ASSERT_TRUE(server.restart());
        EXPECT_GE(rec.DeviceCount(), 1);
        EXPECT_EQ(rec.SelectedDevice(), deviceIndex(rec, kMonitor));
        EXPECT_EQ(rec.MixerLineCount(), 1);
        rec.SetBufferSize(10240);
        rec.SetBufferCount(5);
        TonePlayer again(10);
        EXPECT_TRUE(warmUp(rec));
    }
}

TEST_F(PulseLoss, TheDeviceGoingAwayIsNoticedAndNoOtherDeviceIsRecorded)
{
    const QByteArray module = pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                                     QStringLiteral("sink_name=tavgone"),
                                     QStringLiteral("sink_properties=device.description=Tavilune-gone")});
    ASSERT_FALSE(module.isNull()) << "pactl is needed (pulseaudio-utils)";
    struct Unload {
        QByteArray module;
        bool done = false;
        bool operator()()
        {
            done = done || !pactl({QStringLiteral("unload-module"), QString::fromLatin1(module.trimmed())}).isNull();
            return done;
        }
        ~Unload() { (*this)(); }
    } unload{module};

    const QString gone = QStringLiteral("Monitor of Tavilune-gone");
    WaveInRecorder rec;
    ASSERT_TRUE(rec.SelectDevice(deviceIndex(rec, gone)));
    LossRecorder loss(rec);
    const QString file = dir.filePath(QStringLiteral("parti.wav"));
    ASSERT_EQ(loss.encoder.Encoder_EncoderInit(44100, 2, file.toStdString()), 0);
    ASSERT_TRUE(rec.StartRecord(44100, 2));
    waitUntil([] { return false; }, 500);
    ASSERT_TRUE(unload());

    ASSERT_TRUE(waitUntil([&] { return !loss.losses.isEmpty(); }, 5000)) << "the loss went unnoticed";
    EXPECT_EQ(loss.losses, QList<capture::Loss>{capture::Loss::Device});
    EXPECT_FALSE(rec.IsRecording());
    EXPECT_EQ(fileSize(file), 46 + loss.bytes);
    // The device is no longer listed and the recorder does not fall back to another one.
    EXPECT_EQ(deviceIndex(rec, gone), -1);
    EXPECT_EQ(rec.SelectedDevice(), -1);
    EXPECT_EQ(rec.MixerLineCount(), 0);
    EXPECT_FALSE(rec.StartRecord(44100, 2));
}

TEST_F(PulseLoss, MixerReadsComeFromTheServersChangeEvents)
{
    WaveInRecorder rec;
    ASSERT_TRUE(rec.SelectDevice(deviceIndex(rec, kMonitor)));
    struct Restore {
        WaveInRecorder &rec;
        ~Restore() { rec.SetMixerLineVolume(65535); }
    } restore{rec};

    // A change made by another program shows in the recorder's reads.
    ASSERT_FALSE(pactl({QStringLiteral("set-source-volume"), QStringLiteral("tavnull.monitor"), QStringLiteral("50%")}).isNull());
    EXPECT_TRUE(waitUntil([&] { return rec.MixerLineVolume() == 32768; }, 5000)) << rec.MixerLineVolume();

    // Reads do not ask the server: they answer while it does not.
    ASSERT_TRUE(server.pause());
    EXPECT_EQ(rec.MixerLineCount(), 1);
    EXPECT_EQ(rec.MixerLineVolume(), 32768);
    EXPECT_EQ(rec.SelectedMixerLine(), 0);
    EXPECT_EQ(rec.MixerLineName(0), kMonitor);
    ASSERT_TRUE(server.resume());

    // The recorder's own write is read back at once.
    rec.SetMixerLineVolume(16384);
    EXPECT_EQ(rec.MixerLineVolume(), 16384);
}

TEST(CaptureWithoutServer, CountsAreZeroAndTheServerIsUsedOnceItStarts)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString socket = dir.filePath(QStringLiteral("run/native"));
    WaveInRecorder rec(std::make_unique<PulseCapture>(("unix:" + socket).toStdString()));
    EXPECT_EQ(rec.DeviceCount(), 0);
    EXPECT_TRUE(rec.DeviceName(0).isEmpty());
    EXPECT_FALSE(rec.SelectDevice(0));
    EXPECT_EQ(rec.MixerLineCount(), 0);
    EXPECT_FALSE(rec.StartRecord(44100, 2));
    EXPECT_FALSE(rec.IsRecording());
    EXPECT_TRUE(rec.StopRecord());
    EXPECT_FALSE(QFileInfo::exists(socket)); // no server was started for the recorder

    // Each member tries again: once a server listens there, the same recorder uses it.
    ASSERT_TRUE(runScript(QStringLiteral("pulse.sh"), {dir.path()}));
    struct Stop {
        QString dir;
        ~Stop() { runScript(QStringLiteral("stop.sh"), {dir}); }
    } stop{dir.path()};
    EXPECT_GE(rec.DeviceCount(), 1);
    EXPECT_TRUE(rec.SelectDevice(deviceIndex(rec, kMonitor)));
    EXPECT_EQ(rec.MixerLineCount(), 1);
}

} // namespace
