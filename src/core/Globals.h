#pragma once
// Program-wide values set at start-up and read directly by the other windows. Only the
// preferences window changes them while the program runs; the information address is written by
// whichever page view intercepted an information link.
#include <QString>

// The program's title: the main window's caption, the tray tip and the title of its messages.
inline const QString kAppTitle = QStringLiteral("Tavilune");

struct ProgramValues {
    int tempoRadio = 0;      // now-playing refresh period ("TempoRadio")
    QString radioFolder;     // "DossierRadio", or the program folder when empty
    QString tvFolder;        // "DossierTV", or the program folder when empty
    QString wavFolder;       // the program folder's "Wav" subfolder (installed: the music folder's "Tavilune")
    int derPosition = 0;     // flags: 1 means on
    int fenVisible = 0;
    int fenVisibleTV = 0;
    int derRadio = 0;
    int nomRadio = 0;
    QString nomDerRadio;     // last station name
    QString infoAddress;     // information address of the last information link followed
};

ProgramValues &G();

// Only web addresses are ever downloaded from an information link: true for an address that
// starts with "http://" or "https://" (in any letter case). Anything else is kept as the
// information address but never fetched.
bool InfoAddressFetchable(const QString &address);

// The program folder: the folder holding the program file (the build lays the shipped files
// beside it), or the user's own folder when that one cannot be written (ProgramFolder.h).
QString ProgramFolder();
// Points the program folder elsewhere (start-up, tests); an empty text restores the default.
// perUser tells that the folder is the user's own one standing in for a read-only program folder.
void SetProgramFolder(const QString &folder, bool perUser = false);
// True when the program folder is the user's own one (the program is installed read-only).
bool ProgramFolderIsPerUser();
