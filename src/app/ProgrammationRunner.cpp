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

QString shortName(const Event &e) { return e.source ? e.what : QFileInfo(e.what).completeBaseName(); }
} // namespace

ProgrammationRunner::ProgrammationRunner(FrmMain &main, MediaEngine &engine, QString fileName, const QDBusConnection &bus,
                                         QObject *parent)
    : QObject(parent), m_main(main), m_engine(engine),
      m_fileName(fileName.isEmpty() ? DefaultFileName() : std::move(fileName)), m_bus(bus), m_scheduler(*this)
{
    m_fade.setInterval(kFadeStepMs);
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
        m_main.ListenPage(e.what);
        break;
    case Action::EnregistrerFlux:
        m_main.ListenPage(e.what);
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
        m_source = std::make_unique<RecordingSession>(std::make_unique<WaveInRecorder>());
        WaveInRecorder &rec = m_source->Recorder();
        const int count = rec.DeviceCount();
        int device = -1;
        for (int i = 0; i < count && device < 0; ++i)
            if (rec.DeviceName(i) == e.what)
                device = i;
        const QString file = WithBackslash(G().wavFolder) + e.what + QStringLiteral(" ") +
                             QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH'h'mm")) + QStringLiteral(".wav");
        if (device < 0 || !rec.SelectDevice(device) || !m_source->Start(file, 44100, 2)) {
            notify(QStringLiteral("Programmation"), QStringLiteral("La source « %1 » n'a pas pu être enregistrée.").arg(e.what), false);
            m_source.reset();
        }
        break;
    }
    case Action::Reveil:
        m_waking = e;
        m_engine.setVolume(0);
        m_main.ListenPage(e.what);
        m_fadeClock.start();
        m_fade.start();
        notify(QStringLiteral("Réveil"), shortName(e), true);
        break;
    }
}

void ProgrammationRunner::End(const Event &e)
{
    switch (e.action) {
    case Action::EnregistrerFlux:
        disconnect(m_waitPlaying);
        m_main.FluxRecorder->Stop();
        m_main.Command4_Click();
        break;
    case Action::EnregistrerSource:
        if (m_source)
            m_source->Finish();
        m_source.reset();
        break;
    case Action::Reveil:
        m_fade.stop();
        m_main.Command4_Click();
        m_engine.setVolume(std::clamp(e.volume, 0, 100));
        break;
    case Action::Ecouter:
        m_main.Command4_Click();
        break;
    }
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
    m_main.Command4_Click();
    m_engine.setVolume(std::clamp(m_waking.volume, 0, 100));
}
