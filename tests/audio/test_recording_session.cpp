// The recording session on the in-memory sound system: every transition of its state machine,
// what each leaves on disk (the target file, its working file, an older file of that name), and
// the length a stop gives the recording.
#include "audio/EncoderWAV.h"
#include "audio/RecordingSession.h"
#include "audio/WaveInRecorder.h"
#include "FakeCapture.h"
#include "PulseTestUtil.h"
#include "TestUtil.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using tavtest::waitUntil;
using State = RecordingSession::State;
using Failure = RecordingSession::Failure;

namespace {

constexpr qint64 kBufferFrames = 10240 / 4; // one capture buffer at 44100 Hz stereo

QByteArray readAll(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Fixture {
    QTemporaryDir dir;
    std::shared_ptr<FakeState> state = std::make_shared<FakeState>();
    std::unique_ptr<RecordingSession> session;
    QString file;
    QList<State> states;

    Fixture()
    {
        FakeDevice card;
        card.name = "Carte son";
        card.lines = {{"Micro", capture::kComponentSrcMicrophone, 2, {100, 200}}};
        card.mux = {1};
        state->devices = {card};
        session = std::make_unique<RecordingSession>(std::make_unique<WaveInRecorder>(std::make_unique<FakeCapture>(state)));
        session->Recorder().SelectDevice(0);
        QObject::connect(session.get(), &RecordingSession::stateChanged, [this](State s) { states << s; });
        file = dir.filePath(QStringLiteral("Enregistrement.wav"));
        // A recording made before: what a failed or empty recording must leave as it was.
        QFile old(file);
        old.open(QIODevice::WriteOnly);
        old.write("an older recording");
    }
    bool feed(int buffers, qint16 value = 1000)
    {
        for (int i = 0; i < buffers; ++i)
            if (!state->fillNext(10240, value))
                return false;
        return true;
    }
    bool start() { return session->Start(file, 44100, 2); }
};

TEST(RecordingSession, EveryTransitionLeavesTheFilesAsItShould)
{
    const struct {
        const char *what;
        std::function<void(Fixture &)> run;
        QList<State> states;  // the states the session went through
        Failure failure;
        qint64 frames;        // frames of the new file; -1: the older file is left as it was
    } cases[] = {
        {"start, sound, stop with everything in",
         [](Fixture &f) {
             ASSERT_TRUE(f.session->Prepare(44100, 2));
             ASSERT_TRUE(f.start());
             ASSERT_TRUE(f.feed(3));
             f.session->Stop();
         },
         {State::Starting, State::Recording, State::Idle}, Failure::None, 3 * kBufferFrames},
        {"a stop waits for the sound still on its way and cuts it at the stop",
         [](Fixture &f) {
             ASSERT_TRUE(f.start());
             ASSERT_TRUE(f.feed(1));
             waitUntil([] { return false; }, 300);
             f.session->Stop();
             const qint64 wanted = 300 * 44100 / 1000;
             EXPECT_EQ(f.session->state(), State::Stopping);
             EXPECT_GE(f.state->queued.size(), 1u); // the device goes on meanwhile
             while (f.session->state() == State::Stopping)
                 ASSERT_TRUE(f.feed(1));
             EXPECT_GE(f.session->FramesRecorded(), wanted);
             EXPECT_LT(f.session->FramesRecorded(), wanted + 44100 / 20); // the time it took to stop
         },
         {State::Starting, State::Recording, State::Stopping, State::Idle}, Failure::None, -2},
        {"a device that delivers nothing: the stop gives up, no empty file replaces the older one",
         [](Fixture &f) {
             ASSERT_TRUE(f.start());
             waitUntil([] { return false; }, 50);
             f.session->Stop();
             EXPECT_EQ(f.session->state(), State::Stopping);
             ASSERT_TRUE(waitUntil([&] { return f.session->state() == State::Idle; }, 3000));
         },
         {State::Starting, State::Stopping, State::Idle}, Failure::None, -1},
        {"the working file cannot be created",
         [](Fixture &f) {
             QDir().mkpath(RecordingSession::WorkingFileNameFor(f.file) + QStringLiteral("/x"));
             EXPECT_FALSE(f.start());
         },
         {State::Failed}, Failure::EncoderRefused, -1},
        {"the device refuses the format",
         [](Fixture &f) {
             f.state->maxRate = 22050;
             EXPECT_FALSE(f.start());
         },
         {State::Failed}, Failure::CaptureRefused, -1},
        {"the device does not start",
         [](Fixture &f) {
             f.state->failStart = true;
             EXPECT_FALSE(f.start());
         },
         {State::Failed}, Failure::CaptureRefused, -1},
        {"a rate the effects cannot run at",
         [](Fixture &f) { EXPECT_FALSE(f.session->Start(f.file, 99999, 2)); },
         {State::Failed}, Failure::RateRefused, -1},
        {"the sound server goes away: the file holds what came before",
         [](Fixture &f) {
             ASSERT_TRUE(f.start());
             ASSERT_TRUE(f.feed(2));
             ASSERT_TRUE(f.state->lose(capture::Loss::Server));
             EXPECT_EQ(f.session->loss(), capture::Loss::Server);
             EXPECT_FALSE(f.session->Recorder().IsArmed());
             EXPECT_FALSE(f.state->streamOpen);
         },
         {State::Starting, State::Recording, State::Failed}, Failure::SoundLost, 2 * kBufferFrames},
        {"a loss before any sound leaves the older file",
         [](Fixture &f) {
             ASSERT_TRUE(f.start());
             ASSERT_TRUE(f.state->lose(capture::Loss::Device));
         },
         {State::Starting, State::Failed}, Failure::SoundLost, -1},
        {"a full disk: the file holds what was written",
         [](Fixture &f) {
             ASSERT_TRUE(f.start());
             f.session->Encoder().SetMaxFileSize(46 + 2 * 10240);
             ASSERT_TRUE(f.feed(3));
         },
         {State::Starting, State::Recording, State::Failed}, Failure::WriteError, 2 * kBufferFrames},
        {"after a failure the next start records",
         [](Fixture &f) {
             f.state->failStart = true;
             EXPECT_FALSE(f.start());
             f.state->failStart = false;
             ASSERT_TRUE(f.start());
             ASSERT_TRUE(f.feed(1));
             f.session->Stop();
         },
         {State::Failed, State::Starting, State::Recording, State::Idle}, Failure::None, kBufferFrames},
        {"finishing at once (the window closes) keeps what arrived",
         [](Fixture &f) {
             ASSERT_TRUE(f.start());
             ASSERT_TRUE(f.feed(2));
             waitUntil([] { return false; }, 200);
             f.session->Finish();
         },
         {State::Starting, State::Recording, State::Idle}, Failure::None, 2 * kBufferFrames},
        {"a crash's working file, even a planted link, is replaced without touching its target",
         [](Fixture &f) {
             const QString victim = f.dir.filePath(QStringLiteral("victim"));
             QFile v(victim);
             ASSERT_TRUE(v.open(QIODevice::WriteOnly));
             v.write("keep me");
             v.close();
             ASSERT_TRUE(QFile::link(victim, RecordingSession::WorkingFileNameFor(f.file)));
             ASSERT_TRUE(f.start());
             ASSERT_TRUE(f.feed(1));
             f.session->Stop();
             EXPECT_EQ(readAll(victim), QByteArray("keep me"));
         },
         {State::Starting, State::Recording, State::Idle}, Failure::None, kBufferFrames},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        c.run(f);
        EXPECT_EQ(f.states, c.states);
        EXPECT_EQ(f.session->failure(), c.failure);
        EXPECT_FALSE(f.session->IsActive());
        EXPECT_FALSE(f.session->Encoder().IsOpen());
        EXPECT_FALSE(QFileInfo::exists(RecordingSession::WorkingFileNameFor(f.file)) &&
                     !QFileInfo(RecordingSession::WorkingFileNameFor(f.file)).isDir());
        if (c.frames == -1) {
            EXPECT_EQ(readAll(f.file), QByteArray("an older recording"));
        } else {
            const pulsetest::WavFile w = pulsetest::readWav(f.file);
            ASSERT_TRUE(w.valid);
            EXPECT_EQ(w.rate, 44100);
            EXPECT_EQ(w.channels, 2);
            EXPECT_EQ(w.frames(), f.session->FramesRecorded());
            if (c.frames >= 0) {
                EXPECT_EQ(w.frames(), c.frames);
            }
        }
    }
}

// Between recordings the device stays armed: the next start takes only what comes after it.
TEST(RecordingSession, AnArmedDeviceDropsTheSoundBeforeTheStart)
{
    Fixture f;
    ASSERT_TRUE(f.session->Prepare(44100, 2));
    EXPECT_TRUE(f.session->Recorder().IsArmed());
    EXPECT_FALSE(f.session->Recorder().IsFlowing());
    ASSERT_TRUE(f.feed(4, 111)); // before the start: dropped
    EXPECT_TRUE(f.session->Recorder().IsFlowing());
    EXPECT_EQ(f.session->FramesRecorded(), 0);
    const int opens = int(std::count(f.state->calls.begin(), f.state->calls.end(), "Open"));
    ASSERT_TRUE(f.start());
    EXPECT_EQ(f.session->state(), State::Recording); // the sound already flows
    ASSERT_TRUE(f.feed(2, 222));
    f.session->Stop();
    EXPECT_EQ(int(std::count(f.state->calls.begin(), f.state->calls.end(), "Open")), opens);
    EXPECT_TRUE(f.state->streamOpen); // still armed for the next one
    const pulsetest::WavFile w = pulsetest::readWav(f.file);
    ASSERT_TRUE(w.valid);
    ASSERT_EQ(w.frames(), 2 * kBufferFrames);
    EXPECT_EQ(w.samples.front(), 222);

    // A device change or a release closes it.
    f.session->Release();
    EXPECT_FALSE(f.state->streamOpen);
    ASSERT_TRUE(f.session->Prepare(44100, 2));
    f.session->Recorder().SelectDevice(0);
    EXPECT_FALSE(f.state->streamOpen);
    EXPECT_FALSE(f.session->Recorder().IsArmed());
}

} // namespace
