#include "Settings.h"

#include "common/TextFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>

namespace settings {
namespace {

QString g_overridePath;
QString g_notice;       // the message not yet taken by TakeFileNotice()
QString g_toldAbout;    // the file a message was made for (one message per file)

// The program's settings take a few kilobytes; a larger file is not one it wrote.
constexpr qint64 kMaxFileBytes = 64 * 1024;

bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int hexValue(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }
bool isOctal(char c) { return c >= '0' && c <= '7'; }

// One line of the file as the settings reader cuts it: bytes [start, end), and the position of
// its '=' (-1 for none).
struct ReaderLine {
    qsizetype start;
    qsizetype end;
    qsizetype equals;
};

// Cuts the file into lines as the settings reader does: a line ends at a line end or at a ';'
// outside double quotes (a quoted value may run over several lines), a backslash takes the byte
// after it (a line end too) into the line, a line that starts with ';' is a comment.
QList<ReaderLine> readerLines(const QByteArray &d)
{
    QList<ReaderLine> lines;
    const qsizetype n = d.size();
    qsizetype pos = d.startsWith("\xef\xbb\xbf") ? 3 : 0;
    while (pos < n) {
        qsizetype start = pos;
        while (start < n && (d[start] == ' ' || d[start] == '\t' || d[start] == '\r' || d[start] == '\n'))
            ++start;
        if (start >= n)
            break;
        qsizetype i = start;
        if (d[start] == ';') {
            while (i < n && d[i] != '\n' && d[i] != '\r')
                ++i;
            pos = i;
            continue;
        }
        bool quoted = false;
        qsizetype equals = -1;
        for (; i < n; ++i) {
            const char c = d[i];
            if (c == '=') {
                if (!quoted && equals < 0)
                    equals = i;
            } else if (c == '\n' || c == '\r' || c == ';') {
                if (!quoted)
                    break;
            } else if (c == '"') {
                quoted = !quoted;
            } else if (c == '\\' && i + 1 < n) {
                ++i;
                if (i + 1 < n && ((d[i] == '\n' && d[i + 1] == '\r') || (d[i] == '\r' && d[i + 1] == '\n')))
                    ++i;
            }
        }
        lines.append({start, i, equals});
        pos = i;
    }
    return lines;
}

bool typedText(const QString &element)
{
    // "@@" starts a text that begins with "@": the program writes its own texts that way.
    return element.startsWith(QLatin1Char('@')) && !element.startsWith(QStringLiteral("@@"));
}

// True when the settings reader would decode the value, or one of the items of a value in list
// form ("a, b, c"), as typed data ("@Variant(...)", "@ByteArray(...)", "@Rect(...)"...): the
// value is unescaped as the reader does it (double quotes, "\x40", "\100", "\n"...) and split at
// the commas outside quotes. The program writes texts only, so such a value comes from a
// damaged or foreign file, and a "@Variant" can nest without end or reserve gigabytes.
bool typedValue(QByteArrayView v)
{
    static constexpr char kNamed[][2] = {{'a', '\a'}, {'b', '\b'}, {'f', '\f'}, {'n', '\n'},  {'r', '\r'}, {'t', '\t'},
                                         {'v', '\v'}, {'"', '"'},  {'?', '?'},  {'\'', '\''}, {'\\', '\\'}};
    const qsizetype n = v.size();
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < n && (v[i] == ' ' || v[i] == '\t'))
            ++i;
    };
    QString item;
    bool quoted = false;
    skipBlanks();
    while (i < n) {
        char c = v[i++];
        if (c == '\\') {
            if (i >= n)
                break;
            c = v[i++];
            bool named = false;
            for (const auto &e : kNamed) {
                if (c == e[0]) {
                    item += QLatin1Char(e[1]);
                    named = true;
                    break;
                }
            }
            if (named)
                continue;
            if (c == 'x' || isOctal(c)) {
                const bool hex = c == 'x';
                char16_t code = hex ? 0 : char16_t(c - '0');
                if (hex && (i >= n || !isHex(v[i])))
                    continue; // "\x" alone stands for nothing
                while (i < n && (hex ? isHex(v[i]) : isOctal(v[i])))
                    code = char16_t(hex ? (code << 4) + hexValue(v[i++]) : (code << 3) + (v[i++] - '0'));
                item += QChar(code);
            } else if ((c == '\n' || c == '\r') && i < n && (v[i] == '\n' || v[i] == '\r') && v[i] != c) {
                ++i; // a line end in two bytes
            }
            continue; // any other escaped byte stands for nothing
        }
        if (c == '"') {
            quoted = !quoted;
            if (!quoted)
                skipBlanks();
        } else if (c == ',' && !quoted) {
            if (typedText(item))
                return true;
            item.clear();
            skipBlanks();
        } else {
            // A byte of a UTF-8 sequence is never '@': the bytes stand for themselves here.
            item += QLatin1Char(c);
        }
    }
    return typedText(item);
}

enum class Verdict {
    Sound,   // the reader may read it as it is (or there is no file)
    Typed,   // some lines hold typed values; `kept` is the file without them
    Damaged, // not a file the program wrote: too large, bytes or line ends no text file has
};

Verdict checkFile(const QString &path, QByteArray *kept)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return Verdict::Sound;
    // A folder, a device or a pipe (reading one may never end), or a link to nothing.
    if (!info.isFile() || info.size() > kMaxFileBytes)
        return Verdict::Damaged;
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return Verdict::Sound; // the reader finds it unreadable too and starts empty
    const QByteArray text = in.read(kMaxFileBytes + 1);
    if (in.error() != QFileDevice::NoError)
        return Verdict::Sound;
    if (text.size() > kMaxFileBytes || text.contains('\0'))
        return Verdict::Damaged;
    // Line ends are LF or CR LF; a CR alone is read as a line end by the reader and by nothing
    // else the program has.
    for (qsizetype i = text.indexOf('\r'); i >= 0; i = text.indexOf('\r', i + 1))
        if (i + 1 >= text.size() || text[i + 1] != '\n')
            return Verdict::Damaged;
    if (!text.contains('@') && !text.contains('\\'))
        return Verdict::Sound;
    // The lines holding typed values are left out with their line end; every other byte stays.
    QByteArray rest;
    qsizetype from = 0;
    bool dropped = false;
    for (const ReaderLine &l : readerLines(text)) {
        if (l.equals < 0 || text[l.start] == '[')
            continue;
        if (!typedValue(QByteArrayView(text).sliced(l.equals + 1, l.end - l.equals - 1)))
            continue;
        rest += QByteArrayView(text).sliced(from, l.start - from);
        from = l.end;
        if (from < text.size() && text[from] == '\r')
            ++from;
        if (from < text.size() && text[from] == '\n')
            ++from;
        dropped = true;
    }
    if (!dropped)
        return Verdict::Sound;
    rest += QByteArrayView(text).sliced(from);
    *kept = rest;
    return Verdict::Typed;
}

// Renames the file to "<name>.<date and time>" beside it; the new name, or an empty text when it
// could not be renamed.
QString setAside(const QString &path)
{
    const QString stem = path + QLatin1Char('.') +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HH'h'mm'm'ss"));
    QString aside = stem;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
        aside = stem + QStringLiteral("-%1").arg(n);
    return QFile::rename(path, aside) ? aside : QString();
}

void tell(const QString &path, const QString &text)
{
    if (g_toldAbout == path)
        return; // once per file
    g_toldAbout = path;
    g_notice = text;
    qWarning("%s", qUtf8Printable(text));
}

// Makes the file safe for the settings reader before it reads it. A damaged file is set aside
// and the program starts from the defaults; a file with typed values is set aside too, and the
// file is written again without them. False when the file must not be read at all (it could not
// be set aside).
bool makeReadable(const QString &path)
{
    QByteArray kept;
    const Verdict verdict = checkFile(path, &kept);
    if (verdict == Verdict::Sound)
        return true;
    const QString aside = setAside(path);
    if (aside.isEmpty()) {
        tell(path, QStringLiteral("Le fichier des réglages « %1 » est endommagé et n'a pas pu être mis de côté.\n"
                                  "Tavilune utilise les réglages par défaut, sans pouvoir les enregistrer.")
                       .arg(path));
        return false;
    }
    if (verdict == Verdict::Typed) {
        if (textfile::writeBytes(path, kept)) {
            tell(path, QStringLiteral("Le fichier des réglages « %1 » contenait des valeurs illisibles, qui ont été "
                                      "retirées.\nLe fichier d'origine est conservé sous le nom « %2 ».")
                           .arg(path, aside));
            return true;
        }
    }
    tell(path, QStringLiteral("Le fichier des réglages « %1 » est endommagé : il est conservé sous le nom « %2 ».\n"
                              "Tavilune utilise les réglages par défaut.")
                   .arg(path, aside));
    return true;
}

QString userFile()
{
    // Where the store below keeps its file.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Tavilune/Tavilune.conf");
}

std::unique_ptr<QSettings> makeStore()
{
    const QString path = g_overridePath.isEmpty() ? userFile() : g_overridePath;
    if (!makeReadable(path))
        return std::make_unique<QSettings>(QString(), QSettings::IniFormat); // in memory only
    if (!g_overridePath.isEmpty())
        return std::make_unique<QSettings>(g_overridePath, QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Tavilune"), QStringLiteral("Tavilune"));
}

std::unique_ptr<QSettings> g_store; // made on first use

std::unique_ptr<QSettings> &store()
{
    if (!g_store)
        g_store = makeStore();
    return g_store;
}

QString fullKey(const QString &key) { return QStringLiteral("Settings/") + key; }

} // namespace

QString GetSetting(const QString &key, const QString &def)
{
    const QVariant v = store()->value(fullKey(key));
    if (!v.isValid())
        return def;
    return v.toString();
}

bool SaveSetting(const QString &key, const QString &value)
{
    store()->setValue(fullKey(key), value);
    return Flush();
}

bool HasSetting(const QString &key) { return store()->contains(fullKey(key)); }

bool Flush()
{
    std::unique_ptr<QSettings> &s = store();
    s->sync();
    if (s->status() == QSettings::NoError)
        return true;
    // A store keeps its error once it had one. It is made again with every value it held, the
    // unwritten ones included, so the values stay in use and the next write is tried afresh.
    QList<std::pair<QString, QVariant>> values;
    const QStringList keys = s->allKeys();
    for (const QString &k : keys)
        values.append({k, s->value(k)});
    s.reset();
    s = makeStore();
    for (const auto &[k, v] : values)
        s->setValue(k, v);
    return false;
}

void UseFile(const QString &iniPath)
{
    // The store in use writes what it holds; none is made (and no file checked) just for that.
    if (g_store)
        g_store->sync();
    g_store.reset();
    g_overridePath = iniPath;
    g_toldAbout.clear();
}

QString FilePath() { return g_overridePath.isEmpty() ? userFile() : g_overridePath; }

QString TakeFileNotice() { return std::exchange(g_notice, QString()); }

QString TrimSpaces(const QString &text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && text[b] == QLatin1Char(' '))
        ++b;
    while (e > b && text[e - 1] == QLatin1Char(' '))
        --e;
    return text.mid(b, e - b);
}

} // namespace settings

double Val(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    QString num;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        num += text[i++];
    const qsizetype digitsStart = num.size();
    while (i < n && text[i].isDigit() && text[i].unicode() < 128)
        num += text[i++];
    if (i < n && text[i] == QLatin1Char('.')) {
        num += text[i++];
        while (i < n && text[i].isDigit() && text[i].unicode() < 128)
            num += text[i++];
    }
    // At least one digit before or after the point.
    bool hasDigit = false;
    for (qsizetype k = digitsStart; k < num.size(); ++k)
        hasDigit |= num[k].isDigit();
    if (!hasDigit)
        return 0.0;
    if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
        QString exp = QStringLiteral("e");
        qsizetype j = i + 1;
        if (j < n && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-')))
            exp += text[j++];
        const qsizetype expDigits = j;
        while (j < n && text[j].isDigit() && text[j].unicode() < 128)
            exp += text[j++];
        if (j > expDigits)
            num += exp;
    }
    bool ok = false;
    const double v = num.toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
}

int ValInt16(const QString &text, bool *ok)
{
    const double r = std::nearbyint(Val(text)); // default rounding mode: halves to even
    const bool fits = r >= -32768.0 && r <= 32767.0;
    if (ok)
        *ok = fits;
    return fits ? static_cast<int>(r) : 0;
}

long ValLong(const QString &text)
{
    const double r = std::nearbyint(Val(text));
    if (r < std::numeric_limits<int>::min())
        return std::numeric_limits<int>::min();
    if (r > std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    return static_cast<long>(r);
}
