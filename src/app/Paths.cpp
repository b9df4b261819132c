#include "Paths.h"

#include <QDir>
#include <QFileInfo>

namespace {
constexpr QChar kSep = QLatin1Char('/');
}

QString FileNameOf(const QString &path)
{
    const qsizetype p = path.lastIndexOf(kSep);
    return p < 0 ? path : path.mid(p + 1);
}

QString ExtensionOf(const QString &name, bool withDot)
{
    const qsizetype p = name.lastIndexOf(QLatin1Char('.'));
    const QString ext = p < 0 ? name : name.mid(p + 1);
    return withDot ? QStringLiteral(".") + ext : ext;
}

QString WithBackslash(const QString &path)
{
    if (!path.isEmpty() && path.back() == kSep)
        return path;
    return path + kSep;
}

bool FileExists(const QString &path)
{
    if (path.isEmpty() || path.contains(QChar(0)))
        return false;
    const QFileInfo fi(path);
    return fi.exists() && fi.isFile() && !fi.fileName().isEmpty();
}

QString ResolveNoCase(const QString &path)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return path;
    const qsizetype p = path.lastIndexOf(kSep);
    const QString folder = p < 0 ? QStringLiteral(".") : (p == 0 ? QStringLiteral("/") : path.left(p));
    const QString name = path.mid(p + 1);
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &e : entries)
        if (e.compare(name, Qt::CaseInsensitive) == 0)
            return (p < 0 ? QString() : path.left(p + 1)) + e;
    return path;
}
