#include "Playlist.h"
#include "HtmlTags.h"

#include <QStringDecoder>
#include <QXmlStreamReader>
#include <map>

namespace Playlist {

namespace {

// An entry as an absolute address: kept as written when it carries a scheme (http://, mms://,
// file:...), resolved against base otherwise. Text with control characters (binary garbage)
// or that is no address at all gives an empty string.
QString resolveEntry(QStringView raw, const QUrl &base)
{
    const QString entry = raw.trimmed().toString();
    if (entry.isEmpty())
        return {};
    for (const QChar c : entry)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QChar::ReplacementCharacter)
            return {};
    const QUrl url(entry, QUrl::TolerantMode);
    if (!url.isValid())
        return {};
    // A one-letter "scheme" is a drive letter of a path written on another system.
    if (!url.isRelative() && url.scheme().size() > 1)
        return entry;
    if (base.isEmpty() || !base.isValid() || url.scheme().size() == 1)
        return entry;
    return base.resolved(url).toString(QUrl::FullyEncoded);
}

QList<QStringView> splitLines(QStringView text)
{
    QList<QStringView> lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n') {
            lines.append(text.mid(start, i - start));
            if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < text.size())
        lines.append(text.mid(start));
    return lines;
}

// "<prefix><N>=<address>" lines (File1=, Ref1=), any letter case, in the order of N; the
// first line of a number wins.
QStringList numberedEntries(const QByteArray &data, const QUrl &base, QStringView prefix)
{
    const QString text = decodeText(data);
    std::map<qulonglong, QString> byNumber;
    for (const QStringView line : splitLines(text)) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= prefix.size())
            continue;
        const QStringView key = line.left(eq).trimmed();
        if (!key.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        bool ok = false;
        const qulonglong number = key.mid(prefix.size()).toULongLong(&ok);
        if (!ok)
            continue;
        const QString address = resolveEntry(line.mid(eq + 1), base);
        if (!address.isEmpty())
            byNumber.emplace(number, address);
    }
    QStringList entries;
    for (const auto &[number, address] : byNumber)
        entries.append(address);
    return entries;
}

bool isUtf16Bom(const QByteArray &data)
{
    return data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF");
}

// Binary data: NUL bytes or many control characters near the start (text in UTF-16 with a
// byte-order mark is text).
bool looksBinary(const QByteArray &content)
{
    if (isUtf16Bom(content))
        return false;
    const qsizetype n = qMin<qsizetype>(content.size(), 1024);
    qsizetype control = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const auto b = static_cast<unsigned char>(content[i]);
        if (b == 0)
            return true;
        if (b < 0x09 || (b > 0x0d && b < 0x20))
            ++control;
    }
    return control * 20 > n;
}

QString mimeOf(const QString &contentType)
{
    return contentType.section(u';', 0, 0).trimmed().toLower();
}

Format refine(Format f, const QByteArray &content)
{
    if (f == Format::M3u && decodeText(content).contains(u"#EXT-X-", Qt::CaseInsensitive))
        return Format::Hls;
    return f;
}

} // namespace

QString decodeText(const QByteArray &data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(data.constData() + 3, data.size() - 3);
    if (data.startsWith("\xFF\xFE")) {
        QStringDecoder dec(QStringConverter::Utf16LE);
        return dec(QByteArrayView(data).sliced(2));
    }
    if (data.startsWith("\xFE\xFF")) {
        QStringDecoder dec(QStringConverter::Utf16BE);
        return dec(QByteArrayView(data).sliced(2));
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8(data);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(data);
}

QStringList decodePls(const QByteArray &data, const QUrl &base)
{
    return numberedEntries(data, base, u"file");
}

QStringList decodeAsfReference(const QByteArray &data, const QUrl &base)
{
    return numberedEntries(data, base, u"ref");
}

QStringList decodeM3u(const QByteArray &data, const QUrl &base)
{
    const QString text = decodeText(data);
    QStringList entries;
    for (const QStringView line : splitLines(text)) {
        const QStringView t = line.trimmed();
        if (t.isEmpty() || t.startsWith(u'#'))
            continue;
        const QString address = resolveEntry(t, base);
        if (!address.isEmpty())
            entries.append(address);
    }
    return entries;
}

QStringList decodeAsx(const QByteArray &data, const QUrl &base)
{
    const QString text = decodeText(data);
    QStringList entries;
    for (const tavhtml::Tag &tag : tavhtml::scanTags(text)) {
        if (tag.closing || (tag.name != u"ref" && tag.name != u"entryref"))
            continue;
        const QString address = resolveEntry(tag.attribute(u"href"), base);
        if (!address.isEmpty())
            entries.append(address);
    }
    return entries;
}

QStringList decodeXspf(const QByteArray &data, const QUrl &base)
{
    QStringList entries;
    QXmlStreamReader xml(data);
    int trackDepth = 0;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QStringView name = xml.name();
            if (name.compare(u"track", Qt::CaseInsensitive) == 0) {
                ++trackDepth;
            } else if (trackDepth > 0 && name.compare(u"location", Qt::CaseInsensitive) == 0) {
                const QString address =
                    resolveEntry(xml.readElementText(QXmlStreamReader::SkipChildElements), base);
                if (!address.isEmpty())
                    entries.append(address);
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (xml.name().compare(u"track", Qt::CaseInsensitive) == 0 && trackDepth > 0)
                --trackDepth;
        }
    }
    // A list cut short keeps the entries read before the fault.
    return entries;
}

QStringList decode(Format format, const QByteArray &data, const QUrl &base)
{
    switch (format) {
    case Format::Pls: return decodePls(data, base);
    case Format::M3u: return decodeM3u(data, base);
    case Format::Asx: return decodeAsx(data, base);
    case Format::AsfReference: return decodeAsfReference(data, base);
    case Format::Xspf: return decodeXspf(data, base);
    case Format::None:
    case Format::Hls: break;
    }
    return {};
}

Format formatFromExtension(const QUrl &url)
{
    const QString path = url.path().toLower();
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0 || path.indexOf(u'/', dot) >= 0)
        return Format::None;
    const QStringView ext = QStringView(path).mid(dot + 1);
    if (ext == u"pls")
        return Format::Pls;
    if (ext == u"m3u" || ext == u"m3u8")
        return Format::M3u;
    if (ext == u"asx" || ext == u"wax" || ext == u"wvx")
        return Format::Asx;
    if (ext == u"xspf")
        return Format::Xspf;
    return Format::None;
}

bool hasMediaExtension(const QUrl &url)
{
    static const QStringList media = {
        QStringLiteral("mp3"), QStringLiteral("aac"), QStringLiteral("aacp"), QStringLiteral("ogg"),
        QStringLiteral("oga"), QStringLiteral("opus"), QStringLiteral("flac"), QStringLiteral("m4a"),
        QStringLiteral("mp4"), QStringLiteral("m4v"), QStringLiteral("wav"), QStringLiteral("webm"),
        QStringLiteral("mkv"), QStringLiteral("mka"), QStringLiteral("ts"), QStringLiteral("mpg"),
        QStringLiteral("mpeg"), QStringLiteral("mov"), QStringLiteral("avi"), QStringLiteral("flv")};
    const QString path = url.path().toLower();
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0 || path.indexOf(u'/', dot) >= 0)
        return false;
    return media.contains(path.mid(dot + 1));
}

Format formatFromContentType(const QString &contentType)
{
    const QString mime = mimeOf(contentType);
    if (mime == u"audio/x-scpls" || mime == u"audio/scpls" || mime == u"application/pls+xml"
        || mime == u"application/pls" || mime == u"audio/x-pls")
        return Format::Pls;
    if (mime == u"audio/x-mpegurl" || mime == u"audio/mpegurl" || mime == u"application/x-mpegurl"
        || mime == u"application/mpegurl" || mime == u"application/vnd.apple.mpegurl"
        || mime == u"application/vnd.apple.mpegurl.audio" || mime == u"audio/x-m3u"
        || mime == u"audio/m3u")
        return Format::M3u;
    if (mime == u"video/x-ms-asx" || mime == u"audio/x-ms-asx" || mime == u"video/x-ms-wax"
        || mime == u"audio/x-ms-wax" || mime == u"video/x-ms-wvx")
        return Format::Asx;
    if (mime == u"application/xspf+xml")
        return Format::Xspf;
    return Format::None;
}

bool isMediaContentType(const QString &contentType)
{
    if (formatFromContentType(contentType) != Format::None)
        return false;
    const QString mime = mimeOf(contentType);
    return mime.startsWith(u"audio/") || mime.startsWith(u"video/") || mime == u"application/ogg"
        || mime == u"application/vnd.ms.wms-hdr.asfv1" || mime == u"application/x-mms-framed";
}

Format sniffFormat(const QByteArray &head)
{
    const QString text = decodeText(head.left(4096)).left(2048);
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    const QStringView t = QStringView(text).mid(i);
    auto starts = [&](QStringView marker) { return t.startsWith(marker, Qt::CaseInsensitive); };
    if (starts(u"[playlist]"))
        return Format::Pls;
    if (starts(u"#EXTM3U"))
        return Format::M3u;
    if (starts(u"[Reference]"))
        return Format::AsfReference;
    if (starts(u"<asx"))
        return Format::Asx;
    if (starts(u"<playlist"))
        return Format::Xspf;
    if (starts(u"<?xml") || starts(u"<!--")) {
        // The first element after the declaration and comments names the format.
        for (const tavhtml::Tag &tag : tavhtml::scanTags(t)) {
            if (tag.closing)
                continue;
            if (tag.name == u"asx")
                return Format::Asx;
            if (tag.name == u"playlist")
                return Format::Xspf;
            break;
        }
    }
    return Format::None;
}

Format detect(const QString &contentType, const QUrl &url, const QByteArray &content)
{
    const Format sniffed = sniffFormat(content);
    if (sniffed != Format::None)
        return refine(sniffed, content);
    if (looksBinary(content))
        return Format::None;
    const Format byType = formatFromContentType(contentType);
    if (byType != Format::None)
        return refine(byType, content);
    if (isMediaContentType(contentType))
        return Format::None;
    return refine(formatFromExtension(url), content);
}

bool isRemoteAddress(const QString &address)
{
    const qsizetype colon = address.indexOf(u"://");
    if (colon <= 1)
        return false;
    return address.left(colon).compare(u"file", Qt::CaseInsensitive) != 0;
}

bool remoteEntryAllowed(const QString &entry)
{
    static const char *const allowed[] = {"http", "https", "mms", "mmsh", "rtsp", "rtsps", "rtmp"};
    const qsizetype colon = entry.indexOf(u"://");
    if (colon <= 0)
        return false;
    const QString scheme = entry.left(colon);
    for (const char *a : allowed)
        if (scheme.compare(QLatin1String(a), Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace Playlist
