#include "RecordingRules.h"

#include "core/Paths.h"

#include <QFileInfo>
#include <QLocale>
#include <cmath>

namespace recording {

namespace {

int decimalsOf(const QString &format)
{
    const qsizetype dot = format.indexOf(QLatin1Char('.'));
    return dot < 0 ? 0 : int(format.size() - dot - 1);
}

QString formatted(double value, const QString &format, const QString &fallback, QLocale locale)
{
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale.toString(value, 'f', decimalsOf(format.isEmpty() ? fallback : format));
}

} // namespace

QString SizeText(qint64 bytes, const QString &format, const QLocale &locale)
{
    constexpr qint64 kKo = 1024, kMo = 1048576, kGo = 1073741824;
    if (bytes < 0)
        return QString();
    if (bytes < kKo)
        return QString::number(bytes) + QStringLiteral(" octets");
    if (bytes < kMo)
        return formatted(double(bytes) / kKo, format, QStringLiteral("###0"), locale) + QStringLiteral(" Ko");
    if (bytes < kGo)
        return formatted(double(bytes) / kMo, format, QStringLiteral("###0.0"), locale) + QStringLiteral(" Mo");
    return formatted(double(bytes) / kGo, format, QStringLiteral("###0.0"), locale) + QStringLiteral(" Go");
}

QString DurationText(qint64 ms)
{
    const qint64 s = qint64(std::nearbyint(double(ms) / 1000.0));
    return QString::number(s / 60) + QLatin1Char(':') + QStringLiteral("%1").arg(qAbs(s % 60), 2, 10, QLatin1Char('0'));
}

QString NextRecordingName(const QString &folder, const QString &taken)
{
    const QString base = WithBackslash(folder) + QStringLiteral("Enreg_");
    for (int n = 1;; ++n) {
        const QString name = base + QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')) + QStringLiteral(".wav");
        if (!QFileInfo::exists(name) && name != taken)
            return name;
    }
}

QString SoundLostText(bool server, const QString &fileName, bool recorded)
{
    const QString why = server ? QStringLiteral("Le serveur de son ne répond plus : l'enregistrement est arrêté.")
                               : QStringLiteral("Le dispositif d'enregistrement a disparu : l'enregistrement est arrêté.");
    if (!recorded)
        return why + QStringLiteral(" Rien n'a été enregistré.");
    return why + QStringLiteral(" Le son capturé jusque-là est dans « %1 ».").arg(fileName);
}

bool RateKeyAccepted(const QString &currentText, QChar key)
{
    if (key == QLatin1Char('\b'))
        return true;
    if (key < QLatin1Char('0') || key > QLatin1Char('9'))
        return false;
    return currentText.size() < kRateMaxChars;
}

QString BrowseFilter(const QString &description, const QString &extension)
{
    return description + QStringLiteral(" (*.") + extension + QStringLiteral(")|*.") + extension;
}

QString WithWavExtension(const QString &name)
{
    if (name.right(4).compare(QStringLiteral(".wav"), Qt::CaseInsensitive) == 0)
        return name;
    return name + QStringLiteral(".wav");
}

qint32 EffectBits(qint32 used, int index, bool ticked)
{
    if (index < 0 || index > 3)
        return used;
    const qint32 bit = qint32(1) << index;
    return ticked ? (used | bit) : (used & ~bit);
}

QString VolumePercentText(int value, int maximum)
{
    const int percent = maximum > 0 ? int(std::trunc(double(value) / maximum * 100.0)) : 0;
    return QString::number(percent) + QLatin1Char('%');
}

qint32 ElapsedAfterBuffer(qint32 elapsedMs, qint32 bytes, qint32 bytesPerSecond)
{
    if (bytesPerSecond <= 0)
        return elapsedMs;
    return qint32(std::nearbyint(double(elapsedMs) + double(bytes) / bytesPerSecond * 1000.0));
}

bool RateSupported(long rate)
{
    return rate >= 1 && rate <= 96000;
}

} // namespace recording
