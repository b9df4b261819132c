#include "Autostart.h"

#include "common/TextFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace autostart {
namespace {

// String escapes of a desktop entry value.
QString escapeString(const QString &s)
{
    QString out;
    out.reserve(s.size());
    for (const QChar c : s) {
        switch (c.unicode()) {
        case '\\': out += QStringLiteral("\\\\"); break;
        case '\n': out += QStringLiteral("\\n"); break;
        case '\t': out += QStringLiteral("\\t"); break;
        case '\r': out += QStringLiteral("\\r"); break;
        default: out += c; break;
        }
    }
    return out;
}

bool reserved(QChar c)
{
    static const QString chars = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    return chars.contains(c);
}

} // namespace

QString EntryPath()
{
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.config");
    return base + QStringLiteral("/autostart/Tavilune.desktop");
}

QString ExecWord(const QString &word)
{
    bool quote = word.isEmpty();
    for (const QChar c : word)
        quote = quote || reserved(c);
    QString out;
    if (quote)
        out += QLatin1Char('"');
    for (const QChar c : word) {
        if (quote && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                      c == QLatin1Char('\\')))
            out += QLatin1Char('\\');
        if (c == QLatin1Char('%'))
            out += QLatin1Char('%');
        out += c;
    }
    if (quote)
        out += QLatin1Char('"');
    return escapeString(out);
}

QString EntryText(const QString &programPath)
{
    if (programPath.isEmpty() || programPath.contains(QLatin1Char('=')))
        return QString();
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Tavilune\n"
                          "Comment=Radios et TV Internet\n") +
           QStringLiteral("TryExec=") + escapeString(programPath) + QLatin1Char('\n') +
           QStringLiteral("Exec=") + ExecWord(programPath) + QLatin1Char('\n') +
           QStringLiteral("Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n");
}

QString ProgramPath() { return QCoreApplication::applicationFilePath(); }

bool Exists() { return QFileInfo(EntryPath()).isFile(); }

bool Write(const QString &programPath)
{
    const QString text = EntryText(programPath);
    if (text.isEmpty())
        return false;
    const QString path = EntryPath();
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    return textfile::writeBytes(path, text.toUtf8());
}

bool Remove()
{
    const QString path = EntryPath();
    return !QFileInfo::exists(path) || QFile::remove(path);
}

QString FailedText(bool on)
{
    return (on ? QStringLiteral("Le démarrage de Tavilune à l'ouverture de la session n'a pas pu être enregistré : "
                                "l'entrée « %1 » n'a pas pu être écrite.")
               : QStringLiteral("Le démarrage de Tavilune à l'ouverture de la session n'a pas pu être retiré : "
                                "l'entrée « %1 » n'a pas pu être supprimée."))
        .arg(EntryPath());
}

} // namespace autostart
