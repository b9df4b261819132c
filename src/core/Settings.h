#pragma once
// The settings store: text values under the application "Tavilune", section "Settings", in
// ~/.config/Tavilune/Tavilune.conf. Values are always written as text and read back as text;
// numbers go through Val(), the lenient leading-number conversion.
#include <QString>

namespace settings {

// Value of a key, or def when the key is not stored.
QString GetSetting(const QString &key, const QString &def = QString());
// Stores the text under the key and writes the file: the result of Flush().
bool SaveSetting(const QString &key, const QString &value);
// True when the key is stored (an empty text counts as stored).
bool HasSetting(const QString &key);
// Writes pending changes to disk. False when the file could not be written (full device,
// folder that cannot be written): the file keeps its previous content, the values stay in use
// and the next write tries again.
bool Flush();

// Before the store reads its file, the file is checked: one too large for a settings file, with
// bytes or line ends that no text file of the program has (NUL, a CR alone), or that is no
// regular file, is renamed "Tavilune.conf.<date and time>" and the defaults are used; lines
// whose value the settings reader would decode as typed data ("@Variant(...)", in list form too)
// are removed, the original kept under that name. The message for the user about it, in French,
// once; empty when there is none. Taking it empties it.
QString TakeFileNotice();

// Uses another settings file (tests); an empty path goes back to the user's store.
void UseFile(const QString &iniPath);
// The file the store lives in.
QString FilePath();

// Leading and trailing spaces removed (other blanks are kept), as values are stored.
QString TrimSpaces(const QString &text);

} // namespace settings

// Lenient leading-number conversion: leading blanks skipped, then an optional sign, digits and
// an optional fraction and exponent; whatever follows is ignored. Text that does not start with a
// number gives 0 ("12abc" -> 12, "abc" -> 0, " -3.5x" -> -3.5, "" -> 0).
double Val(const QString &text);

// Val() rounded to a whole number, halves to even; ok is false when the result does not fit in
// 16 bits (the value is then 0).
int ValInt16(const QString &text, bool *ok = nullptr);
// Val() rounded to a whole number, halves to even, clamped to the 32-bit range.
long ValLong(const QString &text);
