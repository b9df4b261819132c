// The recording session on the test session's sound server, as a user records what they hear: a
// tone played into the null sink by a player with the server's default buffering (the output
// then renders far ahead of real time), recorded from the sink's monitor for as long as the user
// waits between start and stop. The file must hold that time, within 50 ms, with the tone in
// every 50 ms of it.
#include "audio/RecordingSession.h"
#include "audio/WaveInRecorder.h"
#include "PulseTestUtil.h"
#include "TestUtil.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using tavtest::waitUntil;
using namespace pulsetest;

namespace {

TEST(RecordingSessionPulse, TheFileHoldsTheWholeTimeBetweenStartAndStop)
{
    ASSERT_TRUE(tavtest::haveSoundServer()) << "the test session has no sound server";
    TonePlayer tone(30, 0);
    ASSERT_TRUE(tone.started()) << "pacat is needed (pulseaudio-utils)";
    QTemporaryDir dir;
    RecordingSession session(std::make_unique<WaveInRecorder>());
    WaveInRecorder &rec = session.Recorder();
    ASSERT_TRUE(rec.SelectDevice(deviceIndex(rec, kMonitor)));
    rec.SetMixerLineVolume(65535);
    // The recording window does this as soon as it has its device.
    ASSERT_TRUE(session.Prepare(44100, 2));
    ASSERT_TRUE(waitUntil([&] { return rec.IsFlowing(); }, 5000)) << "no sound from the monitor";

    for (int pressMs : {2000, 6000, 1000}) {
        SCOPED_TRACE(pressMs);
        const QString file = dir.filePath(QStringLiteral("take%1.wav").arg(pressMs));
        QElapsedTimer clock;
        ASSERT_TRUE(session.Start(file, 44100, 2));
        clock.start();
        waitUntil([&] { return clock.elapsed() >= pressMs; }, pressMs + 1000);
        session.Stop();
        const double heldMs = double(clock.nsecsElapsed()) / 1e6;
        ASSERT_TRUE(waitUntil([&] { return !session.IsActive(); }, 3000));
        EXPECT_EQ(session.state(), RecordingSession::State::Idle);

        const WavFile w = readWav(file);
        ASSERT_TRUE(w.valid) << file.toStdString();
        EXPECT_EQ(w.rate, 44100);
        EXPECT_EQ(w.channels, 2);
        EXPECT_NEAR(w.ms(), heldMs, 50.0) << "expected " << heldMs * 44.1 << " frames, got " << w.frames();
        EXPECT_EQ(firstQuietWindow(w, 50, 3000.0), -1) << "a gap or silence in the recording";
    }
}

} // namespace
