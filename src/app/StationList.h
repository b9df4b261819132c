#pragma once
// Station lists: the pages "*.htm" / "*.html" of a station folder, in alphabetical order ignoring
// case, pop-up pages left out, each with its display name (the file name without its last dot and
// extension). The two lists a window fills from it stay parallel.
#include <QString>
#include <QVector>

struct StationEntry {
    QString fileName;    // as on disk, e.g. "RADIO X.HTM"
    QString displayName; // e.g. "RADIO X"
};

// True for the pages that are never listed: names ending, lower-cased, in "popup.htm" or
// "popup.html".
bool IsPopupPage(const QString &fileName);
// Display name of a page file name.
QString DisplayNameOf(const QString &fileName);
// The listed pages of a folder; an unreadable or missing folder gives an empty list. Pop-up pages
// are left out unless leaveOutPopups is false (the preferences' refill keeps them).
QVector<StationEntry> ListStations(const QString &folder, bool leaveOutPopups = true);
