#pragma once
// TV list files ("*.TV"): a user's own channels, two lines per channel (the name, then the
// stream address), Windows-1252 text with CR LF line ends, characters the code page cannot hold
// as references (textfile::toListLine), no header and no separators. Leading
// and trailing blanks belong to the values.
#include <QString>
#include <QStringList>

struct TvList {
    QStringList names; // channel names
    QStringList links; // channel addresses, index-aligned with names

    qsizetype size() const { return names.size(); }
    bool isEmpty() const { return names.isEmpty(); }
    void clear()
    {
        names.clear();
        links.clear();
    }
    void append(const QString &name, const QString &link)
    {
        names.append(name);
        links.append(link);
    }
    friend bool operator==(const TvList &, const TvList &) = default;
};

// The filter of the dialogs that open TV lists.
inline constexpr const char *TvListFilter = "Fichiers liste (*.TV)|*.TV|Tous les fichiers (*.*)|*.*";
// The default list of the program folder.
inline constexpr const char *DefaultTvListName = "AutresTV.TV";

enum class TvListRead {
    Ok,
    CannotOpen,   // the file could not be opened or read; nothing was appended
    Incompatible, // the last name has no address line; the entries before it were appended
};

// Appends the file's channels to list, name line then address line until the end of the file.
TvListRead ReadTvList(const QString &path, TvList &list);

// Writes every channel (name line, address line), replacing the file only once the whole list is
// on disk. False when the path is empty, the file cannot be written, the two lists differ in
// length, or a value holds a line break (it would split the entry in the file); the old file is
// then left as it was.
bool WriteTvList(const QString &path, const TvList &list);
