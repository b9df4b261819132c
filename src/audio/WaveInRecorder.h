#pragma once
// WaveInRecorder: lists the capture devices, selects a device's recording line and its volume,
// and streams 16-bit PCM in a ring of BufferCount buffers of BufferSize bytes. Each filled buffer
// is handed out through GotData and queued again when the handler returns.
//
// Thread and ownership contract
// - Create, use and destroy the recorder on one thread that runs a Qt event loop (the
//   user-interface thread). GotData is emitted on that thread from the event loop, so it never
//   runs at the same time as another member; no lock is needed by the owner.
// - Connect to GotData directly (the default for receivers on the same thread). The span views
//   the ring slot's whole sample array (BufferSize / 2 samples); the first lngLen bytes hold new
//   sound. The handler may change the samples but must not keep the span: the slot is filled again
//   as soon as the handler returns. The handler may call StopRecord (the buffer is then not queued
//   again) and even StartRecord.
// - The recorder owns its backend; the ring is allocated by StartRecord and kept until the next
//   StartRecord or the end of the recorder. Delivery allocates nothing.
// - A failed StartRecord leaves nothing open. Destruction stops a recording and closes the mixer.
// - The selected device is remembered by its identifier in the sound system: StartRecord and the
//   mixer use that device even when devices were added or removed since the list was read, and
//   SelectedDevice follows its place in every list DeviceCount reads (-1 while it is missing).
// - A recording whose stream ends by itself (the sound server stopped or restarted, the device
//   went away) is stopped: GotData hands out everything captured up to then, the partly filled
//   buffer included, then RecordingLost is emitted once with the recorder already stopped.
// - Arming: Arm opens the selected device and lets its sound flow into the ring, which drops it,
//   so that a StartRecord in the same format takes the sound from its own call on. A device
//   whose sound reaches a new stream late (the monitor of an output that plays ahead of time
//   delivers nothing until real time catches up with it) then loses nothing at the start.
//   StopRecord of an armed recorder goes back to armed; Disarm, SelectDevice and destruction
//   close the device. An armed stream that ends by itself is closed without a signal.
#include "CaptureBackend.h"

#include <QObject>
#include <QString>
#include <memory>
#include <span>
#include <string>
#include <vector>

class WaveInRecorder : public QObject, private CaptureClient {
    Q_OBJECT
public:
    // Records through the sound server (PulseAudio).
    explicit WaveInRecorder(QObject *parent = nullptr);
    explicit WaveInRecorder(std::unique_ptr<CaptureBackend> backend, QObject *parent = nullptr);
    ~WaveInRecorder() override;

    bool IsRecording() const { return m_recording; }
    qint32 BufferCount() const { return m_bufferCount; }
    void SetBufferCount(qint32 count) { m_bufferCount = count; }
    qint32 BufferSize() const { return m_bufferSize; }
    void SetBufferSize(qint32 bytes) { m_bufferSize = bytes; }

    qint32 DeviceCount();
    QString DeviceName(qint32 index);
    bool SelectDevice(qint32 index);
    qint32 SelectedDevice() const { return m_selectedDevice; }

    qint32 MixerLineCount();
    QString MixerLineName(qint32 index);
    qint32 MixerLineType(qint32 index = -1); // -1: the selected line
    bool SelectMixerLine(qint32 index);
    qint32 SelectedMixerLine();
    qint32 MixerLineVolume();
    void SetMixerLineVolume(qint32 Volume);

    bool StartRecord(qint32 SampleRate, qint16 Channels);
    bool StopRecord();

    // Keeps the selected device open in that format (see Arming above); false when it cannot be
    // opened or while recording. IsArmed stays true during a recording started from it.
    bool Arm(qint32 SampleRate, qint16 Channels);
    void Disarm();
    bool IsArmed() const { return m_armed; }
    // Whether an armed device has delivered sound since it was armed.
    bool IsFlowing() const { return m_flowing; }

signals:
    void GotData(std::span<qint16> intBuffer, qint32 lngLen);
    // An armed device delivered its first sound.
    void Flowing();
    // The recording ended by itself; why says whether the sound server or the device went away.
    void RecordingLost(capture::Loss why);

private:
    struct CaptureBuffer {
        WaveHeader header;
        std::vector<qint16> samples;
    };

    void BufferDone(WaveHeader *header) override;
    void StreamLost(capture::Loss why) override;
    void followSelection(qint32 count);
    bool waveInDestination(int &destination, MixerLine &line);
    bool sourceLine(int index, MixerLine &line);
    bool multiplexer(MixerControl &control, std::vector<std::uint32_t> &items);
    bool selectedLineVolume(MixerControl &control, int &channels);
    void closeMixer();
    bool openStream(qint32 SampleRate, qint16 Channels);
    void closeStream();
    void requeueAll();

    std::unique_ptr<CaptureBackend> m_backend;
    qint32 m_selectedDevice = -1;
    std::string m_selectedId; // the selected device's identifier; empty: none selected
    qint32 m_bufferSize = 10240;
    qint32 m_bufferCount = 5;
    std::vector<CaptureBuffer> m_buffers;
    bool m_open = false;      // the capture device is open
    bool m_recording = false; // ... and its sound goes to GotData
    bool m_armed = false;     // ... and stays open between recordings
    bool m_flowing = false;
    qint32 m_rate = 0;        // format of the open device
    qint16 m_channels = 0;
    bool m_mixerOpen = false;
    quint64 m_generation = 0; // changes whenever the ring is released
};
