// The ICY-interleaved stream taken apart: metadata blocks out of the audio, title changes told at
// the first frame boundary after their block (MPEG audio, ADTS, Ogg pages), whatever the pieces
// the stream arrives in.
#include "desktop/IcyStream.h"

#include <QByteArray>
#include <QList>
#include <gtest/gtest.h>

using namespace icy;

namespace {

// An MPEG-1 layer III frame of 128 kbit/s at 44.1 kHz (417 bytes) whose body holds sync-like bytes.
QByteArray mpegFrame(int n)
{
    QByteArray f("\xFF\xFB\x90\x00", 4);
    while (f.size() < 417)
        f += char(f.size() % 5 == 0 ? 0xFF : n);
    return f;
}

// An ADTS frame (AAC LC, 44.1 kHz, stereo, no CRC) of length bytes.
QByteArray adtsFrame(int length, int n)
{
    QByteArray f(7, '\0');
    f[0] = char(0xFF);
    f[1] = char(0xF1);
    f[2] = char((1 << 6) | (4 << 2));
    f[3] = char((2 << 6) | ((length >> 11) & 3));
    f[4] = char((length >> 3) & 0xFF);
    f[5] = char(((length & 7) << 5) | 0x1F);
    f[6] = char(0xFC);
    while (f.size() < length)
        f += char(f.size() % 3 == 0 ? 0xFF : n);
    return f;
}

// An Ogg page of one packet of size bytes (CRC not filled: it is not looked at).
QByteArray oggPage(int flags, quint64 granule, int size, int n)
{
    QByteArray p("OggS", 4);
    p += char(0);
    p += char(flags);
    for (int i = 0; i < 8; ++i)
        p += char(granule >> (8 * i));
    p += QByteArray(12, '\x01');
    QByteArray lacing;
    for (int left = size; left >= 0; left -= 255)
        lacing += char(qMin(left, 255));
    p += char(lacing.size());
    p += lacing;
    while (p.size() < 27 + lacing.size() + size)
        p += char(p.size() % 7 == 0 ? 'O' : n);
    return p;
}

QByteArray block(const QByteArray &text)
{
    QByteArray b = text;
    b += QByteArray(-b.size() & 15, '\0');
    return char(b.size() / 16) + b;
}

// The stream as sent: after every metaInt bytes of audio, the block of titles[i] ("" sends an
// empty block).
QByteArray interleave(const QByteArray &audio, int metaInt, const QList<QByteArray> &titles)
{
    QByteArray out;
    for (int at = 0, i = 0; at < audio.size(); at += metaInt, ++i) {
        out += audio.mid(at, metaInt);
        if (at + metaInt <= audio.size()) {
            const QByteArray t = i < titles.size() ? titles[i] : QByteArray();
            out += t.isEmpty() ? QByteArray(1, '\0') : block(t);
        }
    }
    return out;
}

struct Event {
    QString title;
    bool first;
    qint64 at; // audio bytes before it
    QByteArray headers;
    bool operator==(const Event &) const = default;
};

struct Recorder : Splitter::Sink {
    QByteArray audio;
    QList<Event> events;
    void Audio(const char *data, qsizetype size) override { audio.append(data, size); }
    void Title(const QString &title, bool first, QByteArrayView headers) override
    {
        events.append({title, first, audio.size(), headers.toByteArray()});
    }
};

void PrintTo(const Event &e, std::ostream *os)
{
    *os << "{" << e.title.toStdString() << ", " << e.first << ", " << e.at << ", " << e.headers.size() << " bytes}";
}

} // namespace

TEST(IcyStream, FrameHeaders)
{
    const struct {
        const char *bytes;
        int mpeg, adts;
    } cases[] = {
        {"\xFF\xFB\x90\x00", 417, 0},  // MPEG-1 layer III, 128 kbit/s, 44.1 kHz
        {"\xFF\xFB\x92\x00", 418, 0},  // padded
        {"\xFF\xF3\x40\xC4", 104, 0},  // MPEG-2 layer III, 32 kbit/s, 22.05 kHz
        {"\xFF\xE3\x40\xC4", 208, 0},  // MPEG-2.5, 11.025 kHz
        {"\xFF\xFD\x90\x00", 522, 0},  // layer II, 160 kbit/s
        {"\xFF\xFF\x90\x00", 312, 0},  // layer I, 288 kbit/s: (12 × 288000 / 44100) × 4
        {"\xFF\xFB\x00\x00", 0, 0},    // free format: no length
        {"\xFF\xFB\xF0\x00", 0, 0},    // bad bitrate
        {"\xFF\xFB\x9C\x00", 0, 0},    // reserved sample rate
        {"\xFF\xEB\x90\x00", 0, 0},    // reserved version
        {"\xFF\xFB\x90\x02", 0, 0},    // reserved emphasis
        {"\xFE\xFB\x90\x00", 0, 0},
    };
    for (const auto &c : cases) {
        uchar h[8] = {};
        memcpy(h, c.bytes, 4);
        EXPECT_EQ(MpegFrameLength(h), c.mpeg) << QByteArray(c.bytes, 4).toHex().constData();
    }
    const QByteArray adts = adtsFrame(371, 1);
    EXPECT_EQ(AdtsFrameLength(reinterpret_cast<const uchar *>(adts.constData())), 371);
    EXPECT_EQ(MpegFrameLength(reinterpret_cast<const uchar *>(adts.constData())), 0); // layer 0 is not MPEG audio
    QByteArray badRate = adts;
    badRate[2] = char((1 << 6) | (13 << 2));
    EXPECT_EQ(AdtsFrameLength(reinterpret_cast<const uchar *>(badRate.constData())), 0);
    QByteArray tooShort = adtsFrame(7, 1);
    tooShort[4] = 0;
    tooShort[5] = char(5 << 5);
    EXPECT_EQ(AdtsFrameLength(reinterpret_cast<const uchar *>(tooShort.constData())), 0);
}

TEST(IcyStream, StreamTitles)
{
    const struct {
        QByteArray block;
        bool named;
        const char *title;
    } cases[] = {
        {"StreamTitle='Daft Punk - Around the World';StreamUrl='';", true, "Daft Punk - Around the World"},
        {"StreamTitle='Guns N' Roses - Paradise City';", true, "Guns N' Roses - Paradise City"},
        {QByteArray("StreamTitle='Caf\xE9 - ';\0\0\0", 19), true, "Café -"},          // Latin-1
        {"StreamTitle='\xC3\x89" "dith Piaf - Hymne';", true, "Édith Piaf - Hymne"},     // UTF-8
        {QByteArray("StreamTitle='Sans fin\0\0", 23), true, "Sans fin"},
        {"StreamTitle='Ouvert'", true, "Ouvert"},
        {"StreamTitle='';", true, ""},
        {"StreamUrl='http://x';", false, ""},
        {"", false, ""},
    };
    for (const auto &c : cases) {
        QByteArrayView raw;
        EXPECT_EQ(RawStreamTitle(c.block, &raw), c.named) << c.block.constData();
        if (c.named) {
            EXPECT_EQ(DecodeTitle(raw), QString::fromUtf8(c.title)) << c.block.constData();
        }
    }
}

TEST(IcyStream, CutsAtTheFirstFrameAfterTheTitleChange)
{
    QByteArray mpeg, adts, ogg, oggHeaders, mpegMidFrame, mpegDamaged;
    for (int i = 0; i < 40; ++i)
        mpeg += mpegFrame(i);
    for (int i = 0; i < 40; ++i)
        adts += adtsFrame(300 + 7 * (i % 5), i);
    oggHeaders = oggPage(2, 0, 30, 1) + oggPage(0, 0, 600, 2);
    ogg = oggHeaders;
    for (int i = 0; i < 20; ++i)
        ogg += oggPage(0, 1000 * (i + 1), 500 + 37 * i, 3 + i);
    mpegMidFrame = mpeg.mid(100); // the connection began inside a frame
    mpegDamaged = mpeg;
    mpegDamaged[417 * 8 + 1] = 0; // the header after the change is broken: the next one is taken
    const QByteArray A = "StreamTitle='A - 1';", B = "StreamTitle='B - 2';", C = "StreamTitle='C';",
                     urlOnly = "StreamUrl='http://x';";

    // First frame boundary at or after an audio position.
    const auto boundary = [](const QByteArray &audio, qint64 at, Framing framing) {
        for (qint64 i = at; i < audio.size(); ++i) {
            const auto *h = reinterpret_cast<const uchar *>(audio.constData()) + i;
            if (audio.size() - i >= 7
                && (framing == Framing::Mpeg   ? MpegFrameLength(h) > 0
                    : framing == Framing::Adts ? AdtsFrameLength(h) > 0
                                               : audio.mid(i, 4) == "OggS"))
                return i;
        }
        return qint64(-1);
    };

    const struct {
        const char *name;
        Framing framing;
        QByteArray audio;
        int metaInt;
        QList<QByteArray> titles; // per block
        QList<Event> expected;    // at < 0: the first frame boundary at or after -at
    } cases[] = {
        {"mpeg", Framing::Mpeg, mpeg, 1000, {A, A, B, B, "", C},
         {{"A - 1", true, 1000, {}}, {"B - 2", false, 417 * 8, {}}, {"C", false, 417 * 15, {}}}},
        {"mpeg begun mid-frame", Framing::Mpeg, mpegMidFrame, 1000, {A, B},
         {{"A - 1", true, 1000, {}}, {"B - 2", false, -2000, {}}}},
        {"mpeg with a broken header", Framing::Mpeg, mpegDamaged, 1000, {A, A, B},
         {{"A - 1", true, 1000, {}}, {"B - 2", false, 417 * 9, {}}}},
        {"two changes before a boundary: the last wins", Framing::Mpeg, mpeg, 100, {A, A, A, A, A, A, A, A, A, A, B, C},
         {{"A - 1", true, 100, {}}, {"C", false, 417 * 3, {}}}},
        {"adts", Framing::Adts, adts, 700, {"", B, B, A},
         {{"", true, 700, {}}, {"B - 2", false, -1400, {}}, {"A - 1", false, -2800, {}}}},
        {"ogg", Framing::Ogg, ogg, 900, {A, A, B},
         {{"A - 1", true, 900, {}}, {"B - 2", false, -2700, oggHeaders}}},
        {"not framed: cut where the block sat", Framing::None, mpeg, 1000, {A, B, B, urlOnly},
         {{"A - 1", true, 1000, {}}, {"B - 2", false, 2000, {}}}},
        {"no metadata", Framing::Mpeg, mpeg, 0, {}, {}},
    };
    for (const auto &c : cases) {
        QList<Event> expected = c.expected;
        for (Event &e : expected)
            if (e.at < 0)
                e.at = boundary(c.audio, -e.at, c.framing);
        const QByteArray stream = c.metaInt ? interleave(c.audio, c.metaInt, c.titles) : c.audio;
        for (const int piece : {1, 5, 333, 100000}) {
            Splitter splitter(c.framing, c.metaInt);
            Recorder sink;
            for (qsizetype at = 0; at < stream.size(); at += piece)
                splitter.Feed(stream.constData() + at, qMin<qsizetype>(piece, stream.size() - at), sink);
            EXPECT_TRUE(sink.audio == c.audio) << c.name << ", pieces of " << piece;
            EXPECT_EQ(sink.events, expected) << c.name << ", pieces of " << piece;
            EXPECT_EQ(splitter.AudioBytes(), c.audio.size()) << c.name;
        }
    }
}
