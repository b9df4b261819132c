#include "PageFiles.h"

#include "common/TextFile.h"

#include <QDir>
#include <QFileInfo>

namespace stations {

const char kPagePatterns[] = "*.htm;*.html";
const char kLogoPatterns[] = "*.gif;*.jpg;*.jpeg";

namespace {
const QString kEol = QStringLiteral("\r\n");

QString withSeparator(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}
} // namespace

QString PageFileName(const QString &name) { return name.toUpper() + QStringLiteral(".HTM"); }

bool PagePathFor(const QString &radioFolder, const QString &name, QString *path)
{
    const QString composed = withSeparator(radioFolder) + PageFileName(name);
    const bool ok = !name.isEmpty() && !name.contains(QLatin1Char('/')) && !name.contains(QStringLiteral(".."))
                    && !name.contains(QChar(0));
    if (path)
        *path = ok ? ResolveNoCase(composed) : composed;
    return ok;
}

QString PageTextOf(const QString &rawText)
{
    QString out;
    out.reserve(rawText.size() + rawText.size() / 16);
    for (qsizetype i = 0; i < rawText.size(); ++i) {
        const QChar c = rawText[i];
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator || c == QLatin1Char('\n')) {
            out += kEol;
        } else if (c == QLatin1Char('\r')) {
            out += kEol;
            if (i + 1 < rawText.size() && rawText[i + 1] == QLatin1Char('\n'))
                ++i;
        } else {
            out += c;
        }
    }
    return out;
}

QString LoadPageText(const QString &path)
{
    QStringList lines;
    if (!QFileInfo(path).isFile() || !textfile::readLines(path, lines))
        return QString();
    QString text;
    for (const QString &l : lines)
        text += l + kEol;
    return text;
}

SaveResult SavePageText(const QString &path, const QString &text)
{
    SaveResult r;
    const QString content = text + kEol;
    const qsizetype bad = textfile::firstNonCp1252(content);
    if (bad >= 0) {
        r.status = SaveResult::Unencodable;
        const bool pair = content[bad].isHighSurrogate() && bad + 1 < content.size()
                          && content[bad + 1].isLowSurrogate();
        r.character = content.mid(bad, pair ? 2 : 1);
        r.line = static_cast<int>(content.left(bad).count(QLatin1Char('\n'))) + 1;
        return r;
    }
    r.status = textfile::writeAll(path, content) ? SaveResult::Written : SaveResult::Failed;
    return r;
}

QString OverwriteQuestion(const QString &path)
{
    return QStringLiteral("Le fichier ") + path + QStringLiteral(" existe !\nLe remplacer ?");
}

QString SaveErrorText(const QString &path, const SaveResult &result)
{
    QString text = QStringLiteral("Erreur lors de la création du fichier ") + path + QStringLiteral(" !");
    if (result.status == SaveResult::BadName)
        text += QStringLiteral("\nLe nom ne doit contenir ni « / » ni « .. » et ne peut pas être vide.");
    else if (result.status == SaveResult::Unencodable)
        text += QStringLiteral("\nLe caractère « %1 » (ligne %2) ne peut pas être enregistré dans la page.")
                    .arg(result.character)
                    .arg(result.line);
    return text;
}

QString DeleteQuestion(const QString &path)
{
    return QStringLiteral("Confirmer la suppression du fichier <") + path + QStringLiteral("> ?");
}

QString DeleteErrorText(const QString &path)
{
    return QStringLiteral("Erreur lors de la suppression du fichier ") + path + QStringLiteral(" !");
}

QString InfoCaption(const QString &pageFileName)
{
    return QStringLiteral("Information titre en cours : ") + pageFileName;
}

QStringList ListFiles(const QString &folder, const QString &patterns)
{
    if (folder.isEmpty())
        return {};
    QDir dir(folder);
    return dir.entryList(patterns.split(QLatin1Char(';'), Qt::SkipEmptyParts), QDir::Files,
                         QDir::Name | QDir::IgnoreCase);
}

} // namespace stations
