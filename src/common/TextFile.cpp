#include "TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
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

QString fromUtf8OrCp1252(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    return fromCp1252(bytes);
}

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

namespace {

// The character of a reference "&#digits;" at text[at], and the reference's length; 0 when
// there is none there.
qsizetype referenceAt(const QString &text, qsizetype at, char32_t *code)
{
    if (at + 3 >= text.size() || text[at] != QLatin1Char('&') || text[at + 1] != QLatin1Char('#'))
        return 0;
    char32_t value = 0;
    qsizetype i = at + 2;
    for (; i < text.size() && i < at + 9 && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i)
        value = value * 10 + char32_t(text[i].unicode() - '0');
    if (i == at + 2 || i >= text.size() || text[i] != QLatin1Char(';'))
        return 0;
    // No NUL, no line end (a line never splits), no half of a surrogate pair.
    if (value == 0 || value == '\n' || value == '\r' || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *code = value;
    return i + 1 - at;
}

QString reference(char32_t code) { return QStringLiteral("&#%1;").arg(static_cast<uint>(code)); }

} // namespace

QString toListLine(const QString &line)
{
    if (firstNonCp1252(line) < 0 && !line.contains(QStringLiteral("&#")))
        return line;
    QString out;
    out.reserve(line.size() + 16);
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        char32_t code = 0;
        if (c == QLatin1Char('&') && referenceAt(line, i, &code) > 0) {
            out += reference('&');
        } else if (c.isHighSurrogate() && i + 1 < line.size() && line[i + 1].isLowSurrogate()) {
            out += reference(QChar::surrogateToUcs4(c, line[i + 1]));
            ++i;
        } else if (c.isSurrogate()) {
            out += reference(0xFFFD);
        } else if (cp1252Byte(c.unicode()) < 0) {
            out += reference(c.unicode());
        } else {
            out += c;
        }
    }
    return out;
}

QString fromListLine(const QString &line)
{
    if (!line.contains(QStringLiteral("&#")))
        return line;
    QString out;
    out.reserve(line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        char32_t code = 0;
        if (const qsizetype length = referenceAt(line, i, &code)) {
            if (QChar::requiresSurrogates(code)) {
                out += QChar(QChar::highSurrogate(code));
                out += QChar(QChar::lowSurrogate(code));
            } else {
                out += QChar(char16_t(code)); // one code unit: a U+FEFF too stays a character
            }
            i += length - 1;
        } else {
            out += line[i];
        }
    }
    return out;
}

bool readListLines(const QString &path, QStringList &lines)
{
    if (!readLines(path, lines))
        return false;
    for (QString &l : lines)
        l = fromListLine(l);
    return true;
}

bool writeListLines(const QString &path, const QStringList &lines)
{
    QStringList encoded;
    encoded.reserve(lines.size());
    for (const QString &l : lines)
        encoded << toListLine(l);
    return writeLines(path, encoded);
}

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
