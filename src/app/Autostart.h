#pragma once
// Starting with the session: the desktop entry "Tavilune.desktop" in the user's autostart folder
// ($XDG_CONFIG_HOME/autostart, ~/.config/autostart by default) that starts the program when the
// user logs in.
#include <QString>

namespace autostart {

// $XDG_CONFIG_HOME/autostart/Tavilune.desktop; an unset or relative XDG_CONFIG_HOME means
// ~/.config.
QString EntryPath();

// One command-line word of an Exec value: quoted when it holds a reserved character (or is
// empty), with '"', '`', '$' and '\' escaped inside the quotes and '%' doubled, then given the
// string escapes of the file format.
QString ExecWord(const QString &word);

// The entry's text for the program file. Empty when the path cannot be named in an Exec value
// (an equal sign in it).
QString EntryText(const QString &programPath);

// The program file as it runs now.
QString ProgramPath();

// True when the entry file exists.
bool Exists();
// Writes (or rewrites) the entry for the program file through a temporary file. False when it
// could not be written; an existing entry is then left as it was.
bool Write(const QString &programPath);
// Removes the entry; true when no entry is left.
bool Remove();
// The message when the entry could not be written (on) or removed (off).
QString FailedText(bool on);

} // namespace autostart
