#include "Startup.h"

#include "common/TextFile.h"
#include "core/Globals.h"
#include "core/Paths.h"
#include "core/Settings.h"
#include "Favourites.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace startup {

QString FirstRunText()
{
    const QChar cr(13);
    return QStringLiteral("Première exécution de Tavilune") + cr +
           QStringLiteral("Les dossiers <Radios> et <TV> n'existent pas !") + cr +
           QStringLiteral("-1- Decompressez le fichier <Radios.exe> ") + cr +
           QStringLiteral("-2- Relancer Tavilune une fois les 2 dossiers décompréssés") + cr +
           QStringLiteral("-3- Configurer Tavilune.Menu <Fichier><Préférences>.");
}

void ReadFolderSettings()
{
    ProgramValues &g = G();
    bool ok = false;
    const int tempo = ValInt16(settings::GetSetting(QStringLiteral("TempoRadio"), QStringLiteral("10")), &ok);
    if (ok)
        g.tempoRadio = tempo;
    const QString prog = ProgramFolder();
    g.radioFolder = settings::GetSetting(QStringLiteral("DossierRadio"), prog);
    if (g.radioFolder.isEmpty())
        g.radioFolder = prog;
    g.tvFolder = settings::GetSetting(QStringLiteral("DossierTV"), prog);
    if (g.tvFolder.isEmpty())
        g.tvFolder = prog;
}

bool HandleFirstRun(const std::function<void()> &showMessage,
                    const std::function<void(const QString &)> &startArchive)
{
    ProgramValues &g = G();
    const QString prog = ProgramFolder();
    if (g.radioFolder != prog)
        return false;
    if (!QFileInfo(WithBackslash(prog) + QStringLiteral("Radios")).isDir()) {
        if (showMessage)
            showMessage();
        if (startArchive)
            startArchive(WithBackslash(prog) + QStringLiteral("Radios.exe"));
    }
    g.radioFolder = WithBackslash(prog) + QStringLiteral("Radios");
    g.tvFolder = WithBackslash(prog) + QStringLiteral("TV");
    settings::SaveSetting(QStringLiteral("DossierRadio"), g.radioFolder);
    settings::SaveSetting(QStringLiteral("DossierTV"), g.tvFolder);
    if (!settings::Flush())
        qWarning("%s", qUtf8Printable(SettingsNotSavedText(settings::FilePath())));
    return true;
}

QString DefaultRecordingsFolder()
{
    if (ProgramFolderIsPerUser()) {
        const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
        if (!music.isEmpty())
            return WithBackslash(music) + QStringLiteral("Tavilune");
    }
    return WithBackslash(ProgramFolder()) + QStringLiteral("Wav");
}

void PrepareRecordingsFolder()
{
    const QString wav = DefaultRecordingsFolder();
    if (!QFileInfo(wav).isDir())
        QDir().mkpath(wav); // a failure is skipped: recordings then fail where they are made
    G().wavFolder = wav;
}

std::optional<Position> SavedPosition()
{
    G().derPosition = ValInt16(settings::GetSetting(QStringLiteral("DerPosition"), QStringLiteral("0")));
    if (G().derPosition != 1)
        return std::nullopt;
    Position p{ValLong(settings::GetSetting(QStringLiteral("Haut"), QStringLiteral("10"))),
               ValLong(settings::GetSetting(QStringLiteral("Gauche"), QStringLiteral("10")))};
    if (p.top < 0)
        p.top = 100;
    if (p.left < 0)
        p.left = 100;
    return p;
}

int ReadFlags()
{
    ProgramValues &g = G();
    auto flag = [](const char *key) {
        return ValInt16(settings::GetSetting(QString::fromLatin1(key), QStringLiteral("0")));
    };
    g.fenVisible = flag("FenVisible");
    g.fenVisibleTV = flag("FenVisibleTV");
    g.derRadio = flag("DerRadio");
    g.nomRadio = flag("NomRadio");
    return flag("EcoEcran");
}

QString TitleFor(bool nomRadio, bool radioMode, const QString &radioText, const QString &tvText)
{
    if (!nomRadio)
        return kAppTitle;
    return QStringLiteral("Tavilune : ") + (radioMode ? radioText : tvText);
}

QString PlayingStatusText(const QString &station, const QString &title, const QString &engineText)
{
    const QString name = station.trimmed();
    QString text = name.isEmpty() ? engineText : QStringLiteral("Lecture en cours : ") + name;
    if (!title.isEmpty())
        text += QStringLiteral(" \u2014 ") + title;
    return text;
}

QString LastStationPath(const QString &name)
{
    return WithBackslash(WithBackslash(ProgramFolder()) + QStringLiteral("Radios")) + name +
           QStringLiteral(".HTM");
}

QStringList ReadFavourites() { return favourites::Read(); }

bool SaveOnShutdown(const QString &radioListText, long topTwips, long leftTwips, bool positionKnown)
{
    const ProgramValues &g = G();
    if (g.derRadio == 1)
        settings::SaveSetting(QStringLiteral("NomDerRadio"), settings::TrimSpaces(radioListText));
    if (g.derPosition == 1 && positionKnown) {
        settings::SaveSetting(QStringLiteral("Haut"), QString::number(topTwips));
        settings::SaveSetting(QStringLiteral("Gauche"), QString::number(leftTwips));
    }
    if (settings::Flush())
        return true;
    // The windows are closing: the log hears of it.
    qWarning("%s", qUtf8Printable(SettingsNotSavedText(settings::FilePath())));
    return false;
}

QString SettingsNotSavedText(const QString &settingsFile)
{
    return QStringLiteral("Les réglages n'ont pas pu être enregistrés dans « %1 » : le disque est peut-être "
                          "plein ou le dossier protégé en écriture.")
        .arg(settingsFile);
}

} // namespace startup
