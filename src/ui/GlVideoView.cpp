#include "GlVideoView.h"

#include "media/MediaEngine.h"
#include "media/MpvApi.h"

#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <mpv/render_gl.h>

namespace {

void *procAddress(void *, const char *name)
{
    QOpenGLContext *ctx = QOpenGLContext::currentContext();
    return ctx ? reinterpret_cast<void *>(ctx->getProcAddress(name)) : nullptr;
}

} // namespace

GlVideoView::GlVideoView(MediaEngine *engine, QWidget *parent) : QOpenGLWidget(parent), m_engine(engine)
{
    setMinimumSize(160, 90);
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (m_engine) {
        m_engine->setRenderedVideo(true);
        connect(m_engine, &MediaEngine::handleClosing, this, [this] {
            makeCurrent();
            freeRender();
            doneCurrent();
        }, Qt::DirectConnection);
        // The engine makes its player on its first play(): the picture needs a render context
        // before anything is loaded.
        connect(m_engine, &MediaEngine::handleCreated, this, [this] {
            if (!isValid())
                return; // made in initializeGL, when the view first shows
            makeCurrent();
            createRender();
            doneCurrent();
        }, Qt::DirectConnection);
    }
}

GlVideoView::~GlVideoView()
{
    makeCurrent();
    freeRender();
    doneCurrent();
}

void GlVideoView::freeRender()
{
    if (!m_render)
        return;
    // No update callback can come once this returns; video still playing is switched off.
    const MpvApi *api = MpvApi::Loaded(); // loaded: a render context exists
    api->render_context_set_update_callback(m_render, nullptr, nullptr);
    api->render_context_free(m_render);
    m_render = nullptr;
}

void GlVideoView::initializeGL()
{
    // A new OpenGL context (first show, or a new top-level window): the old render context went
    // with the old one.
    connect(context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] {
        makeCurrent();
        freeRender();
        doneCurrent();
    }, Qt::UniqueConnection);
    createRender();
}

void GlVideoView::createRender()
{
    const MpvApi *api = MpvApi::Loaded();
    if (m_render || !m_engine || !m_engine->mpvHandle() || !api)
        return;
    mpv_opengl_init_params glInit{&procAddress, nullptr};
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_API_TYPE, const_cast<char *>(static_cast<const char *>(MPV_RENDER_API_TYPE_OPENGL))},
        {MPV_RENDER_PARAM_OPENGL_INIT_PARAMS, &glInit},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    if (api->render_context_create(&m_render, m_engine->mpvHandle(), params) < 0) {
        m_render = nullptr;
        return;
    }
    api->render_context_set_update_callback(m_render, &GlVideoView::onUpdate, this);
}

void GlVideoView::onUpdate(void *self)
{
    auto *view = static_cast<GlVideoView *>(self);
    if (view->m_updatePending.exchange(true))
        return;
    QMetaObject::invokeMethod(view, [view] {
        view->m_updatePending = false;
        view->update();
    }, Qt::QueuedConnection);
}

void GlVideoView::paintGL()
{
    if (!m_render) {
        QOpenGLFunctions *f = context()->functions();
        f->glClearColor(0, 0, 0, 1);
        f->glClear(GL_COLOR_BUFFER_BIT);
        return;
    }
    const qreal dpr = devicePixelRatioF();
    mpv_opengl_fbo fbo{static_cast<int>(defaultFramebufferObject()), qRound(width() * dpr),
                       qRound(height() * dpr), 0};
    int flipY = 1;
    mpv_render_param params[] = {
        {MPV_RENDER_PARAM_OPENGL_FBO, &fbo},
        {MPV_RENDER_PARAM_FLIP_Y, &flipY},
        {MPV_RENDER_PARAM_INVALID, nullptr},
    };
    MpvApi::Loaded()->render_context_render(m_render, params);
    ++m_frames;
}

void GlVideoView::mouseDoubleClickEvent(QMouseEvent *event)
{
    emit doubleClicked();
    event->accept();
}

MediaEngine *GlVideoView::engine() const { return m_engine; }

bool GlVideoView::Available()
{
    static const bool available = [] {
        QOpenGLContext probe;
        return probe.create();
    }();
    return available;
}
