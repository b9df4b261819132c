#include "Options.h"

#include "core/Globals.h"
#include "core/Settings.h"
#include "media/TimeShift.h"

#include "Startup.h"

namespace options {
namespace {

QString key(int i) { return QString::fromLatin1(kCheckKeys[i]); }
QString flagText(bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }
int readFlag(const char *k) { return ValInt16(settings::GetSetting(QString::fromLatin1(k), QStringLiteral("0"))); }

} // namespace

Values Load()
{
    Values v;
    for (int i = 0; i < 6; ++i)
        v.check[i] = readFlag(kCheckKeys[i]) == 1;
    v.radioFolder = settings::GetSetting(QStringLiteral("DossierRadio"), ProgramFolder());
    v.tvFolder = settings::GetSetting(QStringLiteral("DossierTV"), ProgramFolder());
    return v;
}

bool Save(const Values &v, const QString &previousRadio, const QString &previousTv, const SaveActions &act)
{
    for (int i = 0; i < 4; ++i)
        settings::SaveSetting(key(i), flagText(v.check[i]));
    const QString radio = settings::TrimSpaces(v.radioFolder);
    const QString tv = settings::TrimSpaces(v.tvFolder);
    settings::SaveSetting(QStringLiteral("DossierRadio"), radio);
    settings::SaveSetting(QStringLiteral("DossierTV"), tv);
    settings::SaveSetting(key(5), flagText(v.check[5]));
    if (act.applyScreenSaver)
        act.applyScreenSaver(v.check[5]);
    G().radioFolder = radio;
    G().tvFolder = tv;
    settings::SaveSetting(key(4), flagText(v.check[4]));
    if (radio != previousRadio && act.refillRadio)
        act.refillRadio(radio);
    if (tv != previousTv && act.refillTv)
        act.refillTv(tv);
    return settings::Flush();
}

QString SaveFailedText(const QString &settingsFile)
{
    return QStringLiteral("Les préférences n'ont pas pu être enregistrées dans « %1 ».\n"
                          "Le disque est peut-être plein ou le dossier protégé en écriture ; "
                          "les réglages précédents sont conservés dans le fichier.")
        .arg(settingsFile);
}

void ReadBackOnClose()
{
    G().fenVisible = readFlag("FenVisible");
    G().derRadio = readFlag("DerRadio");
    G().nomRadio = readFlag("NomRadio");
}

} // namespace options

namespace options {

bool TitleNotificationsOn() { return readFlag(kTitleNotificationKey) == 1; }

void SaveTitleNotifications(bool on) { settings::SaveSetting(QString::fromLatin1(kTitleNotificationKey), flagText(on)); }

bool OneFilePerTitleOn() { return readFlag(kOneFilePerTitleKey) == 1; }

void SaveOneFilePerTitle(bool on) { settings::SaveSetting(QString::fromLatin1(kOneFilePerTitleKey), flagText(on)); }

QString SearchAddress()
{
    return settings::GetSetting(QString::fromLatin1(kSearchAddressKey), QString());
}

namespace {
int minutesSetting(const char *key, int def, int low)
{
    const QString text = settings::GetSetting(QString::fromLatin1(key), QString()).trimmed();
    if (text.isEmpty())
        return def;
    const long value = ValLong(text);
    if (value < low || value > timeshift::MaxMinutes)
        return def;
    return int(value);
}
} // namespace

int TimeShiftMinutes() { return minutesSetting(kTimeShiftKey, kDefaultTimeShiftMinutes, 0); }

int KeepMinutes() { return minutesSetting(kKeepKey, kDefaultKeepMinutes, 1); }

bool SaveTimeShift(int timeShiftMinutes, int keepMinutes)
{
    const int shift = qBound(0, timeShiftMinutes, timeshift::MaxMinutes);
    const int keep = qBound(1, keepMinutes, timeshift::MaxMinutes);
    const bool first = settings::SaveSetting(QString::fromLatin1(kTimeShiftKey), QString::number(shift));
    return settings::SaveSetting(QString::fromLatin1(kKeepKey), QString::number(keep)) && first;
}

} // namespace options
