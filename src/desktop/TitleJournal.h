#pragma once
// The title journal: every stream title heard, with its date and time and its station, in
// "$XDG_DATA_HOME/Tavilune/titres.csv".
//
// File: UTF-8, a header line "date;radio;artiste;titre", then one line per title, fields separated
// by ";" and quoted as CSV requires (a field holding ';', '"', CR or LF is put in double quotes,
// its quotes doubled), lines ended by CR LF, so that French spreadsheets open it directly. The
// date is "AAAA-MM-JJ HH:MM:SS" in local time. A title reading "Artist - Title" is split at the
// first " - "; otherwise the artist is empty. At most kMaxLines titles are kept: past that the
// oldest are dropped (the file is then rewritten through a temporary file).
//
// Thread contract: one thread (the user-interface thread); QtCore only.
#include <QAbstractTableModel>
#include <QDateTime>
#include <QUrl>
#include <QList>
#include <QObject>
#include <QLocale>
#include <QString>
#include <vector>

namespace journal {

inline constexpr int kMaxLines = 20000;
inline constexpr int kTrimmedLines = 19000; // what a trim keeps, so that trims stay rare
inline const QString kHeader = QStringLiteral("date;radio;artiste;titre");

// Times are the local wall-clock time as written in the file, held without a time zone (as UTC
// digits), so that reading 20 000 of them asks nothing of the system's zone files.
QDateTime WallClock(const QDate &date, const QTime &time);

struct Entry {
    QDateTime when; // WallClock
    QString station;
    QString artist;
    QString title;
    bool operator==(const Entry &) const = default;
};

// "Artist - Title" → artist and title; a text without " - " is a title alone.
void SplitTitle(const QString &text, QString &artist, QString &title);
// The text a user copies: "Artiste - Titre", or the title alone without an artist.
QString ArtistTitle(const Entry &entry);
// One line of the file, without its line end.
QString CsvLine(const Entry &entry);
QString CsvField(const QString &text);
// The entries of a journal file, oldest first; the header, blank lines and lines that are not
// four fields with a readable date are skipped.
QList<Entry> ParseCsv(const QByteArray &data);
// The file's text for these entries (header included).
QByteArray CsvText(const QList<Entry> &entries);

// Lower case without accents ("Édith Piaf" → "edith piaf"), for searching.
QString FoldForSearch(const QString &text);

// The journal's entries newest first, and those a search keeps: every word of the search must
// appear, case and accents ignored, in the time, station, artist or title.
class Search {
public:
    void SetEntries(const QList<Entry> &oldestFirst);
    void Prepend(const Entry &entry);
    const std::vector<Entry> &Entries() const { return m_entries; }
    // Indices into Entries() of what the search keeps, newest first.
    std::vector<int> Filter(const QString &search) const;

private:
    std::vector<Entry> m_entries; // newest first
    std::vector<QString> m_keys;  // folded text of each entry
};

// The address that searches the web for an entry: the user's address with "%s" standing for the
// words (artist and title, percent-encoded); an address without "%s", or not a web address, gives
// the default one.
inline const QString kDefaultSearch = QStringLiteral("https://duckduckgo.com/?q=%s");
QUrl SearchUrl(const QString &address, const Entry &entry);

// The journal as a table: columns "Heure", "Radio", "Artiste", "Titre", newest first, narrowed
// by a search text.
class JournalModel : public QAbstractTableModel {
public:
    explicit JournalModel(QObject *parent = nullptr);
    void SetEntries(const QList<Entry> &oldestFirst);
    void Prepend(const Entry &entry);
    void SetFilter(const QString &text);
    const Entry &EntryAt(int row) const;
    // The rows shown, oldest first (what an export writes).
    QList<Entry> Shown() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    Search m_search;
    QString m_filter;
    std::vector<int> m_shown;
};

} // namespace journal

class TitleJournal : public QObject {
    Q_OBJECT
public:
    // fileName: empty for the user's journal ("$XDG_DATA_HOME/Tavilune/titres.csv").
    explicit TitleJournal(QString fileName = QString(), QObject *parent = nullptr);
    static QString DefaultFileName();

    QString FileName() const { return m_fileName; }
    // Writes a title change down; false when there is nothing to write (an empty title, the same
    // title again on the same station) or when writing failed (LastError then says why).
    bool Add(const QString &station, const QString &streamTitle, const QDateTime &when = QDateTime::currentDateTime());
    QList<journal::Entry> Load() const;
    QString LastError() const { return m_error; }

signals:
    void added(const journal::Entry &entry);

private:
    bool trim();

    QString m_fileName;
    QString m_lastStation, m_lastTitle;
    int m_lines = -1; // titles in the file; -1 until counted
    QString m_error;
};
