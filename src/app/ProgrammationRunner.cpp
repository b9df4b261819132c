#include "ProgrammationRunner.h"

#include "audio/EncoderWAV.h"
#include "audio/RecordingSession.h"
#include "audio/WaveInRecorder.h"
#include "core/Globals.h"
#include "core/Paths.h"
#include "core/Settings.h"
#include "desktop/StreamRecorder.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>

using namespace programmation;

namespace {
// When the program last looked at its events: the missed occurrences are those after it.
const QString kLastSeenKey = QStringLiteral("ProgrammationVue");
constexpr int kFadeStepMs = 250;
// "Enregistrer la source": the recording window's default format.
constexpr qint32 kSourceRate = 44100;
constexpr qint16 kSourceChannels = 2;

QString shortName(const Event &e) { return WhatText(e); }
} // namespace

ProgrammationRunner::ProgrammationRunner(FrmMain &main, MediaEngine &engine, QString fileName, const QDBusConnection &bus,
                                         QObject *parent)
    : QObject(parent), m_main(main), m_engine(engine),
      m_fileName(fileName.isEmpty() ? DefaultFileName() : std::move(fileName)), m_bus(bus), m_scheduler(*this)
{
    m_fade.setInterval(kFadeStepMs);
    // A device opened ahead for an event that did not start (removed meanwhile) is closed.
    m_armEnd.setSingleShot(true);
    connect(&m_armEnd, &QTimer::timeout, this, [this] {
        if (m_source && !m_source->IsActive()) {
            m_source.reset();
            m_armed.clear();
        }
    });
    connect(&m_fade, &QTimer::timeout, this, &ProgrammationRunner::fadeStep);
    connect(&m_scheduler, &Scheduler::started, this, [] { settings::SaveSetting(kLastSeenKey, QDateTime::currentDateTime().toString(Qt::ISODate)); });
    // "Arrêter" of the wake-up's notification.
    m_bus.connect(QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
                  QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"), this,
                  SLOT(onAction(uint, QString)));
    Reload();
}

ProgrammationRunner::~ProgrammationRunner()
{
    settings::SaveSetting(kLastSeenKey, QDateTime::currentDateTime().toString(Qt::ISODate));
    m_source.reset(); // a source recording still running keeps what it captured
}

void ProgrammationRunner::Reload() { m_scheduler.SetEvents(Load(m_fileName)); }

QString ProgrammationRunner::MissedReport(const QDateTime &now)
{
    const QDateTime since = QDateTime::fromString(settings::GetSetting(kLastSeenKey, QString()), Qt::ISODate);
    settings::SaveSetting(kLastSeenKey, now.toString(Qt::ISODate));
    if (!since.isValid())
        return {};
    QStringList lines;
    const QLocale locale;
    for (const Event &e : Load(m_fileName))
        for (const QDateTime &when : Missed(e, since, now))
            lines << QStringLiteral("%1 — %2, %3").arg(locale.toString(when, QLocale::ShortFormat), ActionText(e.action), shortName(e));
    if (lines.isEmpty())
        return {};
    return QStringLiteral("Tavilune n'était pas ouvert pour ces événements programmés, qui n'ont pas eu lieu :\n") +
           lines.join(QLatin1Char('\n'));
}

void ProgrammationRunner::Start(const Event &e)
{
    if (m_engine.state() == MediaEngine::State::Playing && !e.source)
        notify(QStringLiteral("Programmation"),
               QStringLiteral("%1 : %2 remplace ce que vous écoutiez.").arg(ActionText(e.action), shortName(e)), false);
    switch (e.action) {
    case Action::Ecouter:
        listen(e);
        break;
    case Action::EnregistrerFlux:
        listen(e);
        // The stream is recorded once it plays.
        disconnect(m_waitPlaying);
        m_waitPlaying = connect(&m_engine, &MediaEngine::stateChanged, this, [this, e](MediaEngine::State state) {
            if (state != MediaEngine::State::Playing)
                return;
            disconnect(m_waitPlaying);
            QString error;
            if (!m_main.FluxRecorder->IsRecording()
                && !m_main.FluxRecorder->Start(shortName(e), G().wavFolder, QDateTime::currentDateTime(), &error))
                notify(QStringLiteral("Programmation"), error, false);
        });
        break;
    case Action::EnregistrerSource: {
        m_armEnd.stop();
        const bool armed = m_source && !m_source->IsActive() && m_armed == e.what;
        m_armed.clear();
        if (!armed && !openSource(e.what))
            m_source.reset();
        const QString file = WithBackslash(G().wavFolder) + e.what + QStringLiteral(" ") +
                             QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH'h'mm")) + QStringLiteral(".wav");
        if (!m_source || !m_source->Start(file, kSourceRate, kSourceChannels)) {
            notify(QStringLiteral("Programmation"), QStringLiteral("La source « %1 » n'a pas pu être enregistrée.").arg(e.what), false);
            m_source.reset();
        }
        break;
    }
    case Action::Reveil:
        m_waking = e;
        m_engine.setVolume(0);
        listen(e);
        m_fadeClock.start();
        m_fade.start();
        notify(QStringLiteral("Réveil"), shortName(e), true);
        break;
    }
}

bool ProgrammationRunner::openSource(const QString &name)
{
    m_source = std::make_unique<RecordingSession>(std::make_unique<WaveInRecorder>());
    WaveInRecorder &rec = m_source->Recorder();
    const int count = rec.DeviceCount();
    for (int i = 0; i < count; ++i)
        if (rec.DeviceName(i) == name)
            return rec.SelectDevice(i);
    return false;
}

void ProgrammationRunner::Prepare(const Event &e)
{
    if (e.action != Action::EnregistrerSource || (m_source && m_source->IsActive()))
        return;
    // Open a little ahead: the sound flows at the start (a server's output renders ahead of real
    // time, and a device opened at the start would miss what was rendered before).
    if (openSource(e.what) && m_source->Prepare(kSourceRate, kSourceChannels)) {
        m_armed = e.what;
        m_armEnd.start((Scheduler::kPrepareSecs + 60) * 1000);
    } else {
        m_source.reset(); // the start tries again
        m_armed.clear();
    }
}

void ProgrammationRunner::End(const Event &e)
{
    switch (e.action) {
    case Action::EnregistrerFlux:
        disconnect(m_waitPlaying);
        m_main.FluxRecorder->Stop();
        stopListening(e);
        break;
    case Action::EnregistrerSource:
        if (m_source)
            m_source->Finish();
        m_source.reset();
        break;
    case Action::Reveil:
        m_fade.stop();
        stopListening(e);
        m_engine.setVolume(std::clamp(e.volume, 0, 100));
        break;
    case Action::Ecouter:
        stopListening(e);
        break;
    }
}

void ProgrammationRunner::listen(const Event &e)
{
    if (e.link.isEmpty())
        m_main.ListenPage(e.what);
    else
        m_main.ListenLink(e.link, WhatText(e));
}

void ProgrammationRunner::stopListening(const Event &e)
{
    m_main.Command4_Click();
    // A programme's address plays without a page: the page's end does not stop it.
    if (!e.link.isEmpty() && m_engine.address() == e.link)
        m_engine.stop();
}

void ProgrammationRunner::fadeStep()
{
    const qint64 fadeMs = qint64(m_waking.fadeSeconds) * 1000;
    m_engine.setVolume(FadeInVolume(m_waking.volume, m_fadeClock.elapsed(), fadeMs));
    if (m_fadeClock.elapsed() >= fadeMs)
        m_fade.stop();
}

void ProgrammationRunner::notify(const QString &summary, const QString &body, bool stopAction)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QStringList actions = stopAction ? QStringList{QStringLiteral("arreter"), QStringLiteral("Arrêter")} : QStringList();
    call << QStringLiteral("Tavilune") << uint(0) << QStringLiteral("tavilune") << summary << body.toHtmlEscaped() << actions
         << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("tavilune")}} << -1;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, stopAction](QDBusPendingCallWatcher *w) {
        w->deleteLater();
        const QDBusPendingReply<uint> reply = *w;
        if (stopAction && !reply.isError())
            m_notification = reply.value();
    });
}

void ProgrammationRunner::onAction(uint id, const QString &action)
{
    if (id == 0 || id != m_notification || action != QLatin1String("arreter"))
        return;
    m_notification = 0;
    m_fade.stop();
    stopListening(m_waking);
    m_engine.setVolume(std::clamp(m_waking.volume, 0, 100));
}
