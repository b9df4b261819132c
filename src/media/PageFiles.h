#pragma once
// Station page files: where the generator writes a page, how both windows save the text of
// their text box, how the editor loads a page, and the messages of these steps. Pages are
// Windows-1252 text with CR LF line ends. QtCore only.
#include <QString>
#include <QStringList>

namespace stations {

// The page file name of a generator name: the name upper-cased + ".HTM".
QString PageFileName(const QString &name);

// Where the generator writes the page of a name: radio folder (a separator ensured) + the page
// file name; an existing page whose name differs only in letter case is that page. False when the
// name would not give a plain file of the radio folder (empty, or holding "/" or ".."); path still
// receives the composed path for the messages.
bool PagePathFor(const QString &radioFolder, const QString &name, QString *path);

// Text of a text box as the page text: every paragraph or line separator and every line end
// (CR LF, LF, CR) becomes CR LF; everything else is kept as typed, no-break spaces included.
QString PageTextOf(const QString &rawText);

// Text the editor loads for a page: each line of the file followed by CR LF; empty when the file
// does not exist or cannot be read.
QString LoadPageText(const QString &path);

struct SaveResult {
    enum Status {
        Written,     // the file holds the text + CR LF
        BadName,     // the name was refused (see PagePathFor); nothing written
        Unencodable, // a character cannot be held by the page's code page; nothing written
        Failed,      // the file could not be written; an existing file is left unchanged
    };
    Status status = Failed;
    QString character; // Unencodable: the first such character
    int line = 0;      // Unencodable: its line, from 1

    bool ok() const { return status == Written; }
};

// Writes text + CR LF to path through a temporary file renamed over the page once complete.
SaveResult SavePageText(const QString &path, const QString &text);

// The "Fichier existant" question.
QString OverwriteQuestion(const QString &path);
// The "Erreur" message of a save that did not write, with the reason for a refused name or
// character on a second line.
QString SaveErrorText(const QString &path, const SaveResult &result);
// The "Supprimer un fichier radio" question.
QString DeleteQuestion(const QString &path);
// The "Erreur" message of a delete that failed.
QString DeleteErrorText(const QString &path);
// Caption of the now-playing window opened from a preview: for a page file name.
QString InfoCaption(const QString &pageFileName);

// Files of a folder matching any of the ";"-separated patterns (letter case ignored), names only,
// in alphabetical order ignoring case. A missing or unreadable folder gives an empty list.
QStringList ListFiles(const QString &folder, const QString &patterns);

extern const char kPagePatterns[]; // "*.htm;*.html"
extern const char kLogoPatterns[]; // "*.gif;*.jpg;*.jpeg"

} // namespace stations
