#include "ListeningPrefs.h"

#include "core/Settings.h"
#include "media/MediaEngine.h"

#include <QFileInfo>
#include <QSettings>
#include <QUrl>
#include <algorithm>

namespace {
constexpr int kVolumeSettledMs = 1500;

QString volumeKey(const QString &station)
{
    // Keys hold no separator of QSettings ("/", "\\") and stay ASCII.
    return QStringLiteral("Volumes/") + QString::fromLatin1(QUrl::toPercentEncoding(station.trimmed()));
}
} // namespace

ListeningPrefs::ListeningPrefs(MediaEngine &engine, std::string server, QObject *parent)
    : QObject(parent), m_engine(&engine), m_server(std::move(server))
{
    m_volumeSettled.setSingleShot(true);
    m_volumeSettled.setInterval(kVolumeSettledMs);
    connect(&m_volumeSettled, &QTimer::timeout, this, &ListeningPrefs::saveVolume);
    connect(&engine, &MediaEngine::volumeChanged, this, &ListeningPrefs::onVolume);
}

ListeningPrefs::~ListeningPrefs()
{
    if (m_volumeSettled.isActive())
        saveVolume();
    m_pulse.reset(); // the connection's thread ends before this object
}

PulseCapture &ListeningPrefs::pulse()
{
    if (!m_pulse) {
        m_pulse = std::make_unique<PulseCapture>(m_server);
        m_pulse->SetOutputsChanged([this] { QMetaObject::invokeMethod(this, &ListeningPrefs::ApplyOutput, Qt::QueuedConnection); });
    }
    return *m_pulse;
}

QList<audioout::Output> ListeningPrefs::Outputs() { return audioout::Choices(pulse().Outputs()); }

QString ListeningPrefs::Output() const { return settings::GetSetting(QString::fromLatin1(audioout::kOutputKey)); }

void ListeningPrefs::SetOutput(const QString &name)
{
    settings::SaveSetting(QString::fromLatin1(audioout::kOutputKey), name);
    m_fallback = false;
    ApplyOutput();
}

void ListeningPrefs::ApplyOutput()
{
    const QString chosen = Output();
    if (chosen.isEmpty() && !m_pulse) {
        MediaEngine::setOutputDevice(QString());
        return;
    }
    bool answered = false;
    const std::vector<PulseCapture::Output> outputs = pulse().Outputs(&answered);
    // A server that does not answer plays nothing anyway: the choice stays.
    const bool present = !answered || chosen.isEmpty() ||
                         std::any_of(outputs.begin(), outputs.end(), [&](const PulseCapture::Output &o) { return QString::fromStdString(o.name) == chosen; });
    const QString device = present ? audioout::PlayerDevice(chosen) : QString();
    if (device != MediaEngine::outputDevice())
        MediaEngine::setOutputDevice(device);
    if (present) {
        m_fallback = false;
    } else if (!m_fallback) {
        m_fallback = true;
        emit message(audioout::VanishedText(chosen));
    }
}

bool ListeningPrefs::EvenLoudness() const { return settings::GetSetting(QString::fromLatin1(kEvenKey), QStringLiteral("0")) == QLatin1String("1"); }

void ListeningPrefs::SetEvenLoudness(bool on)
{
    settings::SaveSetting(QString::fromLatin1(kEvenKey), on ? QStringLiteral("1") : QStringLiteral("0"));
    if (m_engine && m_radio)
        m_engine->setAudioFilter(on ? QString::fromLatin1(kLoudnessFilter) : QString());
}

void ListeningPrefs::Listening(const QString &station, bool radio, bool restoreVolume)
{
    // A volume still changing belongs to no station (a wake-up starts from silence).
    m_volumeSettled.stop();
    m_radio = radio;
    m_station = radio ? station.trimmed() : QString();
    if (!m_engine)
        return;
    m_engine->setAudioFilter(radio && EvenLoudness() ? QString::fromLatin1(kLoudnessFilter) : QString());
    const int kept = StationVolume(m_station);
    if (restoreVolume && kept >= 0)
        m_engine->setVolume(kept);
}

QString ListeningPrefs::VolumesFile() { return QFileInfo(settings::FilePath()).absolutePath() + QStringLiteral("/volumes.ini"); }

int ListeningPrefs::StationVolume(const QString &station) const
{
    if (station.trimmed().isEmpty())
        return -1;
    const QSettings file(VolumesFile(), QSettings::IniFormat);
    bool ok = false;
    const int volume = file.value(volumeKey(station)).toString().toInt(&ok);
    return ok && volume >= 0 && volume <= 100 ? volume : -1;
}

void ListeningPrefs::onVolume()
{
    // Only while the radio plays. A volume set while nothing plays (set back after a sleep
    // timer's fade) belongs to no station, and drops a change that had not settled.
    const bool plays = m_engine && m_engine->state() != MediaEngine::State::Idle && m_engine->state() != MediaEngine::State::Failed;
    if (m_station.isEmpty() || !plays) {
        m_volumeSettled.stop();
        return;
    }
    m_pendingVolume = m_engine->volume();
    m_volumeSettled.start();
}

void ListeningPrefs::saveVolume()
{
    if (m_station.isEmpty() || m_pendingVolume < 0 || StationVolume(m_station) == m_pendingVolume)
        return;
    QSettings file(VolumesFile(), QSettings::IniFormat);
    file.setValue(volumeKey(m_station), QString::number(m_pendingVolume));
    file.sync();
    if (file.status() != QSettings::NoError)
        qWarning("Tavilune: %s cannot be written", qPrintable(VolumesFile()));
}
