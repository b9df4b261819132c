#pragma once
// Path and file-name helpers shared by every window. The separator is the platform's ('/').
// The comparisons are plain character comparisons.
#include <QString>

// The part after the last separator; the whole path when there is none.
QString FileNameOf(const QString &path);
// The part after the last dot (the whole name when there is none); withDot puts a dot in front.
QString ExtensionOf(const QString &name, bool withDot);
// The path unchanged when it ends with a separator, else the path + separator ("" -> "/").
QString WithBackslash(const QString &path);
// True for an existing plain file (not a folder); any error gives false.
bool FileExists(const QString &path);
// Page names composed by the program (name + ".HTM") were found whatever their letter case on the
// first platform: returns the existing file of the same folder whose name matches ignoring case
// (an exact match first), or the path unchanged when none does.
QString ResolveNoCase(const QString &path);
