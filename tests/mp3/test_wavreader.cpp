#include "common/NumberedError.h"
#include "mp3/cWavReader.h"
#include "Mp3TestUtil.h"

#include <gtest/gtest.h>

using namespace mp3test;

namespace {

std::vector<uint8_t> counting(size_t bytes)
{
    std::vector<uint8_t> v(bytes);
    for (size_t i = 0; i < bytes; ++i)
        v[i] = uint8_t(i * 7 + 3);
    return v;
}

// Opens the file and returns the reader error number, or 0 when it opened.
long openError(cWavReader &r, const std::string &path)
{
    try {
        r.SetFilename(path);
        return 0;
    } catch (const NumberedError &e) {
        EXPECT_EQ(e.Source(), "tavilune.cWavePlayer");
        return e.Number();
    }
}

class WavReaderTest : public ::testing::Test {
protected:
    std::string write(const WavLayout &l, const std::vector<uint8_t> &data, const char *name = "in.wav")
    {
        const std::string path = dir.file(name);
        writeFile(path, makeWav(l, data));
        return path;
    }
    TempDir dir;
};

} // namespace

TEST_F(WavReaderTest, BuffersFollowTheDataChunkAndItsSizeRule)
{
    // 100,000 bytes fit in the default 131072-byte buffer: one Read, which returns false.
    const auto data = counting(100000);
    cWavReader r;
    r.SetFilename(write({}, data));
    EXPECT_EQ(r.AudioLength(), 25000);
    EXPECT_FALSE(r.Read());
    EXPECT_EQ(r.ReadSize(), 25000);
    EXPECT_EQ(std::memcmp(r.ReadBufferPtr(), data.data(), data.size()), 0);
    EXPECT_EQ(r.BufferStartPosition(), 100000);

    // Exactly two buffers: the second is full and still returns false.
    cWavReader two;
    two.SetFilename(write({}, counting(262144), "two.wav"));
    EXPECT_TRUE(two.Read());
    EXPECT_FALSE(two.Read());
    EXPECT_EQ(two.ReadSize(), 32768);

    // A smaller buffer walks the data piece by piece.
    cWavReader small;
    small.SetReadBufferSize(1000);
    small.SetFilename(write({}, data, "small.wav"));
    int full = 0;
    while (small.Read())
        ++full;
    EXPECT_EQ(full, 24) << "the 25th read takes the last full buffer and returns false";
    EXPECT_EQ(small.ReadSize(), 1000);
    EXPECT_FALSE(small.Read());
    EXPECT_EQ(small.ReadSize(), 1000) << "nothing left";

    cWavReader empty;
    empty.SetFilename(write({}, {}, "empty.wav"));
    EXPECT_EQ(empty.AudioLength(), 0);
    EXPECT_FALSE(empty.Read());
    EXPECT_EQ(empty.ReadSize(), 0);
}

TEST_F(WavReaderTest, AcceptsOnlyStereo16BitWhateverRateTagOrFormatSize)
{
    struct Case {
        uint16_t channels, bits;
        long error;
    };
    for (const Case c : {Case{1, 16, 29671}, Case{2, 8, 29671}, Case{2, 24, 29671}, Case{1, 8, 29671},
                         Case{2, 16, 0}}) {
        WavLayout l;
        l.channels = c.channels;
        l.bits = c.bits;
        cWavReader r;
        EXPECT_EQ(openError(r, write(l, counting(400))), c.error) << c.channels << "ch " << c.bits;
        EXPECT_EQ(r.IsOpen(), c.error == 0);
        EXPECT_EQ(r.Filename().empty(), c.error != 0);
    }
    try {
        WavLayout mono;
        mono.channels = 1;
        cWavReader r;
        r.SetFilename(write(mono, counting(400)));
        FAIL();
    } catch (const NumberedError &e) {
        EXPECT_EQ(e.Description(), "Only stereo 16 bit wave files supported.");
    }

    // 22050 Hz, a non-PCM tag, and "fmt " chunks of 16, 18, 40, odd 51 and 60 bytes (more than the
    // 50-byte format area) all open and find the same data behind them.
    const auto data = counting(4000);
    for (uint32_t fmtSize : {16u, 18u, 40u, 51u, 60u}) {
        WavLayout l;
        l.rate = 22050;
        l.formatTag = 3;
        l.fmtSize = fmtSize;
        l.listBetween = fmtSize == 51;
        cWavReader r;
        r.SetFilename(write(l, data));
        EXPECT_EQ(r.Format().SamplesPerSec, 22050u);
        EXPECT_EQ(r.Format().ExtraSize, 0u);
        ASSERT_FALSE(r.Read());
        EXPECT_EQ(r.ReadSize(), 1000) << fmtSize;
        EXPECT_EQ(std::memcmp(r.ReadBufferPtr(), data.data(), data.size()), 0) << fmtSize;
    }
}

TEST_F(WavReaderTest, MalformedFilesRaiseTheirNumberedErrors)
{
    const auto good = makeWav({}, counting(400)); // fmt at 12, data header at 36, data at 44
    auto cut = [&](size_t n) { return std::vector<uint8_t>(good.begin(), good.begin() + long(n)); };
    auto patched = [&](size_t at, const char *id) {
        auto b = good;
        std::memcpy(&b[at], id, 4);
        return b;
    };
    WavLayout dataFirst;
    dataFirst.dataBeforeFmt = true;
    auto shortFmt = cut(30); // "fmt " declares 16 bytes, 10 present
    auto badRiffSize = good; // RIFF claims 4 bytes: neither chunk lies inside it
    badRiffSize[4] = 4;
    badRiffSize[5] = badRiffSize[6] = badRiffSize[7] = 0;

    struct Case {
        const char *what;
        std::vector<uint8_t> bytes;
        long error;
    };
    const Case cases[] = {
        {"empty file", {}, 29673},
        {"RIFF header only", cut(8), 29673},
        {"form type AVI", patched(8, "AVI "), 29673},
        {"not RIFF", patched(0, "RIFX"), 29673},
        {"no fmt chunk", patched(12, "junk"), 29674},
        {"cut inside fmt", shortFmt, 29675},
        {"cut before data", cut(36), 29676},
        {"no data chunk", patched(36, "dat "), 29676},
        {"data before fmt", makeWav(dataFirst, counting(400)), 29676},
        {"RIFF size too small", badRiffSize, 29674},
    };
    for (const Case &c : cases) {
        const std::string path = dir.file("bad.wav");
        writeFile(path, c.bytes);
        cWavReader r;
        r.SetFilename(write({}, counting(8), "ok.wav"));
        const std::string before = r.Filename();
        EXPECT_EQ(openError(r, path), c.error) << c.what;
        EXPECT_FALSE(r.IsOpen()) << c.what;
        EXPECT_EQ(r.ReadBufferPtr(), nullptr) << c.what;
        EXPECT_EQ(r.Filename(), before) << c.what;
    }

    cWavReader r;
    EXPECT_EQ(openError(r, dir.file("missing.wav")), 29672);
    EXPECT_FALSE(r.OpenFile("")) << "an empty path is no error";
    try {
        r.Read();
        FAIL();
    } catch (const NumberedError &e) {
        EXPECT_EQ(e.Number(), 29676);
        EXPECT_EQ(e.Description(), "No Wave File Open");
    }
}

TEST_F(WavReaderTest, EveryCutOrDamagedHeaderGivesANumberedErrorOrOpens)
{
    WavLayout l;
    l.fmtSize = 60;
    l.listBetween = true;
    const auto good = makeWav(l, counting(64));
    for (size_t n = 0; n <= good.size(); ++n) {
        const std::string path = dir.file("cut.wav");
        writeFile(path, std::vector<uint8_t>(good.begin(), good.begin() + long(n)));
        cWavReader r;
        const long e = openError(r, path);
        EXPECT_TRUE(e == 0 || (e >= 29671 && e <= 29679)) << n;
        if (e == 0) {
            r.Read();
            EXPECT_LE(int64_t(r.ReadSize()) * 4, int64_t(n)) << n;
        }
    }
    // Sizes damaged one byte at a time: huge, odd or zero chunk sizes never crash.
    for (size_t at : {4u, 16u, 84u, 106u}) {
        for (uint8_t value : {0x00, 0x01, 0x7F, 0xFF}) {
            auto b = good;
            b[at] = b[at + 1] = b[at + 2] = b[at + 3] = value;
            const std::string path = dir.file("damaged.wav");
            writeFile(path, b);
            cWavReader r;
            const long e = openError(r, path);
            EXPECT_TRUE(e == 0 || (e >= 29671 && e <= 29679)) << at << ' ' << int(value);
            if (e == 0)
                while (r.Read()) {
                }
        }
    }
}

TEST_F(WavReaderTest, DataCutShortEndsWhereTheFileEnds)
{
    // The header declares 40,000 bytes; the file holds 1,002 of them.
    WavLayout l;
    l.declaredData = 40000;
    const auto data = counting(1002);
    cWavReader r;
    r.SetFilename(write(l, data));
    EXPECT_EQ(r.AudioLength(), 250);
    EXPECT_FALSE(r.Read());
    EXPECT_EQ(r.ReadSize(), 250);
    EXPECT_EQ(std::memcmp(r.ReadBufferPtr(), data.data(), 1000), 0);

    // With several buffers the last one holds only what is really there.
    cWavReader s;
    s.SetReadBufferSize(100);
    s.SetFilename(write(l, data, "b.wav"));
    EXPECT_TRUE(s.Read());
    EXPECT_TRUE(s.Read());
    EXPECT_FALSE(s.Read());
    EXPECT_EQ(s.ReadSize(), 50);
}

TEST_F(WavReaderTest, SeeksStayInsideTheDataAndBufferSizeIsLockedWhileOpen)
{
    cWavReader r;
    r.SetReadBufferSize(10);
    r.SetFilename(write({}, counting(400)));
    try {
        r.SetReadBufferSize(20);
        FAIL();
    } catch (const NumberedError &e) {
        EXPECT_EQ(e.Number(), 29679);
        EXPECT_EQ(e.Description(), "Cannot change buffer size whilst a file is open.");
    }
    EXPECT_EQ(r.ReadBufferSize(), 10);

    r.SeekAbsolute(r.AudioLength());
    EXPECT_EQ(r.BufferStartPosition(), 400);
    EXPECT_FALSE(r.Read());
    for (int32_t bad : {101, -1}) {
        try {
            r.SeekAbsolute(bad);
            FAIL() << bad;
        } catch (const NumberedError &e) {
            EXPECT_EQ(e.Number(), 29678);
            EXPECT_EQ(e.Description(), "Position out of range");
        }
    }
    r.SeekAbsolute(5);
    r.SeekRelative(-5);
    EXPECT_EQ(r.BufferStartPosition(), 0);
    EXPECT_THROW(r.SeekRelative(-1), NumberedError);
    EXPECT_THROW(r.SeekRelative(101), NumberedError);
    r.SeekRelative(100);
    EXPECT_EQ(r.BufferStartPosition(), 400);

    r.CloseFile();
    EXPECT_EQ(r.AudioLength(), 0);
    EXPECT_EQ(r.ReadSize(), 0);
    EXPECT_FALSE(r.Filename().empty()) << "closing keeps the name";
    r.SetReadBufferSize(20);
    EXPECT_EQ(r.ReadBufferSize(), 20);
}
