#include "Globals.h"

#include <QCoreApplication>

namespace {
QString g_programFolder;
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

void SetProgramFolder(const QString &folder) { g_programFolder = folder; }

bool InfoAddressFetchable(const QString &address)
{
    return address.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive) ||
           address.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive);
}
