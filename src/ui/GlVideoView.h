#pragma once
// The picture of a media engine, drawn with libmpv's render API into an OpenGL widget, so video
// shows inside the window on X11 and Wayland alike.
//
// Ownership: the view owns the mpv render context, made on its engine's handle when both exist
// (the OpenGL context when the view first shows, the handle on the engine's first play()) and freed before whichever goes first: the view, its OpenGL context
// (re-created when the widget changes top-level window) or the engine's handle
// (MediaEngine::handleClosing). The engine plays sound only while no render context exists.
//
// Threads: mpv calls the update callback on its own threads; it only posts one queued update()
// to the view. Everything else runs on the UI thread.
#include <QOpenGLWidget>
#include <QPointer>
#include <atomic>

class MediaEngine;
struct mpv_render_context;

class GlVideoView : public QOpenGLWidget {
    Q_OBJECT
public:
    // Selects the engine's rendered video output. Either the view or the engine may be destroyed
    // first.
    explicit GlVideoView(MediaEngine *engine, QWidget *parent = nullptr);
    ~GlVideoView() override;

    MediaEngine *engine() const;
    // True when the platform can make OpenGL contexts (not so on the offscreen platform, where a
    // view would have nothing to draw with).
    static bool Available();
    // True while a render context exists (the picture can be drawn).
    bool hasRenderContext() const { return m_render != nullptr; }
    // Paints made through the render context since the view was made (tests, diagnostics).
    int framesDrawn() const { return m_frames; }

signals:
    void doubleClicked();

protected:
    void initializeGL() override;
    void paintGL() override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    static void onUpdate(void *self);
    void createRender();
    void freeRender();

    QPointer<MediaEngine> m_engine;
    mpv_render_context *m_render = nullptr;
    std::atomic_bool m_updatePending{false};
    int m_frames = 0;
};
