#pragma once
// A station's stream asked with ICY titles ("Icy-MetaData: 1"): after every metaInt bytes of
// audio comes a metadata block, one length byte n then n × 16 bytes of text such as
// "StreamTitle='Artiste - Titre';StreamUrl='';" padded with NUL bytes.
//
// icy::Splitter takes that stream apart as it arrives: the audio goes to its sink without the
// blocks, and a change of title is told at the first frame boundary of the audio at or after the
// place where its block sat (an MPEG audio frame header, an ADTS header, an Ogg page), so that
// what comes before and after it are whole frames. A stream whose frames are not followed
// (Framing::None) is cut where the block sat. Frames are followed from header to header; where
// the next header is not where the last one said, the splitter looks for the next one.
//
// Ogg: the header pages that begin a logical stream (those up to the first page with a granule
// position) are kept, so that a file that starts at a later page can be given them first.
//
// Feeding allocates nothing, except the text of a title that changed; the copy of the Ogg
// header pages has its room reserved once. QtCore only; one thread.
#include <QByteArrayView>
#include <QString>
#include <array>
#include <vector>

namespace icy {

enum class Framing { None, Mpeg, Adts, Ogg };

// The framing of a stream recording's extension: mp3 and mp2 are MPEG audio frames, aac ADTS,
// ogg and opus Ogg pages; anything else None.
Framing FramingOf(const QString &extension);

// The length of the frame that these header bytes begin (4 bytes of MPEG audio, 7 of ADTS); 0
// when they are not such a header (free-format MPEG frames included: their length is unknown).
int MpegFrameLength(const uchar *h);
int AdtsFrameLength(const uchar *h);

// The bytes of the StreamTitle value in a metadata block's text (up to "';", or to the first NUL
// or the end when the value is not closed); false when the block holds no StreamTitle.
bool RawStreamTitle(QByteArrayView block, QByteArrayView *value);
// Those bytes as text: UTF-8 when they are valid UTF-8, otherwise Windows-1252; trimmed.
QString DecodeTitle(QByteArrayView raw);

class Splitter {
public:
    class Sink {
    public:
        virtual ~Sink() = default;
        // Audio bytes of the stream, in order.
        virtual void Audio(const char *data, qsizetype size) = 0;
        // The stream's title. first: the title of the first metadata block, which the audio
        // received so far belongs to (an empty title when the block names none). Otherwise a
        // change: the audio from here on belongs to title; oggHeaders are the header pages a
        // file starting here needs before it (empty for other framings, or when the stream
        // begins again here).
        virtual void Title(const QString &title, bool first, QByteArrayView oggHeaders) = 0;
    };

    // The longest stretch of audio after a change that is searched for a frame boundary; past
    // it the change is told where the search has got to.
    static constexpr qint64 kMaxSearch = 160 * 1024;
    // The most Ogg header pages kept.
    static constexpr qsizetype kMaxOggHeaders = 256 * 1024;

    // metaInt: the audio bytes between two metadata blocks ("icy-metaint"); 0 for a stream that
    // has none (all of it is audio, no title is told).
    Splitter(Framing framing, qint64 metaInt);

    void Feed(const char *data, qsizetype size, Sink &sink);

    // Audio bytes given to the sink so far.
    qint64 AudioBytes() const { return m_audio; }
    // The header pages of the current Ogg stream, once complete (empty before, or when too long).
    QByteArrayView OggHeaders() const;

private:
    void audio(const char *p, qsizetype n, Sink &sink);
    void pass(const char *p, qsizetype n, Sink &sink);
    void blockEnded(Sink &sink);
    void cut(Sink &sink, QByteArrayView headers);
    int headerNeed() const;
    int frameLength() const;
    void slide(Sink &sink);
    bool oggPageHeader() const;
    void oggPage(bool beginsStream, quint64 granule);

    Framing m_framing;
    qint64 m_metaInt;
    // Metadata blocks.
    enum class Part { Audio, Length, Block } m_part = Part::Audio;
    qint64 m_untilBlock;
    int m_blockLeft = 0, m_blockFill = 0;
    std::array<char, 255 * 16> m_block{};
    std::array<char, 255 * 16> m_lastTitle{};
    int m_lastTitleSize = 0;
    bool m_firstBlock = true;
    // The change waiting for a frame boundary.
    bool m_pending = false;
    qint64 m_searched = 0;
    QString m_pendingTitle;
    // Frames.
    qint64 m_skip = 0;                 // bytes left of the frame being passed
    bool m_synced = false;             // the next header is expected where the last frame ends
    std::array<uchar, 27 + 255> m_head{}; // a header being read (an Ogg page header is the longest)
    int m_headFill = 0;
    // Ogg header pages.
    std::vector<char> m_oggHeaders;
    bool m_capturing = false, m_captured = false;
    qint64 m_audio = 0;
};

} // namespace icy
