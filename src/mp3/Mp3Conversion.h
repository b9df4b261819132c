#pragma once
// One conversion at a time on a worker thread, for the conversion window: the encoder runs on
// the worker, its progress reaches the owner's thread as queued calls (at most one every 15 ms,
// always the latest position, never a backlog; the last step before Finished), a cancel request
// is handed to the encoder at its next progress step, and the outcome arrives as Finished.
//
// The MP3 is written under a temporary name in the output's folder and renamed over the output
// only once complete, so the output name never holds a partial file: not after a cancel, not
// after an error, and an older file of that name stays until the new one is whole.
//
// Threads: the object lives on the owner's thread, where every member is called and every signal
// arrives. While Running() the encoder belongs to the worker and the owner must not touch it.
// Destroying the object cancels a running conversion and waits for the worker to end.
#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <cstdint>

class cLameEncoder;

class Mp3Conversion : public QObject {
    Q_OBJECT
public:
    enum class Outcome { Done, Cancelled, Failed };
    Q_ENUM(Outcome)

    explicit Mp3Conversion(cLameEncoder &encoder, QObject *parent = nullptr);
    ~Mp3Conversion() override;

    // Starts converting the encoder's WavFile into `output` (its preset as set). False, doing
    // nothing, while a conversion runs.
    bool Start(const QString &output);
    // Asks the running conversion to stop at its next buffer; the output is not written.
    void Cancel();
    bool Running() const { return m_thread != nullptr; }
    // Blocks until the worker has ended (after Cancel this is at most one buffer's work); the
    // outcome is delivered at once, before this returns.
    void Wait();

    const QString &Output() const { return m_output; }

signals:
    // position and length count 16-bit samples; cancelled: a cancel was handed to the encoder.
    void Progress(qint32 position, qint32 length, bool cancelled);
    // number and description are the error's for Failed, else 0 and empty.
    void Finished(Mp3Conversion::Outcome outcome, long number, const QString &description);

private:
    void run();           // worker thread
    void deliverProgress(); // owner's thread
    void finish();        // owner's thread

    cLameEncoder &m_encoder;
    QThread *m_thread = nullptr;
    quint64 m_generation = 0;
    QString m_output, m_temp;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_progressPending{false};
    std::atomic<bool> m_progressStored{false};
    std::atomic<qint32> m_position{0}, m_length{0};
    std::atomic<bool> m_cancelSeen{false};
    // Written by the worker before it ends, read by the owner after joining it.
    Outcome m_outcome = Outcome::Done;
    long m_errorNumber = 0;
    QString m_errorDescription;
};
