#pragma once
// The program's own text files (favourites, station pages, TV lists) are 8-bit Windows-1252
// text with CR LF line ends. Reading accepts LF-only lines too; writing replaces a file only once
// the new content is completely on disk, so a failed write leaves the old file intact.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace textfile {

// Windows-1252 <-> Unicode. Characters that the code page cannot hold become '?'.
QString fromCp1252(const QByteArray &bytes);
QByteArray toCp1252(const QString &text);
// Bytes of a page or a downloaded answer as text: UTF-8 (without its byte order mark) when they
// are valid UTF-8, Windows-1252 otherwise (what the pages call "iso-8859-1").
QString fromUtf8OrCp1252(const QByteArray &bytes);
// Position of the first character that Windows-1252 cannot hold, or -1 when it holds them all.
qsizetype firstNonCp1252(const QString &text);

// Reads the whole file as bytes. Returns false when the file cannot be opened or read.
bool readBytes(const QString &path, QByteArray &bytes);

// Reads every line of a file (line ends removed). A last line without a line end counts;
// an empty file gives no line. Returns false when the file cannot be opened or read.
bool readLines(const QString &path, QStringList &lines);

// Reads the whole file as text. Returns false when the file cannot be opened or read.
bool readAll(const QString &path, QString &text);

// Replaces the file with the bytes through a temporary file beside it, renamed into place only
// once every byte is on disk. False when the file could not be written completely (every write,
// the flush and the rename are checked); the previous file is then left unchanged.
bool writeBytes(const QString &path, const QByteArray &bytes);

// Writes the text as Windows-1252, as given (line ends are the caller's). Returns false when the
// file could not be written completely; the previous file is then left unchanged.
bool writeAll(const QString &path, const QString &text);

// Writes each line followed by CR LF.
bool writeLines(const QString &path, const QStringList &lines);

// The program's lists (favourites, TV lists) keep every name, even one the code page cannot
// hold: such a character is written as a numeric character reference, "&#" + its code point in
// decimal + ";" ("&#12521;", "&#128251;"), and so is an "&" that would otherwise read as the
// start of one ("&#38;"). Every other character is written as it is, so a list of names that
// the code page holds is byte for byte what older versions wrote and read. A lone half of a
// surrogate pair stands for no character and is written as U+FFFD.
QString toListLine(const QString &line);
// The references "&#" + 1 to 7 decimal digits + ";" of a character (not a surrogate, not NUL,
// not a line end) turned back into it; anything else, an "&" of another kind included, as it is.
QString fromListLine(const QString &line);
// readLines / writeLines in that form.
bool readListLines(const QString &path, QStringList &lines);
bool writeListLines(const QString &path, const QStringList &lines);

} // namespace textfile

// Page names composed by the program (name + ".HTM") were found whatever their letter case on the
// first platform: returns the existing file of the same folder whose name matches ignoring case
// (an exact match first), or the path unchanged when none does.
QString ResolveNoCase(const QString &path);
