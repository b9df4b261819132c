#include "About.h"

#include "common/Version.h"

#include <QStandardPaths>

namespace about {

QString Caption() { return QStringLiteral("A propos ") + QStringLiteral("Tavilune"); }

QString VersionText()
{
    return QStringLiteral("Version ") + QString::fromLatin1(kProgramVersion);
}

QString DetailsText()
{
    const QStringList lines{
        QStringLiteral("Tavilune version ") + QString::fromLatin1(kProgramVersion) + QStringLiteral(" - Radios-TV Internet"),
        QString(),
        QStringLiteral("Auteur : l'équipe Tavilune"),
        QStringLiteral("Contact : ") + kMakerMail,
        QStringLiteral("Site : ") + kMakerSite,
        QStringLiteral("Logiciel gratuit, libre de diffusion"),
        QString(),
        QStringLiteral("Pour pouvoir écouter toutes les radios"),
        QStringLiteral("et TV sur le Web, vous devez installer :"),
        // The player is part of the program here: nothing else to install.
        QStringLiteral("- rien d'autre : le lecteur est intégré à Tavilune"),
        QStringLiteral("- (flux MP3, AAC, Ogg, WMA, RealAudio et vidéo)"),
        QString(),
        QStringLiteral("Consultez l'aide en ligne pour télécharger"),
        QStringLiteral("les mises à jours."),
        QStringLiteral("Version mise à jour du : 29/01/2009."),
    };
    return lines.join(QChar(13));
}

QString HelpUrl() { return kMakerSite + QStringLiteral("/Tavilune/Index.htm"); }
QString DonationUrl() { return kMakerSite + QStringLiteral("/Don/Don.htm"); }
QString HomeUrl() { return kMakerSite + QStringLiteral("/"); }
QString MailUrl() { return QStringLiteral("mailto:") + kMakerMail; }

std::optional<Tool> FindSystemInfoTool(const std::function<QString(const QString &)> &findExecutable)
{
    struct Candidate {
        const char *name;
        const char *argument;
    };
    static const Candidate candidates[] = {
        {"hardinfo", nullptr}, {"kinfocenter", nullptr}, {"gnome-control-center", "info-overview"}};
    for (const Candidate &c : candidates) {
        const QString path = findExecutable(QString::fromLatin1(c.name));
        if (path.isEmpty())
            continue;
        Tool t{path, {}};
        if (c.argument)
            t.arguments << QString::fromLatin1(c.argument);
        return t;
    }
    return std::nullopt;
}

std::optional<Tool> FindSystemInfoTool()
{
    return FindSystemInfoTool([](const QString &name) { return QStandardPaths::findExecutable(name); });
}

} // namespace about
