#include "Globals.h"

#include <QCoreApplication>

namespace {
QString g_programFolder;
bool g_perUser = false;
}

ProgramValues &G()
{
    static ProgramValues values;
    return values;
}

QString ProgramFolder()
{
    if (!g_programFolder.isEmpty())
        return g_programFolder;
    return QCoreApplication::applicationDirPath();
}

void SetProgramFolder(const QString &folder, bool perUser)
{
    g_programFolder = folder;
    g_perUser = perUser && !folder.isEmpty();
}

bool ProgramFolderIsPerUser() { return g_perUser; }

bool InfoAddressFetchable(const QString &address)
{
    return address.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive) ||
           address.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive);
}
