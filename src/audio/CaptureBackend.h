#pragma once
// The sound-system operations the capture engine (WaveInRecorder) is written against: capture
// devices, one capture stream fed from a queue of caller-owned buffers, and the mixer of a device
// described as destination lines, source lines and controls.
//
// Thread and ownership contract
// - A backend belongs to one WaveInRecorder and is called only from the thread that created it,
//   which must run a Qt event loop (the user-interface thread).
// - Buffers (WaveHeader and the memory it points to) belong to the caller. Between AddBuffer and
//   the buffer-done call the backend may write into the memory from any thread; the caller leaves
//   it alone. Reset and Close hand every queued buffer back without a buffer-done call.
// - The buffer-done call (CaptureClient::BufferDone) is made on the creating thread, from the
//   event loop, never from inside another backend call. The client may call any backend operation
//   from it, Stop, Reset and Close included. The same holds for the stream-lost call.
// - A stream that ends by itself (the sound server went away, the device was removed) is reported
//   once through CaptureClient::StreamLost, after the buffer-done calls for everything it
//   captured, a partly filled buffer included. The stream stays open (and delivers nothing more)
//   until the client closes it.
#include "common/WaveFormat.h"

#include <cstdint>
#include <span>
#include <string>

// Component types, control types and limits the engine relies on.
namespace capture {
constexpr std::uint32_t kComponentDstWaveIn = 7;         // the recording destination of a mixer
constexpr std::uint32_t kComponentSrcUndefined = 0x1000; // source line kinds
constexpr std::uint32_t kComponentSrcDigital = 0x1001;
constexpr std::uint32_t kComponentSrcLine = 0x1002;
constexpr std::uint32_t kComponentSrcMicrophone = 0x1003;
constexpr std::uint32_t kComponentSrcSynthesizer = 0x1004;
constexpr std::uint32_t kComponentSrcCompactDisc = 0x1005;
constexpr std::uint32_t kComponentSrcTelephone = 0x1006;
constexpr std::uint32_t kComponentSrcPcSpeaker = 0x1007;
constexpr std::uint32_t kComponentSrcWaveOut = 0x1008;   // what the card plays ("what you hear")
constexpr std::uint32_t kComponentSrcAuxiliary = 0x1009;
constexpr std::uint32_t kComponentSrcAnalog = 0x100A;

constexpr std::uint32_t kControlMultiplexer = 0x70010001; // one boolean per item, one channel
constexpr std::uint32_t kControlVolume = 0x50030001;      // one unsigned value per channel

constexpr std::uint16_t kFormatPcm = 1;
constexpr int kDeviceNameChars = 32; // product name field of a capture device
constexpr int kLineNameChars = 64;   // name field of a mixer line
constexpr int kDefaultDevice = -1;   // the sound system's default capture device

// Why a capture stream ended by itself.
enum class Loss {
    Server, // the connection to the sound system was lost (the server stopped or restarted)
    Device, // the device went away while the server stayed
};

// WaveHeader::flags
constexpr std::uint32_t kHeaderDone = 0x01;
constexpr std::uint32_t kHeaderPrepared = 0x02;
constexpr std::uint32_t kHeaderInQueue = 0x10;
} // namespace capture


// One capture buffer as the backend sees it.
struct WaveHeader {
    std::int16_t *data = nullptr;   // sample storage, owned by the caller
    std::uint32_t bufferLength = 0; // bytes available at data
    std::uint32_t bytesRecorded = 0; // bytes the backend wrote (whole frames only)
    std::intptr_t user = 0;         // caller's value (the ring slot)
    std::uint32_t flags = 0;        // capture::kHeader*
};

// A mixer line: a destination (where sound goes, e.g. the recording destination) or a source
// line connected to it (microphone, line in, ...).
struct MixerLine {
    std::uint32_t componentType = 0;
    std::uint32_t lineId = 0;
    int connections = 0; // destinations: number of source lines
    int controls = 0;
    int channels = 0;
    std::string name; // UTF-8
};

struct MixerControl {
    std::uint32_t controlId = 0;
    std::uint32_t controlType = 0;
    int items = 0; // multiplexer: number of items; 0 for single-valued controls
    std::uint32_t minimum = 0;
    std::uint32_t maximum = 0;
};

class CaptureClient {
public:
    // A queued buffer is full (or handed back); header->bytesRecorded holds the length.
    virtual void BufferDone(WaveHeader *header) = 0;
    // The open stream ended by itself; nothing more will be captured.
    virtual void StreamLost(capture::Loss why) = 0;

protected:
    ~CaptureClient() = default;
};

class CaptureBackend {
public:
    virtual ~CaptureBackend() = default;

    // Capture devices. DeviceCount takes a fresh list (0 when the query fails); DeviceName and
    // DeviceId refer to the list the last DeviceCount took. A device's identifier is its name in
    // the sound system: it names the same device whatever was added or removed since.
    virtual int DeviceCount() = 0;
    virtual std::string DeviceName(int device) = 0; // empty when out of range
    virtual std::string DeviceId(int device) = 0;   // empty when out of range

    // The capture stream (one at a time) from the device of that identifier, the default device
    // when it is empty. Open refuses formats the device does not take and devices that are gone.
    virtual bool Open(const std::string &deviceId, const WaveFormat &format, CaptureClient *client) = 0;
    virtual bool PrepareHeader(WaveHeader *header) = 0;
    virtual bool UnprepareHeader(WaveHeader *header) = 0; // fails while the header is queued
    virtual bool Start() = 0;
    virtual bool AddBuffer(WaveHeader *header) = 0;
    virtual void Stop() = 0;
    virtual void Reset() = 0; // hands back all queued buffers
    virtual void Close() = 0;

    // The mixer that belongs to a capture device (one at a time), by the device's identifier.
    virtual bool MixerOpen(const std::string &deviceId) = 0;
    virtual void MixerClose() = 0;
    virtual int MixerDestinationCount() = 0;
    virtual bool MixerDestination(int destination, MixerLine &line) = 0;
    virtual bool MixerSource(int destination, int source, MixerLine &line) = 0;
    virtual bool MixerLineControl(std::uint32_t lineId, std::uint32_t controlType, MixerControl &control) = 0;
    // values: one per item for a multiplexer, one per channel for a volume control.
    virtual bool MixerGetControl(std::uint32_t controlId, std::span<std::uint32_t> values) = 0;
    virtual bool MixerSetControl(std::uint32_t controlId, std::span<const std::uint32_t> values) = 0;
};
