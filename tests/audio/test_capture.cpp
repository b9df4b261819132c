// The capture engine's logic on the in-memory sound system, and the PulseAudio mixer mapping.
#include "audio/PulseCapture.h"
#include "audio/WaveInRecorder.h"
#include "FakeCapture.h"

#include <atomic>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <new>
#include <pulse/def.h>
#include <pulse/volume.h>

using namespace capture;

// Counts every allocation of the program, to show that delivery makes none.
static std::atomic<long> g_allocations{0};
void *operator new(std::size_t size)
{
    ++g_allocations;
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

namespace {

class RecorderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        FakeDevice card;
        card.name = "Carte son";
        card.destinations = {4 /* speakers */, kComponentDstWaveIn};
        card.lines = {{"Micro", kComponentSrcMicrophone, 2, {100, 200}},
                      {"Ligne", kComponentSrcLine, 2, {300, 400}},
                      {"CD", kComponentSrcCompactDisc, 2, {500, 600}},
                      {"Mixage stéréo", kComponentSrcWaveOut, 2, {700, 800}}};
        card.mux = {0, 0, 0, 0};
        FakeDevice webcam;
        webcam.name = "Webcam";
        webcam.lines = {{"Micro", kComponentSrcMicrophone, 1, {900, 0}}};
        webcam.mux = {1};
        state->devices = {card, webcam};
        rec = std::make_unique<WaveInRecorder>(std::make_unique<FakeCapture>(state));
    }

    std::vector<std::uint32_t> &mux() { return state->devices[0].mux; }
    int calls(const std::string &name) const { return int(std::count(state->calls.begin(), state->calls.end(), name)); }

    std::shared_ptr<FakeState> state = std::make_shared<FakeState>();
    std::unique_ptr<WaveInRecorder> rec;
};

TEST_F(RecorderTest, SelectDeviceRefusesOutOfRangeAndKeepsTheSelection)
{
    EXPECT_EQ(rec->SelectedDevice(), -1);
    EXPECT_FALSE(rec->SelectDevice(-1));
    EXPECT_FALSE(rec->SelectDevice(2)); // = DeviceCount
    EXPECT_EQ(rec->SelectedDevice(), -1);

    ASSERT_TRUE(rec->SelectDevice(1));
    EXPECT_FALSE(rec->SelectDevice(2));
    EXPECT_FALSE(rec->SelectDevice(-1));
    EXPECT_EQ(rec->SelectedDevice(), 1);
    EXPECT_EQ(state->openMixer, 1);
    EXPECT_EQ(state->mixerCloses, 0);

    ASSERT_TRUE(rec->SelectDevice(0));
    EXPECT_EQ(state->mixerCloses, 1);
    EXPECT_EQ(state->openMixer, 0);

    // A valid index whose mixer does not open leaves no device selected and no mixer open.
    state->devices[1].mixerFails = true;
    EXPECT_FALSE(rec->SelectDevice(1));
    EXPECT_EQ(rec->SelectedDevice(), -1);
    EXPECT_EQ(state->openMixer, -1);
}

TEST_F(RecorderTest, WithoutDeviceTheLineMembersAreEmpty)
{
    EXPECT_EQ(rec->MixerLineCount(), 0);
    EXPECT_TRUE(rec->MixerLineName(0).isEmpty());
    EXPECT_EQ(rec->MixerLineType(0), 0);
    EXPECT_FALSE(rec->SelectMixerLine(0));
    EXPECT_EQ(rec->SelectedMixerLine(), -1);
    EXPECT_EQ(rec->MixerLineVolume(), 0);
    rec->SetMixerLineVolume(5);
    EXPECT_EQ(state->devices[0].lines[0].volume[0], 100u);
}

TEST_F(RecorderTest, NamesAreCutAtNulAndAtTheirFieldWidth)
{
    state->devices[0].name = std::string(40, 'x');
    state->devices[1].name = std::string("Webcam\0HD", 9);
    state->devices[0].lines[0].name = std::string(70, 'l');
    EXPECT_EQ(rec->DeviceCount(), 2);
    EXPECT_EQ(rec->DeviceName(0), QString(32, QLatin1Char('x')));
    EXPECT_EQ(rec->DeviceName(1), QStringLiteral("Webcam"));
    EXPECT_TRUE(rec->DeviceName(2).isEmpty());
    ASSERT_TRUE(rec->SelectDevice(0));
    EXPECT_EQ(rec->MixerLineName(0), QString(64, QLatin1Char('l')));
    EXPECT_EQ(rec->MixerLineName(3), QStringLiteral("Mixage stéréo"));
    EXPECT_TRUE(rec->MixerLineName(4).isEmpty());
}

TEST_F(RecorderTest, RecordingLinesAreMultiplexerItemsInReverseOrder)
{
    ASSERT_TRUE(rec->SelectDevice(0));
    EXPECT_EQ(rec->MixerLineCount(), 4); // lines of the wave-in destination, the mixer's second one
    EXPECT_EQ(rec->MixerLineName(1), QStringLiteral("Ligne"));

    // No item set: the last line.
    EXPECT_EQ(rec->SelectedMixerLine(), 3);

    ASSERT_TRUE(rec->SelectMixerLine(0));
    EXPECT_EQ(mux(), (std::vector<std::uint32_t>{0, 0, 0, 1}));
    EXPECT_EQ(rec->SelectedMixerLine(), 0);
    EXPECT_EQ(rec->MixerLineType(-1), qint32(kComponentSrcMicrophone));

    ASSERT_TRUE(rec->SelectMixerLine(3));
    EXPECT_EQ(mux(), (std::vector<std::uint32_t>{1, 0, 0, 0}));
    EXPECT_EQ(rec->SelectedMixerLine(), 3);
    EXPECT_EQ(rec->MixerLineType(-1), qint32(kComponentSrcWaveOut));
    EXPECT_EQ(rec->MixerLineType(1), qint32(kComponentSrcLine));

    // Several items set: the last one counts.
    mux() = {0, 1, 0, 1};
    EXPECT_EQ(rec->SelectedMixerLine(), 0);

    // Out of range: refused, nothing written.
    mux() = {0, 0, 1, 0};
    EXPECT_FALSE(rec->SelectMixerLine(4));
    EXPECT_FALSE(rec->SelectMixerLine(-1));
    EXPECT_EQ(mux(), (std::vector<std::uint32_t>{0, 0, 1, 0}));
}

TEST_F(RecorderTest, LineSelectionNeedsTheDestinationAndAnExistingItem)
{
    // A multiplexer with fewer items than lines: item 3 does not exist.
    mux() = {0, 0, 0};
    ASSERT_TRUE(rec->SelectDevice(0));
    EXPECT_FALSE(rec->SelectMixerLine(0));
    EXPECT_EQ(mux(), (std::vector<std::uint32_t>{0, 0, 0}));
    EXPECT_TRUE(rec->SelectMixerLine(1));
    EXPECT_EQ(mux(), (std::vector<std::uint32_t>{0, 0, 1}));

    // No multiplexer at all.
    mux().clear();
    EXPECT_FALSE(rec->SelectMixerLine(1));

    // A mixer without a recording destination has no lines.
    state->devices[1].destinations = {4};
    ASSERT_TRUE(rec->SelectDevice(1));
    EXPECT_EQ(rec->MixerLineCount(), 0);
    EXPECT_TRUE(rec->MixerLineName(0).isEmpty());
    EXPECT_FALSE(rec->SelectMixerLine(0));
    EXPECT_EQ(rec->MixerLineVolume(), 0);
}

TEST_F(RecorderTest, VolumeIsTheSelectedLinesControl)
{
    ASSERT_TRUE(rec->SelectDevice(0));
    ASSERT_TRUE(rec->SelectMixerLine(1));
    EXPECT_EQ(rec->MixerLineVolume(), 300); // first channel

    rec->SetMixerLineVolume(1234);
    const FakeLine &ligne = state->devices[0].lines[1];
    EXPECT_EQ(ligne.volume[0], 1234u);
    EXPECT_EQ(ligne.volume[1], 1234u);
    EXPECT_EQ(state->devices[0].lines[0].volume[0], 100u); // other lines untouched
    EXPECT_EQ(rec->MixerLineVolume(), 1234);

    rec->SetMixerLineVolume(70000);
    EXPECT_EQ(rec->MixerLineVolume(), 65535);
    rec->SetMixerLineVolume(-5);
    EXPECT_EQ(rec->MixerLineVolume(), 0);

    // A mono line has one channel.
    ASSERT_TRUE(rec->SelectDevice(1));
    EXPECT_EQ(rec->MixerLineVolume(), 900);
    rec->SetMixerLineVolume(42);
    EXPECT_EQ(state->devices[1].lines[0].volume[0], 42u);
}

TEST_F(RecorderTest, StopRecordWhenIdleDoesNothing)
{
    EXPECT_TRUE(rec->StopRecord());
    EXPECT_TRUE(state->calls.empty());
    EXPECT_FALSE(rec->IsRecording());
}

TEST_F(RecorderTest, ARefusedFormatLeavesNothingOpen)
{
    ASSERT_TRUE(rec->SelectDevice(0));
    EXPECT_FALSE(rec->StartRecord(96000, 2));
    EXPECT_FALSE(rec->StartRecord(44100, 3));
    EXPECT_FALSE(rec->IsRecording());
    EXPECT_FALSE(state->streamOpen);
    EXPECT_TRUE(state->prepared.empty());
    EXPECT_EQ(state->calls, (std::vector<std::string>{"Open", "Open"}));

    ASSERT_TRUE(rec->StartRecord(44100, 2));
    EXPECT_EQ(state->openedDevice, 0);
    EXPECT_EQ(state->format.FormatTag, 1);
    EXPECT_EQ(state->format.BitsPerSample, 16);
    EXPECT_EQ(state->format.Channels, 2);
    EXPECT_EQ(state->format.SamplesPerSec, 44100u);
    EXPECT_EQ(state->format.BlockAlign, 4);
    EXPECT_EQ(state->format.AvgBytesPerSec, 176400u);

    // A second start while recording is refused and the running recording goes on.
    EXPECT_FALSE(rec->StartRecord(22050, 1));
    EXPECT_TRUE(rec->IsRecording());
    EXPECT_EQ(state->queued.size(), 5u);
}

TEST_F(RecorderTest, FailuresDuringStartReleaseEverything)
{
    ASSERT_TRUE(rec->SelectDevice(0));
    state->failPrepareAt = 2;
    EXPECT_FALSE(rec->StartRecord(44100, 2));
    EXPECT_EQ(state->calls, (std::vector<std::string>{"Open", "Prepare", "Prepare", "Prepare", "Unprepare",
                                                      "Unprepare", "Close"}));
    EXPECT_TRUE(state->prepared.empty());
    EXPECT_FALSE(state->streamOpen);

    state->failPrepareAt = -1;
    state->failStart = true;
    EXPECT_FALSE(rec->StartRecord(44100, 2));
    EXPECT_TRUE(state->prepared.empty());
    EXPECT_FALSE(state->streamOpen);
    EXPECT_FALSE(rec->IsRecording());

    // Rings the device cannot be given are refused before anything opens.
    state->failStart = false;
    state->calls.clear();
    rec->SetBufferSize(10241);
    EXPECT_FALSE(rec->StartRecord(44100, 2));
    rec->SetBufferSize(10240);
    rec->SetBufferCount(0);
    EXPECT_FALSE(rec->StartRecord(44100, 2));
    EXPECT_EQ(calls("Open"), 0);
}

TEST_F(RecorderTest, EachFilledBufferIsHandedOutWholeAndQueuedAgain)
{
    ASSERT_TRUE(rec->SelectDevice(0));
    ASSERT_TRUE(rec->StartRecord(44100, 2));
    EXPECT_EQ(state->calls, (std::vector<std::string>{"Open", "Prepare", "Prepare", "Prepare", "Prepare", "Prepare",
                                                      "Start", "Add", "Add", "Add", "Add", "Add"}));
    ASSERT_EQ(state->queued.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(state->queued[std::size_t(i)]->user, i);

    std::size_t size = 0;
    qint32 length = 0;
    qint16 first = 0, last = 0;
    const qint16 *data = nullptr;
    bool queuedDuringHandler = true;
    int deliveries = 0;
    QObject::connect(rec.get(), &WaveInRecorder::GotData, [&](std::span<qint16> buffer, qint32 lngLen) {
        ++deliveries;
        size = buffer.size();
        data = buffer.data();
        length = lngLen;
        first = buffer.front();
        last = buffer[std::size_t(lngLen / 2 - 1)];
        queuedDuringHandler = std::any_of(state->queued.begin(), state->queued.end(),
                                          [&](WaveHeader *h) { return h->data == buffer.data(); });
    });

    WaveHeader *slot0 = state->queued.front();
    ASSERT_TRUE(state->fillNext(10240, 7));
    EXPECT_EQ(size, 5120u);
    EXPECT_EQ(length, 10240);
    EXPECT_EQ(first, 7);
    EXPECT_EQ(last, 7);
    EXPECT_EQ(data, slot0->data);
    EXPECT_FALSE(queuedDuringHandler);
    ASSERT_EQ(state->queued.size(), 5u);
    EXPECT_EQ(state->queued.back(), slot0); // queued again after the handler

    ASSERT_TRUE(state->fillNext(6000, -3)); // a partly filled buffer
    EXPECT_EQ(length, 6000);
    EXPECT_EQ(last, -3);

    // The ring turns in order, and delivery allocates nothing (the fake's own log is sized first).
    state->calls.reserve(state->calls.size() + 100);
    const long before = g_allocations.load();
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(state->fillNext(10240, qint16(i)));
    EXPECT_EQ(g_allocations.load() - before, 0);
    EXPECT_EQ(deliveries, 22);
    EXPECT_EQ(state->queued.front()->user, 2);
}

TEST_F(RecorderTest, TheHandlerMayStopOrRestartTheRecording)
{
    ASSERT_TRUE(rec->SelectDevice(0));
    ASSERT_TRUE(rec->StartRecord(44100, 2));
    bool restart = false;
    QObject::connect(rec.get(), &WaveInRecorder::GotData, [&](std::span<qint16>, qint32) {
        rec->StopRecord();
        if (restart)
            rec->StartRecord(22050, 1);
    });

    ASSERT_TRUE(state->fillNext(10240, 1));
    EXPECT_FALSE(rec->IsRecording());
    EXPECT_FALSE(state->streamOpen);
    EXPECT_TRUE(state->queued.empty());
    EXPECT_TRUE(state->prepared.empty());
    EXPECT_EQ(state->calls.back(), "Close"); // the buffer was not queued again

    ASSERT_TRUE(rec->StartRecord(44100, 2));
    restart = true;
    ASSERT_TRUE(state->fillNext(10240, 2));
    EXPECT_TRUE(rec->IsRecording());
    EXPECT_EQ(state->format.SamplesPerSec, 22050u);
    EXPECT_EQ(state->queued.size(), 5u);
    restart = false;
    ASSERT_TRUE(state->fillNext(10240, 3)); // the new ring works
}

TEST_F(RecorderTest, StopDropsQueuedBuffersAndLateNotifications)
{
    ASSERT_TRUE(rec->SelectDevice(0));
    ASSERT_TRUE(rec->StartRecord(44100, 2));
    int deliveries = 0;
    QObject::connect(rec.get(), &WaveInRecorder::GotData, [&](std::span<qint16>, qint32) { ++deliveries; });

    // A header that is not one of the ring's is ignored.
    CaptureClient *client = state->client;
    std::vector<qint16> stray(5120);
    WaveHeader bogus;
    bogus.data = stray.data();
    bogus.bufferLength = 10240;
    bogus.bytesRecorded = 10240;
    client->BufferDone(&bogus);
    client->BufferDone(nullptr);
    EXPECT_EQ(deliveries, 0);

    ASSERT_TRUE(state->fillNext(10240, 1));
    EXPECT_EQ(deliveries, 1);
    WaveHeader *pending = state->queued.front();
    state->calls.clear();
    EXPECT_TRUE(rec->StopRecord());
    EXPECT_EQ(state->calls, (std::vector<std::string>{"Stop", "Reset", "Unprepare", "Unprepare", "Unprepare",
                                                      "Unprepare", "Unprepare", "Close"}));
    EXPECT_FALSE(rec->IsRecording());

    // A buffer handed back by the reset and notified late never reaches GotData.
    pending->bytesRecorded = 100;
    client->BufferDone(pending);
    EXPECT_EQ(deliveries, 1);
}

TEST_F(RecorderTest, WithoutSelectionTheDefaultDeviceRecords)
{
    ASSERT_TRUE(rec->StartRecord(8000, 1));
    EXPECT_EQ(state->openedDevice, kDefaultDevice);
}

TEST_F(RecorderTest, DestructionStopsTheRecordingAndClosesTheMixer)
{
    ASSERT_TRUE(rec->SelectDevice(0));
    ASSERT_TRUE(rec->StartRecord(44100, 2));
    rec.reset();
    EXPECT_FALSE(state->streamOpen);
    EXPECT_TRUE(state->prepared.empty());
    EXPECT_EQ(state->openMixer, -1);
}

TEST_F(RecorderTest, TheSelectedDeviceIsFollowedByItsIdentifier)
{
    ASSERT_TRUE(rec->SelectDevice(1)); // the webcam
    const auto inserted = [](const char *name) {
        FakeDevice d;
        d.name = name;
        d.lines = {{"Micro", kComponentSrcMicrophone, 1, {0, 0}}};
        return d;
    };
    // Each change of the list, then the device the recorder follows: its place, what is recorded,
    // its line.
    struct Change {
        const char *what;
        std::function<void(std::vector<FakeDevice> &)> apply;
        int place; // -1: gone
    };
    const Change changes[] = {
        {"a device added in front", [&](auto &d) { d.insert(d.begin(), inserted("Casque USB")); }, 2},
        {"a device added behind", [&](auto &d) { d.push_back(inserted("Bluetooth")); }, 2},
        {"a device in front removed", [](auto &d) { d.erase(d.begin()); }, 1},
        {"the same name, another device", [](auto &d) { d.insert(d.begin(), d[1]), d[0].id = "autre"; }, 2},
        {"the device removed", [](auto &d) { d.erase(d.begin() + 2); }, -1},
    };
    for (const Change &c : changes) {
        SCOPED_TRACE(c.what);
        c.apply(state->devices);
        rec->DeviceCount(); // the window reads the list again
        EXPECT_EQ(rec->SelectedDevice(), c.place);
        const bool started = rec->StartRecord(8000, 1);
        EXPECT_EQ(started, c.place >= 0);
        if (started) {
            EXPECT_EQ(state->openedDevice, c.place);
        }
        EXPECT_TRUE(rec->StopRecord());
        EXPECT_EQ(rec->MixerLineCount(), c.place >= 0 ? 1 : 0);
        if (c.place >= 0) {
            EXPECT_EQ(rec->MixerLineName(0), QStringLiteral("Micro"));
        }
    }
    EXPECT_EQ(calls("Open"), 5); // the last one refused: no other device was recorded

    // The device back: followed again.
    state->devices.push_back(inserted("Webcam"));
    EXPECT_EQ(rec->DeviceCount(), 4);
    EXPECT_EQ(rec->SelectedDevice(), 3);
}

TEST_F(RecorderTest, AStreamThatEndsByItselfStopsTheRecordingOnce)
{
    for (const capture::Loss why : {capture::Loss::Server, capture::Loss::Device}) {
        SCOPED_TRACE(int(why));
        ASSERT_TRUE(rec->SelectDevice(0));
        ASSERT_TRUE(rec->StartRecord(44100, 2));
        QList<capture::Loss> losses;
        bool recordingInHandler = true;
        qint64 delivered = 0;
        const auto lost = QObject::connect(rec.get(), &WaveInRecorder::RecordingLost, [&](capture::Loss w) {
            losses << w;
            recordingInHandler = rec->IsRecording();
        });
        const auto data = QObject::connect(rec.get(), &WaveInRecorder::GotData,
                                           [&](std::span<qint16>, qint32 len) { delivered += len; });
        ASSERT_TRUE(state->fillNext(10240, 1));
        ASSERT_TRUE(state->fillNext(3000, 2)); // the partly filled buffer comes before the loss
        ASSERT_TRUE(state->lose(why));
        EXPECT_EQ(losses, QList<capture::Loss>{why});
        EXPECT_FALSE(recordingInHandler);
        EXPECT_FALSE(rec->IsRecording());
        EXPECT_FALSE(state->streamOpen);
        EXPECT_TRUE(state->prepared.empty());
        EXPECT_EQ(delivered, 13240);
        // Nothing is left open: a new recording starts.
        EXPECT_TRUE(rec->StartRecord(44100, 2));
        EXPECT_TRUE(rec->IsRecording());
        rec->StopRecord();
        QObject::disconnect(lost);
        QObject::disconnect(data);
    }
}

// The PulseAudio mapping, on source states as the server reports them.
pulsemap::SourceState threePorts()
{
    pulsemap::SourceState s;
    s.name = "alsa_input.pci";
    s.description = "Audio interne";
    s.ports = {{"analog-input-mic", "Microphone", PA_DEVICE_PORT_TYPE_MIC},
               {"analog-input-linein", "Entrée ligne", PA_DEVICE_PORT_TYPE_LINE},
               {"analog-input-aux", "", PA_DEVICE_PORT_TYPE_AUX}};
    s.activePort = 2;
    s.volume = {65536, 32768};
    return s;
}

TEST(PulseMixerMap, PortsAreTheLinesAndTheMultiplexerRunsBackwards)
{
    const pulsemap::SourceState s = threePorts();
    const MixerLine dest = pulsemap::Destination(s);
    EXPECT_EQ(dest.componentType, kComponentDstWaveIn);
    EXPECT_EQ(dest.connections, 3);

    MixerLine line;
    ASSERT_TRUE(pulsemap::SourceLine(s, 1, line));
    EXPECT_EQ(line.name, "Entrée ligne");
    EXPECT_EQ(line.componentType, kComponentSrcLine);
    ASSERT_TRUE(pulsemap::SourceLine(s, 2, line));
    EXPECT_EQ(line.name, "analog-input-aux"); // no description: the port's name
    EXPECT_FALSE(pulsemap::SourceLine(s, 3, line));

    MixerControl mux;
    ASSERT_TRUE(pulsemap::LineControl(s, dest.lineId, kControlMultiplexer, mux));
    EXPECT_EQ(mux.items, 3);
    std::uint32_t items[3];
    ASSERT_TRUE(pulsemap::ReadControl(s, mux.controlId, items));
    EXPECT_EQ(items[0], 1u); // active port 2 is item 0
    EXPECT_EQ(items[1] + items[2], 0u);

    int port = -1;
    const std::uint32_t first[3] = {0, 0, 1};
    ASSERT_TRUE(pulsemap::PortFromItems(s, first, port));
    EXPECT_EQ(port, 0);
    const std::uint32_t none[3] = {0, 0, 0};
    EXPECT_FALSE(pulsemap::PortFromItems(s, none, port));
}

TEST(PulseMixerMap, ASourceWithoutPortsIsOneLine)
{
    pulsemap::SourceState s;
    s.description = "Monitor of Tavilune-null";
    s.monitor = true;
    s.volume = {65536, 65536};
    EXPECT_EQ(pulsemap::LineCount(s), 1);
    MixerLine line;
    ASSERT_TRUE(pulsemap::SourceLine(s, 0, line));
    EXPECT_EQ(line.name, s.description);
    EXPECT_EQ(line.componentType, kComponentSrcWaveOut);
    std::uint32_t item = 0;
    ASSERT_TRUE(pulsemap::ReadControl(s, pulsemap::kMultiplexerId, std::span(&item, 1)));
    EXPECT_EQ(item, 1u);
    int port = 5;
    ASSERT_TRUE(pulsemap::PortFromItems(s, std::span<const std::uint32_t>(&item, 1), port));
    EXPECT_EQ(port, -1);
}

TEST(PulseMixerMap, VolumeScaleAndChannels)
{
    for (std::uint32_t raw = 0; raw <= 65535; ++raw)
        ASSERT_EQ(pulsemap::RawVolume(pulsemap::ServerVolume(raw)), raw);
    EXPECT_EQ(pulsemap::ServerVolume(65535), PA_VOLUME_NORM);
    EXPECT_EQ(pulsemap::ServerVolume(70000), PA_VOLUME_NORM);
    EXPECT_EQ(pulsemap::RawVolume(PA_VOLUME_NORM * 2), 65535u); // louder than 100 %

    pulsemap::SourceState s = threePorts();
    MixerControl vol;
    ASSERT_TRUE(pulsemap::LineControl(s, 1, kControlVolume, vol));
    std::uint32_t values[2];
    ASSERT_TRUE(pulsemap::ReadControl(s, vol.controlId, values));
    EXPECT_EQ(values[0], 65535u);
    EXPECT_EQ(values[1], 32768u);
    std::vector<std::uint32_t> server;
    const std::uint32_t half[2] = {32768, 32768};
    ASSERT_TRUE(pulsemap::VolumeFromValues(s, half, server));
    EXPECT_EQ(server, std::vector<std::uint32_t>(2, pulsemap::ServerVolume(32768)));

    // Six channels: one value, the loudest channel, set on every channel.
    s.volume = {100, 40000, 300, 400, 500, 600};
    EXPECT_EQ(pulsemap::Destination(s).channels, 1);
    EXPECT_FALSE(pulsemap::ReadControl(s, vol.controlId, values));
    ASSERT_TRUE(pulsemap::ReadControl(s, vol.controlId, std::span(values, 1)));
    EXPECT_EQ(values[0], pulsemap::RawVolume(40000));
    ASSERT_TRUE(pulsemap::VolumeFromValues(s, std::span(half, 1), server));
    EXPECT_EQ(server, std::vector<std::uint32_t>(6, pulsemap::ServerVolume(32768)));
}

} // namespace
