#pragma once
// PulseCapture: the capture backend over a PulseAudio sound server (or PipeWire's Pulse service).
//
// How the sound server appears through CaptureBackend
// - Devices are the server's sources, monitor sources included ("what you hear"), in the server's
//   order; a device's name is the source's description, its identifier the source's name.
// - A stream from a chosen source stays on it: when the source goes away the stream ends (and is
//   reported lost) rather than moving to another source. A stream from the default source follows
//   the server's default.
// - A device's mixer has one destination, the recording destination. Its source lines are the
//   source's ports; a source without ports has one line that stands for the source itself.
// - The recording destination's multiplexer has one item per line, in reverse line order (item
//   count - 1 - i is line i); the set item is the active port, and setting an item switches the
//   source to that port.
// - Every line's volume control is the source volume, raw 0..65535 for 0..100 % (PA_VOLUME_NORM);
//   louder settings read as 65535. Mono and stereo sources have one or two channels; a source
//   with more channels shows one value (its loudest channel) and is set uniformly.
// - The capture stream records 16-bit little-endian PCM at the asked rate and channel count (the
//   server converts), in whole frames per buffer.
//
// Thread and ownership contract
// - A libpulse threaded main loop runs the connection on its own thread. Every member is called
//   from the thread that created the object, which runs a Qt event loop. A member that asks the
//   server locks the loop, waits at most kTimeoutMs for the answer and reports a failure (0,
//   empty, false) when the server is missing, gone or silent; the next such member tries to
//   connect again. The connection never starts a sound server.
// - The open mixer is a snapshot of its source, taken by MixerOpen and kept current on the loop
//   thread from the server's change events (guarded by the loop lock). Mixer reads answer from it
//   without asking the server; writes ask the server and update it. When the source or the
//   connection goes away the reads fail; a source of the same name that comes back is followed.
// - The loop thread notices a capture stream that ends by itself (state failed or terminated),
//   moves a partly filled buffer to the done queue and wakes the creating thread, which makes the
//   buffer-done calls and then the stream-lost call.
// - The loop thread copies captured sound into the queued buffers and, for each full buffer, only
//   moves it to the done queue and wakes the creating thread through an eventfd (the queues are
//   guarded by m_queueLock). The creating thread makes the buffer-done calls from its event loop.
//   No allocation happens per buffer on either side.
// - The object owns the loop, the connection, the stream, the eventfd and its notifier, and
//   releases them on every path (Close, the destructor).
#include "CaptureBackend.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

struct pa_threaded_mainloop;
struct pa_mainloop_api;
struct pa_context;
struct pa_stream;
struct pa_operation;
class QSocketNotifier;

// The mapping between a source's state and the mixer view, kept apart so it can be checked
// without a server.
namespace pulsemap {
struct Port {
    std::string name;
    std::string description;
    std::uint32_t type = 0; // the server's port type
};

struct SourceState {
    std::string name;
    std::string description;
    bool monitor = false;
    std::vector<Port> ports;
    int activePort = -1;
    std::vector<std::uint32_t> volume; // server volume per channel
};

constexpr std::uint32_t kDestinationLineId = 0xFFFF0000u;
constexpr std::uint32_t kMultiplexerId = 1;
constexpr std::uint32_t kVolumeIdBase = 0x100; // + line

std::uint32_t RawVolume(std::uint32_t serverVolume);
std::uint32_t ServerVolume(std::uint32_t raw);

int LineCount(const SourceState &source);
MixerLine Destination(const SourceState &source);
bool SourceLine(const SourceState &source, int line, MixerLine &out);
bool LineControl(const SourceState &source, std::uint32_t lineId, std::uint32_t controlType, MixerControl &out);
bool ReadControl(const SourceState &source, std::uint32_t controlId, std::span<std::uint32_t> values);
// Multiplexer write: the port to make active (-1 for a source without ports).
bool PortFromItems(const SourceState &source, std::span<const std::uint32_t> items, int &port);
// Volume write: the server volume of every channel of the source.
bool VolumeFromValues(const SourceState &source, std::span<const std::uint32_t> values,
                      std::vector<std::uint32_t> &serverVolume);
} // namespace pulsemap

class PulseCapture final : public CaptureBackend {
public:
    static constexpr int kTimeoutMs = 3000;

    struct Statistics {
        std::uint64_t filledBuffers = 0; // buffers filled since Open
        std::uint64_t lostBytes = 0;     // sound that found no queued buffer
    };

    // server: a server string ("unix:/path"); empty for the user's server (PULSE_SERVER, ...).
    explicit PulseCapture(std::string server = {});
    ~PulseCapture() override;
    PulseCapture(const PulseCapture &) = delete;
    PulseCapture &operator=(const PulseCapture &) = delete;

    int DeviceCount() override;
    std::string DeviceName(int device) override;
    std::string DeviceId(int device) override;

    bool Open(const std::string &deviceId, const WaveFormat &format, CaptureClient *client) override;
    bool PrepareHeader(WaveHeader *header) override;
    bool UnprepareHeader(WaveHeader *header) override;
    bool Start() override;
    bool AddBuffer(WaveHeader *header) override;
    void Stop() override;
    void Reset() override;
    void Close() override;

    bool MixerOpen(const std::string &deviceId) override;
    void MixerClose() override;
    int MixerDestinationCount() override;
    bool MixerDestination(int destination, MixerLine &line) override;
    bool MixerSource(int destination, int source, MixerLine &line) override;
    bool MixerLineControl(std::uint32_t lineId, std::uint32_t controlType, MixerControl &control) override;
    bool MixerGetControl(std::uint32_t controlId, std::span<std::uint32_t> values) override;
    bool MixerSetControl(std::uint32_t controlId, std::span<const std::uint32_t> values) override;

    Statistics CaptureStatistics();

    // The server's outputs (sinks), in the server's order; ok false (and nothing) when the server
    // did not answer.
    struct Output {
        std::string name;
        std::string description;
    };
    std::vector<Output> Outputs(bool *ok = nullptr);
    // Called on the loop thread, with no lock a member takes held by the caller, whenever an
    // output comes or goes on the connection (the next member that asks the server makes it
    // again after the server went away). It may only post work to another thread.
    void SetOutputsChanged(std::function<void()> changed);

private:
    struct Device {
        std::string name;
        std::string description;
    };

    // A fixed-capacity first-in first-out queue of buffers; sized when headers are prepared.
    class HeaderQueue {
    public:
        void reserve(std::size_t capacity);
        void push(WaveHeader *header);
        WaveHeader *front() const { return m_count ? m_slots[m_head] : nullptr; }
        void pop();
        void clear() { m_head = m_count = 0; }

    private:
        std::vector<WaveHeader *> m_slots;
        std::size_t m_head = 0;
        std::size_t m_count = 0;
    };

    class LoopLock;

    bool ensureLoop();
    bool connectLocked();
    void dropContextLocked();
    template <class Done> bool waitLocked(Done done);
    bool runLocked(pa_operation *operation);
    bool refreshDevicesLocked();
    bool fetchSourceLocked(const std::string &name, pulsemap::SourceState &state, std::uint32_t &index);
    bool watchMixerLocked();
    void onSourceEvent(unsigned int event, std::uint32_t index);
    const pulsemap::SourceState *mixerStateLocked() const;
    void handBackQueued();
    void drainWake();
    void wake();
    void onStreamState(pa_stream *stream);
    void onReadable(pa_stream *stream);
    void fill(const std::uint8_t *data, std::size_t bytes);
    void onWake();

    std::string m_server;
    std::function<void()> m_outputsChanged; // guarded by the loop lock
    pa_threaded_mainloop *m_loop = nullptr;
    pa_mainloop_api *m_api = nullptr;
    pa_context *m_context = nullptr;
    std::vector<Device> m_devices;
    std::string m_mixerSource; // empty while no mixer is open
    bool m_mixerOpen = false;
    // The open mixer's source as last reported; valid while it exists on a ready connection.
    pulsemap::SourceState m_mixerState;
    std::uint32_t m_mixerIndex = 0;
    bool m_mixerValid = false;

    pa_stream *m_stream = nullptr;
    CaptureClient *m_client = nullptr;

    std::mutex m_queueLock; // guards everything below, shared with the loop thread
    HeaderQueue m_queued;   // waiting to be filled, the front one being filled
    HeaderQueue m_done;     // filled, waiting for the buffer-done call
    std::size_t m_prepared = 0;
    std::uint32_t m_blockAlign = 2;
    Statistics m_statistics;
    bool m_lost = false;         // the open stream ended by itself
    bool m_lossReported = false; // ... and the client was told
    capture::Loss m_loss = capture::Loss::Server;

    int m_wakeFd = -1;
    std::unique_ptr<QSocketNotifier> m_notifier;
};
