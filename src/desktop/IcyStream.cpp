#include "IcyStream.h"

#include "common/TextFile.h"

#include <QStringDecoder>
#include <algorithm>
#include <cstring>

namespace icy {

Framing FramingOf(const QString &extension)
{
    const QString e = extension.toLower();
    if (e == QLatin1String("mp3") || e == QLatin1String("mp2"))
        return Framing::Mpeg;
    if (e == QLatin1String("aac"))
        return Framing::Adts;
    if (e == QLatin1String("ogg") || e == QLatin1String("opus") || e == QLatin1String("oga"))
        return Framing::Ogg;
    return Framing::None;
}

int MpegFrameLength(const uchar *h)
{
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0)
        return 0;
    const int version = (h[1] >> 3) & 3; // 0: MPEG 2.5, 1: reserved, 2: MPEG 2, 3: MPEG 1
    const int layer = (h[1] >> 1) & 3;   // 1: III, 2: II, 3: I, 0: reserved
    const int rateIndex = h[2] >> 4, sampleIndex = (h[2] >> 2) & 3, padding = (h[2] >> 1) & 1;
    if (version == 1 || layer == 0 || rateIndex == 0 || rateIndex == 15 || sampleIndex == 3 || (h[3] & 3) == 2)
        return 0;
    static constexpr short kKbps[2][3][16] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};
    static constexpr int kRates[3] = {44100, 48000, 32000};
    const bool lowRate = version != 3;
    const int rate = kRates[sampleIndex] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    const int layerIndex = 3 - layer; // I, II, III
    const int bitrate = kKbps[lowRate][layerIndex][rateIndex] * 1000;
    if (layerIndex == 0)
        return (12 * bitrate / rate + padding) * 4;
    if (layerIndex == 2 && lowRate)
        return 72 * bitrate / rate + padding;
    return 144 * bitrate / rate + padding;
}

int AdtsFrameLength(const uchar *h)
{
    if (h[0] != 0xFF || (h[1] & 0xF6) != 0xF0 || ((h[2] >> 2) & 0xF) >= 13)
        return 0;
    const int length = ((h[3] & 3) << 11) | (h[4] << 3) | (h[5] >> 5);
    const int headerSize = (h[1] & 1) ? 7 : 9;
    return length >= headerSize ? length : 0;
}

bool RawStreamTitle(QByteArrayView block, QByteArrayView *value)
{
    static constexpr QByteArrayView kKey("StreamTitle='");
    const qsizetype at = block.indexOf(kKey);
    if (at < 0)
        return false;
    QByteArrayView rest = block.sliced(at + kKey.size());
    const qsizetype end = rest.indexOf(QByteArrayView("';"));
    if (end >= 0) {
        rest.truncate(end);
    } else {
        const qsizetype nul = rest.indexOf('\0');
        if (nul >= 0)
            rest.truncate(nul);
        if (rest.endsWith('\''))
            rest.chop(1);
    }
    *value = rest;
    return true;
}

QString DecodeTitle(QByteArrayView raw)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(raw);
    if (utf8.hasError())
        text = textfile::fromCp1252(raw.toByteArray());
    return text.trimmed();
}

Splitter::Splitter(Framing framing, qint64 metaInt) : m_framing(framing), m_metaInt(qMax<qint64>(0, metaInt))
{
    m_untilBlock = m_metaInt;
    if (framing == Framing::Ogg)
        m_oggHeaders.reserve(kMaxOggHeaders);
}

QByteArrayView Splitter::OggHeaders() const
{
    return m_captured ? QByteArrayView(m_oggHeaders.data(), qsizetype(m_oggHeaders.size())) : QByteArrayView();
}

void Splitter::Feed(const char *data, qsizetype size, Sink &sink)
{
    if (m_metaInt == 0) {
        audio(data, size, sink);
        return;
    }
    while (size > 0) {
        switch (m_part) {
        case Part::Audio: {
            const qsizetype n = qsizetype(qMin<qint64>(size, m_untilBlock));
            audio(data, n, sink);
            data += n;
            size -= n;
            m_untilBlock -= n;
            if (m_untilBlock == 0)
                m_part = Part::Length;
            break;
        }
        case Part::Length:
            m_blockLeft = uchar(*data) * 16;
            m_blockFill = 0;
            ++data;
            --size;
            m_part = Part::Block;
            if (m_blockLeft == 0)
                blockEnded(sink);
            break;
        case Part::Block: {
            const qsizetype n = qMin<qsizetype>(size, m_blockLeft);
            std::memcpy(m_block.data() + m_blockFill, data, size_t(n));
            m_blockFill += int(n);
            m_blockLeft -= int(n);
            data += n;
            size -= n;
            if (m_blockLeft == 0)
                blockEnded(sink);
            break;
        }
        }
    }
}

void Splitter::blockEnded(Sink &sink)
{
    m_part = Part::Audio;
    m_untilBlock = m_metaInt;
    QByteArrayView raw;
    const bool named = RawStreamTitle(QByteArrayView(m_block.data(), m_blockFill), &raw);
    const bool first = m_firstBlock;
    m_firstBlock = false;
    // Stations repeat the title in every block, or send empty blocks while it stays.
    if (!first && (!named || raw == QByteArrayView(m_lastTitle.data(), m_lastTitleSize)))
        return;
    if (!raw.isEmpty())
        std::memcpy(m_lastTitle.data(), raw.data(), size_t(raw.size()));
    m_lastTitleSize = int(raw.size());
    const QString title = DecodeTitle(raw);
    if (first) {
        sink.Title(title, true, {});
        return;
    }
    // A change that comes while another waits for its frame replaces it.
    m_pendingTitle = title;
    if (!m_pending) {
        m_pending = true;
        m_searched = 0;
    }
    if (m_framing == Framing::None)
        cut(sink, {});
}

void Splitter::cut(Sink &sink, QByteArrayView headers)
{
    m_pending = false;
    sink.Title(m_pendingTitle, false, headers);
}

void Splitter::pass(const char *p, qsizetype n, Sink &sink)
{
    if (n <= 0)
        return;
    if (m_pending) {
        m_searched += n;
        if (m_searched > kMaxSearch)
            cut(sink, OggHeaders());
    }
    if (m_capturing) {
        if (m_oggHeaders.size() + size_t(n) > size_t(kMaxOggHeaders)) {
            m_capturing = false;
            m_oggHeaders.clear();
        } else {
            m_oggHeaders.insert(m_oggHeaders.end(), p, p + n);
        }
    }
    sink.Audio(p, n);
    m_audio += n;
}

int Splitter::headerNeed() const
{
    switch (m_framing) {
    case Framing::Mpeg:
        return 4;
    case Framing::Adts:
        return 7;
    case Framing::Ogg:
        return m_headFill < 27 ? 27 : 27 + m_head[26];
    case Framing::None:
        break;
    }
    return 0;
}

int Splitter::frameLength() const
{
    switch (m_framing) {
    case Framing::Mpeg:
        return MpegFrameLength(m_head.data());
    case Framing::Adts:
        return AdtsFrameLength(m_head.data());
    case Framing::Ogg: {
        if (!oggPageHeader())
            return 0;
        const int segments = m_head[26];
        int length = 27 + segments;
        for (int i = 0; i < segments; ++i)
            length += m_head[27 + i];
        return length;
    }
    case Framing::None:
        break;
    }
    return 0;
}

bool Splitter::oggPageHeader() const
{
    return std::memcmp(m_head.data(), "OggS", 4) == 0 && m_head[4] == 0 && (m_head[5] & ~7) == 0;
}

void Splitter::oggPage(bool beginsStream, quint64 granule)
{
    if (beginsStream) {
        // A new stream (or a chain's next one): its own headers from here.
        if (!m_capturing) {
            m_oggHeaders.clear();
            m_captured = false;
        }
        m_capturing = true;
    } else if (m_capturing && granule != 0 && granule != ~quint64(0)) {
        // The first page that carries audio: the headers are complete (it is not one of them).
        m_capturing = false;
        m_captured = true;
    }
}

// The bytes held are not a header: the first goes on as audio, and the search goes on from the
// next byte that could begin one.
void Splitter::slide(Sink &sink)
{
    m_synced = false;
    const uchar sync = m_framing == Framing::Ogg ? uchar('O') : uchar(0xFF);
    const auto *from = static_cast<const uchar *>(std::memchr(m_head.data() + 1, sync, size_t(m_headFill - 1)));
    const int keep = from ? int(m_head.data() + m_headFill - from) : 0;
    pass(reinterpret_cast<const char *>(m_head.data()), m_headFill - keep, sink);
    std::memmove(m_head.data(), m_head.data() + m_headFill - keep, size_t(keep));
    m_headFill = keep;
}

void Splitter::audio(const char *p, qsizetype n, Sink &sink)
{
    if (m_framing == Framing::None) {
        pass(p, n, sink);
        return;
    }
    const uchar sync = m_framing == Framing::Ogg ? uchar('O') : uchar(0xFF);
    while (n > 0) {
        if (m_skip > 0) {
            const qsizetype k = qsizetype(qMin<qint64>(n, m_skip));
            pass(p, k, sink);
            p += k;
            n -= k;
            m_skip -= k;
            continue;
        }
        if (m_headFill == 0 && !m_synced) {
            // Looking for a header: what comes before the next byte that could begin one is audio.
            const auto *at = static_cast<const char *>(std::memchr(p, sync, size_t(n)));
            const qsizetype before = at ? at - p : n;
            pass(p, before, sink);
            p += before;
            n -= before;
            if (n == 0)
                break;
        }
        const int need = headerNeed();
        const qsizetype k = qMin<qsizetype>(n, need - m_headFill);
        std::memcpy(m_head.data() + m_headFill, p, size_t(k));
        m_headFill += int(k);
        p += k;
        n -= k;
        if (m_headFill < need)
            continue; // the rest of the header comes with the next bytes
        if (m_framing == Framing::Ogg && m_headFill == 27 && !oggPageHeader()) {
            slide(sink);
            continue;
        }
        if (m_headFill < headerNeed())
            continue; // then the page's segment table
        const int length = frameLength();
        if (length < m_headFill) {
            slide(sink);
            continue;
        }
        // A frame begins here.
        if (m_framing == Framing::Ogg) {
            const bool beginsStream = m_head[5] & 2;
            if (m_pending)
                cut(sink, beginsStream ? QByteArrayView() : OggHeaders());
            quint64 granule = 0;
            for (int i = 7; i >= 0; --i)
                granule = (granule << 8) | m_head[6 + i];
            oggPage(beginsStream, granule);
        } else if (m_pending) {
            cut(sink, {});
        }
        m_synced = true;
        pass(reinterpret_cast<const char *>(m_head.data()), m_headFill, sink);
        m_skip = length - m_headFill;
        m_headFill = 0;
    }
}

} // namespace icy
