#include "PulseCapture.h"

#include <QObject>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <pulse/pulseaudio.h>
#include <sys/eventfd.h>
#include <unistd.h>

using namespace capture;

// ---------------------------------------------------------------------------------------------
// Mapping between a source and the mixer view

namespace pulsemap {
namespace {
constexpr std::uint32_t kRawMax = 65535;

std::uint32_t portComponent(std::uint32_t type)
{
    switch (type) {
    case PA_DEVICE_PORT_TYPE_MIC:
    case PA_DEVICE_PORT_TYPE_HEADSET:
    case PA_DEVICE_PORT_TYPE_HANDSET:
    case PA_DEVICE_PORT_TYPE_HANDSFREE:
        return kComponentSrcMicrophone;
    case PA_DEVICE_PORT_TYPE_LINE:
        return kComponentSrcLine;
    case PA_DEVICE_PORT_TYPE_ANALOG:
        return kComponentSrcAnalog;
    case PA_DEVICE_PORT_TYPE_AUX:
        return kComponentSrcAuxiliary;
    case PA_DEVICE_PORT_TYPE_PHONE:
        return kComponentSrcTelephone;
    case PA_DEVICE_PORT_TYPE_SPDIF:
    case PA_DEVICE_PORT_TYPE_HDMI:
    case PA_DEVICE_PORT_TYPE_USB:
    case PA_DEVICE_PORT_TYPE_NETWORK:
        return kComponentSrcDigital;
    default:
        return kComponentSrcUndefined;
    }
}

// Mono and stereo sources show their channels; other layouts show one uniform value.
int volumeChannels(const SourceState &source)
{
    return source.volume.size() == 2 ? 2 : 1;
}
} // namespace

std::uint32_t RawVolume(std::uint32_t serverVolume)
{
    return std::uint32_t(std::min<std::uint64_t>(kRawMax, (std::uint64_t(serverVolume) * kRawMax + PA_VOLUME_NORM / 2) / PA_VOLUME_NORM));
}

std::uint32_t ServerVolume(std::uint32_t raw)
{
    return std::uint32_t((std::uint64_t(std::min(raw, kRawMax)) * PA_VOLUME_NORM + kRawMax / 2) / kRawMax);
}

int LineCount(const SourceState &source)
{
    return source.ports.empty() ? 1 : int(source.ports.size());
}

MixerLine Destination(const SourceState &source)
{
    MixerLine line;
    line.componentType = kComponentDstWaveIn;
    line.lineId = kDestinationLineId;
    line.connections = LineCount(source);
    line.controls = 1;
    line.channels = volumeChannels(source);
    line.name = source.description;
    return line;
}

bool SourceLine(const SourceState &source, int line, MixerLine &out)
{
    if (line < 0 || line >= LineCount(source))
        return false;
    out = MixerLine{};
    out.lineId = std::uint32_t(line);
    out.controls = 1;
    out.channels = volumeChannels(source);
    if (source.ports.empty()) {
        out.componentType = source.monitor ? kComponentSrcWaveOut : kComponentSrcUndefined;
        out.name = source.description;
    } else {
        const Port &port = source.ports[std::size_t(line)];
        out.componentType = portComponent(port.type);
        out.name = port.description.empty() ? port.name : port.description;
    }
    return true;
}

bool LineControl(const SourceState &source, std::uint32_t lineId, std::uint32_t controlType, MixerControl &out)
{
    out = MixerControl{};
    out.controlType = controlType;
    if (lineId == kDestinationLineId && controlType == kControlMultiplexer) {
        out.controlId = kMultiplexerId;
        out.items = LineCount(source);
        out.maximum = 1;
        return true;
    }
    if (lineId < std::uint32_t(LineCount(source)) && controlType == kControlVolume) {
        out.controlId = kVolumeIdBase + lineId;
        out.maximum = kRawMax;
        return true;
    }
    return false;
}

bool ReadControl(const SourceState &source, std::uint32_t controlId, std::span<std::uint32_t> values)
{
    const int lines = LineCount(source);
    if (controlId == kMultiplexerId) {
        if (values.size() != std::size_t(lines))
            return false;
        std::fill(values.begin(), values.end(), 0u);
        const int active = source.ports.empty() ? 0 : source.activePort;
        if (active >= 0 && active < lines)
            values[std::size_t(lines - 1 - active)] = 1;
        return true;
    }
    if (controlId >= kVolumeIdBase && controlId < kVolumeIdBase + std::uint32_t(lines)) {
        if (values.empty() || values.size() > std::size_t(volumeChannels(source)) || source.volume.empty())
            return false;
        if (source.volume.size() <= 2) {
            for (std::size_t c = 0; c < values.size(); ++c)
                values[c] = RawVolume(source.volume[c]);
        } else {
            values[0] = RawVolume(*std::max_element(source.volume.begin(), source.volume.end()));
        }
        return true;
    }
    return false;
}

bool PortFromItems(const SourceState &source, std::span<const std::uint32_t> items, int &port)
{
    const int lines = LineCount(source);
    if (items.size() != std::size_t(lines))
        return false;
    int k = -1;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i] != 0)
            k = int(i);
    if (k < 0)
        return false;
    port = source.ports.empty() ? -1 : lines - 1 - k;
    return true;
}

bool VolumeFromValues(const SourceState &source, std::span<const std::uint32_t> values,
                      std::vector<std::uint32_t> &serverVolume)
{
    if (values.empty() || values.size() > std::size_t(volumeChannels(source)) || source.volume.empty())
        return false;
    serverVolume.resize(source.volume.size());
    for (std::size_t c = 0; c < serverVolume.size(); ++c)
        serverVolume[c] = ServerVolume(values[std::min(c, values.size() - 1)]);
    return true;
}
} // namespace pulsemap

// ---------------------------------------------------------------------------------------------
// Connection

namespace {
constexpr pa_usec_t kFragmentUsec = 20 * PA_USEC_PER_MSEC; // how often the server hands over sound

void signalLoop(void *loop)
{
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop *>(loop), 0);
}

void successCallback(pa_context *, int success, void *result)
{
    *static_cast<int *>(result) = success;
}

void streamSuccessCallback(pa_stream *, int success, void *result)
{
    *static_cast<int *>(result) = success;
}

pulsemap::SourceState stateOf(const pa_source_info &info)
{
    pulsemap::SourceState s;
    s.name = info.name ? info.name : "";
    s.description = info.description ? info.description : "";
    s.monitor = info.monitor_of_sink != PA_INVALID_INDEX;
    for (std::uint32_t p = 0; p < info.n_ports; ++p) {
        const pa_source_port_info *port = info.ports[p];
        s.ports.push_back({port->name ? port->name : "", port->description ? port->description : "", port->type});
        if (port == info.active_port)
            s.activePort = int(p);
    }
    s.volume.assign(info.volume.values, info.volume.values + info.volume.channels);
    return s;
}
} // namespace

class PulseCapture::LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop *loop) : m_loop(loop) { pa_threaded_mainloop_lock(m_loop); }
    ~LoopLock() { pa_threaded_mainloop_unlock(m_loop); }
    LoopLock(const LoopLock &) = delete;
    LoopLock &operator=(const LoopLock &) = delete;

private:
    pa_threaded_mainloop *m_loop;
};

PulseCapture::PulseCapture(std::string server) : m_server(std::move(server)) {}

PulseCapture::~PulseCapture()
{
    Close();
    if (m_loop) {
        {
            LoopLock lock(m_loop);
            dropContextLocked();
        }
        pa_threaded_mainloop_stop(m_loop);
        pa_threaded_mainloop_free(m_loop);
    }
    m_notifier.reset();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

bool PulseCapture::ensureLoop()
{
    if (m_loop)
        return true;
    pa_threaded_mainloop *loop = pa_threaded_mainloop_new();
    if (!loop)
        return false;
    if (pa_threaded_mainloop_start(loop) < 0) {
        pa_threaded_mainloop_free(loop);
        return false;
    }
    m_loop = loop;
    m_api = pa_threaded_mainloop_get_api(loop);
    return true;
}

// Waits with the loop locked until done() holds or kTimeoutMs pass; every callback of this object
// signals the loop, so done() is checked again after each of them.
template <class Done> bool PulseCapture::waitLocked(Done done)
{
    if (done())
        return true;
    struct Timer {
        pa_threaded_mainloop *loop;
        bool expired;
    } timer{m_loop, false};
    pa_time_event *event = pa_context_rttime_new(
        m_context, pa_rtclock_now() + pa_usec_t(kTimeoutMs) * PA_USEC_PER_MSEC,
        [](pa_mainloop_api *, pa_time_event *, const struct timeval *, void *data) {
            auto *t = static_cast<Timer *>(data);
            t->expired = true;
            pa_threaded_mainloop_signal(t->loop, 0);
        },
        &timer);
    if (!event)
        return false;
    while (!done() && !timer.expired)
        pa_threaded_mainloop_wait(m_loop);
    m_api->time_free(event);
    return done();
}

// Runs an operation to its end; false when it failed, was cancelled or timed out.
bool PulseCapture::runLocked(pa_operation *operation)
{
    if (!operation)
        return false;
    pa_operation_set_state_callback(
        operation, [](pa_operation *, void *loop) { signalLoop(loop); }, m_loop);
    if (!waitLocked([operation] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; }))
        pa_operation_cancel(operation);
    const bool done = pa_operation_get_state(operation) == PA_OPERATION_DONE;
    pa_operation_set_state_callback(operation, nullptr, nullptr);
    pa_operation_unref(operation);
    return done;
}

void PulseCapture::dropContextLocked()
{
    m_mixerValid = false;
    if (!m_context)
        return;
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
    pa_context_disconnect(m_context);
    pa_context_unref(m_context);
    m_context = nullptr;
}

// A ready connection, made again when the server went away.
bool PulseCapture::connectLocked()
{
    if (m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY)
        return true;
    dropContextLocked();
    m_context = pa_context_new(m_api, "Tavilune");
    if (!m_context)
        return false;
    pa_context_set_state_callback(m_context, [](pa_context *, void *loop) { signalLoop(loop); }, m_loop);
    if (pa_context_connect(m_context, m_server.empty() ? nullptr : m_server.c_str(), PA_CONTEXT_NOAUTOSPAWN,
                           nullptr)
        < 0) {
        dropContextLocked();
        return false;
    }
    const bool settled = waitLocked([this] {
        const pa_context_state_t state = pa_context_get_state(m_context);
        return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    });
    if (!settled || pa_context_get_state(m_context) != PA_CONTEXT_READY) {
        dropContextLocked();
        return false;
    }
    // Changes of sources keep the mixer's snapshot current; outputs that come and go are told.
    pa_context_set_subscribe_callback(
        m_context,
        [](pa_context *, pa_subscription_event_type_t event, std::uint32_t index, void *self) {
            static_cast<PulseCapture *>(self)->onSourceEvent(unsigned(event), index);
        },
        this);
    const auto mask = pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SOURCE | PA_SUBSCRIPTION_MASK_SINK);
    if (!runLocked(pa_context_subscribe(m_context, mask, nullptr, nullptr))) {
        dropContextLocked();
        return false;
    }
    if (m_mixerOpen)
        watchMixerLocked();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Devices and mixer

bool PulseCapture::refreshDevicesLocked()
{
    m_devices.clear();
    if (!connectLocked())
        return false;
    std::vector<Device> devices;
    const bool ok = runLocked(pa_context_get_source_info_list(
        m_context,
        [](pa_context *, const pa_source_info *info, int eol, void *data) {
            if (eol == 0 && info)
                static_cast<std::vector<Device> *>(data)->push_back(
                    {info->name ? info->name : "", info->description ? info->description : ""});
        },
        &devices));
    if (ok)
        m_devices = std::move(devices);
    return ok;
}

int PulseCapture::DeviceCount()
{
    if (!ensureLoop())
        return 0;
    LoopLock lock(m_loop);
    refreshDevicesLocked();
    return int(m_devices.size());
}

std::string PulseCapture::DeviceName(int device)
{
    if (!ensureLoop())
        return {};
    LoopLock lock(m_loop);
    if (m_devices.empty())
        refreshDevicesLocked();
    if (device < 0 || std::size_t(device) >= m_devices.size())
        return {};
    const Device &d = m_devices[std::size_t(device)];
    return d.description.empty() ? d.name : d.description;
}

std::string PulseCapture::DeviceId(int device)
{
    if (!ensureLoop())
        return {};
    LoopLock lock(m_loop);
    if (m_devices.empty())
        refreshDevicesLocked();
    if (device < 0 || std::size_t(device) >= m_devices.size())
        return {};
    return m_devices[std::size_t(device)].name;
}

bool PulseCapture::fetchSourceLocked(const std::string &name, pulsemap::SourceState &state, std::uint32_t &index)
{
    struct Request {
        pulsemap::SourceState *state;
        std::uint32_t *index;
        bool found;
    } request{&state, &index, false};
    const bool ok = runLocked(pa_context_get_source_info_by_name(
        m_context, name.c_str(),
        [](pa_context *, const pa_source_info *info, int eol, void *data) {
            auto *r = static_cast<Request *>(data);
            if (eol != 0 || !info)
                return;
            *r->state = stateOf(*info);
            *r->index = info->index;
            r->found = true;
        },
        &request));
    return ok && request.found;
}

// Takes the snapshot of the mixer's source on a ready connection.
bool PulseCapture::watchMixerLocked()
{
    m_mixerValid = false;
    pulsemap::SourceState state;
    std::uint32_t index = 0;
    if (!fetchSourceLocked(m_mixerSource, state, index))
        return false;
    m_mixerState = std::move(state);
    m_mixerIndex = index;
    m_mixerValid = true;
    return true;
}

// Loop thread: a source was added, changed or removed. The mixer's source is read again when it
// changed, and any new source is read in case it is the mixer's source coming back.
void PulseCapture::onSourceEvent(unsigned int event, std::uint32_t index)
{
    if ((event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) == PA_SUBSCRIPTION_EVENT_SINK) {
        if ((event & PA_SUBSCRIPTION_EVENT_TYPE_MASK) != PA_SUBSCRIPTION_EVENT_CHANGE && m_outputsChanged)
            m_outputsChanged();
        return;
    }
    if (!m_mixerOpen || (event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) != PA_SUBSCRIPTION_EVENT_SOURCE)
        return;
    const unsigned int type = event & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
    const bool ours = m_mixerValid && index == m_mixerIndex;
    if (type == PA_SUBSCRIPTION_EVENT_REMOVE) {
        if (ours)
            m_mixerValid = false;
        return;
    }
    if (type == PA_SUBSCRIPTION_EVENT_CHANGE && !ours)
        return;
    pa_operation *operation = pa_context_get_source_info_by_index(
        m_context, index,
        [](pa_context *, const pa_source_info *info, int eol, void *data) {
            auto *self = static_cast<PulseCapture *>(data);
            if (eol != 0 || !info || !info->name || !self->m_mixerOpen || self->m_mixerSource != info->name)
                return;
            self->m_mixerState = stateOf(*info);
            self->m_mixerIndex = info->index;
            self->m_mixerValid = true;
        },
        this);
    if (operation)
        pa_operation_unref(operation);
}

std::vector<PulseCapture::Output> PulseCapture::Outputs(bool *ok)
{
    std::vector<Output> outputs;
    bool answered = false;
    if (ensureLoop()) {
        LoopLock lock(m_loop);
        answered = connectLocked() && runLocked(pa_context_get_sink_info_list(
                                          m_context,
                                          [](pa_context *, const pa_sink_info *info, int eol, void *data) {
                                              if (eol == 0 && info)
                                                  static_cast<std::vector<Output> *>(data)->push_back(
                                                      {info->name ? info->name : "", info->description ? info->description : ""});
                                          },
                                          &outputs));
    }
    if (!answered)
        outputs.clear();
    if (ok)
        *ok = answered;
    return outputs;
}

void PulseCapture::SetOutputsChanged(std::function<void()> changed)
{
    if (!ensureLoop())
        return;
    LoopLock lock(m_loop);
    m_outputsChanged = std::move(changed);
}

const pulsemap::SourceState *PulseCapture::mixerStateLocked() const
{
    const bool ready = m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY;
    return m_mixerOpen && m_mixerValid && ready ? &m_mixerState : nullptr;
}

bool PulseCapture::MixerOpen(const std::string &deviceId)
{
    if (deviceId.empty() || !ensureLoop())
        return false;
    LoopLock lock(m_loop);
    m_mixerSource = deviceId;
    m_mixerOpen = true;
    m_mixerValid = false; // a new connection takes the snapshot, else it is taken here
    if (!connectLocked() || (!m_mixerValid && !watchMixerLocked())) {
        m_mixerOpen = false;
        m_mixerValid = false;
        m_mixerSource.clear();
        return false;
    }
    return true;
}

void PulseCapture::MixerClose()
{
    if (!m_loop)
        return;
    LoopLock lock(m_loop);
    m_mixerOpen = false;
    m_mixerValid = false;
    m_mixerSource.clear();
}

int PulseCapture::MixerDestinationCount()
{
    if (!m_mixerOpen)
        return 0;
    LoopLock lock(m_loop);
    return mixerStateLocked() ? 1 : 0;
}

bool PulseCapture::MixerDestination(int destination, MixerLine &line)
{
    if (destination != 0 || !m_mixerOpen)
        return false;
    LoopLock lock(m_loop);
    const pulsemap::SourceState *state = mixerStateLocked();
    if (!state)
        return false;
    line = pulsemap::Destination(*state);
    return true;
}

bool PulseCapture::MixerSource(int destination, int source, MixerLine &line)
{
    if (destination != 0 || !m_mixerOpen)
        return false;
    LoopLock lock(m_loop);
    const pulsemap::SourceState *state = mixerStateLocked();
    return state && pulsemap::SourceLine(*state, source, line);
}

bool PulseCapture::MixerLineControl(std::uint32_t lineId, std::uint32_t controlType, MixerControl &control)
{
    if (!m_mixerOpen)
        return false;
    LoopLock lock(m_loop);
    const pulsemap::SourceState *state = mixerStateLocked();
    return state && pulsemap::LineControl(*state, lineId, controlType, control);
}

bool PulseCapture::MixerGetControl(std::uint32_t controlId, std::span<std::uint32_t> values)
{
    if (!m_mixerOpen)
        return false;
    LoopLock lock(m_loop);
    const pulsemap::SourceState *state = mixerStateLocked();
    return state && pulsemap::ReadControl(*state, controlId, values);
}

bool PulseCapture::MixerSetControl(std::uint32_t controlId, std::span<const std::uint32_t> values)
{
    if (!m_mixerOpen)
        return false;
    LoopLock lock(m_loop);
    const pulsemap::SourceState *current = mixerStateLocked();
    if (!current)
        return false;
    // A copy: the loop thread may replace the snapshot while this waits for the server.
    const pulsemap::SourceState state = *current;
    int success = 0;
    if (controlId == pulsemap::kMultiplexerId) {
        int port = -1;
        if (!pulsemap::PortFromItems(state, values, port))
            return false;
        if (port < 0 || port == state.activePort)
            return true;
        const bool ok = runLocked(pa_context_set_source_port_by_name(
            m_context, state.name.c_str(), state.ports[std::size_t(port)].name.c_str(), successCallback, &success));
        if (ok && success && m_mixerValid)
            m_mixerState.activePort = port;
        return ok && success;
    }
    std::vector<std::uint32_t> volume;
    MixerControl control;
    if (!pulsemap::LineControl(state, controlId - pulsemap::kVolumeIdBase, kControlVolume, control)
        || control.controlId != controlId || !pulsemap::VolumeFromValues(state, values, volume))
        return false;
    pa_cvolume cvolume;
    pa_cvolume_init(&cvolume);
    cvolume.channels = std::uint8_t(std::min<std::size_t>(volume.size(), PA_CHANNELS_MAX));
    std::copy_n(volume.begin(), cvolume.channels, cvolume.values);
    const bool ok = runLocked(
        pa_context_set_source_volume_by_name(m_context, state.name.c_str(), &cvolume, successCallback, &success));
    if (ok && success && m_mixerValid && m_mixerState.volume.size() == volume.size())
        m_mixerState.volume = volume;
    return ok && success;
}

// ---------------------------------------------------------------------------------------------
// Capture stream

void PulseCapture::HeaderQueue::reserve(std::size_t capacity)
{
    if (capacity <= m_slots.size())
        return;
    std::vector<WaveHeader *> grown(capacity, nullptr);
    for (std::size_t i = 0; i < m_count; ++i)
        grown[i] = m_slots[(m_head + i) % m_slots.size()];
    m_slots.swap(grown);
    m_head = 0;
}

void PulseCapture::HeaderQueue::push(WaveHeader *header)
{
    // Capacity is the number of prepared headers and a header is in at most one queue.
    m_slots[(m_head + m_count) % m_slots.size()] = header;
    ++m_count;
}

void PulseCapture::HeaderQueue::pop()
{
    if (m_count == 0)
        return;
    m_head = (m_head + 1) % m_slots.size();
    --m_count;
}

bool PulseCapture::Open(const std::string &deviceId, const WaveFormat &format, CaptureClient *client)
{
    if (m_stream || !client)
        return false;
    if (format.FormatTag != kFormatPcm || format.BitsPerSample != 16 || format.Channels < 1 || format.Channels > 2
        || format.SamplesPerSec < 1 || format.SamplesPerSec > PA_RATE_MAX
        || format.BlockAlign != format.Channels * 2
        || format.AvgBytesPerSec != std::uint32_t(format.BlockAlign) * format.SamplesPerSec)
        return false;
    if (!ensureLoop())
        return false;
    if (m_wakeFd < 0) {
        m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (m_wakeFd < 0)
            return false;
        m_notifier = std::make_unique<QSocketNotifier>(m_wakeFd, QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { onWake(); });
    }

    LoopLock lock(m_loop);
    if (!connectLocked())
        return false;
    const pa_sample_spec sampleFormat{PA_SAMPLE_S16LE, format.SamplesPerSec, std::uint8_t(format.Channels)};
    pa_stream *stream = pa_stream_new(m_context, "Enregistrement", &sampleFormat, nullptr);
    if (!stream)
        return false;
    {
        std::lock_guard guard(m_queueLock);
        m_queued.clear();
        m_done.clear();
        m_prepared = 0;
        m_blockAlign = format.BlockAlign;
        m_statistics = Statistics{};
        m_lost = m_lossReported = false;
    }
    pa_stream_set_state_callback(
        stream, [](pa_stream *s, void *self) { static_cast<PulseCapture *>(self)->onStreamState(s); }, this);
    pa_stream_set_read_callback(
        stream, [](pa_stream *s, std::size_t, void *self) { static_cast<PulseCapture *>(self)->onReadable(s); },
        this);
    pa_buffer_attr attr;
    attr.maxlength = std::uint32_t(-1);
    attr.tlength = std::uint32_t(-1);
    attr.prebuf = std::uint32_t(-1);
    attr.minreq = std::uint32_t(-1);
    attr.fragsize = std::uint32_t(pa_usec_to_bytes(kFragmentUsec, &sampleFormat));
    // A chosen source is kept: if it goes away the stream ends instead of moving to another one.
    auto flags = pa_stream_flags_t(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY);
    if (!deviceId.empty())
        flags = pa_stream_flags_t(flags | PA_STREAM_DONT_MOVE);
    bool ready =
        pa_stream_connect_record(stream, deviceId.empty() ? nullptr : deviceId.c_str(), &attr, flags) == 0;
    if (ready) {
        waitLocked([stream] {
            const pa_stream_state_t state = pa_stream_get_state(stream);
            return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
        });
        ready = pa_stream_get_state(stream) == PA_STREAM_READY;
    }
    if (!ready) {
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_set_read_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        pa_stream_unref(stream);
        return false;
    }
    m_stream = stream;
    m_client = client;
    return true;
}

bool PulseCapture::PrepareHeader(WaveHeader *header)
{
    if (!m_stream || !header || !header->data)
        return false;
    std::lock_guard guard(m_queueLock);
    if (header->bufferLength < m_blockAlign)
        return false;
    if (header->flags & kHeaderPrepared)
        return true;
    try {
        m_queued.reserve(m_prepared + 1);
        m_done.reserve(m_prepared + 1);
    } catch (const std::bad_alloc &) {
        return false;
    }
    ++m_prepared;
    header->flags = kHeaderPrepared;
    return true;
}

bool PulseCapture::UnprepareHeader(WaveHeader *header)
{
    if (!header)
        return false;
    std::lock_guard guard(m_queueLock);
    if (!(header->flags & kHeaderPrepared))
        return true;
    if (header->flags & kHeaderInQueue)
        return false;
    header->flags &= ~kHeaderPrepared;
    if (m_prepared > 0)
        --m_prepared;
    return true;
}

bool PulseCapture::Start()
{
    if (!m_stream)
        return false;
    LoopLock lock(m_loop);
    int success = 0;
    return runLocked(pa_stream_cork(m_stream, 0, streamSuccessCallback, &success)) && success;
}

bool PulseCapture::AddBuffer(WaveHeader *header)
{
    if (!m_stream || !header)
        return false;
    std::lock_guard guard(m_queueLock);
    if (!(header->flags & kHeaderPrepared) || (header->flags & kHeaderInQueue))
        return false;
    header->bytesRecorded = 0;
    header->flags = (header->flags & ~kHeaderDone) | kHeaderInQueue;
    m_queued.push(header);
    return true;
}

void PulseCapture::Stop()
{
    if (!m_stream)
        return;
    LoopLock lock(m_loop);
    int success = 0;
    runLocked(pa_stream_cork(m_stream, 1, streamSuccessCallback, &success));
}

// Every queued buffer, filled or not, goes back to the caller without a buffer-done call.
void PulseCapture::handBackQueued()
{
    std::lock_guard guard(m_queueLock);
    for (HeaderQueue *queue : {&m_queued, &m_done}) {
        while (WaveHeader *header = queue->front()) {
            header->flags = (header->flags & ~kHeaderInQueue) | kHeaderDone;
            queue->pop();
        }
    }
}

void PulseCapture::drainWake()
{
    std::uint64_t count = 0;
    while (m_wakeFd >= 0 && ::read(m_wakeFd, &count, sizeof count) == ssize_t(sizeof count)) {
    }
}

void PulseCapture::Reset()
{
    if (!m_stream)
        return;
    {
        LoopLock lock(m_loop);
        if (pa_operation *flush = pa_stream_flush(m_stream, nullptr, nullptr))
            pa_operation_unref(flush);
        handBackQueued();
    }
    drainWake();
}

void PulseCapture::Close()
{
    if (!m_stream)
        return;
    {
        LoopLock lock(m_loop);
        pa_stream_set_state_callback(m_stream, nullptr, nullptr);
        pa_stream_set_read_callback(m_stream, nullptr, nullptr);
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
    handBackQueued();
    {
        std::lock_guard guard(m_queueLock);
        m_prepared = 0;
        m_lost = m_lossReported = false;
    }
    drainWake();
    m_client = nullptr;
}

PulseCapture::Statistics PulseCapture::CaptureStatistics()
{
    std::lock_guard guard(m_queueLock);
    return m_statistics;
}

// Loop thread: take everything the server handed over.
void PulseCapture::onReadable(pa_stream *stream)
{
    for (;;) {
        const void *data = nullptr;
        std::size_t bytes = 0;
        if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0)
            return;
        fill(static_cast<const std::uint8_t *>(data), bytes); // no data: a hole, recorded as silence
        pa_stream_drop(stream);
    }
}

// Loop thread: copy into the queued buffers, whole frames per buffer; wake the owner's thread
// when buffers are full.
void PulseCapture::fill(const std::uint8_t *data, std::size_t bytes)
{
    bool filled = false;
    {
        std::lock_guard guard(m_queueLock);
        while (bytes > 0) {
            WaveHeader *header = m_queued.front();
            if (!header) {
                m_statistics.lostBytes += bytes;
                break;
            }
            const std::uint32_t usable = header->bufferLength - header->bufferLength % m_blockAlign;
            const std::size_t take = std::min<std::size_t>(bytes, usable - header->bytesRecorded);
            auto *target = reinterpret_cast<std::uint8_t *>(header->data) + header->bytesRecorded;
            if (data) {
                std::memcpy(target, data, take);
                data += take;
            } else {
                std::memset(target, 0, take);
            }
            header->bytesRecorded += std::uint32_t(take);
            bytes -= take;
            if (header->bytesRecorded == usable) {
                m_queued.pop();
                header->flags |= kHeaderDone;
                m_done.push(header);
                ++m_statistics.filledBuffers;
                filled = true;
            }
        }
    }
    if (filled)
        wake();
}

void PulseCapture::wake()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wakeFd, &one, sizeof one);
}

// Loop thread: the open stream failed or was ended by the server. What the partly filled buffer
// holds is handed out with the full ones before the loss is reported.
void PulseCapture::onStreamState(pa_stream *stream)
{
    pa_threaded_mainloop_signal(m_loop, 0);
    if (stream != m_stream || PA_STREAM_IS_GOOD(pa_stream_get_state(stream)))
        return;
    const bool serverGone = !PA_CONTEXT_IS_GOOD(pa_context_get_state(pa_stream_get_context(stream)));
    {
        std::lock_guard guard(m_queueLock);
        if (m_lost)
            return;
        m_lost = true;
        m_loss = serverGone ? Loss::Server : Loss::Device;
        WaveHeader *partial = m_queued.front();
        if (partial && partial->bytesRecorded > 0) {
            m_queued.pop();
            partial->flags |= kHeaderDone;
            m_done.push(partial);
        }
    }
    wake();
}

// Owner's thread: make the buffer-done calls. The client may stop, close or reopen from a call.
// The loss of the stream is reported once, after the last buffer.
void PulseCapture::onWake()
{
    drainWake();
    for (;;) {
        WaveHeader *header = nullptr;
        Loss loss = Loss::Server;
        {
            std::lock_guard guard(m_queueLock);
            header = m_done.front();
            if (header) {
                m_done.pop();
                header->flags &= ~kHeaderInQueue;
            } else if (m_lost && !m_lossReported && m_client) {
                m_lossReported = true;
                loss = m_loss;
            } else {
                return;
            }
        }
        if (!header) {
            m_client->StreamLost(loss);
            return;
        }
        if (m_client)
            m_client->BufferDone(header);
    }
}
