#include "TvPlayer.h"

#include "media/MediaEngine.h"
#include "ui/GlVideoView.h"
#include "ui/PictureButton.h"

#include <QHBoxLayout>
#include <QShortcut>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The look of the window's picture buttons.
const ui::ButtonLook kButtons{.autoRaise = true};

} // namespace

TvPlayer::TvPlayer(QWidget *parent) : QWidget(parent)
{
    m_engine = new MediaEngine(this);
    m_video = new GlVideoView(m_engine, this);
    m_video->setAccessibleName(QStringLiteral("Image"));

    m_playPause = ui::PictureButton(this, QStyle::SP_MediaPause, QStringLiteral("Pause"), kButtons);
    m_stop = ui::PictureButton(this, QStyle::SP_MediaStop, QStringLiteral("Arrêt"), kButtons);
    m_fullScreenButton = ui::PictureButton(this, QStyle::SP_TitleBarMaxButton, QStringLiteral("Plein écran"), kButtons);
    m_volume = new QSlider(Qt::Horizontal, this);
    m_volume->setRange(0, 100);
    m_volume->setToolTip(QStringLiteral("Volume"));
    m_volume->setAccessibleName(QStringLiteral("Volume"));
    m_volume->setMaximumWidth(120);

    auto *controls = new QHBoxLayout;
    controls->setContentsMargins(0, 0, 0, 0);
    controls->addWidget(m_playPause);
    controls->addWidget(m_stop);
    controls->addStretch(1);
    controls->addWidget(m_volume);
    controls->addWidget(m_fullScreenButton);
    auto *box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(2);
    box->addWidget(m_video, 1);
    box->addLayout(controls);

    connect(m_playPause, &QToolButton::clicked, this, &TvPlayer::togglePause);
    connect(m_stop, &QToolButton::clicked, this, [this] {
        m_engine->stop();
        updateButtons();
    });
    connect(m_volume, &QSlider::valueChanged, m_engine, &MediaEngine::setVolume);
    connect(m_fullScreenButton, &QToolButton::clicked, this,
            [this] { emit fullScreenRequested(!m_fullScreen); });
    connect(m_video, &GlVideoView::doubleClicked, this,
            [this] { emit fullScreenRequested(!m_fullScreen); });
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] {
        if (m_fullScreen)
            emit fullScreenRequested(false);
    });
    connect(m_engine, &MediaEngine::stateChanged, this, &TvPlayer::updateButtons);
    setVolume(50);
    updateButtons();
}

TvPlayer::~TvPlayer() { m_engine->stop(); }

void TvPlayer::setURL(const QString &address)
{
    m_url = address;
    if (address.isEmpty())
        m_engine->stop();
    else
        m_engine->play(address);
    updateButtons();
}

void TvPlayer::close()
{
    m_url.clear();
    m_engine->stop();
    updateButtons();
}

void TvPlayer::setVolume(int volume)
{
    m_volume->setValue(qBound(0, volume, 100));
    m_engine->setVolume(m_volume->value());
}

int TvPlayer::volume() const { return m_volume->value(); }

void TvPlayer::setFullScreenShown(bool on)
{
    m_fullScreen = on;
    m_fullScreenButton->setIcon(style()->standardIcon(on ? QStyle::SP_TitleBarNormalButton
                                                         : QStyle::SP_TitleBarMaxButton));
    const QString tip = on ? QStringLiteral("Quitter le plein écran") : QStringLiteral("Plein écran");
    m_fullScreenButton->setToolTip(tip);
    m_fullScreenButton->setAccessibleName(tip);
}

void TvPlayer::togglePause()
{
    const auto state = m_engine->state();
    if (state == MediaEngine::State::Idle || state == MediaEngine::State::Failed) {
        // Play again what the player holds.
        if (!m_url.isEmpty())
            m_engine->play(m_url);
    } else {
        m_engine->setPaused(!m_engine->isPaused());
    }
    updateButtons();
}

void TvPlayer::updateButtons()
{
    const auto state = m_engine->state();
    const bool running = state != MediaEngine::State::Idle && state != MediaEngine::State::Failed;
    const bool showPause = running && !m_engine->isPaused();
    m_playPause->setIcon(style()->standardIcon(showPause ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    const QString tip = showPause ? QStringLiteral("Pause") : QStringLiteral("Lecture");
    m_playPause->setToolTip(tip);
    m_playPause->setAccessibleName(tip);
    m_playPause->setEnabled(running || !m_url.isEmpty());
    m_stop->setEnabled(running);
}
