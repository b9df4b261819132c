#pragma once
// The rules behind the desktop integration: media-player properties for the session bus, the
// tray tooltip, stream recording names and sizes, the sleep timer's texts and fade. QtCore only;
// the services of DesktopServices.h and the main window apply them.
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QVariantMap>

namespace desktop {

// A stream title split the common "Artist - Title" way: the first " - " separates them. A title
// without that separator (or with an empty side) has no artist and is the title as a whole.
struct TitleParts {
    QString artist;
    QString title;
};
TitleParts SplitArtistTitle(const QString &streamTitle);

// What is playing, as the media-player properties describe it.
struct NowPlaying {
    bool active = false;  // a stream is starting, playing or reconnecting
    bool paused = false;
    QString station;      // the station's name as listed
    QString streamTitle;  // what the stream announces, may be empty
    QString logoPath;     // the station page's logo (a local file), may be empty
    int track = 0;        // increases with every new title or station
};

// "Playing", "Paused" or "Stopped". No player (nothing ever listened to) is "Stopped".
QString PlaybackStatus(const NowPlaying &now);

// The id of what plays: "/org/mpris/MediaPlayer2/TrackList/NoTrack" when nothing does, else
// "/tavilune/track/<n>".
QString TrackId(const NowPlaying &now);

// The metadata map: "mpris:trackid" (as text: the bus side turns it into an object path),
// "xesam:title", "xesam:artist" (a list, when the title names one), "xesam:album" (the station),
// "mpris:artUrl" (file:// address of the logo). Only the track id while nothing plays.
QVariantMap Metadata(const NowPlaying &now);

// The station count steps away from current in a list of count stations, going round at the
// ends; -1 for an empty list. A current outside the list starts from before the first
// (step 1 gives the first, step -1 the last).
int StepStation(int count, int current, int step);

// The logo of a station page: the first picture of the page whose source lies in its "logo"
// folder, or else its first picture, as a full path beside pagePath (the file name found in any
// letter case). Empty when the page shows
// no picture, the picture is not a local file, or it does not exist.
QString PageLogo(const QString &pageText, const QString &pagePath);

// The tray tooltip while a station plays: "<station> - <title>" (or the station alone), at most
// limit characters. When too long, the title is shortened (ending in "...") so that the station
// stays whole; a station longer than the limit alone is cut. A character outside the basic plane
// is never cut in two.
QString TrayTip(const QString &station, const QString &title, int limit = 63);

// The file name of a stream recording: "<station> AAAA-MM-JJ HHhMM.<ext>", with the characters
// that file names cannot hold (/ \ : * ? " < > | and control characters) made '_', leading dots
// and surrounding spaces removed; an empty station name becomes "Flux".
QString RecordFileName(const QString &station, const QDateTime &when, const QString &extension);

// The file name of one title of a stream recording: "<station> - <artiste> - <titre>.<ext>", or
// "<station> - <titre>.<ext>" for a title without an artist, split as the title journal splits
// titles, each part made safe as above and cut so that the name stays well within the 255 bytes
// a file name holds. A stream title without a title part gives RecordFileName(station, when, ...).
QString TitleFileName(const QString &station, const QString &streamTitle, const QDateTime &when,
                      const QString &extension);

// The extension a stream recording takes for the stream's codec and container as the player
// names them (libmpv's audio-codec-name and file-format): mp3, aac (ADTS), m4a (MP4), ogg
// (Vorbis), opus, flac, ts (an MPEG-TS container), wma... and mka for anything else, which holds
// every codec.
QString RecordExtension(const QString &codec, const QString &fileFormat);

// A free path in folder for a recording named fileName ("<name>.<ext>"): that name, or
// "<name> (2).<ext>", "<name> (3).<ext>"... when a file (or a link, even one that leads
// nowhere) has it or its working name "<name>.part.<ext>".
QString FreeRecordPath(const QString &folder, const QString &fileName);
// The working name of a recording path while it is written: "<name>.part.<ext>".
QString PartPath(const QString &path);

// The status line's part for a recording: "Enregistrement : 850 ko", "... 12,4 Mo", "... 1,25 Go".
QString RecordSizeText(qint64 bytes, const QLocale &locale = QLocale());

// The status line's part for the sleep timer: "Arrêt programmé dans 14:05" (minutes and
// seconds; "1:02:03" from one hour); while fading "Arrêt programmé : fondu en cours".
QString SleepRemainingText(qint64 msLeft, bool fading);

// The volume while the sound fades out: startVolume at elapsedMs 0, 0 at fadeMs, in a straight
// line on the player's volume scale (which already follows what the ear hears), rounded.
// Clamped to [0, startVolume]; a fade of no length is 0 at once.
int FadeVolume(int startVolume, qint64 elapsedMs, qint64 fadeMs);

// Live pause and rewind. The status line's part while behind live: "Différé : -01:05"
// (minutes and seconds, "-1:02:03" from an hour on; whole seconds, rounded down).
QString DelayText(double seconds);

// The entries of live pause and rewind, as the state of what plays enables them.
struct TimeShiftMenu {
    bool pause = false;   // "Pause" (checkable)
    bool paused = false;  // its check mark
    bool back = false;    // "Reculer de 30 s"
    bool forward = false; // "Avancer de 30 s"
    bool live = false;    // "Revenir au direct"
    bool keep = false;    // "Garder les 5 dernières minutes"
};
// active: a radio plays with its buffer; delay: seconds behind live; behind: seconds kept
// behind what is heard; keeping: a kept file is being written.
TimeShiftMenu TimeShiftMenuState(bool active, bool paused, double delay, double behind, bool keeping);

// The caption of the entry that keeps the last minutes: "Garder les 5 dernières minutes",
// "Garder la dernière minute".
QString KeepMenuText(int minutes);
// The notification once they are kept, after the seconds the file holds: "Les 5 dernières
// minutes sont enregistrées dans :\n<file name>" (whole minutes, rounded), "La dernière minute
// est ..." and, under a minute, "Les 42 dernières secondes sont ...".
QString KeptText(double seconds, const QString &fileName);

} // namespace desktop
