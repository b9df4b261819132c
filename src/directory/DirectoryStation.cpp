#include "DirectoryStation.h"

#include "common/TextFile.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QUrlQuery>

namespace directory {

const char kDefaultMirrors[] = "https://de1.api.radio-browser.info;https://de2.api.radio-browser.info;"
                               "https://fi1.api.radio-browser.info;https://all.api.radio-browser.info";
const char kMirrorsKey[] = "AnnuaireURL";

namespace {

constexpr int kMaxName = 120;
constexpr int kMaxFileName = 60;
constexpr int kMaxField = 200;

// Control characters (and the line and paragraph separators) out, blanks collapsed, trimmed,
// cut at max characters.
QString plainText(const QString &text, int max)
{
    QString out;
    out.reserve(qMin<qsizetype>(text.size(), max));
    for (const QChar c : text) {
        const bool blank = c.isSpace() || c.category() == QChar::Other_Control
                           || c.category() == QChar::Other_Format || c == QChar::LineSeparator
                           || c == QChar::ParagraphSeparator;
        if (blank) {
            if (!out.isEmpty() && !out.endsWith(QLatin1Char(' ')))
                out += QLatin1Char(' ');
        } else {
            out += c;
        }
    }
    out = out.trimmed();
    if (out.size() > max) {
        out.truncate(max);
        if (out.back().isHighSurrogate())
            out.chop(1);
        out = out.trimmed();
    }
    return out;
}

// A value of the answer as text: strings as they are, numbers written out, anything else empty.
QString textOf(const QJsonValue &v)
{
    if (v.isString())
        return v.toString();
    if (v.isDouble())
        return QString::number(v.toDouble(), 'g', 15);
    return QString();
}

int numberOf(const QJsonValue &v)
{
    double d = 0;
    if (v.isDouble())
        d = v.toDouble();
    else if (v.isString())
        d = v.toString().trimmed().toDouble();
    if (!(d > 0)) // negative, zero and NaN
        return 0;
    return d >= 2e9 ? 2000000000 : static_cast<int>(d);
}

QString webAddress(const QJsonValue &v)
{
    const QString address = textOf(v).trimmed();
    return IsWebAddress(address) ? address : QString();
}

// "a,b , c" as "a, b, c".
QString listOf(const QJsonValue &v)
{
    QStringList items;
    for (const QString &t : textOf(v).split(u',', Qt::SkipEmptyParts)) {
        const QString item = plainText(t, kMaxField);
        if (!item.isEmpty())
            items << item;
    }
    return plainText(items.join(QStringLiteral(", ")), kMaxField);
}

bool isUuid(const QString &text)
{
    if (text.isEmpty() || text.size() > 64)
        return false;
    for (const QChar c : text)
        if (!(c.isDigit() || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F') || c == u'-'))
            return false;
    return true;
}

} // namespace

bool IsWebAddress(const QString &address)
{
    if (address.isEmpty() || address.size() > 2048)
        return false;
    for (const QChar c : address)
        if (c.unicode() < 0x21 || c.unicode() == 0x7F)
            return false; // blanks and control characters never belong in an address
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    return scheme == u"http" || scheme == u"https";
}

SearchAnswer ParseSearchAnswer(const QByteArray &json)
{
    SearchAnswer answer;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray())
        return answer;
    answer.ok = true;
    const QJsonArray entries = doc.array();
    for (qsizetype i = 0; i < entries.size() && i < kMaxEntries; ++i) {
        const QJsonValue entry = entries.at(i);
        if (!entry.isObject()) {
            ++answer.refused;
            continue;
        }
        const QJsonObject o = entry.toObject();
        DirectoryStation s;
        s.name = plainText(textOf(o.value(u"name")), kMaxName);
        s.stream = webAddress(o.value(u"url"));
        if (s.stream.isEmpty())
            s.stream = webAddress(o.value(u"url_resolved"));
        if (s.name.isEmpty() || CleanFileName(s.name).isEmpty() || s.stream.isEmpty()) {
            ++answer.refused;
            continue;
        }
        const QString uuid = textOf(o.value(u"stationuuid")).trimmed();
        s.uuid = isUuid(uuid) ? uuid : QString();
        s.homepage = webAddress(o.value(u"homepage"));
        s.favicon = webAddress(o.value(u"favicon"));
        s.country = plainText(textOf(o.value(u"country")), kMaxField);
        s.language = listOf(o.value(u"language"));
        s.tags = listOf(o.value(u"tags"));
        s.codec = plainText(textOf(o.value(u"codec")), 20);
        s.bitrate = numberOf(o.value(u"bitrate"));
        s.votes = numberOf(o.value(u"votes"));
        answer.stations.append(s);
    }
    answer.refused += static_cast<int>(qMax<qsizetype>(0, entries.size() - kMaxEntries));
    return answer;
}

QStringList MirrorList(const QString &settingValue)
{
    QStringList out;
    // ";" as the settings say; blanks and commas too, since an unquoted ";" starts a comment in
    // the settings file.
    static const QRegularExpression separators(QStringLiteral("[;,\\s]+"));
    for (QString base : settingValue.split(separators, Qt::SkipEmptyParts)) {
        base = base.trimmed();
        while (base.endsWith(u'/'))
            base.chop(1);
        if (IsWebAddress(base) && !out.contains(base))
            out << base;
    }
    if (out.isEmpty() && settingValue != QLatin1String(kDefaultMirrors))
        return MirrorList(QString::fromLatin1(kDefaultMirrors));
    return out;
}

bool SearchQuery::isEmpty() const
{
    return name.trimmed().isEmpty() && country.trimmed().isEmpty() && language.trimmed().isEmpty()
           && tag.trimmed().isEmpty();
}

QUrl SearchUrl(const QString &base, const SearchQuery &q, int limit)
{
    QUrl url(base + QStringLiteral("/json/stations/search"));
    QUrlQuery query;
    const auto add = [&query](const char *key, const QString &value) {
        const QString v = value.trimmed();
        if (!v.isEmpty())
            query.addQueryItem(QString::fromLatin1(key), QString::fromUtf8(QUrl::toPercentEncoding(v)));
    };
    add("name", q.name);
    add("country", q.country);
    add("language", q.language);
    add("tag", q.tag);
    query.addQueryItem(QStringLiteral("order"), QStringLiteral("votes"));
    query.addQueryItem(QStringLiteral("reverse"), QStringLiteral("true"));
    query.addQueryItem(QStringLiteral("hidebroken"), QStringLiteral("true"));
    query.addQueryItem(QStringLiteral("limit"), QString::number(qBound(1, limit, kMaxEntries)));
    url.setQuery(query);
    return url;
}

QUrl ClickUrl(const QString &base, const QString &uuid)
{
    if (!isUuid(uuid))
        return QUrl();
    return QUrl(base + QStringLiteral("/json/url/") + uuid);
}

QString CleanFileName(const QString &name)
{
    QString out;
    for (const QChar c : plainText(name, 4 * kMaxFileName)) {
        if (c == u'/' || c == u'\\')
            out += u'-';
        else if (QStringView(u":*?\"<>|").contains(c))
            out += u' ';
        else
            out += c;
    }
    out = out.simplified();
    while (out.contains(QStringLiteral("..")))
        out.replace(QStringLiteral(".."), QStringLiteral("."));
    qsizetype start = 0;
    while (start < out.size() && (out[start] == u'.' || out[start] == u' ' || out[start] == u'-'))
        ++start;
    out = out.mid(start);
    if (out.size() > kMaxFileName) {
        out.truncate(kMaxFileName);
        if (out.back().isHighSurrogate())
            out.chop(1);
    }
    while (!out.isEmpty() && (out.back() == u'.' || out.back() == u' '))
        out.chop(1);
    return out;
}

QString EscapeHtml(const QString &text)
{
    QString out;
    out.reserve(text.size() + 16);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        switch (c.unicode()) {
        case '&': out += QStringLiteral("&amp;"); continue;
        case '<': out += QStringLiteral("&lt;"); continue;
        case '>': out += QStringLiteral("&gt;"); continue;
        case '"': out += QStringLiteral("&quot;"); continue;
        default: break;
        }
        char32_t code = c.unicode();
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            code = QChar::surrogateToUcs4(c, text[i + 1]);
            ++i;
        } else if (c.isSurrogate()) {
            continue; // a lone half of a pair stands for nothing
        } else if (textfile::firstNonCp1252(QString(c)) < 0) {
            out += c;
            continue;
        }
        out += QStringLiteral("&#%1;").arg(static_cast<uint>(code));
    }
    return out;
}

QString DescriptionOf(const DirectoryStation &s)
{
    QStringList parts;
    for (const QString &p : {s.country, s.language, s.tags})
        if (!p.isEmpty())
            parts << p;
    return plainText(parts.join(QStringLiteral(" - ")), kMaxField);
}

stations::PageFields PageFieldsFor(const DirectoryStation &s, const QString &logoFile)
{
    stations::PageFields f;
    f.title = EscapeHtml(s.name);
    f.stream = EscapeHtml(s.stream);
    f.siteOn = !s.homepage.isEmpty();
    f.site = EscapeHtml(s.homepage);
    f.logoOn = !logoFile.isEmpty();
    f.logo = logoFile; // a file name: the page writer escapes it in the address
    const QString description = DescriptionOf(s);
    f.descriptionOn = !description.isEmpty();
    f.description = EscapeHtml(description);
    f.player = stations::Player::WindowsMedia;
    return f;
}

QString LogoFileName(const QString &pageName, const QString &suffix)
{
    return pageName + QLatin1Char('.') + suffix;
}

QString LogoNotSavedText(const QString &path)
{
    return QStringLiteral("Le logo de la radio n'a pas pu être enregistré dans « %1 » : le disque est peut-être "
                          "plein ou le dossier protégé en écriture.\nLa page de la radio est créée sans logo.")
        .arg(path);
}

QString SearchingText() { return QStringLiteral("Recherche en cours..."); }

QString ResultText(int count)
{
    if (count <= 0)
        return QStringLiteral("Aucune radio trouvée");
    if (count == 1)
        return QStringLiteral("1 radio trouvée");
    return QStringLiteral("%L1 radios trouvées").arg(count);
}

QString AddedText(const QString &pageFileName) { return QStringLiteral("Radio ajoutée : ") + pageFileName; }

} // namespace directory
