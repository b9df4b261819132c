#pragma once
// The window-free steps of start-up and shutdown. FrmMain runs them in order; each step that
// fails is skipped and start-up goes on with the next one.
#include "core/Globals.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace startup {

using ::kAppTitle;
inline const QString kFirstRunTitle = QStringLiteral("Installation de Tavilune");
// The first-run message: five lines separated by a carriage return.
QString FirstRunText();

// Reads "TempoRadio", "DossierRadio" and "DossierTV" into the program-wide values.
void ReadFolderSettings();

// The first-run path. When the radio folder is the program folder: if its "Radios" subfolder is
// missing, showMessage() runs and then startArchive(path of "Radios.exe") (not waited for);
// either way both folder settings are written (a failure is logged) and true is returned: the
// program must end.
bool HandleFirstRun(const std::function<void()> &showMessage,
                    const std::function<void(const QString &)> &startArchive);

// The recordings folder: the program folder's "Wav" subfolder; when the program folder is the
// user's own one (installed program), "Tavilune" in the user's music folder.
QString DefaultRecordingsFolder();
// Creates the recordings folder when missing and sets it as the program-wide value.
void PrepareRecordingsFolder();

struct Position {
    long top;  // twips
    long left; // twips
};
// Reads "DerPosition"; when it is 1, the saved window position ("Haut", "Gauche", twips) with a
// negative top or left replaced by 100.
std::optional<Position> SavedPosition();

// Reads the flags "FenVisible", "FenVisibleTV", "DerRadio", "NomRadio", "EcoEcran" into the
// program-wide values; returns the "EcoEcran" flag (1: screen saver forbidden).
int ReadFlags();

// "Tavilune : " + the current list's text when the NomRadio flag is 1, else "Tavilune".
QString TitleFor(bool nomRadio, bool radioMode, const QString &radioText, const QString &tvText);

// The status line while a station plays: "Lecture en cours : " + the station's name, then
// " — " + the stream's title when it announces one. Without a name, the engine's own text (which
// names the address), with the title after it.
QString PlayingStatusText(const QString &station, const QString &title, const QString &engineText);

// The remembered station's page: program folder + "Radios" + name + ".HTM".
QString LastStationPath(const QString &name);

// The favourites file "Favoris.lst" of the program folder, line by line; empty when missing.
QStringList ReadFavourites();


// Shutdown: "NomDerRadio" (trimmed radio list text) when DerRadio is 1; "Haut" and "Gauche"
// when DerPosition is 1 and the position is known (a Wayland desktop tells a program nothing of
// where its window is: the position saved on another desktop is then kept). False when the file
// could not be written: the log says so (with SettingsNotSavedText()), as no window is left to tell.
bool SaveOnShutdown(const QString &radioListText, long topTwips, long leftTwips, bool positionKnown = true);
// The log line of a settings file that could not be written.
QString SettingsNotSavedText(const QString &settingsFile);

} // namespace startup
