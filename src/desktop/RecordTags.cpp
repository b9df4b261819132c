#include "RecordTags.h"

#include <QFile>

#include <taglib/fileref.h>
#include <taglib/id3v2tag.h>
#include <taglib/tpropertymap.h>

namespace recordtags {

namespace {

TagLib::PropertyMap properties(const Fields &f)
{
    TagLib::PropertyMap map;
    const auto put = [&map](const char *key, const QString &value) {
        if (!value.trimmed().isEmpty())
            map[key].append(TagLib::String(value.trimmed().toStdString(), TagLib::String::UTF8));
    };
    put("TITLE", f.title);
    put("ARTIST", f.artist);
    put("ALBUM", f.album);
    if (f.date.isValid())
        put("DATE", f.date.toString(Qt::ISODate));
    return map;
}

} // namespace

QByteArray Id3v2(const Fields &fields)
{
    TagLib::ID3v2::Tag tag;
    tag.setProperties(properties(fields));
    const TagLib::ByteVector bytes = tag.render();
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

bool TagOggFile(const QString &path, const Fields &fields)
{
    TagLib::FileRef file(QFile::encodeName(path).constData(), false);
    if (file.isNull() || !file.file()->isValid())
        return false;
    file.file()->setProperties(properties(fields));
    return file.save();
}

} // namespace recordtags
