// EncoderWAV: file layout, result codes, format selection and write failures.
#include "audio/EncoderWAV.h"
#include "common/DecimalPoint.h"
#include "common/NumberedError.h"
#include "FileSizeLimit.h"
#include "WavTestUtil.h"

#include <gtest/gtest.h>

#include <functional>

using namespace wavtest;

namespace {

// Feeds samples in capture-sized buffers; returns the first non-zero result.
long EncodeAll(EncoderWAV &enc, const std::vector<int16_t> &samples, size_t bufferBytes = 10240)
{
    const auto *bytes = reinterpret_cast<const uint8_t *>(samples.data());
    const size_t total = samples.size() * 2;
    for (size_t at = 0; at < total; at += bufferBytes) {
        const int32_t len = int32_t(std::min(bufferBytes, total - at));
        int32_t used = -1;
        const long rc = enc.Encoder_Encode(bytes + at, len, used);
        if (rc != 0)
            return rc;
        EXPECT_EQ(used, len);
    }
    return 0;
}

// A chooser that records what it was shown and answers as told.
struct TestChooser : FormatChooser {
    std::optional<size_t> answer;
    std::function<std::optional<size_t>(const std::vector<WaveFormatChoice> &)> pick;
    std::vector<WaveFormatChoice> shown;
    std::string title;
    int calls = 0;
    std::optional<size_t> ChooseFormat(const std::vector<WaveFormatChoice> &formats,
                                       const std::string &t) override
    {
        ++calls;
        shown = formats;
        title = t;
        return pick ? pick(formats) : answer;
    }
};

} // namespace

TEST(EncoderWAV, DefaultFormatWritesPcmUnchangedBehindA46ByteHeader)
{
    TempDir dir;
    const std::string file = dir.File("a.wav");
    EncoderWAV enc;
    EXPECT_EQ(enc.FormatTag(), "PCM");
    EXPECT_EQ(enc.FormatID(), "44.1 kHz 16 Bit Stereo");
    EXPECT_EQ(enc.Encoder_Description(), "Wave ACM Encoder");
    EXPECT_EQ(enc.Encoder_Extension(), "wav");
    EXPECT_EQ(enc.Encoder_EncoderMetrics(1), -1);

    ASSERT_EQ(enc.Encoder_EncoderInit(44100, 2, file), 0);
    EXPECT_EQ(enc.Encoder_EncoderMetrics(1), 176400);
    EXPECT_EQ(enc.Encoder_EncoderMetrics(0), 4);
    EXPECT_EQ(enc.Encoder_EncoderMetrics(7), 0);
    // The header's room is reserved as zeros while recording.
    EXPECT_EQ(ReadFile(file), std::vector<uint8_t>(46, 0));

    const auto samples = Sine(44100, 0.5, {440, 660}, 0.8);
    ASSERT_EQ(EncodeAll(enc, samples), 0);
    ASSERT_EQ(enc.Encoder_EncoderClose(), 0);
    EXPECT_EQ(enc.Encoder_EncoderMetrics(1), -1);

    const auto b = ReadFile(file);
    const size_t dataBytes = samples.size() * 2;
    ASSERT_EQ(b.size(), 46 + dataBytes);
    EXPECT_EQ(TagAt(b, 0), "RIFF");
    EXPECT_EQ(U32At(b, 4), b.size() - 8);
    EXPECT_EQ(TagAt(b, 8), "WAVE");
    EXPECT_EQ(TagAt(b, 12), "fmt ");
    EXPECT_EQ(U32At(b, 16), 18u);
    const std::vector<uint8_t> fmt(b.begin() + 20, b.begin() + 38);
    EXPECT_EQ(fmt, WaveFormatRecord::Pcm(44100, 2, 16).Bytes());
    EXPECT_EQ(TagAt(b, 38), "data");
    EXPECT_EQ(U32At(b, 42), dataBytes);
    EXPECT_EQ(0, std::memcmp(b.data() + 46, samples.data(), dataBytes));
}

TEST(EncoderWAV, BufferLengthsAndPointers)
{
    TempDir dir;
    EncoderWAV enc;
    int32_t used = -1;
    EXPECT_EQ(enc.Encoder_Encode(nullptr, 0, used), 2) << "no file open";

    ASSERT_EQ(enc.Encoder_EncoderInit(44100, 2, dir.File("b.wav")), 0);
    std::vector<uint8_t> second(176401, 0);
    EXPECT_EQ(enc.Encoder_Encode(second.data(), 176400, used), 0);
    EXPECT_EQ(used, 176400);
    EXPECT_EQ(enc.Encoder_Encode(second.data(), 176401, used), 8);
    EXPECT_EQ(enc.Encoder_Encode(second.data(), -4, used), 8);
    // Nothing readable: nothing is converted (no stale data is written).
    EXPECT_EQ(enc.Encoder_Encode(nullptr, 4096, used), 9);
    EXPECT_EQ(used, 0);
    // Only whole frames are taken.
    EXPECT_EQ(enc.Encoder_Encode(second.data(), 10242, used), 0);
    EXPECT_EQ(used, 10240);
    EXPECT_EQ(enc.Encoder_Encode(second.data(), 0, used), 0);
    EXPECT_EQ(used, 0);
    ASSERT_EQ(enc.Encoder_EncoderClose(), 0);
    EXPECT_EQ(ReadFile(dir.File("b.wav")).size(), 46u + 176400 + 10240);
}

TEST(EncoderWAV, SecondCloseReturns2AndLeavesTheFile)
{
    TempDir dir;
    const std::string file = dir.File("c.wav");
    EncoderWAV enc;
    EXPECT_EQ(enc.Encoder_EncoderClose(), 2);
    ASSERT_EQ(enc.Encoder_EncoderInit(22050, 1, file), 0);
    ASSERT_EQ(EncodeAll(enc, Sine(22050, 0.2, {300}, 0.5)), 0);
    ASSERT_EQ(enc.Encoder_EncoderClose(), 0);
    const auto before = ReadFile(file);
    EXPECT_EQ(enc.Encoder_EncoderClose(), 2);
    EXPECT_EQ(ReadFile(file), before);
}

TEST(EncoderWAV, WithoutHeaderTheFileHoldsSoundDataAlone)
{
    TempDir dir;
    const std::string file = dir.File("raw.wav");
    EncoderWAV enc;
    enc.SetWriteHeader(false);
    ASSERT_EQ(enc.Encoder_EncoderInit(44100, 2, file), 0);
    EXPECT_TRUE(ReadFile(file).empty());

    // The switch cannot change while a file is open.
    try {
        enc.SetWriteHeader(true);
        ADD_FAILURE() << "no error raised";
    } catch (const NumberedError &e) {
        EXPECT_EQ(e.Number(), 90);
        EXPECT_EQ(e.Description(), "Encoder already running!");
    }
    EXPECT_FALSE(enc.WriteHeader());

    const auto samples = Sine(44100, 0.3, {440, 880}, 0.5);
    ASSERT_EQ(EncodeAll(enc, samples), 0);
    ASSERT_EQ(enc.Encoder_EncoderClose(), 0);
    const auto b = ReadFile(file);
    ASSERT_EQ(b.size(), samples.size() * 2);
    EXPECT_EQ(0, std::memcmp(b.data(), samples.data(), b.size()));
    enc.SetWriteHeader(true);
    EXPECT_TRUE(enc.WriteHeader());
}

TEST(EncoderWAV, FormatWithTwoExtraBytesMovesTheDataChunk)
{
    TempDir dir;
    const std::string file = dir.File("adpcm.wav");
    EncoderWAV enc;
    const auto record = WaveFormatRecord::ImaAdpcm(44100, 2).Bytes();
    ASSERT_EQ(record.size(), 20u);
    enc.SetFormat(record.data(), int32_t(record.size()), "44.1 kHz 4 Bit Stereo", "IMA ADPCM");
    ASSERT_EQ(enc.Encoder_EncoderInit(44100, 2, file), 0);
    EXPECT_EQ(ReadFile(file), std::vector<uint8_t>(48, 0));
    ASSERT_EQ(EncodeAll(enc, Sine(44100, 1.0, {440, 660}, 0.5)), 0);
    ASSERT_EQ(enc.Encoder_EncoderClose(), 0);

    const auto b = ReadFile(file);
    ASSERT_GT(b.size(), 48u);
    EXPECT_EQ(U32At(b, 4), b.size() - 8);
    EXPECT_EQ(U32At(b, 16), 20u);
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 20, b.begin() + 40), record);
    EXPECT_EQ(TagAt(b, 40), "data");
    EXPECT_EQ(U32At(b, 44), b.size() - 48);
    EXPECT_EQ((b.size() - 48) % 2048, 0u) << "whole ADPCM blocks";
    // No fact chunk, no other chunk.
    EXPECT_EQ(std::string(b.begin(), b.end()).find("fact"), std::string::npos);
}

TEST(EncoderWAV, InitFailuresLeaveNoFileOpen)
{
    TempDir dir;
    EncoderWAV enc;
    EXPECT_EQ(enc.Encoder_EncoderInit(0, 2, dir.File("x.wav")), 7);
    EXPECT_EQ(enc.Encoder_EncoderInit(44100, 0, dir.File("x.wav")), 7);
    EXPECT_EQ(enc.Encoder_EncoderInit(44100, -1, dir.File("x.wav")), 7);
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.wav")));
    EXPECT_EQ(enc.Encoder_EncoderInit(44100, 2, dir.File("missing/x.wav")), 2);
    EXPECT_EQ(enc.Encoder_EncoderMetrics(0), -1);

    // Formats the converter cannot produce.
    const uint8_t mp3[30] = {0x55, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0x3E, 0, 0, 1, 0, 0, 0, 12, 0};
    enc.SetFormat(mp3, sizeof mp3, "MPEG Layer-3", "MPEG");
    EXPECT_EQ(enc.Encoder_EncoderInit(44100, 2, dir.File("x.wav")), 7);
    auto badAlign = WaveFormatRecord::Pcm(44100, 2, 16);
    badAlign.BlockAlign = 3;
    const auto bad = badAlign.Bytes();
    enc.SetFormat(bad.data(), int32_t(bad.size()), "x", "PCM");
    EXPECT_EQ(enc.Encoder_EncoderInit(44100, 2, dir.File("x.wav")), 7);
    enc.SetFormat(bad.data(), 10, "x", "PCM");
    EXPECT_EQ(enc.Encoder_EncoderInit(44100, 2, dir.File("x.wav")), 7);
    EXPECT_FALSE(enc.IsOpen());
    EXPECT_FALSE(std::filesystem::exists(dir.File("x.wav")));

    // Unreadable bytes change nothing.
    enc.SetFormat(nullptr, 18, "y", "y");
    EXPECT_EQ(enc.FormatID(), "x");
    EXPECT_EQ(enc.OutputFormat().size(), 10u);
}

TEST(EncoderWAV, ANewInitAndTheDestructorCompleteTheOpenFile)
{
    TempDir dir;
    const auto samples = Sine(8000, 0.25, {500}, 0.5);
    {
        EncoderWAV enc;
        enc.SetPCMFormat(8000, 1, "", "");
        ASSERT_EQ(enc.Encoder_EncoderInit(8000, 1, dir.File("first.wav")), 0);
        ASSERT_EQ(EncodeAll(enc, samples), 0);
        ASSERT_EQ(enc.Encoder_EncoderInit(8000, 1, dir.File("second.wav")), 0);
        ASSERT_EQ(EncodeAll(enc, samples), 0);
    }
    for (const char *name : {"first.wav", "second.wav"}) {
        const auto b = ReadFile(dir.File(name));
        ASSERT_EQ(b.size(), 46 + samples.size() * 2) << name;
        EXPECT_EQ(U32At(b, 4), b.size() - 8) << name;
        EXPECT_EQ(U32At(b, 42), samples.size() * 2) << name;
    }
}

TEST(EncoderWAV, FormatChangedWhileRecordingDoesNotRewriteTheOpenFilesHeader)
{
    TempDir dir;
    const std::string file = dir.File("keep.wav");
    EncoderWAV enc;
    ASSERT_EQ(enc.Encoder_EncoderInit(44100, 2, file), 0);
    ASSERT_EQ(EncodeAll(enc, Sine(44100, 0.1, {440, 440}, 0.5)), 0);
    enc.SetPCMFormat(8000, 1, "", "");
    ASSERT_EQ(enc.Encoder_EncoderClose(), 0);
    const auto b = ReadFile(file);
    EXPECT_EQ(std::vector<uint8_t>(b.begin() + 20, b.begin() + 38),
              WaveFormatRecord::Pcm(44100, 2, 16).Bytes());
}

TEST(EncoderWAV, PcmFormatTexts)
{
    EncoderWAV enc;
    enc.SetPCMFormat(22050, 1, "", "");
    EXPECT_EQ(enc.FormatTag(), "PCM");
    EXPECT_EQ(enc.FormatID(), "22.1 kHz 16 Bit Mono");
    EXPECT_EQ(enc.OutputFormat(), WaveFormatRecord::Pcm(22050, 1, 16).Bytes());
    enc.SetPCMFormat(44100, 2, "", "");
    EXPECT_EQ(enc.FormatID(), "44.1 kHz 16 Bit Stereo");
    enc.SetPCMFormat(11025, 2, "mine", "tag");
    EXPECT_EQ(enc.FormatID(), "mine");
    EXPECT_EQ(enc.FormatTag(), "tag");
    EXPECT_EQ(WaveFormatDescription(8000, 8, 1), "8.0 kHz 8 Bit Mono");
    EXPECT_EQ(WaveFormatDescription(11025, 24, 2), "11.0 kHz 24 Bit Stereo");
    // A French user sees the French decimal separator, whatever the C library's locale says.
    SetUserDecimalPoint(",");
    EXPECT_EQ(WaveFormatDescription(44100, 16, 2), "44,1 kHz 16 Bit Stereo");
    EXPECT_EQ(EncoderWAV().FormatID(), "44,1 kHz 16 Bit Stereo"); // the default format too
    SetUserDecimalPoint(".");
}

TEST(EncoderWAV, SelectFormatTakesTheChoosersPickOrKeepsTheFormat)
{
    EncoderWAV enc;
    TestChooser chooser;
    const auto before = enc.OutputFormat();

    chooser.answer = std::nullopt; // cancelled
    EXPECT_EQ(enc.SelectFormat(44100, 2, &chooser, "Selection du format WAV en sortie"), 11);
    EXPECT_EQ(chooser.title, "Selection du format WAV en sortie");
    EXPECT_FALSE(chooser.shown.empty());
    EXPECT_EQ(enc.OutputFormat(), before);
    EXPECT_EQ(enc.FormatID(), "44.1 kHz 16 Bit Stereo");

    chooser.answer = chooser.shown.size(); // out of range: a failed chooser
    EXPECT_EQ(enc.SelectFormat(44100, 2, &chooser, "t"), 11);
    EXPECT_EQ(enc.SelectFormat(44100, 2, nullptr, "t"), 11);
    chooser.calls = 0;
    EXPECT_EQ(enc.SelectFormat(0, 2, &chooser, "t"), 11);
    EXPECT_EQ(chooser.calls, 0);
    EXPECT_EQ(enc.OutputFormat(), before);

    chooser.answer.reset();
    chooser.pick = [](const std::vector<WaveFormatChoice> &list) -> std::optional<size_t> {
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i].Format == WaveFormatRecord::ALaw(8000, 1).Bytes())
                return i;
        return std::nullopt;
    };
    ASSERT_EQ(enc.SelectFormat(44100, 2, &chooser, "t"), 0);
    EXPECT_EQ(enc.OutputFormat(), WaveFormatRecord::ALaw(8000, 1).Bytes());
    EXPECT_EQ(enc.FormatTag(), "A-Law");
    EXPECT_EQ(enc.FormatID(), "8.0 kHz 8 Bit Mono");

    chooser.pick = [](const std::vector<WaveFormatChoice> &list) -> std::optional<size_t> {
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i].Format == WaveFormatRecord::ImaAdpcm(22050, 2).Bytes())
                return i;
        return std::nullopt;
    };
    ASSERT_EQ(enc.SelectFormat(44100, 2, &chooser, "t"), 0);
    EXPECT_EQ(enc.OutputFormat().size(), 20u) << "18 + the extra-byte count";
    EXPECT_EQ(enc.FormatTag(), "IMA ADPCM");
    EXPECT_EQ(enc.FormatID(), "22.1 kHz 4 Bit Stereo");
}

// A device that refuses every write: no step may report success.
TEST(EncoderWAV, FullDiskIsReportedEverywhere)
{
    ASSERT_TRUE(std::filesystem::exists("/dev/full"));
    const auto samples = Sine(44100, 0.2, {440, 660}, 0.5);
    {
        EncoderWAV enc;
        EXPECT_EQ(enc.Encoder_EncoderInit(44100, 2, "/dev/full"), 10) << "header room not written";
        EXPECT_FALSE(enc.IsOpen());
        EXPECT_TRUE(std::filesystem::exists("/dev/full")) << "a device is only closed";
    }
    {
        // A file that cannot take even its header does not stay behind.
        TempDir dir;
        EncoderWAV enc;
        {
            tavtest::FileSizeLimit limit(10);
            EXPECT_EQ(enc.Encoder_EncoderInit(44100, 2, dir.File("plein.wav")), 10);
        }
        EXPECT_FALSE(enc.IsOpen());
        EXPECT_FALSE(std::filesystem::exists(dir.File("plein.wav")));
    }
    {
        EncoderWAV enc;
        enc.SetWriteHeader(false);
        ASSERT_EQ(enc.Encoder_EncoderInit(44100, 2, "/dev/full"), 0);
        int32_t used = 0;
        EXPECT_EQ(enc.Encoder_Encode(samples.data(), 10240, used), 10);
        EXPECT_EQ(used, 10240);
        EXPECT_TRUE(enc.IsOpen()) << "the caller decides to stop";
        EXPECT_EQ(enc.Encoder_EncoderClose(), 10);
        EXPECT_FALSE(enc.IsOpen());
    }
    {
        // Resampled output: the tail given out at close cannot be written either.
        EncoderWAV enc;
        enc.SetWriteHeader(false);
        enc.SetPCMFormat(22050, 1, "", "");
        ASSERT_EQ(enc.Encoder_EncoderInit(44100, 2, "/dev/full"), 0);
        EXPECT_EQ(EncodeAll(enc, samples), 10);
        EXPECT_EQ(enc.Encoder_EncoderClose(), 10);
    }
}

// Data that would take the file past what RIFF sizes can describe is refused, and the header
// still describes the file.
TEST(EncoderWAV, FileSizeLimitKeepsTheHeaderTrue)
{
    TempDir dir;
    const std::string file = dir.File("limit.wav");
    EncoderWAV enc;
    enc.SetPCMFormat(8000, 1, "", "");
    enc.SetMaxFileSize(46 + 16000 + 100);
    ASSERT_EQ(enc.Encoder_EncoderInit(8000, 1, file), 0);
    const auto second = Sine(8000, 1.0, {400}, 0.5);
    int32_t used = 0;
    EXPECT_EQ(enc.Encoder_Encode(second.data(), 16000, used), 0);
    EXPECT_EQ(enc.Encoder_Encode(second.data(), 16000, used), 10);
    EXPECT_EQ(enc.Encoder_EncoderClose(), 10);
    const auto b = ReadFile(file);
    ASSERT_EQ(b.size(), 46u + 16000);
    EXPECT_EQ(U32At(b, 4), b.size() - 8);
    EXPECT_EQ(U32At(b, 42), 16000u);
}
