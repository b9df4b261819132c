// A settings file of any content: the values the program reads at start-up and their number
// conversions.
#include "FuzzInput.h"
#include "Globals.h"
#include "Settings.h"
#include "Startup.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    SetProgramFolder(fuzz::Folder());
    settings::UseFile(fuzz::WriteFile(QStringLiteral("Tavilune.conf"), data, size));
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
    // The bytes themselves as one value.
    const QString raw = QString::fromLatin1(fuzz::Bytes(data, size));
    Val(raw);
    ValInt16(raw);
    ValLong(raw);
    return 0;
}
