// The recording window on the test session's sound server: a 1 kHz tone played into the null
// sink is recorded from its monitor through the window's controls; python's wave module reads
// the file back (format, length, dominant frequency, level), with and without the amplifier.
#include "audio/FrmREC.h"
#include "audio/RecordingRules.h"
#include "audio/WaveInRecorder.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "FakePrompts.h"
#include "PulseTestUtil.h"
#include "TestUtil.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QToolButton>
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

// The window on a program folder of its own, with the null sink's monitor chosen as a user would.
class FrmRECPulse : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tavtest::haveSoundServer()) << "the test session has no sound server";
        wav = dir.path() + QStringLiteral("/prog/Wav");
        QDir().mkpath(wav);
        SetProgramFolder(dir.path() + QStringLiteral("/prog"));
        settings::UseFile(dir.filePath(QStringLiteral("Tavilune.conf")));
        G() = ProgramValues{};
        G().wavFolder = wav;
    }
    void TearDown() override
    {
        settings::UseFile(QString());
        SetProgramFolder(QString());
    }
    // Opens the window on the monitor at full volume; true once its sound flows.
    bool open(FrmREC &w)
    {
        w.show();
        const int monitor = w.cboDev->findText(pulsetest::kMonitor);
        if (monitor < 0)
            return false;
        w.cboDev->setCurrentIndex(monitor);
        w.sldVol->setValue(65535);
        return w.cboRecLine->count() == 1 && waitUntil([&] { return w.Recorder()->IsFlowing(); }, 5000);
    }
    // Presses "Enregistrer", waits pressMs, presses "Stopper"; the time between the presses.
    double press(FrmREC &w, int pressMs)
    {
        QElapsedTimer clock;
        w.cmdDo->click();
        clock.start();
        EXPECT_TRUE(w.IsRecording()) << prompts.lastText().toStdString();
        waitUntil([&] { return clock.elapsed() >= pressMs; }, pressMs + 1000);
        w.cmdDo->click();
        const double held = double(clock.nsecsElapsed()) / 1e6;
        EXPECT_TRUE(waitUntil([&] { return w.cmdDo->text() == QStringLiteral("Enregistrer") && w.cmdDo->isEnabled(); }, 3000));
        return held;
    }

    QStringList texts() const
    {
        QStringList t;
        for (const FakePrompts::Shown &shown : prompts.shown)
            t << shown.text;
        return t;
    }

    QTemporaryDir dir;
    QString wav;
    FakePrompts prompts;
};

// The user's own steps: a desktop player plays with the server's default buffering, the window
// opens on the monitor, two recordings by the buttons. Each file holds the time between the
// presses, with the tone in every 50 ms of it.
TEST_F(FrmRECPulse, RecordingsThroughTheButtonsHoldEveryMillisecondBetweenThePresses)
{
    pulsetest::TonePlayer tone(30, 0);
    ASSERT_TRUE(tone.started()) << "pacat is needed (pulseaudio-utils)";
    FrmREC w;
    ASSERT_TRUE(open(w)) << "no sound from the monitor";
    const QString file = wav + QStringLiteral("/Enregistrement.wav");
    ASSERT_EQ(w.txtFile->text(), file);
    for (int pressMs : {2000, 6000}) {
        SCOPED_TRACE(pressMs);
        const double held = press(w, pressMs);
        const pulsetest::WavFile f = pulsetest::readWav(file);
        ASSERT_TRUE(f.valid);
        EXPECT_NEAR(f.ms(), held, 50.0) << "expected " << held * 44.1 << " frames, got " << f.frames();
        EXPECT_EQ(pulsetest::firstQuietWindow(f, 50, 3000.0), -1) << "a gap or silence in the recording";
        EXPECT_FALSE(QFileInfo::exists(file + QStringLiteral(".part")));
    }
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.lastText().toStdString();
}

// The sound server killed mid-recording: the window stops by itself, the file holds what came
// before, a message names it. While the server is away a start fails and leaves that file as it
// is; once it is back, the next recording starts cleanly.
TEST_F(FrmRECPulse, TheSoundServerGoingAwayEndsTheRecordingAndTheNextStartsCleanly)
{
    pulsetest::SessionServer server;
    ASSERT_TRUE(server.valid());
    const QString file = wav + QStringLiteral("/Enregistrement.wav");
    {
        pulsetest::TonePlayer tone(30, 20);
        ASSERT_TRUE(tone.started()) << "pacat is needed (pulseaudio-utils)";
        FrmREC w;
        ASSERT_TRUE(open(w)) << "no sound from the monitor";
        w.cmdDo->click();
        ASSERT_TRUE(w.IsRecording());
        waitUntil([] { return false; }, 1500);
        ASSERT_TRUE(server.kill());
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(waitUntil([&] { return w.cmdDo->text() == QStringLiteral("Enregistrer"); }, 2000))
            << "the window still records after the server went away";
        EXPECT_LT(clock.elapsed(), 2000);
        EXPECT_TRUE(w.frmInp->isEnabled() && w.frmOut->isEnabled() && w.Command1->isEnabled());
        EXPECT_TRUE(waitUntil([&] { return !prompts.shown.isEmpty(); }, 1000));
        EXPECT_EQ(texts(),
                  QStringList{recording::SoundLostText(true, QStringLiteral("Enregistrement.wav"), true)});
        const pulsetest::WavFile lost = pulsetest::readWav(file);
        ASSERT_TRUE(lost.valid) << "the file was left without its header";
        EXPECT_GT(lost.ms(), 1000.0);
        EXPECT_LT(lost.ms(), 2000.0);
        EXPECT_EQ(pulsetest::firstQuietWindow(lost, 50, 3000.0), -1);

        // No server: the start fails, and the file of the last recording stays byte for byte.
        const QByteArray before = [&] { QFile f(file); f.open(QIODevice::ReadOnly); return f.readAll(); }();
        prompts.shown.clear();
        w.cmdDo->click();
        EXPECT_FALSE(w.IsRecording());
        EXPECT_EQ(texts(), QStringList{QStringLiteral("Ne peut pas démarrer l'enregistrement !")});
        QFile after(file);
        ASSERT_TRUE(after.open(QIODevice::ReadOnly));
        EXPECT_TRUE(after.readAll() == before);
        EXPECT_FALSE(QFileInfo::exists(file + QStringLiteral(".part")));

        // The server is back: the next recording works.
        ASSERT_TRUE(server.restart());
        pulsetest::TonePlayer again(10, 20);
        prompts.shown.clear();
        press(w, 1000);
        EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.lastText().toStdString();
        const pulsetest::WavFile next = pulsetest::readWav(file);
        ASSERT_TRUE(next.valid);
        EXPECT_GT(next.ms(), 500.0);
        w.close();
    }
}

// The drop-down lists open, whatever the desktop (a compositor without a seat included).
TEST_F(FrmRECPulse, TheDropDownListsOpen)
{
    FrmREC w;
    w.show();
    for (QComboBox *box : {w.cboDev, w.cboRecLine, w.cboSamplerate}) {
        box->showPopup();
        waitUntil([] { return false; }, 100);
        box->hidePopup();
    }
    SUCCEED();
}

// Two recordings with and without the amplifier: the format, the duration shown, the tone, the gain.
TEST_F(FrmRECPulse, RecordsAToneFromTheNullSinkMonitorThroughTheWindow)
{
    pulsetest::TonePlayer tone(60, 20, 8000.0);
    ASSERT_TRUE(tone.started()) << "pacat is needed (pulseaudio-utils)";
    FrmREC w;
    ASSERT_TRUE(open(w));

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
        ASSERT_TRUE(waitUntil([&] { return !w.IsRecording(); }, 3000));

        WavFacts f;
        ASSERT_TRUE(readWav(name, f)) << name.toStdString();
        EXPECT_EQ(f.channels, 2);
        EXPECT_EQ(f.rate, 44100);
        EXPECT_EQ(f.width, 2);
        const double fileMs = double(f.frames) * 1000.0 / 44100.0;
        EXPECT_NEAR(fileMs, elapsed, 58.1); // within one 10240-byte buffer
        EXPECT_NEAR(fileMs, double(wall), 60.0);
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
