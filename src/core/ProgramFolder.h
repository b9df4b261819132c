#pragma once
// Where the program keeps the files it writes and the user edits. Run from a folder the user can
// write (a build folder, a portable copy), that is the folder of the program file, as always.
// Installed into a folder the user cannot write (a package in /usr), it is a folder of the user's
// own, "$XDG_DATA_HOME/Tavilune", prepared on the first start with copies of the read-only files
// shipped beside the program. The rest of the program asks ProgramFolder() (Globals.h) and never
// knows which one it got.
#include <QString>
#include <QStringList>
#include <functional>

namespace programfolder {

// Answers whether the program may create and replace files in a folder.
using WritableCheck = std::function<bool(const QString &folder)>;

// The real answer: the file system's own write-access check (a read-only mount answers no even
// for the administrator); a folder under /usr outside /usr/local belongs to the package manager
// and answers no for everyone.
bool FolderWritable(const QString &folder);

// The folder of the program file, holding the shipped files.
QString ShippedFolder();
// The user's own program folder: "$XDG_DATA_HOME/Tavilune" (~/.local/share/Tavilune).
QString PerUserFolder();

// The one decision: the shipped folder when it can be written, else the per-user folder.
QString Decide(const QString &shipped, const QString &perUser, const WritableCheck &writable);

// The shipped files a program folder starts from: the idle page, the default TV list and the
// archive of the starter station folders.
const QStringList &ShippedFiles();

// Creates the per-user folder and copies into it each shipped file it lacks (a file already there,
// possibly edited by the user, is kept). The copies are writable by their owner; the archive stays
// executable. False when the folder cannot be made or a copy fails.
bool Prepare(const QString &shipped, const QString &perUser);

// Start-up: decides the folder, prepares it when it is the per-user one and makes it the program
// folder. When the per-user folder cannot be made the shipped folder stays in use. Returns the
// program folder.
QString Setup(const QString &shipped, const QString &perUser, const WritableCheck &writable);
// The same with the real folders and the real check.
QString Setup();

} // namespace programfolder
