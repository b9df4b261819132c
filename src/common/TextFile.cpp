#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <array>

namespace textfile {
namespace {

// Code points of bytes 0x80..0x9F; 0 marks the five unassigned bytes, read as the C1 control
// of the same value.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

} // namespace

QString fromCp1252(const QByteArray &bytes)
{
    QString out;
    out.resize(bytes.size());
    QChar *d = out.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        char16_t c = b;
        if (b >= 0x80 && b < 0xA0 && kHigh[b - 0x80] != 0)
            c = kHigh[b - 0x80];
        d[i] = QChar(c);
    }
    return out;
}

namespace {
// The byte of a character, or -1 when the code page cannot hold it.
int cp1252Byte(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (int i = 0; i < 32; ++i)
        if (kHigh[i] == u || (kHigh[i] == 0 && u == 0x80 + i))
            return 0x80 + i;
    return -1;
}
} // namespace

QByteArray toCp1252(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const int b = cp1252Byte(ch.unicode());
        out.append(b < 0 ? '?' : static_cast<char>(b));
    }
    return out;
}

qsizetype firstNonCp1252(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i)
        if (cp1252Byte(text[i].unicode()) < 0)
            return i;
    return -1;
}

bool readBytes(const QString &path, QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    bytes = f.readAll();
    return f.error() == QFile::NoError;
}

bool readAll(const QString &path, QString &text)
{
    QByteArray bytes;
    if (!readBytes(path, bytes))
        return false;
    text = fromCp1252(bytes);
    return true;
}

bool readLines(const QString &path, QStringList &lines)
{
    QString text;
    if (!readAll(path, text))
        return false;
    lines.clear();
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        const bool last = end < 0;
        if (last)
            end = text.size();
        qsizetype stop = end;
        if (stop > start && text[stop - 1] == QLatin1Char('\r'))
            --stop;
        lines.append(text.mid(start, stop - start));
        start = end + 1;
    }
    return true;
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    // The write is buffered: a full disk shows only when the buffer is flushed, and commit()
    // would still rename the short file over the old one, so flush and check first.
    if (f.write(bytes) != bytes.size() || !f.flush() || f.error() != QFileDevice::NoError) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}

bool writeAll(const QString &path, const QString &text) { return writeBytes(path, toCp1252(text)); }

bool writeLines(const QString &path, const QStringList &lines)
{
    QString text;
    for (const QString &l : lines)
        text += l + QStringLiteral("\r\n");
    return writeAll(path, text);
}

} // namespace textfile

QString ResolveNoCase(const QString &path)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return path;
    const qsizetype p = path.lastIndexOf(QLatin1Char('/'));
    const QString folder = p < 0 ? QStringLiteral(".") : (p == 0 ? QStringLiteral("/") : path.left(p));
    const QString name = path.mid(p + 1);
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &e : entries)
        if (e.compare(name, Qt::CaseInsensitive) == 0)
            return (p < 0 ? QString() : path.left(p + 1)) + e;
    return path;
}
