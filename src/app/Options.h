#pragma once
// The preferences: what the window shows when it opens, the steps and order of saving, and what
// closing reads back into the program-wide values.
#include <QString>
#include <functional>

namespace options {

// The setting behind each check box, Check1 to Check6.
inline constexpr const char *kCheckKeys[6] = {"FenVisible", "DerRadio", "DerPosition",
                                              "NomRadio",   "FenVisibleTV", "EcoEcran"};

struct Values {
    bool check[6] = {};   // Check1 .. Check6
    QString radioFolder;  // Text1
    QString tvFolder;     // Text2
};

// The stored values: a box is ticked when its flag reads 1 (the only value the program treats
// as on); a folder missing from the store reads as the program folder.
Values Load();

// What saving does beyond the settings store, supplied by the windows.
struct SaveActions {
    // Applies the screen-saver preference at once (true: the screen saver is held off).
    std::function<void(bool forbid)> applyScreenSaver;
    // Empties and refills the main window's radio / TV list from the folder.
    std::function<void(const QString &folder)> refillRadio;
    std::function<void(const QString &folder)> refillTv;
};

// Saving, in this order: the four flags FenVisible, DerRadio, DerPosition, NomRadio; both folders
// with surrounding spaces removed; EcoEcran, then the screen saver applied; the program-wide
// folders; FenVisibleTV; the radio list refilled when its folder differs from previousRadio, then
// the TV list when its folder differs from previousTv. False when the settings file could not be
// written (the values are in use all the same).
bool Save(const Values &v, const QString &previousRadio, const QString &previousTv, const SaveActions &act);

// The message of a save whose settings file could not be written.
QString SaveFailedText(const QString &settingsFile);
// Closing: reads FenVisible, DerRadio and NomRadio back into the program-wide flags.
void ReadBackOnClose();

// "NotifTitre": a desktop notification at each new stream title; off unless the flag reads 1.
inline constexpr const char *kTitleNotificationKey = "NotifTitre";
bool TitleNotificationsOn();
void SaveTitleNotifications(bool on);

// "FichierParTitre": "Enregistrer le flux" makes one file per title; off unless the flag reads 1.
inline constexpr const char *kOneFilePerTitleKey = "FichierParTitre";
bool OneFilePerTitleOn();
void SaveOneFilePerTitle(bool on);

// "RechercheWeb": the address "Chercher sur le web" of the title journal opens, "%s" standing for
// the words; empty (the journal's own default, a privacy-friendly search engine) when not set.
inline constexpr const char *kSearchAddressKey = "RechercheWeb";
QString SearchAddress();

// "DureeDiffere": the minutes of a radio kept for live pause and rewind (default 30; 0 turns
// it off; at most timeshift::MaxMinutes). "DureeGarder": the minutes "Garder les 5 dernières
// minutes" writes (default 5, at least 1, at most as many). Values that read as nothing
// sensible give the default.
inline constexpr const char *kTimeShiftKey = "DureeDiffere";
inline constexpr const char *kKeepKey = "DureeGarder";
inline constexpr int kDefaultTimeShiftMinutes = 30;
inline constexpr int kDefaultKeepMinutes = 5;
int TimeShiftMinutes();
int KeepMinutes();
// Stores both (clamped); false when the settings file could not be written.
bool SaveTimeShift(int timeShiftMinutes, int keepMinutes);

} // namespace options
