// The recording window on the test session's sound server: a 1 kHz tone played into the null
// sink is recorded from its monitor through the window's controls; python's wave module reads
// the file back (format, length, dominant frequency, level), with and without the amplifier.
#include "FakePrompts.h"
#include "FrmREC.h"
#include "Globals.h"
#include "Settings.h"
#include "TestUtil.h"
#include "WaveInRecorder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using tavtest::waitUntil;

namespace {

// Reads a WAV file with python's wave module: channels, rate, sample width, frames, the RMS of
// the first channel and the strongest of a sweep of frequencies (Goertzel, 100 Hz .. 10 kHz).
const char *const kReader = R"(
import math, struct, sys, wave
w = wave.open(sys.argv[1], 'rb')
ch, rate, width, frames = w.getnchannels(), w.getframerate(), w.getsampwidth(), w.getnframes()
data = w.readframes(frames)
x = struct.unpack('<%dh' % (len(data) // 2), data)[::ch]
tail = x[len(x) // 2:]
rms = math.sqrt(sum(v * v for v in tail) / max(1, len(tail)))
seg = tail[:8192]
def power(f):
    k = 2 * math.cos(2 * math.pi * f / rate)
    s1 = s2 = 0.0
    for v in seg:
        s1, s2 = v + k * s1 - s2, s1
    return s1 * s1 + s2 * s2 - k * s1 * s2
best = max(range(100, 10001, 100), key=power)
print(ch, rate, width, frames, round(rms, 1), best)
)";

struct WavFacts {
    int channels = 0, rate = 0, width = 0;
    qint64 frames = 0;
    double rms = 0;
    int dominant = 0;
};

bool readWav(const QString &name, WavFacts &f)
{
    QProcess py;
    py.start(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromLatin1(kReader), name});
    if (!py.waitForFinished(60000) || py.exitCode() != 0)
        return false;
    const QStringList v = QString::fromLatin1(py.readAllStandardOutput()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (v.size() != 6)
        return false;
    f = {v[0].toInt(), v[1].toInt(), v[2].toInt(), v[3].toLongLong(), v[4].toDouble(), v[5].trimmed().toInt()};
    return true;
}

// Plays a 1 kHz stereo tone into the null sink for as long as the object lives (at most 60 s).
class Tone {
public:
    Tone()
    {
        const QString pacat = QStandardPaths::findExecutable(QStringLiteral("pacat"));
        if (pacat.isEmpty() || !m_dir.isValid())
            return;
        QFile file(m_dir.filePath(QStringLiteral("tone.raw")));
        if (!file.open(QIODevice::WriteOnly))
            return;
        std::vector<qint16> pcm(std::size_t(44100) * 2 * 60);
        for (std::size_t i = 0; i < pcm.size() / 2; ++i)
            pcm[2 * i] = pcm[2 * i + 1] = qint16(std::lround(8000.0 * std::sin(2.0 * M_PI * 1000.0 * double(i) / 44100.0)));
        file.write(reinterpret_cast<const char *>(pcm.data()), qint64(pcm.size() * sizeof(qint16)));
        file.close();
        m_process.start(pacat, {QStringLiteral("--playback"), QStringLiteral("--raw"), QStringLiteral("--device=tavnull"),
                                QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                                QStringLiteral("--channels=2"), QStringLiteral("--latency-msec=20"), file.fileName()});
        m_started = m_process.waitForStarted(5000);
    }
    ~Tone()
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

TEST(FrmRECPulse, RecordsAToneFromTheNullSinkMonitorThroughTheWindow)
{
    ASSERT_TRUE(tavtest::haveSoundServer()) << "the test session has no sound server";
    QTemporaryDir dir;
    const QString wav = dir.path() + QStringLiteral("/prog/Wav");
    QDir().mkpath(wav);
    SetProgramFolder(dir.path() + QStringLiteral("/prog"));
    settings::UseFile(dir.filePath(QStringLiteral("Tavilune.conf")));
    G() = ProgramValues{};
    G().wavFolder = wav;
    struct Restore {
        ~Restore()
        {
            settings::UseFile(QString());
            SetProgramFolder(QString());
        }
    } restore;

    Tone tone;
    ASSERT_TRUE(tone.started()) << "pacat is needed (pulseaudio-utils)";
    FakePrompts prompts;
    FrmREC w;
    w.show();
    const int monitor = w.cboDev->findText(QStringLiteral("Monitor of Tavilune-null"));
    ASSERT_GE(monitor, 0);
    w.cboDev->setCurrentIndex(monitor);
    ASSERT_EQ(w.cboRecLine->count(), 1);
    w.sldVol->setValue(65535);

    // The idle null sink runs ahead of real time: a first short recording brings it back.
    w.cmdDo->click();
    ASSERT_TRUE(w.IsRecording()) << prompts.lastText().toStdString();
    ASSERT_TRUE(waitUntil([&] { return w.ElapsedMs() > 300; }, 8000));
    w.cmdDo->click();

    double plainRms = 0;
    for (int amplify : {0, 6}) {
        const QString name = wav + QStringLiteral("/take%1.wav").arg(amplify);
        w.txtFile->setText(name);
        if (amplify) {
            w.chkFX[2]->click();
            w.DSP()->setAmplifyDB(amplify);
        }
        QElapsedTimer clock;
        w.cmdDo->click();
        clock.start();
        ASSERT_TRUE(w.IsRecording());
        ASSERT_TRUE(waitUntil([&] { return clock.elapsed() >= 3000; }, 5000));
        const qint32 elapsed = w.ElapsedMs();
        const qint64 wall = clock.elapsed();
        w.tmrVis_Timer();
        EXPECT_TRUE(w.sbarDuration->text() == QStringLiteral("Durée : 0:03") ||
                    w.sbarDuration->text() == QStringLiteral("Durée : 0:02"))
            << w.sbarDuration->text().toStdString();
        w.cmdDo->click();
        ASSERT_FALSE(w.IsRecording());

        WavFacts f;
        ASSERT_TRUE(readWav(name, f)) << name.toStdString();
        EXPECT_EQ(f.channels, 2);
        EXPECT_EQ(f.rate, 44100);
        EXPECT_EQ(f.width, 2);
        const double fileMs = double(f.frames) * 1000.0 / 44100.0;
        EXPECT_NEAR(fileMs, elapsed, 58.1); // within one 10240-byte buffer
        EXPECT_NEAR(fileMs, double(wall), 400.0);
        EXPECT_EQ(f.dominant, 1000);
        if (!amplify) {
            plainRms = f.rms;
            EXPECT_GT(plainRms, 1000.0);
        } else {
            EXPECT_NEAR(20.0 * std::log10(f.rms / plainRms), amplify, 1.0) << f.rms << " vs " << plainRms;
        }
    }
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.lastText().toStdString();
    w.close();
}

} // namespace
