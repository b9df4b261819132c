#include "Paths.h"

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
