#include "VideoView.h"

#include "media/MediaEngine.h"

#include <QPalette>

VideoView::VideoView(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_DontCreateNativeAncestors);
    setAttribute(Qt::WA_NativeWindow);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::black);
    setPalette(p);
    setAutoFillBackground(true);
    setMinimumSize(160, 90);
}

// The engine sees the native window go away (and stops) while the base class destroys it.
VideoView::~VideoView() = default;

void VideoView::Attach(MediaEngine *engine)
{
    if (m_engine && m_engine != engine)
        m_engine->setVideoWindow(nullptr);
    m_engine = engine;
    if (m_engine) {
        winId(); // creates the native window
        m_engine->setVideoWindow(windowHandle());
    }
}

MediaEngine *VideoView::Engine() const { return m_engine; }
