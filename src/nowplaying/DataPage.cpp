#include "DataPage.h"

#include "common/TextFile.h"
#include "core/Globals.h"

#include <QStringList>
#include <QUrl>
#include <cstring>

namespace nowplaying {

namespace {

const QString kRedirectHead = QStringLiteral(
    "<html><head><meta http-equiv=Content-Type content=text/html; charset=windows-1252>"
    "<meta http-equiv=Expires content=0><meta http-equiv=Pragma content=no-cache>"
    "<meta http-equiv=Cache-Control content=no-cache> <meta http-equiv=Refresh content=10; url=");
const QString kRedirectTail = QStringLiteral("><base target=_self></head></html>");

// Statement numbers of entry k's values and the names they are assigned to.
struct FieldPlace {
    Field field;
    int offset;          // from the entry's first statement
    const char *name;    // parent.NAME[k] = VALUE
    const char *prefix;  // display prefix
};
constexpr FieldPlace kFields[] = {
    {Title, 0, "titresPochettes", "Titre : "},
    {Album, 1, "albumsPochettes", "Album : "},
    {Performer, 2, "interpretesPochettes", "Auteur : "},
    {Release, 8, "sortiePochettes", "Sortie : "},
    {Label, 9, "labelPochettes", "Editeur : "},
};

QString Assignment(const char *name, int k)
{
    return QStringLiteral("parent.%1[%2] = ").arg(QLatin1String(name)).arg(k);
}

// Statement n of the page with its assignment removed, without copying the rest of the page.
// Only the first keep characters after the assignment are taken (it comes first).
QString Statement(const QStringList &parts, int n, const QString &assignment, qsizetype keep)
{
    QStringView value(parts[n]);
    value = value.left(keep + assignment.size() + 64);
    QString text = value.toString();
    text.remove(assignment);
    return text;
}

} // namespace

QString ShownField(const QString &value)
{
    if (value.size() <= kMaxFieldChars)
        return value;
    qsizetype keep = qMin<qsizetype>(value.size(), kMaxFieldChars - 1);
    if (keep > 0 && value.at(keep - 1).isHighSurrogate())
        --keep; // a character outside the basic plane is never cut in two
    return value.left(keep) + QChar(0x2026);
}

QString WithoutQuotesAndLineFeeds(QString text)
{
    text.remove(QLatin1Char('"'));
    text.remove(QLatin1Char('\n'));
    return text;
}

QString RedirectionTarget(const QString &page)
{
    QString text = WithoutQuotesAndLineFeeds(page);
    text.remove(kRedirectHead);
    text.remove(kRedirectTail);
    // The page's own line end (CR LF on some servers) is no part of the address.
    return text.trimmed();
}

QString SecondAddress(const QString &infoAddress, const QString &target)
{
    QString address = infoAddress;
    address.replace(QStringLiteral("/d_data.html"), QLatin1Char('/') + target);
    return address;
}

void ReadDataPage(const QString &page, TrackTexts &texts, CoverLabels &covers)
{
    const QStringList parts = WithoutQuotesAndLineFeeds(page).split(QLatin1Char(';'));
    for (int slot = 1; slot <= kSlots; ++slot) {
        const int k = 6 - slot;
        const int base = 43 + 13 * (k - 1);
        for (const FieldPlace &f : kFields) {
            const int n = base + f.offset;
            if (n >= parts.size())
                continue;
            const QString value = Statement(parts, n, Assignment(f.name, k), kMaxFieldChars + 1);
            texts.at(slot, f.field) = QLatin1String(f.prefix) + ShownField(value);
        }
    }
    for (int k = 1; k <= kSlots; ++k) {
        const int n = 16 + 2 * k;
        if (n < parts.size()) {
            // A cover path cut short would name another file: one too long is no cover.
            const QString value = Statement(parts, n, Assignment("imagesPochettesSrc", k), kMaxCoverChars + 1);
            covers.at(k) = value.size() > kMaxCoverChars ? QString() : value;
        }
        covers.at(k) = covers.at(k).trimmed();
    }
}

QString NewestTrack(const TrackTexts &texts)
{
    const auto value = [&texts](Field field) {
        QString text = texts.at(kSlots, field);
        for (const FieldPlace &f : kFields)
            if (f.field == field && text.startsWith(QLatin1String(f.prefix)))
                text.remove(0, qsizetype(strlen(f.prefix)));
        return text.trimmed();
    };
    const QString title = value(Title), performer = value(Performer);
    if (title.isEmpty())
        return {};
    return performer.isEmpty() ? title : performer + QStringLiteral(" - ") + title;
}

QString CoverAddress(const QString &base, const QString &label)
{
    if (InfoAddressFetchable(label))
        return label;
    if (label.startsWith(QLatin1Char('/')))
        return base + label;
    return base + QLatin1Char('/') + label;
}

QString CoverBase(const QString &configured, const QString &infoAddress)
{
    QString base = configured.trimmed();
    if (InfoAddressFetchable(base) && QUrl(base).isValid() && !QUrl(base).host().isEmpty()) {
        while (base.endsWith(QLatin1Char('/')))
            base.chop(1);
        return base;
    }
    const QUrl info(infoAddress);
    if (!InfoAddressFetchable(infoAddress) || !info.isValid() || info.host().isEmpty())
        return QString();
    return info.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment |
                         QUrl::RemoveUserInfo)
        .toString(QUrl::FullyEncoded);
}

} // namespace nowplaying
