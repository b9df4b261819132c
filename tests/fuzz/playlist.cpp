// The playlist decoders of every format, the format sniffer and the download decision on any
// bytes.
#include "media/Playlist.h"
#include "FuzzInput.h"

#include <array>

namespace {

const std::array<Playlist::Format, 7> kFormats = {
    Playlist::Format::None, Playlist::Format::Pls,  Playlist::Format::M3u,
    Playlist::Format::Hls,  Playlist::Format::Asx,  Playlist::Format::AsfReference,
    Playlist::Format::Xspf,
};

const char *const kContentTypes[] = {
    "", "audio/x-scpls", "audio/mpegurl; charset=utf-8", "application/vnd.apple.mpegurl",
    "video/x-ms-asf", "application/xspf+xml", "audio/mpeg", "text/html", "application/octet-stream",
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    const QUrl remote(QStringLiteral("http://radio.example/dir/list.pls?x=1"));
    const QUrl local = QUrl::fromLocalFile(QStringLiteral("/tmp/list.m3u"));

    Playlist::decodeText(bytes);
    for (Playlist::Format f : kFormats) {
        for (const QString &entry : Playlist::decode(f, bytes, remote)) {
            fuzz::Check(!entry.isEmpty(), "entries are not empty");
            Playlist::remoteEntryAllowed(entry);
            Playlist::isRemoteAddress(entry);
        }
        Playlist::decode(f, bytes, local);
        Playlist::decode(f, bytes);
    }

    Playlist::sniffFormat(bytes);
    const char *type = kContentTypes[size % (sizeof kContentTypes / sizeof *kContentTypes)];
    Playlist::detect(QString::fromLatin1(type), remote, bytes);

    // The first line as a Content-Type and as an address.
    const QString head = QString::fromUtf8(bytes.left(bytes.indexOf('\n')));
    Playlist::formatFromContentType(head);
    Playlist::isMediaContentType(head);
    const QUrl url(head);
    Playlist::formatFromExtension(url);
    Playlist::hasMediaExtension(url);
    Playlist::detect(head, url, bytes);
    return 0;
}
