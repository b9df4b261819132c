// A station page on any bytes: its player object, its tags and character references, and the
// information link the page views intercept.
#include "common/TextFile.h"
#include "media/HtmlTags.h"
#include "media/PagePlayer.h"
#include "media/StationPage.h"
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = fuzz::Bytes(data, size);
    // Pages are read as Windows-1252; pages fetched from elsewhere may be UTF-8.
    for (const QString &html : {textfile::fromCp1252(bytes), QString::fromUtf8(bytes)}) {
        const PagePlayer player = findPagePlayer(html);
        if (player.kind == PagePlayer::Kind::None)
            fuzz::Check(player.address.isEmpty(), "no player names no stream");
        readAutostart(html.left(32));
        for (const tavhtml::Tag &tag : tavhtml::scanTags(html)) {
            fuzz::Check(tag.begin >= 0 && tag.begin < tag.end && tag.end <= html.size(),
                        "a tag lies within the page");
            for (const tavhtml::Attribute &a : tag.attributes) {
                tag.attribute(a.name);
                if (tag.name == u"a") {
                    QString address;
                    stations::InfoLinkAddress(a.value, &address);
                }
            }
        }
        tavhtml::decodeEntities(html);
        QString address;
        stations::InfoLinkAddress(html, &address);
    }
    return 0;
}
