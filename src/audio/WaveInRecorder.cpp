#include "WaveInRecorder.h"

#include "PulseCapture.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

using namespace capture;

namespace {
// Names come from fixed-size fields: cut at the first NUL and at the field's width.
QString fieldText(const std::string &text, int width)
{
    return QString::fromUtf8(text.data(), qsizetype(std::strlen(text.c_str()))).left(width);
}
} // namespace

WaveInRecorder::WaveInRecorder(QObject *parent)
    : WaveInRecorder(std::make_unique<PulseCapture>(), parent)
{
}

WaveInRecorder::WaveInRecorder(std::unique_ptr<CaptureBackend> backend, QObject *parent)
    : QObject(parent), m_backend(std::move(backend))
{
}

WaveInRecorder::~WaveInRecorder()
{
    m_armed = false;
    closeStream();
    closeMixer();
}

qint32 WaveInRecorder::DeviceCount()
{
    const qint32 count = std::max(0, m_backend->DeviceCount());
    followSelection(count);
    return count;
}

// The selected device's place in the list just read.
void WaveInRecorder::followSelection(qint32 count)
{
    if (m_selectedId.empty())
        return;
    m_selectedDevice = -1;
    for (qint32 i = 0; i < count; ++i) {
        if (m_backend->DeviceId(i) == m_selectedId) {
            m_selectedDevice = i;
            return;
        }
    }
}

QString WaveInRecorder::DeviceName(qint32 index)
{
    return fieldText(m_backend->DeviceName(index), kDeviceNameChars);
}

bool WaveInRecorder::SelectDevice(qint32 index)
{
    if (index < 0 || index > DeviceCount() - 1)
        return false;
    if (m_open && !m_recording) {
        m_armed = false;
        closeStream(); // an armed stream belongs to the previous device
    }
    m_selectedDevice = -1;
    m_selectedId.clear();
    closeMixer();
    const std::string id = m_backend->DeviceId(index);
    if (id.empty() || !m_backend->MixerOpen(id))
        return false;
    m_mixerOpen = true;
    m_selectedDevice = index;
    m_selectedId = id;
    return true;
}

void WaveInRecorder::closeMixer()
{
    if (m_mixerOpen) {
        m_backend->MixerClose();
        m_mixerOpen = false;
    }
}

// The mixer's recording destination: the first destination line of the wave-in kind.
bool WaveInRecorder::waveInDestination(int &destination, MixerLine &line)
{
    if (!m_mixerOpen || m_selectedDevice < 0)
        return false;
    const int count = m_backend->MixerDestinationCount();
    for (int d = 0; d < count; ++d) {
        if (m_backend->MixerDestination(d, line) && line.componentType == kComponentDstWaveIn) {
            destination = d;
            return true;
        }
    }
    return false;
}

bool WaveInRecorder::sourceLine(int index, MixerLine &line)
{
    int destination = 0;
    MixerLine dest;
    if (!waveInDestination(destination, dest) || index < 0 || index >= dest.connections)
        return false;
    return m_backend->MixerSource(destination, index, line);
}

// The recording destination's multiplexer and its current item values.
bool WaveInRecorder::multiplexer(MixerControl &control, std::vector<std::uint32_t> &items)
{
    int destination = 0;
    MixerLine dest;
    if (!waveInDestination(destination, dest)
        || !m_backend->MixerLineControl(dest.lineId, kControlMultiplexer, control) || control.items < 1)
        return false;
    items.assign(std::size_t(control.items), 0);
    return m_backend->MixerGetControl(control.controlId, items);
}

qint32 WaveInRecorder::MixerLineCount()
{
    int destination = 0;
    MixerLine dest;
    return waveInDestination(destination, dest) ? std::max(0, dest.connections) : 0;
}

QString WaveInRecorder::MixerLineName(qint32 index)
{
    MixerLine line;
    return sourceLine(index, line) ? fieldText(line.name, kLineNameChars) : QString();
}

qint32 WaveInRecorder::MixerLineType(qint32 index)
{
    if (index == -1)
        index = SelectedMixerLine();
    MixerLine line;
    return sourceLine(index, line) ? qint32(line.componentType) : 0;
}

// Recording line i is multiplexer item (line count - 1 - i).
bool WaveInRecorder::SelectMixerLine(qint32 index)
{
    int destination = 0;
    MixerLine dest;
    if (!waveInDestination(destination, dest))
        return false;
    MixerControl mux;
    if (!m_backend->MixerLineControl(dest.lineId, kControlMultiplexer, mux))
        return false;
    const qint64 k = qint64(dest.connections) - 1 - index;
    if (k < 0 || k >= mux.items)
        return false;
    std::vector<std::uint32_t> items(std::size_t(mux.items), 0);
    if (!m_backend->MixerGetControl(mux.controlId, items))
        return false;
    for (std::size_t i = 0; i < items.size(); ++i)
        items[i] = (qint64(i) == k) ? 1 : 0;
    return m_backend->MixerSetControl(mux.controlId, items);
}

qint32 WaveInRecorder::SelectedMixerLine()
{
    const qint32 count = MixerLineCount();
    qint32 k = 0;
    MixerControl mux;
    std::vector<std::uint32_t> items;
    if (multiplexer(mux, items)) {
        for (std::size_t i = 0; i < items.size(); ++i)
            if (items[i] != 0)
                k = qint32(i);
    }
    return count - 1 - k;
}

// The volume control of the selected line and how many of its channels the engine handles.
bool WaveInRecorder::selectedLineVolume(MixerControl &control, int &channels)
{
    MixerLine line;
    if (!sourceLine(SelectedMixerLine(), line))
        return false;
    channels = std::clamp(line.channels, 1, 2);
    return m_backend->MixerLineControl(line.lineId, kControlVolume, control);
}

qint32 WaveInRecorder::MixerLineVolume()
{
    MixerControl control;
    int channels = 1;
    std::uint32_t values[2] = {0, 0};
    if (!selectedLineVolume(control, channels)
        || !m_backend->MixerGetControl(control.controlId, std::span(values, std::size_t(channels))))
        return 0;
    return qint32(std::min<std::uint32_t>(values[0], std::numeric_limits<qint32>::max()));
}

void WaveInRecorder::SetMixerLineVolume(qint32 Volume)
{
    MixerControl control;
    int channels = 1;
    if (!selectedLineVolume(control, channels))
        return;
    // A value outside the control's range is brought to its nearest end.
    const std::uint32_t value = Volume < 0 ? control.minimum
                                           : std::clamp(std::uint32_t(Volume), control.minimum, control.maximum);
    const std::uint32_t values[2] = {value, value};
    m_backend->MixerSetControl(control.controlId, std::span(values, std::size_t(channels)));
}

bool WaveInRecorder::StartRecord(qint32 SampleRate, qint16 Channels)
{
    // A second start would pull the ring from under the running capture.
    if (m_recording)
        return false;
    if (m_open && m_rate == SampleRate && m_channels == Channels) {
        // Armed in this format: what the device captured before this call is dropped.
        requeueAll();
        m_recording = true;
        return true;
    }
    closeStream();
    if (!openStream(SampleRate, Channels))
        return false;
    m_recording = true;
    return true;
}

bool WaveInRecorder::Arm(qint32 SampleRate, qint16 Channels)
{
    if (m_recording)
        return false;
    if (!(m_open && m_rate == SampleRate && m_channels == Channels)) {
        closeStream();
        if (!openStream(SampleRate, Channels))
            return false;
    }
    m_armed = true;
    return true;
}

void WaveInRecorder::Disarm()
{
    m_armed = false;
    if (!m_recording)
        closeStream();
}

bool WaveInRecorder::StopRecord()
{
    if (m_recording && m_armed) {
        m_recording = false;
        requeueAll();
        return true;
    }
    closeStream();
    return true;
}

// Opens the selected device and queues the whole ring, allocated once for this stream.
bool WaveInRecorder::openStream(qint32 SampleRate, qint16 Channels)
{
    if (m_bufferCount < 1 || m_bufferSize < 2 || m_bufferSize % 2 != 0 || SampleRate < 1 || Channels < 1)
        return false;
    WaveFormat format;
    format.FormatTag = kFormatPcm;
    format.BitsPerSample = 16;
    format.Channels = std::uint16_t(Channels);
    format.SamplesPerSec = std::uint32_t(SampleRate);
    format.BlockAlign = std::uint16_t(Channels * 2);
    const std::uint64_t bytesPerSec = std::uint64_t(format.BlockAlign) * format.SamplesPerSec;
    if (bytesPerSec > std::numeric_limits<std::uint32_t>::max())
        return false;
    format.AvgBytesPerSec = std::uint32_t(bytesPerSec);

    ++m_generation;
    m_buffers.clear();
    try {
        m_buffers.resize(std::size_t(m_bufferCount));
        for (CaptureBuffer &buffer : m_buffers)
            buffer.samples.assign(std::size_t(m_bufferSize / 2), 0);
    } catch (const std::bad_alloc &) {
        m_buffers.clear();
        m_buffers.shrink_to_fit();
        return false;
    }

    if (!m_backend->Open(m_selectedId, format, this))
        return false;

    for (std::size_t i = 0; i < m_buffers.size(); ++i) {
        WaveHeader &header = m_buffers[i].header;
        header = WaveHeader{};
        header.data = m_buffers[i].samples.data();
        header.bufferLength = std::uint32_t(m_bufferSize);
        header.user = std::intptr_t(i);
        if (!m_backend->PrepareHeader(&header)) {
            for (std::size_t j = 0; j < i; ++j)
                m_backend->UnprepareHeader(&m_buffers[j].header);
            m_backend->Close();
            return false;
        }
    }

    if (!m_backend->Start()) {
        for (CaptureBuffer &buffer : m_buffers)
            m_backend->UnprepareHeader(&buffer.header);
        m_backend->Close();
        return false;
    }

    m_open = true;
    m_flowing = false;
    m_rate = SampleRate;
    m_channels = Channels;
    for (CaptureBuffer &buffer : m_buffers)
        m_backend->AddBuffer(&buffer.header);
    return true;
}

void WaveInRecorder::closeStream()
{
    if (m_open) {
        m_backend->Stop();
        m_backend->Reset();
        for (CaptureBuffer &buffer : m_buffers)
            m_backend->UnprepareHeader(&buffer.header);
        m_backend->Close();
        m_open = false;
        ++m_generation;
    }
    m_recording = false;
    m_flowing = false;
}

// Every buffer back from the device, with what it held dropped, and queued again empty.
void WaveInRecorder::requeueAll()
{
    m_backend->Reset();
    ++m_generation;
    for (CaptureBuffer &buffer : m_buffers)
        m_backend->AddBuffer(&buffer.header);
}

// Delivery: hand the filled slot to the owner (an armed device's sound before the start is
// dropped), then queue it again unless the owner stopped (or restarted) the recording from its
// handler. Nothing here allocates.
void WaveInRecorder::BufferDone(WaveHeader *header)
{
    if (!m_open || header == nullptr)
        return;
    const std::intptr_t slot = header->user;
    if (slot < 0 || std::size_t(slot) >= m_buffers.size() || &m_buffers[std::size_t(slot)].header != header)
        return;
    CaptureBuffer &buffer = m_buffers[std::size_t(slot)];
    const quint64 generation = m_generation;
    const auto length = qint32(std::min(header->bytesRecorded, header->bufferLength));
    if (!m_flowing && length > 0) {
        m_flowing = true;
        emit Flowing();
        if (generation != m_generation)
            return;
    }
    if (m_recording)
        emit GotData(std::span<qint16>(buffer.samples), length);
    if (m_open && generation == m_generation)
        m_backend->AddBuffer(&buffer.header);
}

// The stream ended by itself: everything it captured was handed out before this call.
void WaveInRecorder::StreamLost(capture::Loss why)
{
    if (!m_open)
        return;
    const bool recording = m_recording;
    m_armed = false;
    closeStream();
    if (recording)
        emit RecordingLost(why);
}
