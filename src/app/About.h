#pragma once
// The about box's texts and links, and the choice of the system information tool.
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace about {

// The maker's web site: the help, donation and home pages live under it.
inline const QString kMakerSite = QStringLiteral("https://tavilune.example.org");
inline const QString kMakerMail = QStringLiteral("contact@tavilune.example.org");

inline const QString kReleaseLabel = QStringLiteral("Version mise à jour du : 29/01/2009");
inline const QString kDetailsTitle = QStringLiteral("A propos : Détails");
inline const QString kNoSystemInfo = QStringLiteral("Information Systeme introuvable !");

// "A propos Tavilune".
QString Caption();
// "Version " + major.minor.revision of the program ("Version 2.5.0").
QString VersionText();
// The details message: lines separated by single carriage returns.
QString DetailsText();

QString HelpUrl();     // the site + "/Tavilune/Index.htm"
QString DonationUrl(); // the site + "/Don/Don.htm"
QString HomeUrl();     // the site's home page
QString MailUrl();     // "mailto:" + the maker's address

struct Tool {
    QString program; // full path
    QStringList arguments;
};
// The first system information tool installed: hardinfo, kinfocenter, then the overview panel of
// gnome-control-center. findExecutable gives the full path of a program name, or an empty text.
std::optional<Tool> FindSystemInfoTool(const std::function<QString(const QString &)> &findExecutable);
// The same looked up on the PATH.
std::optional<Tool> FindSystemInfoTool();

} // namespace about
