// The encoding driver with the real engine library: encoded files are decoded back by the
// reference decoder (and their length read by libmpv) and compared with their source.
#include "common/NumberedError.h"
#include "mp3/cLameEncoder.h"
#include "Mp3TestUtil.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <mpv/client.h>

#include <filesystem>

using namespace mp3test;

namespace {

struct ProgressCall {
    int32_t position, length;
};

struct Conversion {
    std::vector<ProgressCall> calls;
    long error = 0;
    std::string source, description;
};

Conversion convert(cLameEncoder &enc, const std::string &wav, const std::string &mp3,
                   std::function<bool(int)> cancelAt = {})
{
    Conversion c;
    enc.SetWavFile(wav);
    enc.SetMp3File(mp3);
    enc.Progress = [&](int32_t pos, int32_t len, bool &cancel) {
        c.calls.push_back({pos, len});
        if (cancelAt && cancelAt(int(c.calls.size())))
            cancel = true;
    };
    try {
        enc.Encode();
    } catch (const NumberedError &e) {
        c.error = e.Number();
        c.source = e.Source();
        c.description = e.Description();
    }
    return c;
}

// Duration of a file as a player sees it (libmpv, no audio or video output).
double playerDuration(const std::string &path)
{
    mpv_handle *mpv = mpv_create();
    if (!mpv)
        return -1;
    mpv_set_option_string(mpv, "vo", "null");
    mpv_set_option_string(mpv, "ao", "null");
    mpv_set_option_string(mpv, "pause", "yes");
    mpv_set_option_string(mpv, "config", "no");
    double duration = -1;
    if (mpv_initialize(mpv) >= 0) {
        const char *cmd[] = {"loadfile", path.c_str(), nullptr};
        mpv_command(mpv, cmd);
        for (;;) {
            mpv_event *ev = mpv_wait_event(mpv, 10);
            if (ev->event_id == MPV_EVENT_FILE_LOADED) {
                mpv_get_property(mpv, "duration", MPV_FORMAT_DOUBLE, &duration);
                break;
            }
            if (ev->event_id == MPV_EVENT_END_FILE || ev->event_id == MPV_EVENT_NONE ||
                ev->event_id == MPV_EVENT_SHUTDOWN)
                break;
        }
    }
    mpv_terminate_destroy(mpv);
    return duration;
}

class EncoderTest : public ::testing::Test {
protected:
    std::string wav(const WavLayout &l, const std::vector<uint8_t> &data, const char *name = "in.wav")
    {
        const std::string path = dir.file(name);
        writeFile(path, makeWav(l, data));
        return path;
    }
    TempDir dir;
};

struct PresetCase {
    int32_t preset;
    uint32_t rate;
};
void PrintTo(const PresetCase &c, std::ostream *os) { *os << "preset " << c.preset << " at " << c.rate << " Hz"; }

class EncoderPresetTest : public EncoderTest, public ::testing::WithParamInterface<PresetCase> {};

} // namespace

// Every preset at both input rates: an odd length (not a multiple of the engine's chunk nor of a
// frame) with a LIST chunk before the data, decoded back to the same length and the same tones.
TEST_P(EncoderPresetTest, DecodesToTheSourceLengthAndTones)
{
    const auto [preset, rate] = GetParam();
    const uint32_t frames = rate * 13 / 10 + 7;
    WavLayout l;
    l.rate = rate;
    l.listBetween = true;
    cLameEncoder enc;
    enc.SetEncodingPreset(preset);
    const Conversion c = convert(enc, wav(l, stereoTone(frames, rate, 440, 1000)), dir.file("out.mp3"));
    ASSERT_EQ(c.error, 0) << c.source << ": " << c.description;
    EXPECT_EQ(enc.SampleRate(), 44100) << "the record keeps its own rate";

    // Progress: increasing, in samples, ending at the full length.
    ASSERT_GE(c.calls.size(), 2u);
    for (size_t i = 1; i < c.calls.size(); ++i)
        EXPECT_GE(c.calls[i].position, c.calls[i - 1].position);
    EXPECT_EQ(c.calls.back().position, int32_t(frames * 2));
    EXPECT_EQ(c.calls.back().length, int32_t(frames * 2));

    const Pcm out = decodeMp3(dir.file("out.mp3"), dir.file("out.wav"));
    ASSERT_GT(out.rate, 0u);
    const double seconds = double(frames) / rate;
    EXPECT_NEAR(double(out.frames()) / out.rate, seconds, 0.050);
    if (out.channels == 2) {
        EXPECT_NEAR(dominantFrequency(out, 0), 440, 4.4);
        EXPECT_NEAR(dominantFrequency(out, 1), 1000, 10);
    }

    // The leading info frame was filled in at the end: its frame count and delays give the length.
    const StreamInfo s = scanMp3(readFile(dir.file("out.mp3")));
    ASSERT_FALSE(s.tag.empty());
    EXPECT_EQ(s.tagFrames + 1, s.frames.size());
    const FrameHeader &h = s.frames.front();
    EXPECT_NEAR(double(int64_t(s.tagFrames) * h.samples - s.delay - s.padding) / h.rate, seconds, 0.001);
}

INSTANTIATE_TEST_SUITE_P(AllPresets, EncoderPresetTest, ::testing::ValuesIn([] {
                             std::vector<PresetCase> v;
                             for (uint32_t rate : {44100u, 22050u})
                                 for (int32_t p = -1; p <= 14; ++p)
                                     v.push_back({p, rate});
                             return v;
                         }()),
                         [](const auto &info) {
                             return "preset" + std::to_string(info.param.preset + 1) + "_" +
                                    std::to_string(info.param.rate);
                         });

TEST_F(EncoderTest, PlayersReportTheDurationOfVariableAndConstantRateFiles)
{
    // A player counts the frames the info frame declares, the encoder's lead-in and padding
    // included: within 50 ms of the source at 44.1 kHz, within those extra samples at 32 kHz.
    const uint32_t frames = 44100 * 2 - 333;
    const double seconds = double(frames) / 44100;
    const std::string in = wav({}, stereoTone(frames, 44100, 440, 660));
    for (int32_t preset : {6, 3, 11, 12}) {
        cLameEncoder enc;
        enc.SetEncodingPreset(preset);
        const std::string out = dir.file("p" + std::to_string(preset) + ".mp3");
        ASSERT_EQ(convert(enc, in, out).error, 0);
        const StreamInfo s = scanMp3(readFile(out));
        ASSERT_FALSE(s.frames.empty());
        const FrameHeader &h = s.frames.front();
        const double played = playerDuration(out);
        EXPECT_NEAR(played, double(s.tagFrames) * h.samples / h.rate, 0.002) << "preset " << preset;
        EXPECT_NEAR(played, seconds, double(s.delay + s.padding) / h.rate + 0.001) << "preset " << preset;
        if (h.rate == 44100) {
            EXPECT_NEAR(played, seconds, 0.050) << "preset " << preset;
        }
    }
}

TEST_F(EncoderTest, ShortAndEmptyInputs)
{
    // An empty data chunk: nothing encoded, one final progress (0, 0), a valid stream file.
    cLameEncoder enc;
    Conversion c = convert(enc, wav({}, {}), dir.file("empty.mp3"));
    ASSERT_EQ(c.error, 0) << c.description;
    ASSERT_EQ(c.calls.size(), 1u);
    EXPECT_EQ(c.calls[0].position, 0);
    EXPECT_EQ(c.calls[0].length, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.file("empty.mp3")));

    // A data chunk cut short by the end of the file: only the sound that is there is encoded.
    WavLayout cut;
    cut.declaredData = 44100 * 4 * 3;
    const uint32_t frames = 44100 / 2;
    auto tone = stereoTone(frames, 44100, 440, 440);
    tone.push_back(0x55); // a stray byte: no whole frame
    c = convert(enc, wav(cut, tone, "cut.wav"), dir.file("cut.mp3"));
    ASSERT_EQ(c.error, 0) << c.description;
    EXPECT_EQ(c.calls.back().length, int32_t(frames * 2));
    const Pcm out = decodeMp3(dir.file("cut.mp3"), dir.file("cut-out.wav"));
    EXPECT_NEAR(double(out.frames()) / out.rate, 0.5, 0.050);
}

TEST_F(EncoderTest, UnsupportedInputsFailBeforeAnyOutputExists)
{
    for (auto [channels, bits] : {std::pair{1, 16}, std::pair{2, 8}, std::pair{2, 24}}) {
        WavLayout l;
        l.channels = uint16_t(channels);
        l.bits = uint16_t(bits);
        cLameEncoder enc;
        const std::string out = dir.file("never.mp3");
        const Conversion c = convert(enc, wav(l, std::vector<uint8_t>(6000, 1)), out);
        EXPECT_EQ(c.error, 29671);
        EXPECT_EQ(c.description, "Only stereo 16 bit wave files supported.");
        EXPECT_EQ(c.source, "tavilune.lameConvert");
        EXPECT_FALSE(std::filesystem::exists(out)) << channels << "ch " << bits;
        EXPECT_TRUE(c.calls.empty());
    }

    // A damaged file passes the reader's number on.
    writeFile(dir.file("junk.wav"), std::vector<uint8_t>(100, 'j'));
    cLameEncoder enc;
    Conversion c = convert(enc, dir.file("junk.wav"), dir.file("never.mp3"));
    EXPECT_EQ(c.error, 29673);
    EXPECT_EQ(c.source, "tavilune.lameConvert");

    // An unknown preset is refused by the engine when the stream starts.
    enc.SetEncodingPreset(99);
    c = convert(enc, wav({}, stereoTone(1000, 44100, 440, 440)), dir.file("never.mp3"));
    EXPECT_EQ(c.error, 29772);
    EXPECT_EQ(c.description, "Invalid Format Parameters");
    EXPECT_EQ(c.source, "tavilune.lameInit");
    EXPECT_FALSE(std::filesystem::exists(dir.file("never.mp3")));
}

TEST_F(EncoderTest, CancelDuringTheFirstProgressDeletesTheOutput)
{
    cLameEncoder enc;
    const std::string in = wav({}, stereoTone(44100, 44100, 440, 440));
    const std::string out = dir.file("out.mp3");
    const Conversion c = convert(enc, in, out, [](int call) { return call == 1; });
    EXPECT_EQ(c.error, 0);
    EXPECT_EQ(c.calls.size(), 1u) << "no progress follows a cancel";
    EXPECT_FALSE(std::filesystem::exists(out));

    // The encoder is idle again: the same conversion runs to its end.
    const Conversion again = convert(enc, in, out);
    EXPECT_EQ(again.error, 0);
    EXPECT_TRUE(std::filesystem::exists(out));
}

TEST_F(EncoderTest, PathsAreKeptOnlyWhenUsable)
{
    cLameEncoder enc;
    const std::string existing = wav({}, {});
    enc.SetMp3File(existing);
    EXPECT_EQ(enc.Mp3File(), "") << "an existing file is never an output";
    enc.SetMp3File(dir.file("new.mp3"));
    EXPECT_EQ(enc.Mp3File(), dir.file("new.mp3"));
    enc.SetMp3File(existing);
    EXPECT_EQ(enc.Mp3File(), dir.file("new.mp3"));

    enc.SetWavFile(dir.file("missing.wav"));
    EXPECT_EQ(enc.WavFile(), "");
    enc.SetWavFile(dir.file(""));
    EXPECT_EQ(enc.WavFile(), "") << "a folder is not a file";
    enc.SetWavFile(existing);
    EXPECT_EQ(enc.WavFile(), existing);

    // Never accepted WAV path: the reader stays closed and its first Read fails.
    cLameEncoder fresh;
    fresh.SetMp3File(dir.file("x.mp3"));
    try {
        fresh.Encode();
        FAIL();
    } catch (const NumberedError &e) {
        EXPECT_EQ(e.Number(), 29676);
        EXPECT_EQ(e.Source(), "tavilune.lameConvert");
    }
}

TEST_F(EncoderTest, AnOutputNameTakenAfterItWasChosenIsNeverWrittenThrough)
{
    // The conversion window's temporary name is chosen first and written later: a link planted
    // there meanwhile is not followed and the file it leads to is not touched.
    cLameEncoder enc;
    const std::string in = wav({}, stereoTone(4410, 44100, 440, 440));
    const std::string out = dir.file(".sortie.mp3.part"), victim = dir.file("precieux.txt");
    writeFile(victim, std::vector<uint8_t>(3, 'v'));
    enc.SetWavFile(in);
    enc.SetMp3File(out);
    ASSERT_EQ(enc.Mp3File(), out);
    ASSERT_EQ(symlink(victim.c_str(), out.c_str()), 0);
    try {
        enc.Encode();
        FAIL() << "written through the link";
    } catch (const NumberedError &e) {
        EXPECT_EQ(e.Number(), 29872);
    }
    EXPECT_EQ(readFile(victim), std::vector<uint8_t>(3, 'v'));
}

TEST_F(EncoderTest, VersionIsReadOnceAndDecoded)
{
    cLameEncoder enc;
    const cLameEncoderVersion &v = enc.Version();
    EXPECT_EQ(&v, &enc.Version()) << "read once, then kept";
    EXPECT_EQ(v.DllMajorVersion(), 1);
    EXPECT_EQ(v.MajorVersion(), 3);
    EXPECT_GE(v.MinorVersion(), 99);
    EXPECT_FALSE(v.HomePage().empty());

    std::array<uint8_t, cLameEncoderVersion::kRecordSize> record{};
    record[4] = 31;
    record[5] = 2; // 31 February: no date
    record[6] = 0xE1;
    record[7] = 0x07;
    std::memset(&record[8], 'h', 129); // no zero byte: the home page stops at offset 136
    const cLameEncoderVersion bad(record);
    EXPECT_FALSE(bad.ReleaseDate().ok());
    EXPECT_EQ(int(bad.ReleaseDate().year()), 0);
    EXPECT_EQ(bad.HomePage(), std::string(129, 'h'));
    record[4] = 13;
    record[5] = 10;
    EXPECT_EQ(cLameEncoderVersion(record).ReleaseDate(),
              std::chrono::year_month_day(std::chrono::year(2017), std::chrono::October, std::chrono::day(13)));
}

TEST_F(EncoderTest, AnEngineThatCannotBeLoadedGivesANumberedError)
{
    cLameEncoder enc("no-such-engine");
    for (const auto &call : {std::function<void()>([&] { enc.Version(); }),
                             std::function<void()>([&] { enc.Encode(); })}) {
        try {
            call();
            FAIL();
        } catch (const NumberedError &e) {
            EXPECT_EQ(e.Number(), 29776);
            EXPECT_EQ(e.Source(), "tavilune.lameLoad");
            EXPECT_NE(e.Description().find("libno-such-engine.so"), std::string::npos) << e.Description();
        }
    }
}
