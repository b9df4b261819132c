#include "StationList.h"

#include "core/Paths.h"

#include <QDir>
#include <algorithm>

bool IsPopupPage(const QString &fileName)
{
    const QString lower = fileName.toLower();
    return lower.endsWith(QStringLiteral("popup.htm")) || lower.endsWith(QStringLiteral("popup.html"));
}

QString DisplayNameOf(const QString &fileName)
{
    const qsizetype keep = fileName.size() - (ExtensionOf(fileName, false).size() + 1);
    return keep > 0 ? fileName.left(keep) : QString();
}

QVector<StationEntry> ListStations(const QString &folder, bool leaveOutPopups)
{
    QVector<StationEntry> out;
    if (folder.isEmpty())
        return out;
    QDir dir(folder);
    if (!dir.exists())
        return out;
    QStringList names = dir.entryList(QDir::Files | QDir::Readable, QDir::NoSort);
    names.erase(std::remove_if(names.begin(), names.end(),
                               [](const QString &n) {
                                   const QString l = n.toLower();
                                   return !(l.endsWith(QStringLiteral(".htm")) ||
                                            l.endsWith(QStringLiteral(".html")));
                               }),
                names.end());
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    for (const QString &n : names) {
        if (leaveOutPopups && IsPopupPage(n))
            continue;
        out.append({n, DisplayNameOf(n)});
    }
    return out;
}
