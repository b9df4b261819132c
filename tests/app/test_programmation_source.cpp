// A planned "Enregistrer la source" on the test session's sound server: the event records the
// null sink's monitor into a WAV file of the recordings folder from its start to its end.
#include "../audio/PulseTestUtil.h"
#include "app/FrmMain.h"
#include "app/ProgrammationRunner.h"
#include "audio/RecordingSession.h"
#include "audio/WaveInRecorder.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "media/MediaEngine.h"
#include "TestUtil.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ProgrammationSource, AnEventRecordsTheSourceFromItsStartToItsEnd)
{
    ASSERT_TRUE(tavtest::haveSoundServer()) << "the test session has no sound server";
    QTemporaryDir dir;
    SetProgramFolder(dir.path());
    settings::UseFile(dir.filePath(QStringLiteral("Tavilune.conf")));
    G() = ProgramValues{};
    G().wavFolder = dir.filePath(QStringLiteral("Wav"));
    QDir().mkpath(G().wavFolder);
    struct Restore {
        ~Restore()
        {
            settings::UseFile(QString());
            SetProgramFolder(QString());
        }
    } restore;

    pulsetest::TonePlayer tone(20, 20);
    ASSERT_TRUE(tone.started()) << "pacat is needed (pulseaudio-utils)";
    MediaEngine engine(QStringLiteral("null"));
    FrmMain main(&engine);
    ProgrammationRunner runner(main, engine, dir.filePath(QStringLiteral("programmation.ini")));
    programmation::Event e;
    e.id = QStringLiteral("1");
    e.what = pulsetest::kMonitor;
    e.source = true;
    e.action = programmation::Action::EnregistrerSource;
    e.start = QDateTime(QDate(2030, 1, 7), QTime(7, 0));
    e.minutes = 1;
    runner.Events().SetEvents({e});
    // The sink plays in real time by then, as the desktop's output does once something plays (an
    // idle null sink has rendered seconds ahead, which a new capture cannot get back).
    WaveInRecorder listener;
    ASSERT_TRUE(listener.SelectDevice(pulsetest::deviceIndex(listener, pulsetest::kMonitor)));
    ASSERT_TRUE(listener.Arm(44100, 2));
    ASSERT_TRUE(tavtest::waitUntil([&] { return listener.IsFlowing(); }, 5000));

    // The device opens a few seconds ahead: its sound flows at the start.
    runner.Events().Check(e.start.addSecs(-Scheduler::kPrepareSecs));
    ASSERT_NE(runner.SourceRecording(), nullptr) << "the source was not prepared";
    EXPECT_EQ(runner.SourceRecording()->state(), RecordingSession::State::Idle);
    EXPECT_TRUE(tavtest::waitUntil([&] { return runner.SourceRecording()->Recorder().IsFlowing(); }, 5000));
    runner.Events().Check(e.start);
    ASSERT_NE(runner.SourceRecording(), nullptr) << "the source did not start";
    const QString file = runner.SourceRecording()->FileName();
    EXPECT_TRUE(file.startsWith(G().wavFolder + QStringLiteral("/Monitor of Tavilune-null "))) << file.toStdString();
    EXPECT_TRUE(file.endsWith(QStringLiteral(".wav")));
    QElapsedTimer clock;
    clock.start();
    tavtest::waitUntil([&] { return clock.elapsed() >= 2000; }, 3000);
    runner.Events().Check(e.start.addSecs(60));
    EXPECT_EQ(runner.SourceRecording(), nullptr);
    const pulsetest::WavFile w = pulsetest::readWav(file);
    ASSERT_TRUE(w.valid) << file.toStdString();
    EXPECT_EQ(w.rate, 44100);
    EXPECT_EQ(w.channels, 2);
    EXPECT_GT(w.ms(), 1500.0);
    EXPECT_LT(w.ms(), 2600.0);
    EXPECT_EQ(pulsetest::firstQuietWindow(w, 50, 3000.0), -1);
}
