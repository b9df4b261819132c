// Playlist decoders and the playlist detector, on payloads as radio sites serve them.
#include "media/Playlist.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using Playlist::Format;

namespace {

const QUrl kBase(QStringLiteral("http://radio.example:8000/lists/station.pls"));

QStringList L(std::initializer_list<const char *> items)
{
    QStringList list;
    for (const char *s : items)
        list.append(QString::fromUtf8(s));
    return list;
}

} // namespace

TEST(PlaylistPls, EntriesInNumberOrderWithAnyKeyCase)
{
    const QByteArray pls = "[playlist]\r\n"
                           "NumberOfEntries=3\r\n"
                           "File2=http://b.example/two\r\n"
                           "Title2=Two\r\n"
                           "FILE1 = http://a.example/one \r\n"
                           "file10=http://c.example/ten\r\n"
                           "File1=http://dup.example/ignored\r\n"
                           "Length1=-1\r\n"
                           "Version=2\r\n";
    EXPECT_EQ(Playlist::decodePls(pls, kBase),
              L({"http://a.example/one", "http://b.example/two", "http://c.example/ten"}));
}

TEST(PlaylistPls, RelativeEntriesBomAndBareCarriageReturns)
{
    const QByteArray pls = "\xEF\xBB\xBF[playlist]\rFile1=../live\rFile2=/abs/path.mp3\rFile3=mms://wm.example/x\r";
    EXPECT_EQ(Playlist::decodePls(pls, kBase),
              L({"http://radio.example:8000/live", "http://radio.example:8000/abs/path.mp3",
                 "mms://wm.example/x"}));
}

TEST(PlaylistPls, NoEntriesFromEmptyOrHeaderOnlyOrBrokenKeys)
{
    EXPECT_TRUE(Playlist::decodePls({}, kBase).isEmpty());
    EXPECT_TRUE(Playlist::decodePls("[playlist]\r\nNumberOfEntries=0\r\n", kBase).isEmpty());
    EXPECT_TRUE(Playlist::decodePls("File=http://x/\nFilex=http://y/\nFile1=\n=File1\n", kBase).isEmpty());
}

TEST(PlaylistM3u, CommentsExtinfCrLfAndBomSkipped)
{
    const QByteArray m3u = "\xEF\xBB\xBF#EXTM3U\r\n"
                           "#EXTINF:-1,Radio un\r\n"
                           "http://a.example:8000/stream\r\n"
                           "\r\n"
                           "# a comment\r\n"
                           "  http://b.example/two.mp3  \r\n";
    EXPECT_EQ(Playlist::decodeM3u(m3u, kBase), L({"http://a.example:8000/stream", "http://b.example/two.mp3"}));
}

TEST(PlaylistM3u, RelativeEntriesAndTextEncodings)
{
    EXPECT_EQ(Playlist::decodeM3u("../stream.mp3\nsub/a b.mp3\n", kBase),
              L({"http://radio.example:8000/stream.mp3", "http://radio.example:8000/lists/sub/a%20b.mp3"}));
    // Latin-1 and UTF-8 file names both read as the text they are.
    EXPECT_EQ(Playlist::decodeM3u("http://x.example/caf\xE9.mp3\n"), L({"http://x.example/café.mp3"}));
    EXPECT_EQ(Playlist::decodeM3u("http://x.example/caf\xC3\xA9.mp3\n"), L({"http://x.example/café.mp3"}));
    // Without a base a relative entry stays as written.
    EXPECT_EQ(Playlist::decodeM3u("stream.mp3\n"), L({"stream.mp3"}));
}

TEST(PlaylistAsx, RefsInAnyCaseAndQuoting)
{
    const QByteArray asx = "<ASX VERSION=\"3.0\">\r\n"
                           "<!-- <ref href=\"http://commented.example/\"/> -->\r\n"
                           "<TITLE>Radio</TITLE>\r\n"
                           "<ENTRY><REF HREF = \"mms://wm.example/live\" /></ENTRY>\r\n"
                           "<Entry><Ref href='http://a.example/x?a=1&amp;b=2'/></Entry>\r\n"
                           "<entry><ref href=http://b.example/y></entry>\r\n"
                           "<ENTRY><MOREINFO HREF=\"http://info.example/\"/><REF HREF=\"rel.mp3\"/></ENTRY>\r\n"
                           "<EntryRef href=\"http://c.example/more.asx\"/>\r\n"
                           "</ASX>";
    EXPECT_EQ(Playlist::decodeAsx(asx, kBase),
              L({"mms://wm.example/live", "http://a.example/x?a=1&b=2", "http://b.example/y",
                 "http://radio.example:8000/lists/rel.mp3", "http://c.example/more.asx"}));
}

TEST(PlaylistAsx, Utf16WithByteOrderMark)
{
    const QString text = QStringLiteral("<asx version=\"3.0\"><entry><ref href=\"http://u16.example/s\"/></entry></asx>");
    QByteArray data("\xFF\xFE", 2);
    data.append(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
    EXPECT_EQ(Playlist::decodeAsx(data), L({"http://u16.example/s"}));
    EXPECT_EQ(Playlist::sniffFormat(data), Format::Asx);
}

TEST(PlaylistAsfReference, NumberedRefs)
{
    const QByteArray ref = "[Reference]\r\nRef2=http://two.example/b\r\nREF1=http://one.example/a?MSWMExt=.asf\r\n";
    EXPECT_EQ(Playlist::decodeAsfReference(ref, kBase),
              L({"http://one.example/a?MSWMExt=.asf", "http://two.example/b"}));
}

TEST(PlaylistXspf, TrackLocationsOnly)
{
    const QByteArray xspf = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                            "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">\n"
                            "  <location>http://list-itself.example/l.xspf</location>\n"
                            "  <trackList>\n"
                            "    <track><title>Un</title><location>http://a.example/1</location></track>\n"
                            "    <track><location> ../two.ogg </location></track>\n"
                            "    <track><location>http://c.example/?a=1&amp;b=2</location></track>\n"
                            "  </trackList>\n"
                            "</playlist>\n";
    EXPECT_EQ(Playlist::decodeXspf(xspf, kBase),
              L({"http://a.example/1", "http://radio.example:8000/two.ogg", "http://c.example/?a=1&b=2"}));
}

TEST(PlaylistXspf, TruncatedListKeepsWhatCameBefore)
{
    const QByteArray cut = "<playlist xmlns=\"http://xspf.org/ns/0/\"><trackList>"
                           "<track><location>http://a.example/1</location></track><track><loca";
    EXPECT_EQ(Playlist::decodeXspf(cut), L({"http://a.example/1"}));
}

TEST(PlaylistGarbage, EveryDecoderGivesNothingForBinaryOrEmptyInput)
{
    QByteArray noise(4096, '\0');
    auto *rng = QRandomGenerator::global();
    for (char &c : noise)
        c = static_cast<char>(rng->bounded(256));
    // Binary noise with a line break, "=", "<ref href=" here and there still gives no entry
    // that carries control characters.
    noise.replace(100, 20, "\nFile1=\x01\x02\n<ref h");
    for (Format f : {Format::Pls, Format::M3u, Format::Asx, Format::AsfReference, Format::Xspf}) {
        for (const QString &entry : Playlist::decode(f, noise, kBase))
            for (QChar c : entry)
                EXPECT_GE(c.unicode(), 0x20) << int(f);
        EXPECT_TRUE(Playlist::decode(f, {}, kBase).isEmpty()) << int(f);
        EXPECT_TRUE(Playlist::decode(f, "\r\n\r\n", kBase).isEmpty()) << int(f);
    }
    EXPECT_TRUE(Playlist::decodeXspf("<playlist><track><location>").isEmpty());
    EXPECT_TRUE(Playlist::decodeAsx("<asx><ref href=\"").isEmpty());
    EXPECT_TRUE(Playlist::decodeAsx("<<<>>><ref").isEmpty());
    EXPECT_EQ(Playlist::detect(QStringLiteral("application/octet-stream"), kBase, noise), Format::None);
}

TEST(PlaylistDetect, ContentComesFirst)
{
    const QUrl plain(QStringLiteral("http://x.example/listen"));
    EXPECT_EQ(Playlist::detect({}, plain, "  \r\n[Playlist]\nFile1=a"), Format::Pls);
    EXPECT_EQ(Playlist::detect({}, plain, "#EXTM3U\nhttp://a/"), Format::M3u);
    EXPECT_EQ(Playlist::detect({}, plain, "#EXTM3U\n#EXT-X-TARGETDURATION:6\nseg.ts"), Format::Hls);
    EXPECT_EQ(Playlist::detect({}, plain, "<Asx version=3>"), Format::Asx);
    EXPECT_EQ(Playlist::detect({}, plain, "[REFERENCE]\r\nRef1=http://a/"), Format::AsfReference);
    EXPECT_EQ(Playlist::detect({}, plain, "<?xml version=\"1.0\"?>\n<!-- x -->\n<playlist xmlns=\"http://xspf.org/ns/0/\">"),
              Format::Xspf);
    EXPECT_EQ(Playlist::detect({}, plain, "<?xml version=\"1.0\"?><ASX version=\"3.0\">"), Format::Asx);
    // An ASX or reference file served with the ASF stream type is still a list...
    EXPECT_EQ(Playlist::detect(QStringLiteral("video/x-ms-asf"), plain, "<ASX><ref href=\"a\"/></ASX>"), Format::Asx);
    // ...while real ASF data (binary header) is a stream.
    EXPECT_EQ(Playlist::detect(QStringLiteral("video/x-ms-asf"), plain, QByteArray("\x30\x26\xB2\x75\x8E\x66\xCF\x11\0\0", 10)),
              Format::None);
}

TEST(PlaylistDetect, ContentTypeThenExtension)
{
    const QUrl plain(QStringLiteral("http://x.example/listen"));
    EXPECT_EQ(Playlist::detect(QStringLiteral("audio/x-scpls; charset=UTF-8"), plain, "File1=http://a/"), Format::Pls);
    EXPECT_EQ(Playlist::detect(QStringLiteral("Audio/X-MpegURL"), plain, "http://a/\n"), Format::M3u);
    EXPECT_EQ(Playlist::detect(QStringLiteral("application/vnd.apple.mpegurl"), plain, "#EXT-X-VERSION:3\nx.ts"),
              Format::Hls);
    EXPECT_EQ(Playlist::detect(QStringLiteral("application/xspf+xml"), plain, ""), Format::Xspf);
    // A media type wins over a misleading file name; an unhelpful type leaves it to the name.
    EXPECT_EQ(Playlist::detect(QStringLiteral("audio/mpeg"), QUrl(QStringLiteral("http://x/a.m3u")), "\xFF\xFB\x90\x64"),
              Format::None);
    EXPECT_EQ(Playlist::detect(QStringLiteral("audio/mpeg"), QUrl(QStringLiteral("http://x/a.m3u")), "http://a/"),
              Format::None);
    EXPECT_EQ(Playlist::detect(QStringLiteral("text/plain"), QUrl(QStringLiteral("http://x/a.PLS?x=1")), "File1=http://a/"),
              Format::Pls);
    EXPECT_EQ(Playlist::detect(QStringLiteral("application/octet-stream"), QUrl(QStringLiteral("http://x/a.m3u8")), "a.mp3\n"),
              Format::M3u);
    EXPECT_EQ(Playlist::detect({}, QUrl(QStringLiteral("http://x/a.wax")), "<ref href='x'/>"), Format::Asx);
    EXPECT_EQ(Playlist::detect(QStringLiteral("text/html"), plain, "<html><body>Bonjour</body></html>"), Format::None);
}

TEST(PlaylistDetect, FileNames)
{
    EXPECT_EQ(Playlist::formatFromExtension(QUrl(QStringLiteral("http://x/l.XSPF"))), Format::Xspf);
    EXPECT_EQ(Playlist::formatFromExtension(QUrl(QStringLiteral("http://x/l.m3u8?token=.mp3"))), Format::M3u);
    EXPECT_EQ(Playlist::formatFromExtension(QUrl(QStringLiteral("http://x/dir.pls/stream"))), Format::None);
    EXPECT_EQ(Playlist::formatFromExtension(QUrl(QStringLiteral("http://x/l.wvx"))), Format::Asx);
    EXPECT_TRUE(Playlist::hasMediaExtension(QUrl(QStringLiteral("http://x/live.MP3?sid=1"))));
    EXPECT_FALSE(Playlist::hasMediaExtension(QUrl(QStringLiteral("http://x/live"))));
    EXPECT_FALSE(Playlist::hasMediaExtension(QUrl(QStringLiteral("http://x/live.asf"))));
}
