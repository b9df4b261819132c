#include "ProgramFolder.h"

#include "Globals.h"
#include "Paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace programfolder {

bool FolderWritable(const QString &folder)
{
    const QFileInfo fi(folder);
    if (!fi.isDir() || !fi.isWritable())
        return false;
    // Files under /usr (outside /usr/local) belong to the package manager: even the administrator,
    // who may write there, must not leave station folders and lists beside the packaged program.
    const QString path = fi.canonicalFilePath() + QLatin1Char('/');
    return !path.startsWith(QLatin1String("/usr/")) || path.startsWith(QLatin1String("/usr/local/"));
}

QString ShippedFolder() { return QCoreApplication::applicationDirPath(); }

QString PerUserFolder()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return data.isEmpty() ? QString() : WithBackslash(data) + QStringLiteral("Tavilune");
}

QString Decide(const QString &shipped, const QString &perUser, const WritableCheck &writable)
{
    if (perUser.isEmpty() || (writable && writable(shipped)))
        return shipped;
    return perUser;
}

const QStringList &ShippedFiles()
{
    static const QStringList files{QStringLiteral("Intro.htm"), QStringLiteral("AutresTV.TV"),
                                   QStringLiteral("Radios.exe")};
    return files;
}

bool Prepare(const QString &shipped, const QString &perUser)
{
    if (perUser.isEmpty() || !QDir().mkpath(perUser))
        return false;
    bool ok = true;
    for (const QString &name : ShippedFiles()) {
        const QString from = WithBackslash(shipped) + name;
        const QString to = WithBackslash(perUser) + name;
        if (QFileInfo::exists(to) || !QFileInfo::exists(from))
            continue;
        // QFile::copy writes a temporary file and renames it: no half-copied file is left.
        if (!QFile::copy(from, to)) {
            ok = false;
            continue;
        }
        QFile copy(to);
        copy.setPermissions(copy.permissions() | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
    }
    return ok;
}

QString Setup(const QString &shipped, const QString &perUser, const WritableCheck &writable)
{
    const QString folder = Decide(shipped, perUser, writable);
    if (folder != shipped && !Prepare(shipped, folder) && !QFileInfo(folder).isDir()) {
        SetProgramFolder(shipped);
        return shipped;
    }
    SetProgramFolder(folder, folder != shipped);
    return folder;
}

QString Setup() { return Setup(ShippedFolder(), PerUserFolder(), FolderWritable); }

} // namespace programfolder
