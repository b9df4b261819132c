#pragma once
// What the MP3 conversion window decides without a window: the preset list, when a conversion
// may start, the suggested output name, the texts of the progress bar and of the warnings.
//
// Paths use the platform's separator ('/'). Pure functions, any thread.
#include <QLocale>
#include <QString>

#include <array>
#include <chrono>
#include <cstdint>

inline const QString kMp3EncoderTitle = QStringLiteral("Tavilune : Conversion Wav --> Mp3 - [Encodeur LAME]");

struct Mp3Preset {
    QString caption;
    int32_t code; // the engine's preset code
};
// The sixteen choices in the order the list shows them.
const std::array<Mp3Preset, 16> &Mp3Presets();
// The entry selected when the window opens: "Qualité Standard (VBR 44.1kHz, 170-210kbps)", code 6.
inline constexpr int kDefaultPresetIndex = 3;

// The output may be written: no file of that name exists, its folder exists, and the name after
// the last separator has at least 3 characters.
bool Mp3OutputPathOk(const QString &path);
// A conversion may start: the source is an existing file and the output passes Mp3OutputPathOk.
bool Mp3EncodeAllowed(const QString &source, const QString &output);

// The name proposed by the save dialog: the source's file name without its last four characters
// ("essai.wav" → "essai"); a name shorter than that is proposed whole; empty for an empty source.
QString SuggestMp3Name(const QString &source);

// "Encodage en cours... 42,5%": one decimal with the locale's separator.
QString Mp3ProgressText(double percent, const QLocale &locale = QLocale());
inline const QString kMp3CancelledText = QStringLiteral("Encodage annulé");
inline const QString kEncodeCaption = QStringLiteral("&Encoder");
inline const QString kCancelCaption = QStringLiteral("Annuler");

// The engine's release date in the locale's long date format; empty when there is none.
QString ReleaseDateText(std::chrono::year_month_day date, const QLocale &locale = QLocale());

// The French warning for a failed conversion or a missing engine: what went wrong, then the
// error's number and its own description.
QString Mp3ErrorText(long number, const QString &description);
