// A settings file of any content: the check made before the settings reader sees it, the values
// the program reads at start-up and their number conversions.
#include "app/Startup.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "FuzzInput.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    SetProgramFolder(fuzz::Folder());
    const QString path = fuzz::WriteFile(QStringLiteral("Tavilune.conf"), data, size);
    settings::UseFile(path);
    static const QStringList keys = {
        QStringLiteral("DerPosition"), QStringLiteral("Haut"),      QStringLiteral("Gauche"),
        QStringLiteral("TempoRadio"),  QStringLiteral("Dispositif"), QStringLiteral("IncREC"),
        QStringLiteral("IndexREC"),    QStringLiteral("RecLine"),   QStringLiteral("VolumeREC"),
        QStringLiteral("FenVisible"),  QStringLiteral("EcoEcran"),  QStringLiteral("NomDerRadio"),
    };
    for (const QString &key : keys) {
        const QString value = settings::GetSetting(key, QStringLiteral("0"));
        Val(value);
        bool ok = true;
        const int small = ValInt16(value, &ok);
        fuzz::Check(ok || small == 0, "a value out of range reads as 0");
        ValLong(value);
    }
    startup::SavedPosition();
    startup::ReadFlags();
    settings::TakeFileNotice();
    // Files set aside go, so that the folder stays small over the run.
    const auto setAside = [] {
        return QDir(fuzz::Folder()).entryList({QStringLiteral("Tavilune.conf.*")}, QDir::AllEntries | QDir::System);
    };
    for (const QString &name : setAside())
        QFile::remove(fuzz::Folder() + QLatin1Char('/') + name);
    // What the check leaves in place, it takes as it is the next time.
    settings::UseFile(path);
    settings::GetSetting(QStringLiteral("Haut"));
    fuzz::Check(settings::TakeFileNotice().isEmpty() && setAside().isEmpty(), "the file left in place is sound");
    // The settings reader itself finds texts only in it (lists of texts where commas split a
    // value): the check leaves no typed value behind.
    settings::UseFile(QString());
    const QSettings reader(path, QSettings::IniFormat);
    for (const QString &key : reader.allKeys()) {
        const QVariant v = reader.value(key);
        bool texts = !v.isValid() || v.typeId() == QMetaType::QString; // an empty key reads as nothing
        if (v.typeId() == QMetaType::QVariantList || v.typeId() == QMetaType::QStringList) {
            texts = true;
            for (const QVariant &item : v.toList())
                texts = texts && item.typeId() == QMetaType::QString;
        }
        fuzz::Check(texts, "the reader finds texts only");
    }
    // The bytes themselves as one value.
    const QString raw = QString::fromLatin1(fuzz::Bytes(data, size));
    Val(raw);
    ValInt16(raw);
    ValLong(raw);
    return 0;
}
