#include "TitleJournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>

namespace journal {

namespace {
const QString kDateFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QString kSeparator = QStringLiteral(" - ");

// Splits CSV text into records of fields; a quoted field may hold separators and line ends.
// Lines without quotes (nearly all) are split directly.
std::vector<QStringList> records(const QByteArray &data)
{
    std::vector<QStringList> out;
    qsizetype at = 0;
    while (at < data.size()) {
        qsizetype end = data.indexOf('\n', at);
        if (end < 0)
            end = data.size();
        const QByteArrayView line = QByteArrayView(data).sliced(at, end - at);
        if (!line.contains('"')) {
            QByteArrayView l = line;
            if (l.endsWith('\r'))
                l.chop(1);
            if (!l.isEmpty()) {
                QStringList fields;
                qsizetype from = 0;
                for (qsizetype semi; (semi = l.indexOf(';', from)) >= 0; from = semi + 1)
                    fields << QString::fromUtf8(l.sliced(from, semi - from));
                fields << QString::fromUtf8(l.sliced(from));
                out.push_back(fields);
            }
            at = end + 1;
            continue;
        }
        // A record with quotes, which may go on over several lines.
        QStringList fields;
        QByteArray field;
        bool quoted = false;
        qsizetype i = at;
        for (; i < data.size(); ++i) {
            const char c = data.at(i);
            if (quoted) {
                if (c == '"' && i + 1 < data.size() && data.at(i + 1) == '"') {
                    field += c;
                    ++i;
                } else if (c == '"') {
                    quoted = false;
                } else {
                    field += c;
                }
            } else if (c == '"') {
                quoted = true;
            } else if (c == ';') {
                fields << QString::fromUtf8(field);
                field.clear();
            } else if (c == '\n') {
                break;
            } else if (c != '\r') {
                field += c;
            }
        }
        fields << QString::fromUtf8(field);
        out.push_back(fields);
        at = i + 1;
    }
    return out;
}

// "AAAA-MM-JJ HH:MM:SS", read without the general date parser.
QDateTime dateOf(const QString &text)
{
    if (text.size() != 19 || text[4] != QLatin1Char('-') || text[7] != QLatin1Char('-') || text[10] != QLatin1Char(' ')
        || text[13] != QLatin1Char(':') || text[16] != QLatin1Char(':'))
        return {};
    bool digits = true;
    const auto number = [&](int from, int length) {
        int v = 0;
        for (int i = from; i < from + length; ++i) {
            const char16_t c = text[i].unicode();
            digits &= c >= u'0' && c <= u'9';
            v = v * 10 + (c - u'0');
        }
        return v;
    };
    const QDate date(number(0, 4), number(5, 2), number(8, 2));
    const QTime time(number(11, 2), number(14, 2), number(17, 2));
    return digits && date.isValid() && time.isValid() ? QDateTime(date, time, Qt::UTC) : QDateTime();
}

} // namespace

QDateTime WallClock(const QDate &date, const QTime &time) { return QDateTime(date, time, Qt::UTC); }

namespace {
QString searchKey(const Entry &e)
{
    return FoldForSearch(e.when.toString(kDateFormat) + QLatin1Char(' ') + e.station + QLatin1Char(' ') + e.artist +
                         QLatin1Char(' ') + e.title);
}
} // namespace

void SplitTitle(const QString &text, QString &artist, QString &title)
{
    const QString t = text.trimmed();
    const qsizetype at = t.indexOf(kSeparator);
    if (at > 0) {
        artist = t.left(at).trimmed();
        title = t.mid(at + kSeparator.size()).trimmed();
    } else {
        artist.clear();
        title = t;
    }
}

QString ArtistTitle(const Entry &entry)
{
    return entry.artist.isEmpty() ? entry.title : entry.artist + kSeparator + entry.title;
}

QString CsvField(const QString &text)
{
    static const QString special = QStringLiteral(";\"\r\n");
    bool quote = false;
    for (QChar c : text)
        quote |= special.contains(c);
    if (!quote)
        return text;
    QString q = text;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString CsvLine(const Entry &entry)
{
    return entry.when.toString(kDateFormat) + QLatin1Char(';') + CsvField(entry.station) + QLatin1Char(';') +
           CsvField(entry.artist) + QLatin1Char(';') + CsvField(entry.title);
}

QList<Entry> ParseCsv(const QByteArray &data)
{
    QList<Entry> entries;
    bool first = true;
    for (const QStringList &r : records(data)) {
        if (first && r.join(QLatin1Char(';')) == kHeader) {
            first = false;
            continue;
        }
        first = false;
        if (r.size() != 4)
            continue;
        Entry e{dateOf(r[0]), r[1], r[2], r[3]};
        if (e.when.isValid())
            entries << e;
    }
    return entries;
}

QByteArray CsvText(const QList<Entry> &entries)
{
    QString text = kHeader + QStringLiteral("\r\n");
    for (const Entry &e : entries)
        text += CsvLine(e) + QStringLiteral("\r\n");
    return text.toUtf8();
}

QString FoldForSearch(const QString &text)
{
    bool ascii = true;
    for (QChar c : text)
        ascii &= c.unicode() < 0x80;
    if (ascii)
        return text.toLower();
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString out;
    out.reserve(decomposed.size());
    for (QChar c : decomposed) {
        const QChar::Category cat = c.category();
        if (cat != QChar::Mark_NonSpacing && cat != QChar::Mark_SpacingCombining && cat != QChar::Mark_Enclosing)
            out += c;
    }
    return out.toCaseFolded();
}

void Search::SetEntries(const QList<Entry> &oldestFirst)
{
    m_entries.assign(oldestFirst.rbegin(), oldestFirst.rend());
    m_keys.clear();
    m_keys.reserve(m_entries.size());
    for (const Entry &e : m_entries)
        m_keys.push_back(searchKey(e));
}

void Search::Prepend(const Entry &e)
{
    m_entries.insert(m_entries.begin(), e);
    m_keys.insert(m_keys.begin(), searchKey(e));
}

std::vector<int> Search::Filter(const QString &search) const
{
    const QStringList words = FoldForSearch(search).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    std::vector<int> kept;
    kept.reserve(m_entries.size());
    for (std::size_t i = 0; i < m_keys.size(); ++i) {
        bool all = true;
        for (const QString &w : words)
            if (!m_keys[i].contains(w)) {
                all = false;
                break;
            }
        if (all)
            kept.push_back(int(i));
    }
    return kept;
}

QUrl SearchUrl(const QString &address, const Entry &entry)
{
    const QString words = QString::fromLatin1(QUrl::toPercentEncoding((entry.artist + QLatin1Char(' ') + entry.title).simplified()));
    for (QString candidate : {address.trimmed(), kDefaultSearch}) {
        if (!candidate.contains(QStringLiteral("%s")))
            continue;
        candidate.replace(QStringLiteral("%s"), words);
        const QUrl url(candidate, QUrl::StrictMode);
        if (url.isValid() && (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http")))
            return url;
    }
    return {};
}

JournalModel::JournalModel(QObject *parent) : QAbstractTableModel(parent) {}

void JournalModel::SetEntries(const QList<Entry> &oldestFirst)
{
    beginResetModel();
    m_search.SetEntries(oldestFirst);
    m_shown = m_search.Filter(m_filter);
    endResetModel();
}

void JournalModel::Prepend(const Entry &entry)
{
    beginResetModel();
    m_search.Prepend(entry);
    m_shown = m_search.Filter(m_filter);
    endResetModel();
}

void JournalModel::SetFilter(const QString &text)
{
    if (text == m_filter)
        return;
    beginResetModel();
    m_filter = text;
    m_shown = m_search.Filter(text);
    endResetModel();
}

const Entry &JournalModel::EntryAt(int row) const { return m_search.Entries()[std::size_t(m_shown[std::size_t(row)])]; }

QList<Entry> JournalModel::Shown() const
{
    QList<Entry> out;
    out.reserve(qsizetype(m_shown.size()));
    for (auto it = m_shown.rbegin(); it != m_shown.rend(); ++it) // oldest first, as the file
        out << m_search.Entries()[std::size_t(*it)];
    return out;
}

int JournalModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_shown.size()); }

int JournalModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 4; }

QVariant JournalModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const Entry &e = EntryAt(index.row());
    switch (index.column()) {
    case 0: return QLocale().toString(e.when, QLocale::ShortFormat);
    case 1: return e.station;
    case 2: return e.artist;
    default: return e.title;
    }
}

QVariant JournalModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 3)
        return {};
    static const char16_t *names[] = {u"Heure", u"Radio", u"Artiste", u"Titre"};
    return QString::fromUtf16(names[section]);
}

} // namespace journal

TitleJournal::TitleJournal(QString fileName, QObject *parent)
    : QObject(parent), m_fileName(fileName.isEmpty() ? DefaultFileName() : std::move(fileName))
{
}

QString TitleJournal::DefaultFileName()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Tavilune/titres.csv");
}

QList<journal::Entry> TitleJournal::Load() const
{
    QFile f(m_fileName);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return journal::ParseCsv(f.readAll());
}

bool TitleJournal::Add(const QString &station, const QString &streamTitle, const QDateTime &when)
{
    const QString text = streamTitle.simplified();
    if (text.isEmpty() || (text == m_lastTitle && station == m_lastStation))
        return false;
    m_lastStation = station;
    m_lastTitle = text;
    const QTime t = when.time();
    journal::Entry e{journal::WallClock(when.date(), QTime(t.hour(), t.minute(), t.second())), station.simplified(), {}, {}};
    journal::SplitTitle(text, e.artist, e.title);

    if (m_lines < 0) {
        // Titles hold no line end, so the file has one line per title after its header.
        QFile existing(m_fileName);
        m_lines = existing.open(QIODevice::ReadOnly) ? std::max(0, int(existing.readAll().count('\n')) - 1) : 0;
    }
    QDir().mkpath(QFileInfo(m_fileName).absolutePath());
    QFile f(m_fileName);
    const bool fresh = !f.exists() || f.size() == 0;
    QByteArray line;
    if (fresh)
        line = (journal::kHeader + QStringLiteral("\r\n")).toUtf8();
    line += (journal::CsvLine(e) + QStringLiteral("\r\n")).toUtf8();
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append) || f.write(line) != line.size() || !f.flush()) {
        m_error = f.errorString();
        return false;
    }
    f.close();
    ++m_lines;
    if (m_lines > journal::kMaxLines && !trim())
        return false;
    emit added(e);
    return true;
}

// The newest titles only, written through a temporary file.
bool TitleJournal::trim()
{
    QList<journal::Entry> entries = Load();
    if (entries.size() > journal::kTrimmedLines)
        entries = entries.mid(entries.size() - journal::kTrimmedLines);
    QSaveFile out(m_fileName);
    const QByteArray text = journal::CsvText(entries);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit()) {
        m_error = out.errorString();
        return false;
    }
    m_lines = int(entries.size());
    return true;
}
