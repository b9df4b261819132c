#include "TvList.h"

#include "common/TextFile.h"

TvListRead ReadTvList(const QString &path, TvList &list)
{
    QStringList lines;
    if (path.isEmpty() || !textfile::readListLines(path, lines))
        return TvListRead::CannotOpen;
    qsizetype i = 0;
    for (; i + 1 < lines.size(); i += 2)
        list.append(lines[i], lines[i + 1]);
    return i < lines.size() ? TvListRead::Incompatible : TvListRead::Ok;
}

bool WriteTvList(const QString &path, const TvList &list)
{
    if (path.isEmpty() || list.names.size() != list.links.size())
        return false;
    QStringList lines;
    lines.reserve(list.size() * 2);
    const auto hasBreak = [](const QString &s) {
        return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
    };
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (hasBreak(list.names[i]) || hasBreak(list.links[i]))
            return false;
        lines << list.names[i] << list.links[i];
    }
    return textfile::writeListLines(path, lines);
}
