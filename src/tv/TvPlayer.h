#pragma once
// The embedded player of the TV windows (their `WMP`): the picture and a row of controls
// (play/pause, stop, volume, full screen). Giving it an address starts playback at once; reading
// the address back gives what it holds; close() stops and releases the media.
//
// It owns its media engine, so starting it stops any other stream of the program. Full screen
// is the owner's business: the player asks for it (fullScreenRequested) on a double click on the
// picture or with its button, and for leaving it with Escape.
#include <QWidget>

class GlVideoView;
class MediaEngine;
class QSlider;
class QToolButton;

class TvPlayer : public QWidget {
    Q_OBJECT
public:
    explicit TvPlayer(QWidget *parent = nullptr);
    ~TvPlayer() override;

    // Plays address at once; an empty address stops and clears what the player holds.
    void setURL(const QString &address);
    QString URL() const { return m_url; }
    // Stops playback and lets the media go; the address is cleared.
    void close();

    // 0..100; the player starts at 50.
    void setVolume(int volume);
    int volume() const;

    // The full-screen state the owner applied.
    void setFullScreenShown(bool on);
    bool fullScreenShown() const { return m_fullScreen; }

    MediaEngine *engine() const { return m_engine; }
    GlVideoView *video() const { return m_video; }
    QToolButton *playPause() const { return m_playPause; }
    QToolButton *stopButton() const { return m_stop; }
    QToolButton *fullScreenButton() const { return m_fullScreenButton; }
    QSlider *volumeSlider() const { return m_volume; }

signals:
    void fullScreenRequested(bool on);

private:
    void togglePause();
    void updateButtons();

    MediaEngine *m_engine = nullptr;
    GlVideoView *m_video = nullptr;
    QToolButton *m_playPause = nullptr;
    QToolButton *m_stop = nullptr;
    QToolButton *m_fullScreenButton = nullptr;
    QSlider *m_volume = nullptr;
    QString m_url;
    bool m_fullScreen = false;
};
