// The engine library's contract, called directly: configuration record checks, result codes,
// stream handles, buffer sizes under the worst input, and what each preset makes of the stream.
#include "Mp3TestUtil.h"
#include "lameencshim.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

using namespace mp3test;

namespace {

using Config = std::array<uint8_t, BE_CONFIG_SIZE>;

void set32(Config &c, int off, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        c[size_t(off + i)] = uint8_t(v >> (8 * i));
}

// The record as the program makes it.
Config defaults(int32_t preset = 4)
{
    Config c{};
    set32(c, BE_CFG_KIND, 256);
    set32(c, BE_CFG_STRUCT_VERSION, 1);
    set32(c, BE_CFG_STRUCT_SIZE, 331);
    set32(c, BE_CFG_IN_RATE, 44100);
    set32(c, BE_CFG_MODE, 1);
    set32(c, BE_CFG_BITRATE, 128);
    set32(c, BE_CFG_PRESET, uint32_t(preset));
    set32(c, BE_CFG_MPEG_VERSION, 1);
    set32(c, BE_CFG_ORIGINAL, 1);
    set32(c, BE_CFG_WRITE_VBR_HEADER, 1);
    set32(c, BE_CFG_NO_RESERVOIR, 1);
    return c;
}

struct Opened {
    uint32_t result = 0, samples = 0, outSize = 0, stream = 0;
};

Opened open(const Config &c)
{
    Opened o;
    o.result = beInitStream(c.data(), &o.samples, &o.outSize, &o.stream);
    return o;
}

std::vector<int16_t> noise(size_t samples, unsigned seed)
{
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> d(-32768, 32767);
    std::vector<int16_t> v(samples);
    for (auto &s : v)
        s = int16_t(d(gen));
    return v;
}

// Encodes `chunks` full chunks of pcm (repeated) and returns the whole stream, info frame written
// back over its start.
std::vector<uint8_t> encodeAll(const Config &c, const std::vector<int16_t> &pcm, int chunks)
{
    const Opened o = open(c);
    EXPECT_EQ(o.result, 0u);
    std::vector<uint8_t> out(o.outSize), stream;
    uint32_t produced = 0;
    for (int i = 0; i < chunks; ++i) {
        EXPECT_EQ(beEncodeChunk(o.stream, o.samples, pcm.data(), out.data(), &produced), 0u);
        stream.insert(stream.end(), out.begin(), out.begin() + produced);
    }
    EXPECT_EQ(beDeinitStream(o.stream, out.data(), &produced), 0u);
    stream.insert(stream.end(), out.begin(), out.begin() + produced);
    EXPECT_EQ(beInfoFrame(o.stream, out.data(), &produced), 0u);
    EXPECT_LE(produced, stream.size());
    std::copy(out.begin(), out.begin() + produced, stream.begin());
    EXPECT_EQ(beCloseStream(o.stream), 0u);
    return stream;
}

} // namespace

TEST(LameShim, ConfigurationRecordIsChecked)
{
    const Opened ok = open(defaults());
    ASSERT_EQ(ok.result, 0u);
    EXPECT_NE(ok.stream, 0u);
    EXPECT_EQ(ok.samples, 1152u * 8 * 2);
    EXPECT_GE(ok.outSize, 7200u);
    EXPECT_EQ(beCloseStream(ok.stream), 0u);

    struct Case {
        int offset;
        uint32_t value;
        uint32_t result;
    };
    const Case cases[] = {
        {BE_CFG_KIND, 0, BE_ERR_INVALID_FORMAT},
        {BE_CFG_STRUCT_SIZE, 330, BE_ERR_INVALID_FORMAT_PARAMETERS},
        {BE_CFG_IN_RATE, 0, BE_ERR_INVALID_FORMAT_PARAMETERS},
        {BE_CFG_IN_RATE, 3000000, BE_ERR_INVALID_FORMAT_PARAMETERS},
        {BE_CFG_OUT_RATE, 12345, BE_ERR_INVALID_FORMAT_PARAMETERS},
        {BE_CFG_MODE, 4, BE_ERR_INVALID_FORMAT_PARAMETERS},
        {BE_CFG_MODE, uint32_t(-1), BE_ERR_INVALID_FORMAT_PARAMETERS},
        {BE_CFG_EMPHASIS, 4, BE_ERR_INVALID_FORMAT_PARAMETERS},
        {BE_CFG_PRESET, 15, BE_ERR_INVALID_FORMAT_PARAMETERS},
        {BE_CFG_PRESET, uint32_t(-2), BE_ERR_INVALID_FORMAT_PARAMETERS},
        {BE_CFG_QUALITY, 11, BE_ERR_INVALID_FORMAT_PARAMETERS},
    };
    for (const Case &c : cases) {
        Config cfg = defaults();
        set32(cfg, c.offset, c.value);
        if (c.offset == BE_CFG_QUALITY) // a 16-bit field
            cfg[BE_CFG_QUALITY + 2] = cfg[BE_CFG_QUALITY + 3] = 0;
        const Opened o = open(cfg);
        EXPECT_EQ(o.result, c.result) << "offset " << c.offset << " value " << c.value;
        EXPECT_EQ(o.stream, 0u);
        EXPECT_EQ(o.samples, 0u);
        EXPECT_EQ(o.outSize, 0u);
    }

    // With no preset, the variable-rate fields are checked too.
    Config vbr = defaults(-1);
    set32(vbr, BE_CFG_ENABLE_VBR, 1);
    set32(vbr, BE_CFG_VBR_METHOD, 4);
    EXPECT_EQ(open(vbr).result, BE_ERR_INVALID_FORMAT_PARAMETERS);
    set32(vbr, BE_CFG_VBR_METHOD, 0);
    set32(vbr, BE_CFG_VBR_QUALITY, 10);
    EXPECT_EQ(open(vbr).result, BE_ERR_INVALID_FORMAT_PARAMETERS);

    uint32_t a, b, s;
    EXPECT_EQ(beInitStream(nullptr, &a, &b, &s), BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(beInitStream(defaults().data(), nullptr, &b, &s), BE_ERR_INVALID_FORMAT_PARAMETERS);
}

TEST(LameShim, HandlesAndCallOrder)
{
    const auto pcm = noise(1152 * 8 * 2, 1);
    std::vector<uint8_t> out(1 << 16);
    uint32_t produced = 0;
    EXPECT_EQ(beEncodeChunk(0, 2, pcm.data(), out.data(), &produced), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(beCloseStream(0x12345678), BE_ERR_INVALID_HANDLE);

    const Opened o = open(defaults());
    EXPECT_EQ(beEncodeChunk(o.stream, o.samples + 2, pcm.data(), out.data(), &produced),
              BE_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(beEncodeChunk(o.stream, 3, pcm.data(), out.data(), &produced),
              BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(beEncodeChunk(o.stream, 0, nullptr, out.data(), &produced), 0u);
    EXPECT_EQ(beInfoFrame(o.stream, out.data(), &produced), 0u);
    EXPECT_EQ(produced, 0u) << "no info frame before the stream is finished";
    EXPECT_EQ(beDeinitStream(o.stream, out.data(), &produced), 0u);
    EXPECT_EQ(beEncodeChunk(o.stream, 2, pcm.data(), out.data(), &produced), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(beDeinitStream(o.stream, out.data(), &produced), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(beCloseStream(o.stream), 0u);
    EXPECT_EQ(beCloseStream(o.stream), BE_ERR_INVALID_HANDLE);

    // A closed stream's handle stays invalid when its slot serves a new stream.
    const Opened next = open(defaults());
    EXPECT_NE(next.stream, o.stream);
    EXPECT_EQ(beCloseStream(o.stream), BE_ERR_INVALID_HANDLE);

    // The table is finite: the stream after the last free slot gets code 3.
    std::vector<uint32_t> streams{next.stream};
    Opened more;
    while ((more = open(defaults())).result == 0 && streams.size() < 1000)
        streams.push_back(more.stream);
    EXPECT_EQ(more.result, BE_ERR_NO_MORE_HANDLES);
    EXPECT_EQ(streams.size(), 64u);
    for (uint32_t s : streams)
        EXPECT_EQ(beCloseStream(s), 0u);
    const Opened again = open(defaults());
    EXPECT_EQ(again.result, 0u);
    beCloseStream(again.stream);
}

// Full chunks of full-scale noise at the highest rates, with up-sampling, fill no more than the
// output buffer size: a guard area behind it stays untouched and no call reports code 5.
TEST(LameShim, OutputBufferSizeHoldsTheWorstCase)
{
    struct Case {
        int32_t preset;
        uint32_t in, out, kbps;
    };
    const Case cases[] = {{10, 44100, 0, 0},     {10, 32000, 0, 0},     {12, 8000, 48000, 320},
                          {12, 11025, 32000, 320}, {12, 96000, 0, 320}, {8, 8000, 0, 0},
                          {5, 16000, 16000, 160},  {3, 48000, 0, 0},    {-1, 22050, 44100, 320}};
    const auto pcm = noise(1152 * 8 * 2, 7);
    for (const Case &c : cases) {
        Config cfg = defaults(c.preset);
        set32(cfg, BE_CFG_IN_RATE, c.in);
        set32(cfg, BE_CFG_OUT_RATE, c.out);
        if (c.kbps)
            set32(cfg, BE_CFG_BITRATE, c.kbps);
        const Opened o = open(cfg);
        ASSERT_EQ(o.result, 0u) << c.preset << ' ' << c.in << ' ' << c.out;
        std::vector<uint8_t> out(o.outSize + 256, 0xA5);
        uint32_t produced = 0, largest = 0;
        for (int i = 0; i < 6; ++i) {
            ASSERT_EQ(beEncodeChunk(o.stream, o.samples, pcm.data(), out.data(), &produced), 0u);
            largest = std::max(largest, produced);
        }
        ASSERT_EQ(beDeinitStream(o.stream, out.data(), &produced), 0u);
        ASSERT_EQ(beInfoFrame(o.stream, out.data(), &produced), 0u);
        EXPECT_LE(largest, o.outSize);
        for (size_t i = o.outSize; i < out.size(); ++i)
            ASSERT_EQ(out[i], 0xA5) << c.preset << ' ' << c.in << ' ' << c.out;
        beCloseStream(o.stream);
    }
}

TEST(LameShim, PresetsGiveTheirRatesAndFramesCarryTheRecordsFlags)
{
    // Tones at 44.1 kHz, two seconds.
    const auto tone = stereoTone(1152 * 8, 44100, 440, 3000, 9000);
    std::vector<int16_t> pcm(tone.size() / 2);
    std::memcpy(pcm.data(), tone.data(), tone.size());

    struct Expect {
        int32_t preset;
        const char *tag;
        int cbrKbps; // 0: variable
        int rate;
    };
    const Expect expects[] = {
        {-1, "Info", 128, 44100}, {0, "Info", 128, 44100},  {1, "Info", 128, 44100},
        {2, "Info", 128, 44100},  {3, "Xing", 0, 32000},    {4, "Xing", 0, 44100},
        {5, "Info", 128, 44100},  {6, "Xing", 0, 44100},    {7, "Xing", 0, 44100},
        {8, "Xing", 0, 44100},    {9, "Xing", 0, 44100},    {10, "Info", 320, 44100},
        {11, "Xing", 0, 44100},   {12, "Info", 128, 44100}, {13, "Info", 128, 44100},
        {14, "Info", 128, 44100},
    };
    for (const Expect &e : expects) {
        const StreamInfo s = scanMp3(encodeAll(defaults(e.preset), pcm, 10));
        ASSERT_GT(s.frames.size(), 10u) << e.preset;
        EXPECT_EQ(s.tag, e.tag) << e.preset;
        EXPECT_EQ(s.tagFrames + 1, s.frames.size()) << e.preset;
        EXPECT_EQ(s.frames[1].rate, e.rate) << e.preset;
        for (size_t i = 1; i < s.frames.size() && e.cbrKbps; ++i)
            ASSERT_EQ(s.frames[i].bitrate, e.cbrKbps) << e.preset;
    }

    // ABR and CBR follow the record's bit rate.
    for (int32_t preset : {11, 12}) {
        Config cfg = defaults(preset);
        set32(cfg, BE_CFG_BITRATE, 192);
        const StreamInfo s = scanMp3(encodeAll(cfg, pcm, 10));
        double sum = 0;
        for (size_t i = 1; i < s.frames.size(); ++i)
            sum += s.frames[i].bitrate;
        EXPECT_NEAR(sum / double(s.frames.size() - 1), 192, preset == 12 ? 0.01 : 40) << preset;
    }

    // The header bits: mono, CRC, private, copyright, original, emphasis.
    Config flags = defaults(12);
    set32(flags, BE_CFG_MODE, 3);
    set32(flags, BE_CFG_CRC, 1);
    set32(flags, BE_CFG_PRIVATE, 1);
    set32(flags, BE_CFG_COPYRIGHT, 1);
    set32(flags, BE_CFG_ORIGINAL, 0);
    set32(flags, BE_CFG_EMPHASIS, 1);
    const auto stream = encodeAll(flags, pcm, 2);
    const size_t second = size_t(scanMp3(stream).frames.at(0).size);
    const uint8_t *h = &stream[second];
    EXPECT_EQ(h[1] & 1, 0) << "protection bit 0: CRC present";
    EXPECT_EQ(h[2] & 1, 1) << "private";
    EXPECT_EQ(h[3] >> 6, 3) << "mono";
    EXPECT_EQ((h[3] >> 3) & 1, 1) << "copyright";
    EXPECT_EQ((h[3] >> 2) & 1, 0) << "original";
    EXPECT_EQ(h[3] & 3, 1) << "emphasis";

    // Without the info frame the stream starts with sound and nothing is written back.
    Config noTag = defaults(6);
    set32(noTag, BE_CFG_WRITE_VBR_HEADER, 0);
    EXPECT_TRUE(scanMp3(encodeAll(noTag, pcm, 2)).tag.empty());
}

TEST(LameShim, VersionRecord)
{
    std::array<uint8_t, BE_VERSION_SIZE + 8> v;
    v.fill(0xEE);
    beVersion(v.data());
    EXPECT_EQ(v[BE_VER_DLL_MAJOR], 1);
    EXPECT_EQ(v[BE_VER_DLL_MINOR], 0);
    EXPECT_EQ(v[BE_VER_MAJOR], 3);
    EXPECT_GE(v[BE_VER_MINOR], 99);
    if (v[BE_VER_MINOR] == 100) {
        EXPECT_EQ(v[BE_VER_DAY], 13);
        EXPECT_EQ(v[BE_VER_MONTH], 10);
        EXPECT_EQ(v[BE_VER_YEAR] | v[BE_VER_YEAR + 1] << 8, 2017);
    }
    const char *home = reinterpret_cast<const char *>(&v[BE_VER_HOMEPAGE]);
    EXPECT_EQ(std::string(home, 4), "http");
    EXPECT_LT(std::strlen(home), size_t(BE_VER_HOMEPAGE_SIZE));
    for (size_t i = BE_VERSION_SIZE; i < v.size(); ++i)
        EXPECT_EQ(v[i], 0xEE) << "nothing written past the record";
}
