#pragma once
// The tooltip in the record: Windows-1252 text, at most 63 characters, NUL-terminated.
#include <QString>

namespace nimbrel::detail {

// Writes the first 63 characters of text into szTip followed by a NUL (the rest is zeroed).
// A character Windows-1252 cannot hold becomes '?'.
void FillTip(const QString &text, char (&szTip)[64]);

// The text of szTip up to its first NUL (at most 64 bytes are read).
QString TipText(const char (&szTip)[64]);

} // namespace nimbrel::detail
