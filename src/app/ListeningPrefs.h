#pragma once
// What the preferences change in the sound of the program, and what the main window remembers of
// each station:
// - "Sortie audio": the sound server's output every player of the program plays to (the main
//   page, the TV window, the recording window's player...), stored by the output's name
//   (setting "SortieAudio", empty for the server's default). When that output goes away the
//   sound goes to the default output and message() says so once; when it comes back it is used
//   again. The server is asked only when an output other than the default is chosen, or when the
//   list is read.
// - "Égaliser le volume des stations" (setting "VolumeEgal"): the radios the main window plays
//   go through the player's real-time loudness filter (kLoudnessFilter).
// - The volume each radio was last heard at (set from the desktop's sound controls or by a wake-up
//   rise) is kept per station in "volumes.ini" beside the settings file (group [Volumes], one key
//   per station) and set again when the station is listened to.
//
// Thread contract: UI thread; the server's output events, which come on its connection's thread,
// are posted to this object.
#include "audio/AudioOutputs.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

class MediaEngine;

class ListeningPrefs : public QObject {
    Q_OBJECT
public:
    // dynaudnorm, its gain aimed at an RMS level (-20 dBFS) rather than the peak, frames of
    // 200 ms smoothed over 5 frames (gentle on music), at most +26 dB: two stations 12 dB apart
    // end 0.4 dB apart, for 1 ms of processor time a second of sound; it holds 1.2 s of sound
    // before the first comes out (bench_loudness; loudnorm evens as well at 30 times the cost,
    // holding 3 s).
    static constexpr const char *kLoudnessFilter = "lavfi=[dynaudnorm=f=200:g=5:m=20:r=0.1]";
    static constexpr const char *kEvenKey = "VolumeEgal";

    // engine: the main window's player (the one the loudness filter and the volumes apply to).
    // server: the sound server ("unix:/path"); empty for the user's.
    explicit ListeningPrefs(MediaEngine &engine, std::string server = {}, QObject *parent = nullptr);
    ~ListeningPrefs() override;

    // "Sortie audio :": the server's outputs, "Par défaut" first; only "Par défaut" when the
    // server does not answer.
    QList<audioout::Output> Outputs();
    QString Output() const; // the stored choice
    // Stores the choice and applies it at once.
    void SetOutput(const QString &name);
    // Applies the stored choice (the default when that output is not there).
    void ApplyOutput();

    bool EvenLoudness() const;
    void SetEvenLoudness(bool on);

    // The main window listens to `station` (its display name): the loudness filter is set for a
    // radio, and when restoreVolume, the volume the station was last heard at.
    void Listening(const QString &station, bool radio, bool restoreVolume);
    // The volume kept for a station, -1 when none.
    int StationVolume(const QString &station) const;
    // The file of the kept volumes.
    static QString VolumesFile();

signals:
    void message(const QString &text);

private:
    PulseCapture &pulse();
    void onVolume();
    void saveVolume();

    QPointer<MediaEngine> m_engine;
    std::string m_server;
    std::unique_ptr<PulseCapture> m_pulse;
    bool m_fallback = false; // the chosen output is gone; the default is used
    QString m_station;       // the radio the main window plays; empty for a TV page
    bool m_radio = false;
    QTimer m_volumeSettled;  // a volume is kept once it stopped changing (not the steps of a fade)
    int m_pendingVolume = -1; // ... this one
};
