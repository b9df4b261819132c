#pragma once
// The tooltip: at most 63 characters. The record carries them in Windows-1252, NUL-terminated;
// the notification area gets them as they are.
#include <QString>

namespace nimbrel::detail {

// How many characters a tooltip keeps.
inline constexpr int TipCharacters = 63;

// The first 63 characters of text. A character is what the reader sees as one: a letter with its
// accents, or a symbol outside the basic plane, is never cut in two.
QString TipText(const QString &text);

// Writes tip (at most 63 characters, see TipText) into szTip in Windows-1252 followed by a NUL
// (the rest is zeroed). A character Windows-1252 cannot hold becomes one '?'.
void FillTip(const QString &tip, char (&szTip)[64]);

} // namespace nimbrel::detail
