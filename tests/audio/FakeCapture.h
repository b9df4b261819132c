#pragma once
// An in-memory sound system for the capture engine's tests: devices with mixers (destinations,
// lines, a multiplexer, volumes), a capture stream whose buffers the test fills, and switches that
// make single operations fail. The state is shared so a test can look at it after the recorder
// (which owns the backend) is gone.
#include "audio/CaptureBackend.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <string>
#include <vector>

struct FakeLine {
    std::string name;
    std::uint32_t type = capture::kComponentSrcMicrophone;
    int channels = 2;
    std::uint32_t volume[2] = {0, 0};
};

struct FakeDevice {
    std::string name;
    std::string id; // the identifier; the name when empty
    bool mixerFails = false;
    // Component types of the mixer's destinations; the lines hang on the first wave-in one.
    std::vector<std::uint32_t> destinations = {capture::kComponentDstWaveIn};
    std::vector<FakeLine> lines;
    std::vector<std::uint32_t> mux; // multiplexer items; empty: no multiplexer
};

struct FakeState {
    std::vector<FakeDevice> devices;
    int openMixer = -1;      // index of the open mixer's device when it was opened
    std::string openMixerId; // ... and its identifier, which finds it after list changes
    int mixerCloses = 0;

    std::uint32_t maxRate = 48000; // faster rates are refused, as are other than 1 or 2 channels
    int failPrepareAt = -1;        // the n-th PrepareHeader after Open fails
    bool failStart = false;
    bool streamOpen = false;
    bool started = false;
    int openedDevice = -2; // index in devices at Open, kDefaultDevice for the default
    WaveFormat format;
    CaptureClient *client = nullptr;
    int prepareCalls = 0;
    std::vector<WaveHeader *> prepared;
    std::deque<WaveHeader *> queued;
    std::vector<std::string> calls; // stream operations, in order

    static constexpr std::uint32_t kDestinationId = 0xD000;
    static constexpr std::uint32_t kMuxId = 1;
    static constexpr std::uint32_t kVolumeId = 0x100;

    FakeDevice *mixer()
    {
        const int i = openMixer >= 0 ? indexOf(openMixerId) : -1;
        return i >= 0 ? &devices[std::size_t(i)] : nullptr;
    }
    static std::string idOf(const FakeDevice &d) { return d.id.empty() ? d.name : d.id; }
    int indexOf(const std::string &id) const
    {
        for (std::size_t i = 0; i < devices.size(); ++i)
            if (idOf(devices[i]) == id)
                return int(i);
        return -1;
    }
    int waveInDestination()
    {
        FakeDevice *d = mixer();
        if (!d)
            return -1;
        auto it = std::find(d->destinations.begin(), d->destinations.end(), capture::kComponentDstWaveIn);
        return it == d->destinations.end() ? -1 : int(it - d->destinations.begin());
    }

    // Fills the oldest queued buffer with `bytes` bytes of `value` and makes the buffer-done call.
    bool fillNext(std::uint32_t bytes, std::int16_t value)
    {
        if (queued.empty() || !client)
            return false;
        WaveHeader *h = queued.front();
        queued.pop_front();
        bytes = std::min(bytes, h->bufferLength);
        std::fill(h->data, h->data + bytes / 2, value);
        h->bytesRecorded = bytes;
        h->flags = (h->flags & ~capture::kHeaderInQueue) | capture::kHeaderDone;
        client->BufferDone(h);
        return true;
    }

    // The open stream ends by itself.
    bool lose(capture::Loss why)
    {
        if (!client)
            return false;
        client->StreamLost(why);
        return true;
    }
};

class FakeCapture final : public CaptureBackend {
public:
    explicit FakeCapture(std::shared_ptr<FakeState> state) : s(std::move(state)) {}

    int DeviceCount() override { return int(s->devices.size()); }
    std::string DeviceName(int device) override
    {
        return device >= 0 && device < DeviceCount() ? s->devices[std::size_t(device)].name : std::string();
    }
    std::string DeviceId(int device) override
    {
        return device >= 0 && device < DeviceCount() ? FakeState::idOf(s->devices[std::size_t(device)]) : std::string();
    }

    bool Open(const std::string &id, const WaveFormat &format, CaptureClient *client) override
    {
        s->calls.push_back("Open");
        const int device = id.empty() ? capture::kDefaultDevice : s->indexOf(id);
        if (s->streamOpen || format.Channels < 1 || format.Channels > 2 || format.SamplesPerSec > s->maxRate
            || (!id.empty() && device < 0))
            return false;
        s->streamOpen = true;
        s->openedDevice = device;
        s->format = format;
        s->client = client;
        s->prepareCalls = 0;
        return true;
    }
    bool PrepareHeader(WaveHeader *h) override
    {
        s->calls.push_back("Prepare");
        if (!s->streamOpen || s->prepareCalls++ == s->failPrepareAt)
            return false;
        h->flags |= capture::kHeaderPrepared;
        s->prepared.push_back(h);
        return true;
    }
    bool UnprepareHeader(WaveHeader *h) override
    {
        s->calls.push_back("Unprepare");
        if (h->flags & capture::kHeaderInQueue)
            return false;
        h->flags &= ~capture::kHeaderPrepared;
        s->prepared.erase(std::remove(s->prepared.begin(), s->prepared.end(), h), s->prepared.end());
        return true;
    }
    bool Start() override
    {
        s->calls.push_back("Start");
        if (!s->streamOpen || s->failStart)
            return false;
        s->started = true;
        return true;
    }
    bool AddBuffer(WaveHeader *h) override
    {
        s->calls.push_back("Add");
        if (!s->streamOpen || !(h->flags & capture::kHeaderPrepared) || (h->flags & capture::kHeaderInQueue))
            return false;
        h->flags = (h->flags & ~capture::kHeaderDone) | capture::kHeaderInQueue;
        h->bytesRecorded = 0;
        s->queued.push_back(h);
        return true;
    }
    void Stop() override
    {
        s->calls.push_back("Stop");
        s->started = false;
    }
    void Reset() override
    {
        s->calls.push_back("Reset");
        for (WaveHeader *h : s->queued)
            h->flags = (h->flags & ~capture::kHeaderInQueue) | capture::kHeaderDone;
        s->queued.clear();
    }
    void Close() override
    {
        s->calls.push_back("Close");
        s->streamOpen = false;
        s->client = nullptr;
    }

    bool MixerOpen(const std::string &id) override
    {
        const int device = s->indexOf(id);
        if (device < 0 || s->devices[std::size_t(device)].mixerFails)
            return false;
        s->openMixer = device;
        s->openMixerId = id;
        return true;
    }
    void MixerClose() override
    {
        s->openMixer = -1;
        s->openMixerId.clear();
        ++s->mixerCloses;
    }
    int MixerDestinationCount() override { return s->mixer() ? int(s->mixer()->destinations.size()) : 0; }
    bool MixerDestination(int d, MixerLine &line) override
    {
        if (d < 0 || d >= MixerDestinationCount())
            return false;
        line = MixerLine{};
        line.componentType = s->mixer()->destinations[std::size_t(d)];
        line.lineId = FakeState::kDestinationId + std::uint32_t(d);
        line.connections = d == s->waveInDestination() ? int(s->mixer()->lines.size()) : 0;
        line.name = "Destination";
        return true;
    }
    bool MixerSource(int d, int source, MixerLine &line) override
    {
        if (d != s->waveInDestination() || source < 0 || source >= int(s->mixer()->lines.size()))
            return false;
        const FakeLine &l = s->mixer()->lines[std::size_t(source)];
        line = MixerLine{};
        line.componentType = l.type;
        line.lineId = std::uint32_t(source);
        line.channels = l.channels;
        line.name = l.name;
        return true;
    }
    bool MixerLineControl(std::uint32_t lineId, std::uint32_t type, MixerControl &control) override
    {
        FakeDevice *d = s->mixer();
        if (!d)
            return false;
        control = MixerControl{};
        control.controlType = type;
        if (type == capture::kControlMultiplexer && lineId == FakeState::kDestinationId + std::uint32_t(s->waveInDestination())
            && !d->mux.empty()) {
            control.controlId = FakeState::kMuxId;
            control.items = int(d->mux.size());
            control.maximum = 1;
            return true;
        }
        if (type == capture::kControlVolume && lineId < d->lines.size()) {
            control.controlId = FakeState::kVolumeId + lineId;
            control.maximum = 65535;
            return true;
        }
        return false;
    }
    bool MixerGetControl(std::uint32_t id, std::span<std::uint32_t> values) override
    {
        FakeDevice *d = s->mixer();
        if (!d)
            return false;
        if (id == FakeState::kMuxId && values.size() == d->mux.size()) {
            std::copy(d->mux.begin(), d->mux.end(), values.begin());
            return true;
        }
        if (id >= FakeState::kVolumeId && id - FakeState::kVolumeId < d->lines.size()) {
            const FakeLine &l = d->lines[id - FakeState::kVolumeId];
            if (values.size() != std::size_t(std::clamp(l.channels, 1, 2)))
                return false;
            std::copy_n(l.volume, values.size(), values.begin());
            return true;
        }
        return false;
    }
    bool MixerSetControl(std::uint32_t id, std::span<const std::uint32_t> values) override
    {
        FakeDevice *d = s->mixer();
        if (!d)
            return false;
        if (id == FakeState::kMuxId && values.size() == d->mux.size()) {
            std::copy(values.begin(), values.end(), d->mux.begin());
            return true;
        }
        if (id >= FakeState::kVolumeId && id - FakeState::kVolumeId < d->lines.size()) {
            FakeLine &l = d->lines[id - FakeState::kVolumeId];
            if (values.size() != std::size_t(std::clamp(l.channels, 1, 2)))
                return false;
            std::copy(values.begin(), values.end(), l.volume);
            return true;
        }
        return false;
    }

private:
    std::shared_ptr<FakeState> s;
};
