#pragma once
// The tags of a stream recording's files (title, artist, album, date), made by TagLib. MP3 and
// ADTS AAC files begin with an ID3v2 tag, written before their first frame; Ogg files (Vorbis,
// Opus) carry them in their comment header, which TagLib rewrites once the file is complete.
#include <QByteArray>
#include <QDate>
#include <QString>

namespace recordtags {

struct Fields {
    QString title, artist, album;
    QDate date;
};

// An ID3v2.4 tag holding the fields that are not empty (UTF-8 text).
QByteArray Id3v2(const Fields &fields);

// Writes the fields into the comment header of the Ogg file at path; false when TagLib cannot
// read it as an Ogg Vorbis or Opus file or cannot save it.
bool TagOggFile(const QString &path, const Fields &fields);

} // namespace recordtags
