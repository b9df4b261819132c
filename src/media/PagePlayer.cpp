#include "PagePlayer.h"
#include "HtmlTags.h"

namespace {

PagePlayer::Kind kindOfClassId(QString classId)
{
    classId = classId.trimmed();
    if (classId.startsWith(u"clsid:", Qt::CaseInsensitive))
        classId = classId.mid(6);
    classId = classId.trimmed().remove(u'{').remove(u'}').toUpper();
    if (classId == u"22D6F312-B0F6-11D0-94AB-0080C74C7E95"
        || classId == u"6BF52A52-394A-11D3-B153-00C04F79FAA6")
        return PagePlayer::Kind::WindowsMedia;
    if (classId == u"CFCDAA03-8BE4-11CF-B84B-0020AFBBCCFA")
        return PagePlayer::Kind::RealPlayer;
    return PagePlayer::Kind::None;
}

} // namespace

bool readAutostart(const QString &value)
{
    const QString v = value.trimmed().toLower();
    if (v == u"false" || v == u"no" || v == u"off")
        return false;
    bool ok = false;
    const long long n = v.toLongLong(&ok);
    return !(ok && n == 0);
}

PagePlayer findPagePlayer(const QString &html)
{
    const QList<tavhtml::Tag> tags = tavhtml::scanTags(html);
    PagePlayer firstWithoutAddress;
    PagePlayer firstEmbed;

    for (qsizetype i = 0; i < tags.size(); ++i) {
        const tavhtml::Tag &tag = tags[i];
        if (tag.closing)
            continue;
        if (tag.name == u"embed") {
            if (firstEmbed.kind == PagePlayer::Kind::None && !tag.attribute(u"src").trimmed().isEmpty()) {
                firstEmbed.kind = PagePlayer::Kind::Embed;
                firstEmbed.address = tag.attribute(u"src").trimmed();
                if (tag.hasAttribute(u"autostart"))
                    firstEmbed.autostart = readAutostart(tag.attribute(u"autostart"));
            }
            continue;
        }
        if (tag.name != u"object")
            continue;

        // The parameters of this object, up to its end tag.
        PagePlayer player;
        player.kind = kindOfClassId(tag.attribute(u"classid"));
        QString filename, url, src, embedSrc, embedAutostart;
        bool haveAutostart = false;
        qsizetype j = i + 1;
        for (; j < tags.size(); ++j) {
            const tavhtml::Tag &inner = tags[j];
            if (inner.name == u"object")
                break;
            if (inner.name == u"param") {
                const QString name = inner.attribute(u"name").trimmed().toLower();
                const QString value = inner.attribute(u"value");
                if (name == u"filename" && filename.isEmpty())
                    filename = value.trimmed();
                else if (name == u"url" && url.isEmpty())
                    url = value.trimmed();
                else if (name == u"src" && src.isEmpty())
                    src = value.trimmed();
                else if (name == u"autostart" && !haveAutostart) {
                    haveAutostart = true;
                    player.autostart = readAutostart(value);
                }
            } else if (inner.name == u"embed" && !inner.closing && embedSrc.isEmpty()) {
                embedSrc = inner.attribute(u"src").trimmed();
                embedAutostart = inner.attribute(u"autostart");
            }
        }
        i = j; // continue after this object's end tag (or at the next object)
        if (j < tags.size() && !tags[j].closing)
            --i;

        // An object of unknown class is taken by the parameter it carries.
        if (player.kind == PagePlayer::Kind::None) {
            if (!filename.isEmpty() || !url.isEmpty())
                player.kind = PagePlayer::Kind::WindowsMedia;
            else if (!src.isEmpty())
                player.kind = PagePlayer::Kind::RealPlayer;
            else
                continue;
        }
        if (player.kind == PagePlayer::Kind::WindowsMedia)
            player.address = !filename.isEmpty() ? filename : url;
        else
            player.address = src;
        if (player.address.isEmpty() && !embedSrc.isEmpty()) {
            player.address = embedSrc;
            if (!haveAutostart && !embedAutostart.isEmpty())
                player.autostart = readAutostart(embedAutostart);
        }
        if (!player.address.isEmpty())
            return player;
        if (firstWithoutAddress.kind == PagePlayer::Kind::None)
            firstWithoutAddress = player;
    }
    if (firstEmbed.kind != PagePlayer::Kind::None)
        return firstEmbed;
    return firstWithoutAddress;
}
