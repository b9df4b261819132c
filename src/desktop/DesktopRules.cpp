#include "DesktopRules.h"

#include "common/TextFile.h"
#include "media/HtmlTags.h"
#include "TitleJournal.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>

namespace desktop {

TitleParts SplitArtistTitle(const QString &streamTitle)
{
    const QString text = streamTitle.trimmed();
    const qsizetype at = text.indexOf(QStringLiteral(" - "));
    if (at > 0) {
        const QString artist = text.left(at).trimmed();
        const QString title = text.mid(at + 3).trimmed();
        if (!artist.isEmpty() && !title.isEmpty())
            return {artist, title};
    }
    return {QString(), text};
}

QString PlaybackStatus(const NowPlaying &now)
{
    if (!now.active)
        return QStringLiteral("Stopped");
    return now.paused ? QStringLiteral("Paused") : QStringLiteral("Playing");
}

QString TrackId(const NowPlaying &now)
{
    if (!now.active)
        return QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");
    return QStringLiteral("/tavilune/track/%1").arg(qMax(0, now.track));
}

QVariantMap Metadata(const NowPlaying &now)
{
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"), TrackId(now));
    if (!now.active)
        return map;
    const TitleParts parts = SplitArtistTitle(now.streamTitle);
    // A stream without a title of its own shows the station's name as its title.
    const QString title = parts.title.isEmpty() ? now.station.trimmed() : parts.title;
    if (!title.isEmpty())
        map.insert(QStringLiteral("xesam:title"), title);
    if (!parts.artist.isEmpty())
        map.insert(QStringLiteral("xesam:artist"), QStringList{parts.artist});
    if (!now.station.trimmed().isEmpty())
        map.insert(QStringLiteral("xesam:album"), now.station.trimmed());
    if (!now.logoPath.isEmpty())
        map.insert(QStringLiteral("mpris:artUrl"), QString::fromLatin1(QUrl::fromLocalFile(now.logoPath).toEncoded()));
    return map;
}

int StepStation(int count, int current, int step)
{
    if (count <= 0)
        return -1;
    if (current < 0 || current >= count)
        current = step >= 0 ? -1 : count;
    const int next = (current + step % count + count) % count;
    return next;
}

QString PageLogo(const QString &pageText, const QString &pagePath)
{
    QString first, logo;
    for (const tavhtml::Tag &tag : tavhtml::scanTags(pageText)) {
        if (tag.closing || tag.name != QLatin1String("img"))
            continue;
        const QString src = tag.attribute(u"src").trimmed();
        if (src.isEmpty())
            continue;
        if (first.isEmpty())
            first = src;
        QString path = src;
        path.replace(QLatin1Char('\\'), QLatin1Char('/'));
        if (path.startsWith(QLatin1String("logo/"), Qt::CaseInsensitive)) {
            logo = src;
            break;
        }
    }
    QString src = logo.isEmpty() ? first : logo;
    if (src.isEmpty())
        return {};
    // Only pictures beside the page: no web address, no other scheme.
    if (src.contains(QStringLiteral("://")) || src.startsWith(QLatin1String("data:"), Qt::CaseInsensitive))
        return {};
    src.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString pageFolder = pagePath;
    pageFolder.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const QFileInfo page(pageFolder);
    // Hand-written pages name their pictures in any letter case.
    const QFileInfo picture(ResolveNoCase(
        QDir(page.absolutePath()).filePath(QUrl::fromPercentEncoding(src.toUtf8()))));
    if (!picture.isFile())
        return {};
    return QDir::cleanPath(picture.absoluteFilePath());
}

namespace {
// The first n characters of text, never cutting a surrogate pair.
QString leftChars(const QString &text, int n)
{
    if (n <= 0)
        return {};
    if (text.size() <= n)
        return text;
    if (text.at(n - 1).isHighSurrogate())
        --n;
    return text.left(n);
}
} // namespace

QString TrayTip(const QString &station, const QString &title, int limit)
{
    const QString name = station.trimmed();
    const QString song = title.trimmed();
    if (song.isEmpty() || name.isEmpty()) {
        const QString only = name.isEmpty() ? song : name;
        return leftChars(only, limit);
    }
    const QString sep = QStringLiteral(" - ");
    const QString full = name + sep + song;
    if (full.size() <= limit)
        return full;
    const QString ellipsis = QStringLiteral("...");
    const int room = limit - int(name.size() + sep.size() + ellipsis.size());
    if (room <= 0)
        return leftChars(name, limit);
    return name + sep + leftChars(song, room) + ellipsis;
}

namespace {
// text with the characters that file names cannot hold (/ \ : * ? " < > | and control
// characters) made '_', leading dots and surrounding spaces removed, and cut to at most maxChars
// characters and maxBytes bytes of UTF-8 (a file name holds 255 bytes), never inside a character.
QString safeNamePart(const QString &text, int maxChars, int maxBytes)
{
    QString name;
    name.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() < 32 || c.unicode() == 127 || QStringLiteral("/\\:*?\"<>|").contains(c))
            name += QLatin1Char('_');
        else
            name += c;
    }
    name = name.trimmed();
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    name = name.trimmed();
    if (name.size() > maxChars)
        name = leftChars(name, maxChars).trimmed();
    int bytes = 0, keep = 0;
    for (int i = 0; i < name.size(); ++i) {
        const char16_t c = name.at(i).unicode();
        bytes += c < 0x80 ? 1 : c < 0x800 ? 2 : QChar::isLowSurrogate(c) ? 1 : 3; // a pair is 4
        if (bytes > maxBytes)
            return leftChars(name, keep).trimmed();
        if (!QChar::isHighSurrogate(c))
            keep = i + 1;
    }
    return name;
}
} // namespace

QString RecordFileName(const QString &station, const QDateTime &when, const QString &extension)
{
    QString name = safeNamePart(station, 150, 180);
    if (name.isEmpty())
        name = QStringLiteral("Flux");
    return name + when.toString(QStringLiteral(" yyyy-MM-dd HH'h'mm.")) + extension;
}

QString TitleFileName(const QString &station, const QString &streamTitle, const QDateTime &when,
                      const QString &extension)
{
    QString artist, title;
    journal::SplitTitle(streamTitle, artist, title);
    title = safeNamePart(title, 200, 90);
    if (title.isEmpty())
        return RecordFileName(station, when, extension);
    QString name = safeNamePart(station, 150, 50);
    if (name.isEmpty())
        name = QStringLiteral("Flux");
    artist = safeNamePart(artist, 200, 60);
    if (!artist.isEmpty())
        name += QStringLiteral(" - ") + artist;
    return name + QStringLiteral(" - ") + title + QLatin1Char('.') + extension;
}

QString RecordExtension(const QString &codec, const QString &fileFormat)
{
    const QString c = codec.trimmed().toLower();
    const QString f = fileFormat.trimmed().toLower();
    // A container named by the stream keeps its codec as it is.
    if (f.contains(QLatin1String("mpegts")))
        return QStringLiteral("ts");
    if (f.contains(QLatin1String("mp4")) || f.contains(QLatin1String("mov")))
        return QStringLiteral("m4a");
    if (f == QLatin1String("asf"))
        return QStringLiteral("wma");
    if (c == QLatin1String("mp3") || c.startsWith(QLatin1String("mp3")))
        return QStringLiteral("mp3");
    if (c == QLatin1String("mp2"))
        return QStringLiteral("mp2");
    if (c == QLatin1String("aac") || c.startsWith(QLatin1String("aac")))
        return QStringLiteral("aac");
    if (c == QLatin1String("vorbis"))
        return QStringLiteral("ogg");
    if (c == QLatin1String("opus"))
        return QStringLiteral("opus");
    if (c == QLatin1String("flac"))
        return QStringLiteral("flac");
    if (c.startsWith(QLatin1String("wma")))
        return QStringLiteral("wma");
    return QStringLiteral("mka");
}

QString PartPath(const QString &path)
{
    const QFileInfo info(path);
    const QString extension = info.suffix();
    if (extension.isEmpty())
        return path + QStringLiteral(".part");
    return path.left(path.size() - extension.size()) + QStringLiteral("part.") + extension;
}

QString FreeRecordPath(const QString &folder, const QString &fileName)
{
    const QDir dir(folder);
    const QFileInfo name(fileName);
    const QString extension = name.suffix();
    const QString base = extension.isEmpty() ? fileName : fileName.left(fileName.size() - extension.size() - 1);
    const QString dot = extension.isEmpty() ? QString() : QStringLiteral(".") + extension;
    const auto taken = [](const QString &path) { return QFileInfo::exists(path) || QFileInfo(path).isSymLink(); };
    QString path = dir.filePath(base + dot);
    for (int n = 2; taken(path) || taken(PartPath(path)); ++n)
        path = dir.filePath(QStringLiteral("%1 (%2)%3").arg(base).arg(n).arg(dot));
    return path;
}

QString RecordSizeText(qint64 bytes, const QLocale &locale)
{
    const double b = static_cast<double>(qMax<qint64>(0, bytes));
    QString size;
    if (b < 1024.0 * 1024.0)
        size = locale.toString(qRound64(b / 1024.0)) + QStringLiteral(" ko");
    else if (b < 1024.0 * 1024.0 * 1024.0)
        size = locale.toString(b / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" Mo");
    else
        size = locale.toString(b / (1024.0 * 1024.0 * 1024.0), 'f', 2) + QStringLiteral(" Go");
    return QStringLiteral("Enregistrement : ") + size;
}

QString SleepRemainingText(qint64 msLeft, bool fading)
{
    if (fading)
        return QStringLiteral("Arrêt programmé : fondu en cours");
    const qint64 s = (qMax<qint64>(0, msLeft) + 999) / 1000;
    const qint64 h = s / 3600, m = (s / 60) % 60, sec = s % 60;
    const QString clock = h > 0 ? QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(sec, 2, 10, QLatin1Char('0'))
                                : QStringLiteral("%1:%2").arg(m).arg(sec, 2, 10, QLatin1Char('0'));
    return QStringLiteral("Arrêt programmé dans ") + clock;
}

QString DelayText(double seconds)
{
    const qint64 s = seconds > 0 && seconds < 1e9 ? qint64(seconds) : 0;
    const qint64 h = s / 3600, m = (s / 60) % 60, sec = s % 60;
    const QString clock = h > 0 ? QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(sec, 2, 10, QLatin1Char('0'))
                                : QStringLiteral("%1:%2").arg(m, 2, 10, QLatin1Char('0')).arg(sec, 2, 10, QLatin1Char('0'));
    return QStringLiteral("Différé : -") + clock;
}

TimeShiftMenu TimeShiftMenuState(bool active, bool paused, double delay, double behind, bool keeping)
{
    TimeShiftMenu m;
    if (!active)
        return m;
    // Within a second of a bound there is nothing to step to.
    m.pause = true;
    m.paused = paused;
    m.back = behind >= 1.0;
    m.forward = delay >= 1.0;
    m.live = delay >= 1.0 || paused;
    m.keep = !keeping && (behind >= 1.0 || delay >= 1.0);
    return m;
}

QString KeepMenuText(int minutes)
{
    if (minutes <= 1)
        return QStringLiteral("Garder la dernière minute");
    return QStringLiteral("Garder les %1 dernières minutes").arg(minutes);
}

QString KeptText(double seconds, const QString &fileName)
{
    const qint64 whole = seconds > 0 && seconds < 1e9 ? qRound64(seconds) : 0;
    if (whole < 60)
        return QStringLiteral("Les %1 dernières secondes sont enregistrées dans :\n%2").arg(QString::number(whole), fileName);
    const qint64 minutes = (whole + 30) / 60;
    if (minutes == 1)
        return QStringLiteral("La dernière minute est enregistrée dans :\n%1").arg(fileName);
    return QStringLiteral("Les %1 dernières minutes sont enregistrées dans :\n%2").arg(QString::number(minutes), fileName);
}

int FadeVolume(int startVolume, qint64 elapsedMs, qint64 fadeMs)
{
    const int start = qMax(0, startVolume);
    if (fadeMs <= 0 || elapsedMs >= fadeMs)
        return 0;
    if (elapsedMs <= 0)
        return start;
    const double left = 1.0 - static_cast<double>(elapsedMs) / static_cast<double>(fadeMs);
    return qBound(0, static_cast<int>(qRound(start * left)), start);
}

} // namespace desktop
