#pragma once
// RecordingSession: one recording at a time from a capture device into a WAV file, through the
// effects, from the press on "Enregistrer" to the last sample captured before the press on
// "Stopper". It owns the recorder, the WAV encoder and the effects processor; the recording window
// is its view.
//
// States and transitions (stateChanged reports each):
//   Idle     --Start-->             Starting   the device runs, no sound has arrived yet
//   Idle     --Start refused-->     Failed     failure() says why; the target file is untouched
//   Starting --first sound-->       Recording
//   Starting, Recording --Stop-->   Stopping   the sound captured before the stop still arrives
//   Stopping --all of it arrived--> Idle       the file is complete and in place
//   any active --sound lost-->      Failed     (SoundLost) the file holds what came before the loss
//   any active --write error-->     Failed     (WriteError) the file holds what was written
//   Failed   --Start-->             Starting (or Failed again)
//   any active --Finish-->          Idle or Failed, at once (closing the window)
//
// The file: the sound goes to a working file beside the target, the target's name with ".part"
// appended, created afresh (a leftover of a crash is removed, a link is never followed). Only a
// recording that ends with sound is renamed over the target: a start that fails, or a recording
// that captured nothing, leaves a previous file of that name byte for byte as it was.
//
// Timing: the device is kept armed between recordings (WaveInRecorder::Arm), so that the sound
// flows before the start and nothing at the start is lost. At Stop, the sound still on its way
// (in the device's partly filled buffer and in the sound server) is awaited: the recording gets as
// many frames as the time between Start and Stop holds, or, when the device delivered less than
// real time (it started late, or runs slow), at most kInFlightMs more than it had delivered at
// Stop. Stopping ends after kStopWaitMs at the latest.
//
// Thread contract: create, use and destroy on the thread that runs the recorder's event loop (the
// user-interface thread). Captured buffers are handled there; nothing in that path allocates.
#include "CaptureBackend.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <span>
#include <vector>

class EncoderWAV;
class WaveInRecorder;
class clsDSP;

class RecordingSession : public QObject {
    Q_OBJECT
public:
    enum class State { Idle, Starting, Recording, Stopping, Failed };
    enum class Failure {
        None,
        RateRefused,    // the effects cannot run at that rate
        EncoderRefused, // the working file or the output format
        CaptureRefused, // the device did not start
        WriteError,     // writing, completing or renaming the file failed
        SoundLost,      // the sound server or the device went away
    };

    static constexpr int kStopWaitMs = 500;
    static constexpr int kInFlightMs = 250;

    explicit RecordingSession(std::unique_ptr<WaveInRecorder> recorder, QObject *parent = nullptr);
    ~RecordingSession() override; // a recording still running is finished at once

    WaveInRecorder &Recorder() const { return *m_recorder; }
    EncoderWAV &Encoder() const { return *m_encoder; }
    clsDSP &DSP() const { return *m_dsp; }

    State state() const { return m_state; }
    bool IsActive() const;
    Failure failure() const { return m_failure; }
    capture::Loss loss() const { return m_loss; }

    // Keeps the selected device flowing in this format between recordings; false when the device
    // cannot be opened now (the next Start tries again).
    bool Prepare(qint32 rate, qint16 channels);
    // Stops keeping the device open (no recording may be running).
    void Release();

    // Idle or Failed: starts recording into fileName. False (state Failed) when refused.
    bool Start(const QString &fileName, qint32 rate, qint16 channels);
    // Starting or Recording: ends the recording once the sound captured until now is in.
    void Stop();
    // Ends an active recording at once with what has arrived, and leaves the device closed.
    void Finish();

    // The recording's target file and the working file it is written to meanwhile.
    QString FileName() const { return m_fileName; }
    QString WorkingFileName() const { return m_workingName; }
    static QString WorkingFileNameFor(const QString &fileName);

    qint32 ElapsedMs() const { return m_elapsedMs; }
    qint32 BytesPerSecond() const { return m_bytesPerSecond; }
    qint64 FramesRecorded() const { return m_frames; }
    // The last captured buffer after the effects (1024 zero samples before the first).
    std::span<const qint16> ProcessedBuffer() const { return m_processed; }

signals:
    void stateChanged(RecordingSession::State state);

private:
    void onData(std::span<qint16> buffer, qint32 bytes);
    void onLost(capture::Loss why);
    void complete(Failure failure, bool rearm = true);
    void setState(State state);
    void fail(Failure failure);

    std::unique_ptr<WaveInRecorder> m_recorder;
    std::unique_ptr<EncoderWAV> m_encoder;
    std::unique_ptr<clsDSP> m_dsp;
    QTimer m_stopWait;

    State m_state = State::Idle;
    Failure m_failure = Failure::None;
    capture::Loss m_loss = capture::Loss::Server;
    QString m_fileName;
    QString m_workingName;
    qint32 m_rate = 0;
    qint16 m_channels = 0;
    QElapsedTimer m_clock;   // from the start of the recording
    qint64 m_frames = 0;     // frames written
    qint64 m_wanted = -1;    // while stopping: the frames the recording gets
    qint32 m_elapsedMs = 0;
    qint32 m_bytesPerSecond = 0;
    std::vector<qint16> m_processed;
};
