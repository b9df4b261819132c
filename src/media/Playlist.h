#pragma once
// Playlist files of internet radios: decoders for PLS, M3U (and the HLS form of M3U8), XML ASX,
// the ASF "[Reference]" form and XSPF, and a detector that tells which of them a download is.
// Pure functions on bytes, QtCore only. Every decoder returns the entries in file order as
// absolute addresses: an entry relative to the list is resolved against the list's own address
// (base). Empty, truncated or garbage input gives fewer entries or none, never a failure.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace Playlist {

enum class Format {
    None,         // not a playlist (a stream or a page)
    Pls,          // "[playlist]" with File1=...
    M3u,          // one address a line, "#" lines are comments
    Hls,          // an M3U8 carrying #EXT-X- tags: a live or on-demand HLS stream, played as is
    Asx,          // XML ASX: <ref href="...">
    AsfReference, // "[Reference]" with Ref1=...
    Xspf,         // XML Shareable Playlist Format: <location>...</location>
};

// Text of a downloaded list: a UTF-8 or UTF-16 byte-order mark decides the encoding; without
// one, valid UTF-8 is read as UTF-8 and anything else as Latin-1.
QString decodeText(const QByteArray &data);

QStringList decodePls(const QByteArray &data, const QUrl &base = {});
QStringList decodeM3u(const QByteArray &data, const QUrl &base = {});
QStringList decodeAsx(const QByteArray &data, const QUrl &base = {});
QStringList decodeAsfReference(const QByteArray &data, const QUrl &base = {});
QStringList decodeXspf(const QByteArray &data, const QUrl &base = {});
// Runs the decoder of format; None and Hls give no entries.
QStringList decode(Format format, const QByteArray &data, const QUrl &base = {});

// What the file name of an address says: .pls, .m3u, .m3u8, .asx, .wax, .wvx, .xspf (any case;
// the query part does not count). .m3u8 reads as M3u: only the content tells HLS apart.
Format formatFromExtension(const QUrl &url);
// What an HTTP Content-Type says (parameters such as "; charset=" ignored). A media type that
// is not a playlist type gives None, as does an unknown or empty one.
Format formatFromContentType(const QString &contentType);
// True when a Content-Type names audio or video data that is no playlist (audio/mpeg, ...).
bool isMediaContentType(const QString &contentType);
// What the first bytes say: "[playlist]", "#EXTM3U", "<asx", "[Reference]", an XSPF <playlist>.
Format sniffFormat(const QByteArray &head);
// The decision for a download: its content first, then its Content-Type, then its file name.
// A media Content-Type or binary content with no playlist marker gives None; an M3U whose
// content holds #EXT-X- tags gives Hls.
Format detect(const QString &contentType, const QUrl &url, const QByteArray &content);

// True for file names that are plainly media (.mp3, .aac, .ogg, ...): no need to look inside.
bool hasMediaExtension(const QUrl &url);

// True when an address names something on the network: a scheme other than file:// (a local
// path has none).
bool isRemoteAddress(const QString &address);
// A list fetched from the network may only send the player to the network: true for http(s),
// mms(h), rtsp(s) and rtmp entries (any letter case). file://, av://, lavfi://, a plain path and
// any other scheme are refused. Entries of local lists are not restricted.
bool remoteEntryAllowed(const QString &entry);

} // namespace Playlist
