#pragma once
// The program as a media player of the desktop session (org.mpris.MediaPlayer2.tavilune): media
// keys and panel widgets read what plays and drive it. The root interface names the program,
// raises its window and quits; the player interface shows the playback status and the metadata
// of the stream and plays, stops and steps through the current list. A radio that plays with its
// live buffer (MediaEngine::timeShiftActive) pauses and seeks within what is kept: Position is
// the engine's playback time, Seek and SetPosition move within the buffer. Other streams neither
// pause nor seek: PlayPause stops or listens.
//
// It reads the engine's state and never makes the engine start its player: before the first
// Listen the status is "Stopped" with no metadata.
//
// Refresh contract: the player interface's properties are compared with those last announced,
// and the changed ones announced with org.freedesktop.DBus.Properties.PropertiesChanged, when
// the engine reports a change of state, stream title, volume or pause, and after SetVolume.
// Nothing else calls Refresh(): a change the engine does not report (the window's list or mode
// switched, and with it CanGoNext and CanGoPrevious) shows on the next read of the property and is
// announced with the engine's next change. Position is never announced (MPRIS readers ask
// for it); a Seek or SetPosition sends Seeked with the new position.
#include "DesktopRules.h"

#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QVariantMap>

#include "media/MediaEngine.h"
class PlayerLink;

class MprisService : public QObject {
    Q_OBJECT
public:
    static constexpr const char *ServiceName = "org.mpris.MediaPlayer2.tavilune";
    static constexpr const char *ObjectPath = "/org/mpris/MediaPlayer2";

    // engine: the main page's engine (not owned); link: the main window (must outlive this).
    MprisService(MediaEngine *engine, PlayerLink &link, QObject *parent = nullptr);
    ~MprisService() override;

    // Publishes the object and takes the service name on bus; false when either fails (no
    // session bus, or another instance holds the name).
    bool Register(const QDBusConnection &bus);

    // What the properties show now; the player interface's changing properties with the
    // metadata's track id as text.
    desktop::NowPlaying Now() const;
    QVariantMap PlayerProperties() const;

    // Compares the properties with those last announced and announces the changes (see the
    // contract above).
    void Refresh();

    // Operations of the player interface (also what the bus calls reach).
    void Play();
    void Stop();
    void PlayPause();
    void Pause();
    // offset in microseconds, from the position; SetPosition goes to position (microseconds)
    // when trackId names what plays now.
    void Seek(qlonglong offset);
    void SetPosition(const QString &trackId, qlonglong position);
    // The playback time in microseconds while the buffer is on, else 0.
    qlonglong Position() const;
    bool CanPause() const;
    void Next();
    void Previous();
    void Raise();
    void Quit();
    void SetVolume(double volume);

    PlayerLink &Link() const { return m_link; }
    MediaEngine *Engine() const { return m_engine; }

signals:
    // A seek was made: the new position (microseconds).
    void Seeked(qlonglong position);

private:
    void onTitle(const QString &title);
    void onState();

    QPointer<MediaEngine> m_engine;
    PlayerLink &m_link;
    QDBusConnection m_bus;
    bool m_registered = false;
    int m_track = 0;
    QString m_lastStation;
    QVariantMap m_announced;
};
