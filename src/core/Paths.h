#pragma once
// Path and file-name helpers shared by every window. The separator is the platform's ('/').
// The comparisons are plain character comparisons.
#include "common/TextFile.h" // ResolveNoCase

#include <QString>

// The part after the last separator; the whole path when there is none.
QString FileNameOf(const QString &path);
// The part after the last dot (the whole name when there is none); withDot puts a dot in front.
QString ExtensionOf(const QString &name, bool withDot);
// The path unchanged when it ends with a separator, else the path + separator ("" -> "/").
QString WithBackslash(const QString &path);
// True for an existing plain file (not a folder); any error gives false.
bool FileExists(const QString &path);
