#pragma once
// Helpers of the tests that record from the test session's sound server: the null sink's monitor,
// a tone player, the server's own process (to stop it and bring it back), and a WAV reader that
// checks a recording for gaps.
#include "audio/WaveInRecorder.h"
#include "TestUtil.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <signal.h>
#include <vector>

namespace pulsetest {

inline const QString kMonitor = QStringLiteral("Monitor of Tavilune-null");

inline int deviceIndex(WaveInRecorder &rec, const QString &name)
{
    const int count = rec.DeviceCount();
    for (int i = 0; i < count; ++i)
        if (rec.DeviceName(i) == name)
            return i;
    return -1;
}

// Plays a 1 kHz stereo tone at 44100 Hz into the null sink for `seconds` (amplitude out of
// 32767). latencyMs 0 leaves the player's buffering to the server's default, as a desktop
// player does (the output then renders far ahead of real time); 20 asks for low latency.
class TonePlayer {
public:
    explicit TonePlayer(int seconds, int latencyMs = 20, double amplitude = 12000.0)
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
                qint16(std::lround(amplitude * std::sin(2.0 * std::numbers::pi * 1000.0 * double(i) / 44100.0)));
        file.write(reinterpret_cast<const char *>(pcm.data()), qint64(pcm.size() * sizeof(qint16)));
        file.close();
        QStringList args{QStringLiteral("--playback"), QStringLiteral("--raw"), QStringLiteral("--device=tavnull"),
                         QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"), QStringLiteral("--channels=2")};
        if (latencyMs > 0)
            args << QStringLiteral("--latency-msec=%1").arg(latencyMs);
        m_process.start(pacat, args << file.fileName());
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

// Runs a session script; true when it exits with 0.
inline bool runScript(const QString &script, const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedChannels);
    p.start(QStringLiteral(TAV_SESSION_SCRIPTS "/") + script, args);
    return p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The session's sound server: its process, and the way to bring it back as start.sh made it.
class SessionServer {
public:
    SessionServer() : m_dir(qEnvironmentVariable("TAV_SESSION_DIR")) {}
    // Brings the server back whatever the test did to it.
    ~SessionServer()
    {
        if (m_stopped)
            signal(SIGCONT);
        if (m_killed)
            restart();
    }
    bool valid() const { return !m_dir.isEmpty() && pid() > 0; }
    qint64 pid() const
    {
        QFile file(m_dir + QStringLiteral("/pulse.pid"));
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLongLong() : 0;
    }
    bool kill()
    {
        m_killed = signal(SIGKILL);
        return m_killed && tavtest::waitUntil([&] { return ::kill(pid_t(pid()), 0) != 0; }, 5000);
    }
    bool restart()
    {
        m_killed = false;
        return runScript(QStringLiteral("pulse.sh"), {m_dir});
    }
    bool pause() { return m_stopped = signal(SIGSTOP); }
    bool resume() { return !(m_stopped = !signal(SIGCONT)); }

private:
    bool signal(int number) const { return pid() > 0 && ::kill(pid_t(pid()), number) == 0; }

    QString m_dir;
    bool m_killed = false;
    bool m_stopped = false;
};

// A 16-bit PCM WAV file as the recorder writes it (one "fmt " and one "data" chunk).
struct WavFile {
    bool valid = false;
    int channels = 0;
    int rate = 0;
    std::vector<qint16> samples; // interleaved
    qint64 frames() const { return channels ? qint64(samples.size()) / channels : 0; }
    double ms() const { return rate ? double(frames()) * 1000.0 / rate : 0; }
};

inline WavFile readWav(const QString &name)
{
    WavFile w;
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        return w;
    const QByteArray b = f.readAll();
    const auto u16 = [&](qsizetype at) { return int(quint8(b[at])) | int(quint8(b[at + 1])) << 8; };
    const auto u32 = [&](qsizetype at) { return quint32(u16(at)) | quint32(u16(at + 2)) << 16; };
    if (b.size() < 44 || !b.startsWith("RIFF") || b.mid(8, 4) != "WAVE" || b.mid(12, 4) != "fmt ")
        return w;
    const qsizetype fmtLength = qsizetype(u32(16));
    if (u16(20) != 1 || u16(34) != 16 || 20 + fmtLength + 8 > b.size() || b.mid(20 + fmtLength, 4) != "data")
        return w;
    w.channels = u16(22);
    w.rate = int(u32(24));
    const qsizetype dataAt = 28 + fmtLength;
    const qsizetype length = qsizetype(u32(24 + fmtLength));
    // The header tells the whole truth: its sizes agree with the file's.
    if (dataAt + length != b.size() || qsizetype(u32(4)) != b.size() - 8 || w.channels < 1)
        return w;
    w.samples.resize(std::size_t(length / 2));
    std::memcpy(w.samples.data(), b.constData() + dataAt, std::size_t(length / 2) * 2);
    w.valid = true;
    return w;
}

// The first window of `windowMs` of the first channel whose RMS falls below `minRms` (a gap, a
// stretch of silence or padding), or -1 when every window holds the tone.
inline int firstQuietWindow(const WavFile &w, int windowMs, double minRms)
{
    const qint64 per = qint64(w.rate) * windowMs / 1000;
    for (qint64 start = 0, index = 0; per > 0 && start + per <= w.frames(); start += per, ++index) {
        double sum = 0;
        for (qint64 i = start; i < start + per; ++i) {
            const double v = w.samples[std::size_t(i * w.channels)];
            sum += v * v;
        }
        if (std::sqrt(sum / double(per)) < minRms)
            return int(index);
    }
    return -1;
}

} // namespace pulsetest
