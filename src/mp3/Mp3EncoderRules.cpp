#include "Mp3EncoderRules.h"

#include "core/Paths.h"

#include <QDate>
#include <QFileInfo>

const std::array<Mp3Preset, 16> &Mp3Presets()
{
    static const std::array<Mp3Preset, 16> presets = {{
        {QStringLiteral("(Défaut)"), -1},
        {QStringLiteral("Qualité Voix  (VBR 32kHz, 100-140kbps)"), 3},
        {QStringLiteral("R3 Mix Qualité (VBR 44.1kHz, 190-200kbps)"), 4},
        {QStringLiteral("Qualité Standard (VBR 44.1kHz, 170-210kbps)"), 6},
        {QStringLiteral("Qualité Standard Rapide (VBR 44.1kHz, 170-210kbps)"), 7},
        {QStringLiteral("Qualité Extreme (VBR 44.1kHz 200-240kbps)"), 8},
        {QStringLiteral("QualitéExtreme Rapide (VBR 44.1kHz 200-240kbps)"), 9},
        {QStringLiteral("Insane (CBR 44.1kHz 320kbps)"), 10},
        {QStringLiteral("Qualité Normale (CBR 44.1kHz, 128kbps)"), 0},
        {QStringLiteral("Basse Qualité (CBR 44.1kHz, 128kbps)"), 1},
        {QStringLiteral("Qualité Moyenne (CBR 44.1kHz, 128kbps)"), 13},
        {QStringLiteral("Qualité Moyenne Rapide (CBR 44.1kHz, 128kbps)"), 14},
        {QStringLiteral("Haute Qualité (CBR 44.1kHz, 128kbps)"), 2},
        {QStringLiteral("Très Haute Qualité (CBR 44.1kHz, 128kbps, very slow)"), 5},
        {QStringLiteral("ABR (Must set bit rate)"), 11},
        {QStringLiteral("CBR (Must set bit rate)"), 12},
    }};
    return presets;
}

bool Mp3OutputPathOk(const QString &path)
{
    if (path.isEmpty() || path.contains(QChar(0)) || FileExists(path))
        return false;
    const qsizetype p = path.lastIndexOf(QLatin1Char('/')); // 0-based
    if (p < 0)
        return false;
    const QString folder = path.left(p);
    // The folder must exist as a folder: a file of that name could not hold the output.
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        return false;
    // Also refuses a name that is itself an existing folder.
    if (QFileInfo(path).isDir())
        return false;
    return path.size() > p + 3;
}

bool Mp3EncodeAllowed(const QString &source, const QString &output)
{
    return FileExists(source) && Mp3OutputPathOk(output);
}

QString SuggestMp3Name(const QString &source)
{
    if (source.isEmpty())
        return {};
    const QString name = FileNameOf(source);
    return name.size() < 4 ? name : name.left(name.size() - 4);
}

QString Mp3ProgressText(double percent, const QLocale &locale)
{
    QLocale l = locale;
    l.setNumberOptions(QLocale::OmitGroupSeparator);
    return QStringLiteral("Encodage en cours... ") + l.toString(percent, 'f', 1) + QLatin1Char('%');
}

QString ReleaseDateText(std::chrono::year_month_day date, const QLocale &locale)
{
    if (!date.ok())
        return {};
    const QDate d(int(date.year()), int(unsigned(date.month())), int(unsigned(date.day())));
    return locale.toString(d, QLocale::LongFormat);
}

QString Mp3ErrorText(long number, const QString &description)
{
    QString what;
    if (number == 29671)
        what = QStringLiteral("Seuls les fichiers Wave stéréo 16 bits peuvent être convertis.");
    else if (number >= 29672 && number <= 29679)
        what = QStringLiteral("Le fichier Wave n'a pas pu être lu.");
    else if (number == 29872)
        what = QStringLiteral("Le fichier Mp3 n'a pas pu être créé.");
    else if (number == 29875)
        what = QStringLiteral("Le fichier Mp3 n'a pas pu être écrit (disque plein ?).");
    else if (number >= 29871 && number <= 29875)
        what = QStringLiteral("Le fichier Mp3 n'a pas pu être écrit.");
    else if (number == 29776)
        what = QStringLiteral("Le moteur d'encodage MP3 n'a pas pu être chargé : la conversion est impossible.");
    else
        what = QStringLiteral("L'encodage a échoué.");
    return what + QStringLiteral("\n\nErreur n° ") + QString::number(number) + QStringLiteral(" : ") +
           description;
}
