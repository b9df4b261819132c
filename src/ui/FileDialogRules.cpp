#include "FileDialogRules.h"

QList<FilterPair> SplitFilter(const QString &filter)
{
    QStringList parts;
    QString part;
    for (const QChar c : filter) {
        if (c == QLatin1Char('|') || c == QLatin1Char(':')) {
            parts << part;
            part.clear();
        } else {
            part += c;
        }
    }
    parts << part;
    while (!parts.isEmpty() && parts.back().isEmpty())
        parts.removeLast();
    QList<FilterPair> pairs;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString pattern = i + 1 < parts.size() ? parts[i + 1] : QString();
        pairs.append({parts[i], pattern.isEmpty() ? QStringLiteral("*") : pattern});
    }
    return pairs;
}

QStringList DialogNameFilters(const QList<FilterPair> &pairs)
{
    QStringList filters;
    for (const FilterPair &p : pairs) {
        QString patterns = p.pattern;
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << p.description.section(QLatin1Char('('), 0, 0).trimmed() + QStringLiteral(" (") +
                       patterns.simplified() + QLatin1Char(')');
    }
    return filters;
}

QString QtNameFilter(const QString &filter) { return DialogNameFilters(SplitFilter(filter)).join(QStringLiteral(";;")); }

QString JoinFilterPair(const FilterPair &pair) { return pair.description + QLatin1Char('|') + pair.pattern; }

QString AddDefaultExtension(const QString &path, const QString &extension)
{
    if (path.isEmpty() || extension.isEmpty())
        return path;
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const QString name = path.mid(slash + 1);
    if (name.isEmpty() || name.contains(QLatin1Char('.')))
        return path;
    return path + QLatin1Char('.') + extension;
}
