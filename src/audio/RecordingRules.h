#pragma once
// The rules the recording window follows, apart from its widgets: the status bar texts, the
// numbered file names of the auto-increment, the rate box keys, the browse filter and the ".wav"
// ending, the effect bits, the volume percentage and the duration count of each buffer.
//
// QtCore only; every function is free of shared state.
#include <QLocale>
#include <QString>
#include <QtGlobal>

namespace recording {

// Status bar texts.
inline const QString kSizePrefix = QStringLiteral("Taille : ");
inline const QString kDurationPrefix = QStringLiteral("Durée : ");
inline const QString kIdleSize = QStringLiteral("Taille : 0 Octet");
inline const QString kIdleDuration = QStringLiteral("Durée : 0:00");

// Size of a file of `bytes` bytes: below 1024 the plain number and " octets"; then Ko, Mo and Go
// (1024, 1048576, 1073741824 bytes) with `format` or by default "###0" for Ko and "###0.0" for
// Mo and Go; negative sizes give an empty text. A format is a digit-placeholder pattern: the
// characters after its '.' give the number of decimals, written with the locale's separator.
QString SizeText(qint64 bytes, const QString &format = QString(), const QLocale &locale = QLocale());

// Duration of `ms` milliseconds: whole seconds (rounded), minutes without a leading zero, ":",
// seconds on two digits (59 999 ms -> "1:00", 765 000 ms -> "12:45").
QString DurationText(qint64 ms);

// Auto-increment: folder + "Enreg_" + n on at least two digits + ".wav" for the first n = 1,
// 2, 3, ... for which nothing of that name exists (a folder counts too) and that is not `taken`
// (the file of a recording still being written). `folder` gets a trailing separator when it lacks one.
QString NextRecordingName(const QString &folder, const QString &taken = QString());

// The message when a recording ended because the sound server (server true) or the device went
// away: names the file that holds the sound captured before, or says nothing was recorded.
QString SoundLostText(bool server, const QString &fileName, bool recorded);

// The rate box takes Backspace and digits only, and no digit once its text has 5 characters.
// `key` is the character typed (Backspace is '\b').
bool RateKeyAccepted(const QString &currentText, QChar key);
inline constexpr int kRateMaxChars = 5;

// Browse: the filter "Wave ACM Encoder (*.wav)|*.wav" made from the encoder's description and
// extension (ui::QtNameFilter gives it in the form Qt's file dialogs take).
QString BrowseFilter(const QString &description, const QString &extension);
// The chosen name with ".wav" appended unless its last four characters are ".wav" (any case).
QString WithWavExtension(const QString &name);

// Player: the audio files the small player opens, in both forms.
inline const QString kPlayerFilter =
    QStringLiteral("Fichiers Audio (*.mp3, *.wav, *.mid, *.midi, *.rmi) | *.mp3; *.wav; *.mid; *.midi; *.rmi");

// Effect box `index` (0 echo, 1 phase shifter, 2 amplifier, 3 equalizer) ticked sets bit 2^index
// of `used`, unticked clears it. Indices outside 0 .. 3 change nothing.
qint32 EffectBits(qint32 used, int index, bool ticked);

// The volume label: fix(value / maximum × 100) followed by "%" ("50%").
QString VolumePercentText(int value, int maximum = 65535);

// Elapsed milliseconds after a buffer of `bytes` bytes at `bytesPerSecond`: the sum is rounded to
// a whole millisecond (halves to even) at every buffer. Unchanged when
// bytesPerSecond is not positive.
qint32 ElapsedAfterBuffer(qint32 elapsedMs, qint32 bytes, qint32 bytesPerSecond);

// A rate the effects processor accepts (1 .. 96000 Hz).
bool RateSupported(long rate);
// Warning shown when the rate box holds a rate the effects cannot run at.
inline const QString kRateRefused =
    QStringLiteral("Taux d'échantillonnage non pris en charge : choisissez entre 1 et 96000 Hz !");

} // namespace recording
