#pragma once
// A widget that gives a media engine somewhere to draw its picture: a native child window handed
// to the engine (mpv's "wid"). Black while nothing plays. The engine is not owned; the view lets
// go of it when either goes away first.
#include <QPointer>
#include <QWidget>

class MediaEngine;

class VideoView : public QWidget {
    Q_OBJECT
public:
    explicit VideoView(QWidget *parent = nullptr);
    ~VideoView() override;

    // Hands this view's window to engine (nullptr: the engine plays sound only again).
    void Attach(MediaEngine *engine);
    MediaEngine *Engine() const;

private:
    QPointer<MediaEngine> m_engine;
};
