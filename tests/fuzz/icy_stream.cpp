// A station's stream of any content, read as ICY-interleaved MPEG audio, ADTS or Ogg: the first
// two bytes choose the framing and the metadata interval, the rest is the stream. Fed whole and
// fed in pieces of every size the input names, it gives the same audio and the same titles at
// the same places, and every byte that is not a metadata block comes out as audio.
#include "desktop/IcyStream.h"
#include "FuzzInput.h"

#include <QList>

namespace {

struct Sink : icy::Splitter::Sink {
    QByteArray audio;
    QList<qint64> places;
    QStringList titles;
    QByteArray headers;
    void Audio(const char *data, qsizetype size) override { audio.append(data, size); }
    void Title(const QString &title, bool first, QByteArrayView oggHeaders) override
    {
        fuzz::Check(first == titles.isEmpty(), "the first title is told first, and once");
        places << audio.size();
        titles << title;
        headers += oggHeaders.toByteArray();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const icy::Framing framing = icy::Framing(data[0] % 4);
    const qint64 metaInt = data[1] == 0 ? 0 : 16 * data[1];
    const char *stream = reinterpret_cast<const char *>(data + 2);
    const qsizetype length = qsizetype(size - 2);

    icy::Splitter whole(framing, metaInt);
    Sink a;
    whole.Feed(stream, length, a);
    fuzz::Check(whole.AudioBytes() == a.audio.size(), "every audio byte is counted");
    fuzz::Check(a.audio.size() <= length, "no audio is made up");
    if (metaInt == 0)
        fuzz::Check(QByteArrayView(stream, length).startsWith(a.audio) && a.audio.size() + 27 + 255 >= length
                        && a.titles.isEmpty(),
                    "a stream without blocks is all audio, but for a frame header whose end has not come");
    // The first metaInt bytes are audio: they all come out, but for a frame header whose end
    // has not come yet.
    if (metaInt > 0)
        fuzz::Check(a.audio.size() + 27 + 255 >= qMin<qint64>(length, metaInt), "the first interval is audio");

    icy::Splitter pieces(framing, metaInt);
    Sink b;
    for (qsizetype at = 0, i = 0; at < length; ++i) {
        const qsizetype n = qMin<qsizetype>(length - at, 1 + data[i % size] % 97);
        pieces.Feed(stream + at, n, b);
        at += n;
    }
    fuzz::Check(a.audio == b.audio, "pieces give the same audio");
    fuzz::Check(a.places == b.places && a.titles == b.titles, "pieces give the same titles at the same places");
    fuzz::Check(a.headers == b.headers, "pieces give the same Ogg headers");
    return 0;
}
