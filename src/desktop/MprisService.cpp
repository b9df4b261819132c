#include "MprisService.h"

#include "media/MediaEngine.h"
#include "PlayerLink.h"

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QStringList>
#include <QTimer>

namespace {

bool active(const MediaEngine *engine)
{
    if (!engine)
        return false;
    switch (engine->state()) {
    case MediaEngine::State::Connecting:
    case MediaEngine::State::Playing:
    case MediaEngine::State::Reconnecting:
        return true;
    case MediaEngine::State::Idle:
    case MediaEngine::State::Failed:
        break;
    }
    return false;
}

// The metadata as the bus carries it: the track id is an object path.
QVariantMap busMetadata(const QVariantMap &metadata)
{
    QVariantMap map = metadata;
    const QString id = map.value(QStringLiteral("mpris:trackid")).toString();
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(id)));
    return map;
}

} // namespace

// org.mpris.MediaPlayer2
class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool CanSetFullscreen READ CanSetFullscreen)
    Q_PROPERTY(bool Fullscreen READ Fullscreen)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    explicit MprisRootAdaptor(MprisService *service) : QDBusAbstractAdaptor(service), m_service(service) {}
    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool CanSetFullscreen() const { return false; }
    bool Fullscreen() const { return false; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QStringLiteral("Tavilune"); }
    QString DesktopEntry() const { return QStringLiteral("tavilune"); }
    QStringList SupportedUriSchemes() const { return {}; }
    QStringList SupportedMimeTypes() const { return {}; }
public slots:
    void Raise() { m_service->Raise(); }
    void Quit() { m_service->Quit(); }

private:
    MprisService *m_service;
};

// org.mpris.MediaPlayer2.Player
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoNext)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)
public:
    explicit MprisPlayerAdaptor(MprisService *service) : QDBusAbstractAdaptor(service), m_service(service)
    {
        connect(service, &MprisService::Seeked, this, &MprisPlayerAdaptor::Seeked);
    }
    QString PlaybackStatus() const { return desktop::PlaybackStatus(m_service->Now()); }
    QVariantMap Metadata() const { return busMetadata(desktop::Metadata(m_service->Now())); }
    double Volume() const { return m_service->Engine() ? m_service->Engine()->volume() / 100.0 : 1.0; }
    void SetVolume(double v) { m_service->SetVolume(v); }
    qlonglong Position() const { return m_service->Position(); }
    double Rate() const { return 1.0; }
    void SetRate(double) {}
    bool CanGoNext() const { return m_service->Link().CanStep(); }
    bool CanPlay() const { return true; }
    bool CanPause() const { return m_service->CanPause(); }
    bool CanSeek() const { return m_service->CanPause(); }
    bool CanControl() const { return true; }
public slots:
    void Play() { m_service->Play(); }
    void Pause() { m_service->Pause(); }
    void PlayPause() { m_service->PlayPause(); }
    void Stop() { m_service->Stop(); }
    void Next() { m_service->Next(); }
    void Previous() { m_service->Previous(); }
    void Seek(qlonglong offset) { m_service->Seek(offset); }
    void SetPosition(const QDBusObjectPath &track, qlonglong position) { m_service->SetPosition(track.path(), position); }
    void OpenUri(const QString &) {}
signals:
    void Seeked(qlonglong position);

private:
    MprisService *m_service;
};

MprisService::MprisService(MediaEngine *engine, PlayerLink &link, QObject *parent)
    : QObject(parent), m_engine(engine), m_link(link), m_bus(QString())
{
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
    if (engine) {
        connect(engine, &MediaEngine::stateChanged, this, &MprisService::onState);
        connect(engine, &MediaEngine::streamTitleChanged, this, &MprisService::onTitle);
        connect(engine, &MediaEngine::volumeChanged, this, &MprisService::Refresh);
        connect(engine, &MediaEngine::pausedChanged, this, &MprisService::Refresh);
    }
    m_announced = PlayerProperties();
}

MprisService::~MprisService()
{
    if (m_registered) {
        m_bus.unregisterObject(QString::fromLatin1(ObjectPath));
        m_bus.unregisterService(QString::fromLatin1(ServiceName));
    }
}

bool MprisService::Register(const QDBusConnection &bus)
{
    m_bus = bus;
    if (!m_bus.isConnected())
        return false;
    if (!m_bus.registerObject(QString::fromLatin1(ObjectPath), this, QDBusConnection::ExportAdaptors))
        return false;
    if (!m_bus.registerService(QString::fromLatin1(ServiceName))) {
        m_bus.unregisterObject(QString::fromLatin1(ObjectPath));
        return false;
    }
    m_registered = true;
    m_announced = PlayerProperties();
    return true;
}

desktop::NowPlaying MprisService::Now() const
{
    desktop::NowPlaying now;
    now.active = active(m_engine);
    if (!now.active)
        return now;
    now.paused = m_engine->isPaused();
    now.station = m_link.PlayingStation();
    now.streamTitle = m_engine->streamTitle();
    now.logoPath = m_link.PlayingLogo();
    now.track = m_track;
    return now;
}

QVariantMap MprisService::PlayerProperties() const
{
    const desktop::NowPlaying now = Now();
    const bool canStep = m_link.CanStep();
    return {
        {QStringLiteral("PlaybackStatus"), desktop::PlaybackStatus(now)},
        {QStringLiteral("Metadata"), desktop::Metadata(now)},
        {QStringLiteral("Volume"), m_engine ? m_engine->volume() / 100.0 : 1.0},
        {QStringLiteral("CanGoNext"), canStep},
        {QStringLiteral("CanGoPrevious"), canStep},
        {QStringLiteral("CanPause"), CanPause()},
        {QStringLiteral("CanSeek"), CanPause()},
    };
}

void MprisService::onTitle(const QString &)
{
    ++m_track;
    Refresh();
}

void MprisService::onState()
{
    // A new station is a new track even when its stream announces no title.
    const QString station = active(m_engine) ? m_link.PlayingStation() : QString();
    if (station != m_lastStation) {
        m_lastStation = station;
        ++m_track;
    }
    Refresh();
}

void MprisService::Refresh()
{
    const QVariantMap now = PlayerProperties();
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (m_announced.value(it.key()) == it.value())
            continue;
        changed.insert(it.key(), it.key() == QLatin1String("Metadata") ? QVariant(busMetadata(it.value().toMap()))
                                                                         : it.value());
    }
    m_announced = now;
    if (changed.isEmpty() || !m_registered)
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(ObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    m_bus.send(signal);
}

bool MprisService::CanPause() const { return m_engine && m_engine->timeShiftActive(); }

qlonglong MprisService::Position() const
{
    if (!CanPause())
        return 0;
    return qMax<qlonglong>(0, qRound64(m_engine->playbackTime() * 1e6));
}

void MprisService::Play()
{
    if (CanPause() && m_engine->isPaused())
        m_engine->setPaused(false);
    else if (!active(m_engine))
        m_link.Listen();
}

void MprisService::Pause()
{
    if (CanPause())
        m_engine->setPaused(true);
}

void MprisService::Seek(qlonglong offset)
{
    if (!CanPause())
        return;
    m_engine->seekBy(double(offset) / 1e6);
    emit Seeked(qMax<qlonglong>(0, qRound64(m_engine->timeShiftWindow().position * 1e6)));
}

void MprisService::SetPosition(const QString &trackId, qlonglong position)
{
    // A position for another track than the one playing is ignored, as the interface asks.
    if (!CanPause() || trackId != desktop::TrackId(Now()) || position < 0)
        return;
    m_engine->seekTo(double(position) / 1e6);
    emit Seeked(qMax<qlonglong>(0, qRound64(m_engine->timeShiftWindow().position * 1e6)));
}

void MprisService::Stop()
{
    if (active(m_engine))
        m_link.StopListening();
}

void MprisService::PlayPause()
{
    if (CanPause())
        m_engine->setPaused(!m_engine->isPaused());
    else if (active(m_engine))
        m_link.StopListening();
    else
        m_link.Listen();
}

void MprisService::Next() { m_link.StepStation(1); }

void MprisService::Previous() { m_link.StepStation(-1); }

void MprisService::Raise() { m_link.RaiseWindow(); }

void MprisService::Quit()
{
    // After the reply has left: quitting ends the event loop that sends it.
    QTimer::singleShot(0, this, [this] { m_link.Quit(); });
}

void MprisService::SetVolume(double volume)
{
    if (m_engine && volume == volume) // NaN leaves the volume alone
        m_engine->setVolume(static_cast<int>(qRound(qBound(0.0, volume, 1.0) * 100.0)));
    Refresh();
}

#include "MprisService.moc"
