#include "RecordingSession.h"

#include "common/NumberedError.h"
#include "dsp/clsDSP.h"
#include "EncoderWAV.h"
#include "RecordingRules.h"
#include "WaveInRecorder.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>

RecordingSession::RecordingSession(std::unique_ptr<WaveInRecorder> recorder, QObject *parent)
    : QObject(parent), m_recorder(std::move(recorder)), m_encoder(std::make_unique<EncoderWAV>()),
      m_dsp(std::make_unique<clsDSP>()), m_processed(1024, 0)
{
    connect(m_recorder.get(), &WaveInRecorder::GotData, this, &RecordingSession::onData);
    connect(m_recorder.get(), &WaveInRecorder::RecordingLost, this, &RecordingSession::onLost);
    connect(m_recorder.get(), &WaveInRecorder::Flowing, this, [this] {
        if (m_state == State::Starting && m_recorder->IsRecording())
            setState(State::Recording);
    });
    m_stopWait.setSingleShot(true);
    m_stopWait.setInterval(kStopWaitMs);
    connect(&m_stopWait, &QTimer::timeout, this, [this] {
        if (m_state == State::Stopping)
            complete(Failure::None);
    });
}

RecordingSession::~RecordingSession()
{
    Finish();
    m_recorder->disconnect(this);
}

bool RecordingSession::IsActive() const
{
    return m_state == State::Starting || m_state == State::Recording || m_state == State::Stopping;
}

QString RecordingSession::WorkingFileNameFor(const QString &fileName)
{
    return fileName + QStringLiteral(".part");
}

bool RecordingSession::Prepare(qint32 rate, qint16 channels)
{
    if (IsActive())
        return false;
    return m_recorder->Arm(rate, channels);
}

void RecordingSession::Release()
{
    if (!IsActive())
        m_recorder->Disarm();
}

bool RecordingSession::Start(const QString &fileName, qint32 rate, qint16 channels)
{
    if (IsActive())
        return false;
    m_failure = Failure::None;
    if (!recording::RateSupported(rate) || (channels != 1 && channels != 2)) {
        fail(Failure::RateRefused);
        return false;
    }
    try {
        m_dsp->setSampleRate(rate);
        m_dsp->setChannels(channels);
    } catch (const NumberedError &) {
        fail(Failure::RateRefused);
        return false;
    }

    // A leftover working file (a crash) goes; a link planted there is removed, not followed.
    const QString working = WorkingFileNameFor(fileName);
    const QFileInfo leftover(working);
    if ((leftover.exists() || leftover.isSymLink()) && !leftover.isDir())
        QFile::remove(working);
    if (m_encoder->Encoder_EncoderInit(rate, channels, QFile::encodeName(working).toStdString()) != EncoderWAV::Ok) {
        QFile::remove(working);
        fail(Failure::EncoderRefused);
        return false;
    }
    // Room for a whole capture buffer, so that a buffer is copied without allocating.
    m_processed.reserve(std::size_t(std::max(m_recorder->BufferSize(), 2048) / 2));
    m_fileName = fileName;
    m_workingName = working;
    m_rate = rate;
    m_channels = channels;
    m_frames = 0;
    m_wanted = -1;
    m_elapsedMs = 0;
    m_bytesPerSecond = rate * channels * 2;

    // The device is armed first when it was not: what it captured before this call is dropped.
    m_recorder->Arm(rate, channels);
    m_clock.start();
    if (!m_recorder->StartRecord(rate, channels)) {
        m_encoder->Encoder_EncoderClose();
        QFile::remove(working);
        m_bytesPerSecond = 0;
        fail(Failure::CaptureRefused);
        return false;
    }
    setState(m_recorder->IsFlowing() ? State::Recording : State::Starting);
    return true;
}

void RecordingSession::Stop()
{
    if (m_state != State::Starting && m_state != State::Recording)
        return;
    const qint64 wall = m_clock.nsecsElapsed() * m_rate / 1000000000;
    const qint64 inFlight = qint64(m_recorder->BufferSize() / (2 * m_channels)) + qint64(m_rate) * kInFlightMs / 1000;
    m_wanted = std::min(wall, m_frames + inFlight);
    if (m_frames >= m_wanted) {
        complete(Failure::None);
        return;
    }
    setState(State::Stopping);
    m_stopWait.start();
}

void RecordingSession::Finish()
{
    if (IsActive()) {
        complete(Failure::None, false);
        m_recorder->Disarm();
    }
}

// A captured buffer: through the effects into the file; while stopping, only up to the frames
// the recording gets.
void RecordingSession::onData(std::span<qint16> buffer, qint32 bytes)
{
    if (!IsActive() || bytes <= 0)
        return;
    const std::size_t channels = std::size_t(m_channels);
    std::size_t frames = std::min(std::size_t(bytes) / 2, buffer.size()) / channels;
    if (m_wanted >= 0)
        frames = std::size_t(std::clamp<qint64>(m_wanted - m_frames, 0, qint64(frames)));
    const std::size_t n = frames * channels;
    if (n > 0) {
        m_processed.assign(buffer.begin(), buffer.begin() + qsizetype(n));
        m_dsp->ProcessSamples(m_processed);
        const auto length = qint32(n * 2);
        m_elapsedMs = recording::ElapsedAfterBuffer(m_elapsedMs, length, m_bytesPerSecond);
        qint32 used = 0;
        if (m_encoder->Encoder_Encode(m_processed.data(), length, used) == EncoderWAV::WriteFailed) {
            complete(Failure::WriteError);
            return;
        }
        m_frames += qint64(frames);
    }
    if (m_state == State::Starting)
        setState(State::Recording);
    if (m_wanted >= 0 && m_frames >= m_wanted)
        complete(Failure::None);
}

void RecordingSession::onLost(capture::Loss why)
{
    if (!IsActive())
        return;
    m_loss = why;
    complete(Failure::SoundLost);
}

// The end of a recording: the device back to armed, the file completed and put in place when it
// holds sound, the working file removed when it holds none.
void RecordingSession::complete(Failure failure, bool rearm)
{
    m_stopWait.stop();
    m_recorder->StopRecord();
    const bool closed = m_encoder->Encoder_EncoderClose() == EncoderWAV::Ok;
    m_bytesPerSecond = 0;
    m_elapsedMs = 0;
    m_wanted = -1;
    // After a write error the header is still completed over what was written.
    const bool usable = closed || failure == Failure::WriteError;
    if (m_frames == 0) {
        QFile::remove(m_workingName);
    } else if (!usable || std::rename(QFile::encodeName(m_workingName).constData(),
                                      QFile::encodeName(m_fileName).constData()) != 0) {
        // The working file stays for whatever it holds; the target is untouched.
        if (failure == Failure::None)
            failure = Failure::WriteError;
    }
    m_failure = failure;
    // Ready for the next recording (the device may be gone after a loss: the next Start retries).
    if (rearm && failure != Failure::SoundLost)
        m_recorder->Arm(m_rate, m_channels);
    setState(failure == Failure::None ? State::Idle : State::Failed);
}

void RecordingSession::fail(Failure failure)
{
    m_failure = failure;
    setState(State::Failed);
}

void RecordingSession::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}
