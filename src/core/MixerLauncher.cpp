#include "MixerLauncher.h"

#include "Globals.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace mixer {

QString MixerMissingText()
{
    return QStringLiteral("Aucun contrôle du volume n'a été trouvé.\n"
                          "Installez par exemple « pavucontrol ».");
}

bool StartMixer(Page page)
{
    static const char *const mixers[] = {"pavucontrol", "pavucontrol-qt", "pwvucontrol", "mate-volume-control",
                                         "xfce4-mixer", "kmix"};
    for (const char *m : mixers) {
        const QString name = QString::fromLatin1(m);
        const QString exe = QStandardPaths::findExecutable(name);
        if (exe.isEmpty())
            continue;
        QStringList arguments;
        // pavucontrol's fourth tab lists the input devices.
        if (page == Page::InputDevices && name == QLatin1String("pavucontrol"))
            arguments << QStringLiteral("--tab=4");
        if (QProcess::startDetached(exe, arguments, ProgramFolder()))
            return true;
    }
    return false;
}

} // namespace mixer
