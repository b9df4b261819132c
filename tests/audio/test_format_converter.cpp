// The formats offered and the files they give, checked by independent readers: python's wave
// module and sox.
#include "audio/EncoderWAV.h"
#include "WavTestUtil.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

using namespace wavtest;

namespace {

// Writes samples (16-bit, rate, channels) to file in the given output format, in capture-sized
// buffers; true when every step succeeded.
bool WriteWav(const std::string &file, const std::vector<uint8_t> &format, int rate, int channels,
              const std::vector<int16_t> &samples, size_t bufferBytes = 10240)
{
    EncoderWAV enc;
    enc.SetFormat(format.data(), int32_t(format.size()), "", "");
    if (enc.Encoder_EncoderInit(rate, int16_t(channels), file) != 0)
        return false;
    const auto *bytes = reinterpret_cast<const uint8_t *>(samples.data());
    for (size_t at = 0; at < samples.size() * 2; at += bufferBytes) {
        const int32_t len = int32_t(std::min(bufferBytes, samples.size() * 2 - at));
        int32_t used = 0;
        if (enc.Encoder_Encode(bytes + at, len, used) != 0 || used != len)
            return false;
    }
    return enc.Encoder_EncoderClose() == 0;
}

std::vector<int16_t> DecodeRaw(const std::vector<uint8_t> &bytes, size_t from = 0)
{
    std::vector<int16_t> s(bytes.size() > from ? (bytes.size() - from) / 2 : 0);
    std::memcpy(s.data(), bytes.data() + from, s.size() * 2);
    return s;
}

// Decodes any wave file with sox into 16-bit samples.
std::vector<int16_t> DecodeWithSox(const std::string &file)
{
    const std::string raw = file + ".raw";
    const std::string out =
        Run("sox -V1 " + Quote(file) + " -t raw -e signed-integer -b 16 " + Quote(raw) + " 2>&1");
    EXPECT_EQ(out, "") << file;
    return DecodeRaw(ReadFile(raw));
}

// The samples of a 16-bit PCM file written with the 46-byte header.
std::vector<int16_t> PcmData(const std::vector<uint8_t> &file) { return DecodeRaw(file, 46); }

// Frames a format holds per block: 1, or the samples per block of IMA ADPCM.
size_t FramesPerBlock(const WaveFormatRecord &r)
{
    return r.FormatTag == WAVE_TAG_IMA_ADPCM ? size_t(r.Extra[0] | (r.Extra[1] << 8)) : 1;
}

// Every format listed for the input is written and read back with the right rate, channels and
// duration (within one output block).
void CheckEveryListedFormat(int rate, int channels)
{
    TempDir dir;
    std::vector<double> freqs = {440, 554, 660, 880};
    freqs.resize(size_t(channels));
    const auto samples = Sine(rate, 1.0, freqs, 0.6);
    const size_t inFrames = samples.size() / size_t(channels);

    const auto list = FormatConverter::ListFormats(rate, int16_t(channels));
    ASSERT_FALSE(list.empty());
    std::vector<std::string> files, pcmFiles;
    std::vector<WaveFormatRecord> records;
    for (size_t i = 0; i < list.size(); ++i) {
        WaveFormatRecord r;
        ASSERT_TRUE(WaveFormatRecord::Parse(list[i].Format.data(), list[i].Format.size(), r));
        const std::string file = dir.File("f" + std::to_string(i) + ".wav");
        ASSERT_TRUE(WriteWav(file, list[i].Format, rate, channels, samples))
            << list[i].FormatTag << " " << list[i].FormatID;
        files.push_back(file);
        records.push_back(r);
        if (r.FormatTag == WAVE_TAG_PCM)
            pcmFiles.push_back(file);
    }

    std::string all;
    for (const auto &f : files)
        all += " " + Quote(f);
    const auto soxRates = Lines(Run("soxi -r" + all + " 2>/dev/null"));
    const auto soxChannels = Lines(Run("soxi -c" + all + " 2>/dev/null"));
    const auto soxFrames = Lines(Run("soxi -s" + all + " 2>/dev/null"));
    ASSERT_GE(soxRates.size(), files.size());
    ASSERT_GE(soxChannels.size(), files.size());
    ASSERT_GE(soxFrames.size(), files.size());

    std::map<std::string, std::string> pythonSays;
    std::string script = "import sys, wave\n"
                         "for n in sys.argv[1:]:\n"
                         "    w = wave.open(n)\n"
                         "    print(n, w.getframerate(), w.getnchannels(), w.getsampwidth(), "
                         "w.getnframes())\n";
    std::string pcmArgs;
    for (const auto &f : pcmFiles)
        pcmArgs += " " + Quote(f);
    for (const auto &line : Lines(Run("python3 -c " + Quote(script) + pcmArgs))) {
        const auto space = line.find(' ');
        pythonSays[line.substr(0, space)] = line.substr(space + 1);
    }

    for (size_t i = 0; i < files.size(); ++i) {
        const WaveFormatRecord &r = records[i];
        SCOPED_TRACE(list[i].FormatTag + " " + list[i].FormatID);
        const double expected = double(inFrames) * r.SamplesPerSec / rate;
        const double block = double(FramesPerBlock(r));
        EXPECT_EQ(std::stoul(soxRates[i]), r.SamplesPerSec);
        EXPECT_EQ(std::stoul(soxChannels[i]), r.Channels);
        EXPECT_NEAR(std::stod(soxFrames[i]), expected, block);
        if (r.FormatTag == WAVE_TAG_PCM) {
            std::istringstream says(pythonSays[files[i]]);
            unsigned long pyRate = 0, pyChannels = 0, pyWidth = 0, pyFrames = 0;
            ASSERT_TRUE(says >> pyRate >> pyChannels >> pyWidth >> pyFrames) << files[i];
            EXPECT_EQ(pyRate, r.SamplesPerSec);
            EXPECT_EQ(pyChannels, r.Channels);
            EXPECT_EQ(pyWidth * 8, r.BitsPerSample);
            EXPECT_NEAR(double(pyFrames), expected, 1.0);
        }
    }
}

// Largest deviation of y from a sine of angular frequency w: y[k+1] + y[k-1] - 2cos(w)y[k] is
// zero for any sine of that frequency, whatever its phase, and jumps at any discontinuity.
double SineResidual(const std::vector<int16_t> &y, size_t stride, size_t offset, double w,
                    size_t skip)
{
    const size_t n = y.size() / stride;
    double worst = 0;
    for (size_t k = skip; k + skip < n; ++k) {
        const double r = y[(k + 1) * stride + offset] + y[(k - 1) * stride + offset] -
                         2 * std::cos(w) * y[k * stride + offset];
        worst = std::max(worst, std::abs(r));
    }
    return worst;
}

} // namespace

TEST(FormatConverter, ListOffersPcmAndCompressedFormatsWithTheirTexts)
{
    const auto list = FormatConverter::ListFormats(44100, 2);
    std::set<std::string> tags;
    std::set<std::vector<uint8_t>> records;
    for (const auto &c : list) {
        tags.insert(c.FormatTag);
        records.insert(c.Format);
        WaveFormatRecord r;
        ASSERT_TRUE(WaveFormatRecord::Parse(c.Format.data(), c.Format.size(), r));
        EXPECT_EQ(c.Format.size(), 18 + r.Extra.size());
        EXPECT_EQ(c.FormatTag, WaveFormatTagName(r.FormatTag));
        EXPECT_EQ(c.FormatID, WaveFormatDescription(r.SamplesPerSec, r.BitsPerSample, r.Channels));
    }
    EXPECT_EQ(records.size(), list.size()) << "no format twice";
    EXPECT_EQ(tags, (std::set<std::string>{"PCM", "A-Law", "\xC2\xB5-Law", "IMA ADPCM"}));
    // 8 rates; PCM in 4 resolutions, then A-law, mu-law and IMA ADPCM; mono and stereo each.
    EXPECT_EQ(list.size(), 8u * (4 + 3) * 2);
    EXPECT_EQ(list.front().FormatID, "8.0 kHz 8 Bit Mono");
    EXPECT_TRUE(records.count(WaveFormatRecord::Pcm(44100, 2, 16).Bytes()));
    EXPECT_TRUE(records.count(WaveFormatRecord::MuLaw(8000, 1).Bytes()));

    // The input's own rate is offered; bad input gets no list.
    bool ownRate = false;
    for (const auto &c : FormatConverter::ListFormats(12345, 1))
        ownRate |= c.FormatID == "12.3 kHz 16 Bit Mono";
    EXPECT_TRUE(ownRate);
    EXPECT_TRUE(FormatConverter::ListFormats(0, 2).empty());
    EXPECT_TRUE(FormatConverter::ListFormats(44100, 0).empty());
    EXPECT_TRUE(FormatConverter::ListFormats(-8000, 1).empty());
}

TEST(FormatConverter, EveryFormatForStereoInputIsReadBack) { CheckEveryListedFormat(44100, 2); }

TEST(FormatConverter, EveryFormatForMonoInputIsReadBack) { CheckEveryListedFormat(22050, 1); }

TEST(FormatConverter, ResampledSineKeepsItsFrequencyWithoutClicksAtBufferJoins)
{
    TempDir dir;
    const auto input = Sine(44100, 2.0, {1000, 1000}, 0.5);
    struct Case {
        uint32_t rate;
        uint16_t channels;
    };
    for (const Case c : {Case{22050, 2}, Case{22050, 1}, Case{48000, 2}, Case{8000, 1}}) {
        SCOPED_TRACE(std::to_string(c.rate) + " Hz, " + std::to_string(c.channels) + " ch");
        const std::string file = dir.File("sine" + std::to_string(c.rate) + ".wav");
        ASSERT_TRUE(WriteWav(file, WaveFormatRecord::Pcm(c.rate, c.channels, 16).Bytes(), 44100, 2,
                             input));
        const auto y = PcmData(ReadFile(file));
        const size_t frames = y.size() / c.channels;
        EXPECT_NEAR(double(frames), 2.0 * c.rate, 1.0);
        const double w = 2 * M_PI * 1000.0 / c.rate;
        for (uint16_t ch = 0; ch < c.channels; ++ch) {
            // The filter's edges at the very start and end are left out.
            EXPECT_LT(SineResidual(y, c.channels, ch, w, c.rate / 100), 8.0);
            // Level kept: RMS of a 0.5 full-scale sine.
            double sum = 0;
            for (size_t k = c.rate / 10; k < frames - c.rate / 10; ++k)
                sum += double(y[k * c.channels + ch]) * y[k * c.channels + ch];
            const double rms = std::sqrt(sum / double(frames - c.rate / 5));
            EXPECT_NEAR(rms, 0.5 * 32767 / std::sqrt(2.0), 60);
        }
    }
}

TEST(FormatConverter, G711DecodesBackWithinItsQuantisationError)
{
    TempDir dir;
    // A sine whose amplitude grows from silence to full scale, then the extremes.
    std::vector<int16_t> in;
    for (int i = 0; i < 16000; ++i)
        in.push_back(int16_t(std::lround(32767.0 * i / 16000 * std::sin(2 * M_PI * 330 * i / 8000))));
    in.insert(in.end(), {0, 32767, -32768, 0});

    struct Law {
        WaveFormatRecord record;
        uint8_t zero, max, min;
    };
    for (const Law &law : {Law{WaveFormatRecord::ALaw(8000, 1), 0xD5, 0xAA, 0x2A},
                           Law{WaveFormatRecord::MuLaw(8000, 1), 0xFF, 0x80, 0x00}}) {
        SCOPED_TRACE(WaveFormatTagName(law.record.FormatTag));
        const std::string file = dir.File("g711.wav");
        ASSERT_TRUE(WriteWav(file, law.record.Bytes(), 8000, 1, in));
        const auto bytes = ReadFile(file);
        ASSERT_EQ(bytes.size(), 46 + in.size());
        // The textbook codes of silence and of the extremes.
        EXPECT_EQ(bytes[bytes.size() - 4], law.zero);
        EXPECT_EQ(bytes[bytes.size() - 3], law.max);
        EXPECT_EQ(bytes[bytes.size() - 2], law.min);

        const auto out = DecodeWithSox(file);
        ASSERT_EQ(out.size(), in.size());
        int worstExcess = 0;
        for (size_t i = 0; i < in.size(); ++i) {
            const int err = std::abs(int(out[i]) - int(in[i]));
            const int allowed = 16 + std::abs(int(in[i])) / 16; // half a step of the segment
            worstExcess = std::max(worstExcess, err - allowed);
        }
        EXPECT_LE(worstExcess, 0);
    }
}

TEST(FormatConverter, ImaAdpcmDecodesBackCloseToTheInput)
{
    TempDir dir;
    const auto in = Sine(22050, 1.0, {440, 660}, 0.5);
    const std::string file = dir.File("ima.wav");
    const auto record = WaveFormatRecord::ImaAdpcm(22050, 2);
    ASSERT_TRUE(WriteWav(file, record.Bytes(), 22050, 2, in));
    const auto out = DecodeWithSox(file);
    // Whole blocks; the last one completed by holding the last sample.
    const size_t block = FramesPerBlock(record) * 2;
    ASSERT_EQ(block, 1017u * 2);
    ASSERT_EQ(out.size() % block, 0u);
    ASSERT_GE(out.size(), in.size());
    ASSERT_LT(out.size(), in.size() + block);
    for (size_t ch = 0; ch < 2; ++ch) {
        double signal = 0, noise = 0;
        for (size_t i = ch; i < in.size(); i += 2) {
            signal += double(in[i]) * in[i];
            noise += double(out[i] - in[i]) * (out[i] - in[i]);
        }
        EXPECT_GT(10 * std::log10(signal / noise), 25.0) << "channel " << ch;
    }
}

// Same rate change and channel mix as sox makes of the same input: no time shift, no lost or
// extra frames at the start or the end.
TEST(FormatConverter, ResamplingLinesUpWithSox)
{
    TempDir dir;
    const auto input = Sine(44100, 1.5, {1000, 3000}, 0.5);
    {
        std::ofstream raw(dir.File("in.raw"), std::ios::binary);
        raw.write(reinterpret_cast<const char *>(input.data()), std::streamsize(input.size() * 2));
    }
    struct Case {
        uint32_t rate;
        uint16_t channels;
    };
    for (const Case c : {Case{22050, 1}, Case{48000, 2}, Case{8000, 2}}) {
        SCOPED_TRACE(std::to_string(c.rate) + " Hz, " + std::to_string(c.channels) + " ch");
        const std::string ours = dir.File("ours.wav"), theirs = dir.File("sox.raw");
        ASSERT_TRUE(WriteWav(ours, WaveFormatRecord::Pcm(c.rate, c.channels, 16).Bytes(), 44100,
                             2, input));
        ASSERT_EQ(wavtest::Run("sox -D -t raw -r 44100 -c 2 -e signed-integer -b 16 " +
                      Quote(dir.File("in.raw")) + " -t raw -r " + std::to_string(c.rate) +
                      " -c " + std::to_string(c.channels) + " " + Quote(theirs) + " 2>&1"),
                  "");
        const auto a = PcmData(ReadFile(ours));
        const auto b = DecodeRaw(ReadFile(theirs));
        ASSERT_EQ(a.size(), b.size());
        int worst = 0;
        // The two filters treat the abrupt start and end of the signal a little differently.
        const size_t edge = size_t(c.rate / 200) * c.channels;
        for (size_t i = edge; i + edge < a.size(); ++i)
            worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
        EXPECT_LE(worst, 6) << "a shift of one frame would differ by thousands";
    }
}
