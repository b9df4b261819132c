#include "Settings.h"

#include <QFile>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <cmath>
#include <limits>
#include <memory>
#include <utility>

namespace settings {
namespace {

QString g_overridePath;

// A value of the settings file that the settings reader would decode as typed data
// ("@Variant(...)", "@ByteArray(...)", "@Rect(...)"...), quoted or not. The program writes texts
// only (a text starting with "@" is written with the "@" doubled), so such a value comes from a
// damaged or foreign file, and a "@Variant" can make the decoder reserve gigabytes.
bool typedValue(const QByteArray &line)
{
    const int eq = line.indexOf('=');
    if (eq < 0)
        return false;
    int i = eq + 1;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '"'))
        ++i;
    return i + 1 < line.size() && line[i] == '@' && line[i + 1] != '@';
}

// Drops the lines holding typed values from the file before it is read (temporary file and
// rename: the file is never left half written); every other line stays as it was.
void dropTypedValues(const QString &path)
{
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly))
        return;
    const QByteArray text = in.readAll();
    in.close();
    if (!text.contains('@'))
        return;
    QByteArray kept;
    kept.reserve(text.size());
    bool dropped = false;
    for (const QByteArray &line : text.split('\n')) {
        if (typedValue(line)) {
            dropped = true;
            continue;
        }
        kept += line;
        kept += '\n';
    }
    if (!dropped)
        return;
    kept.chop(1); // the split added one line ending too many
    QSaveFile out(path);
    if (out.open(QIODevice::WriteOnly) && out.write(kept) == kept.size())
        out.commit();
}

std::unique_ptr<QSettings> makeStore()
{
    if (!g_overridePath.isEmpty()) {
        dropTypedValues(g_overridePath);
        return std::make_unique<QSettings>(g_overridePath, QSettings::IniFormat);
    }
    // Where the store below keeps its file.
    dropTypedValues(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                    QStringLiteral("/Tavilune/Tavilune.conf"));
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Tavilune"), QStringLiteral("Tavilune"));
}

std::unique_ptr<QSettings> &store()
{
    static std::unique_ptr<QSettings> s;
    if (!s)
        s = makeStore();
    return s;
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

void SaveSetting(const QString &key, const QString &value)
{
    store()->setValue(fullKey(key), value);
    Flush();
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
    if (store())
        store()->sync();
    store().reset();
    g_overridePath = iniPath;
}

QString FilePath() { return store()->fileName(); }

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
