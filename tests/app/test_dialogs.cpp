// The favourites manager, the preferences and the about box on the offscreen platform, wired to
// a real main window as the program wires them.
#include "app/App.h"
#include "app/Autostart.h"
#include "app/frmAbout.h"
#include "app/FrmFav.h"
#include "app/FrmMain.h"
#include "app/FrmOptions.h"
#include "app/ListeningPrefs.h"
#include "app/Module1.h"
#include "common/TextFile.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "media/MediaEngine.h"
#include "stations/FrmRadPerso.h"
#include "tv/FrmWMP.h"
#include "tv/TvPlayer.h"
#include "ui/WebBrowser.h"
#include "FakePrompts.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <gtest/gtest.h>
#include <csignal>
#include <sys/resource.h>

namespace {

// Records the addresses handed to the desktop.
class UrlSink : public QObject {
    Q_OBJECT
public:
    QStringList urls;
public slots:
    void open(const QUrl &url) { urls << url.toString(); }
};

QByteArray slurp(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList texts(const QListWidget *l)
{
    QStringList out;
    for (int i = 0; i < l->count(); ++i)
        out << l->item(i)->text();
    return out;
}

class DialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        prog = dir.filePath(QStringLiteral("prog"));
        radios = dir.filePath(QStringLiteral("ailleurs/Radios"));
        tv = dir.filePath(QStringLiteral("ailleurs/TV"));
        for (const QString &d : {prog, radios, tv})
            QDir().mkpath(d);
        QFile::copy(QStringLiteral(TAV_BIN_DIR "/Intro.htm"), prog + QStringLiteral("/Intro.htm"));
        for (const char *n : {"Fip.htm", "RADIO JAZZ.HTM", "R&B.htm", "jazzpopup.htm"})
            touch(radios + QLatin1Char('/') + QString::fromLatin1(n));
        touch(tv + QStringLiteral("/CHAINE.HTM"));
        SetProgramFolder(prog);
        settings::UseFile(dir.filePath(QStringLiteral("Tavilune.conf")));
        settings::SaveSetting(QStringLiteral("DossierRadio"), radios);
        settings::SaveSetting(QStringLiteral("DossierTV"), tv);
        G() = ProgramValues{};
        savedConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
    }
    void TearDown() override
    {
        qputenv("XDG_CONFIG_HOME", savedConfig);
        settings::UseFile(QString());
        SetProgramFolder(QString());
        G() = ProgramValues{};
    }
    static void touch(const QString &path)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<HTML></HTML>");
    }
    QString favFile() const { return prog + QStringLiteral("/Favoris.lst"); }

    QTemporaryDir dir;
    QString prog, radios, tv;
    QByteArray savedConfig;
};

} // namespace

TEST_F(DialogsTest, FavouritesManagerEditsCountsAndSavesByteForByte)
{
    QStringList start;
    for (int i = 0; i < 19; ++i)
        start << QStringLiteral("Station %1").arg(i);
    ASSERT_TRUE(textfile::writeLines(favFile(), start));
    G().radioFolder = radios;
    FrmFav f;
    f.show();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("Gestion des Favoris radios"));
    EXPECT_EQ(f.height(), 5055 / 15);
    EXPECT_EQ(texts(f.ListDisp), (QStringList{QStringLiteral("Fip"), QStringLiteral("R&B"), QStringLiteral("RADIO JAZZ")}));
    EXPECT_EQ(texts(f.ListFav), start);
    EXPECT_EQ(f.Label2->text(), QStringLiteral("Liste des Favoris : 19/20 Maxi"));
    EXPECT_EQ(f.Label1->text(), QStringLiteral("Radios disponibles :"));
    EXPECT_EQ(f.Frame1->title(), QStringLiteral("Gestion des favoris "));
    EXPECT_EQ(f.Command1->toolTip(), QStringLiteral("Ajoute la radio sélectionnée aux favoris"));
    EXPECT_EQ(f.Command2->toolTip(), QStringLiteral("Supprime la radio sélectionnée des favoris"));
    EXPECT_EQ(f.Command5->toolTip(), QStringLiteral("Efface la liste des favoris"));
    EXPECT_EQ(f.Command6->accessibleName(), QStringLiteral("Monter"));
    EXPECT_EQ(f.Command7->toolTip(), QStringLiteral("Descendre"));
    EXPECT_TRUE(f.Command1->isEnabled());
    EXPECT_FALSE(f.Command2->isEnabled());

    // The twentieth favourite disables add; a double click still adds a twenty-first.
    f.ListDisp->setCurrentRow(0);
    f.Command1->click();
    EXPECT_EQ(f.Label2->text(), QStringLiteral("Liste des Favoris : 20/20 Maxi"));
    EXPECT_FALSE(f.Command1->isEnabled());
    EXPECT_TRUE(f.Command2->isEnabled());
    f.ListDisp->setCurrentRow(1);
    emit f.ListDisp->itemDoubleClicked(f.ListDisp->item(1));
    EXPECT_EQ(f.ListFav->count(), 21);
    EXPECT_EQ(f.ListFav->item(20)->text(), QStringLiteral("R&B"));

    // Remove leaves add disabled; moves select the moved entry.
    f.ListFav->setCurrentRow(0);
    f.Command2->click();
    EXPECT_EQ(f.ListFav->count(), 20);
    EXPECT_FALSE(f.Command1->isEnabled());
    f.ListFav->setCurrentRow(19);
    f.Command6->click();
    EXPECT_EQ(f.ListFav->currentRow(), 18);
    EXPECT_EQ(f.ListFav->item(18)->text(), QStringLiteral("R&B"));
    f.ListFav->setCurrentRow(0);
    f.Command6->click();
    EXPECT_EQ(f.ListFav->item(0)->text(), QStringLiteral("Station 1"));
    f.Command7->click();
    EXPECT_EQ(f.ListFav->item(1)->text(), QStringLiteral("Station 1"));
    EXPECT_EQ(f.ListFav->currentRow(), 1);

    // Clear, then a station with an accent; saving writes Windows-1252 with CR LF and says so.
    f.Command5->click();
    EXPECT_EQ(f.ListFav->count(), 0);
    EXPECT_FALSE(f.Command2->isEnabled());
    EXPECT_FALSE(f.Command1->isEnabled());
    f.ListDisp->setCurrentRow(2);
    emit f.ListDisp->itemDoubleClicked(f.ListDisp->item(2));
    EXPECT_TRUE(f.Command1->isEnabled());
    f.ListDisp->setCurrentRow(0);
    f.Command1->click();
    FakePrompts prompts;
    f.Command3->click();
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].title, QStringLiteral("Modification des favoris"));
    EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Les modifications seront prises après le redémarrage de Tavilune."));
    EXPECT_EQ(prompts.shown[0].icon, UiPrompts::Icon::Information);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(slurp(favFile()), QByteArray("RADIO JAZZ\r\nFip\r\n"));

    // Reopening reloads the file with the creation state of the buttons; close keeps the file.
    textfile::writeLines(favFile(), {QStringLiteral("Fréquence été")});
    f.show();
    EXPECT_EQ(texts(f.ListFav), QStringList{QStringLiteral("Fréquence été")});
    EXPECT_TRUE(f.Command1->isEnabled());
    EXPECT_FALSE(f.Command2->isEnabled());
    f.ListFav->setCurrentRow(0);
    emit f.ListFav->itemClicked(f.ListFav->item(0));
    EXPECT_TRUE(f.Command2->isEnabled());
    f.Command5->click();
    f.Command4->click();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(slurp(favFile()), QByteArray("Fr\xE9quence \xE9t\xE9\r\n"));
}

TEST_F(DialogsTest, FavouritesSaveThatFailsWarnsAndKeepsTheOldFile)
{
    ASSERT_TRUE(textfile::writeLines(favFile(), {QStringLiteral("FIP")}));
    G().radioFolder = radios;
    FrmFav f;
    f.show();
    for (int i = 0; i < 300; ++i)
        emit f.ListDisp->itemDoubleClicked(nullptr);
    f.ListDisp->setCurrentRow(2);
    for (int i = 0; i < 300; ++i)
        emit f.ListDisp->itemDoubleClicked(f.ListDisp->item(2));
    ASSERT_EQ(f.ListFav->count(), 301);
    // A file-size limit stands for a full disk.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 256;
    setrlimit(RLIMIT_FSIZE, &small);
    FakePrompts prompts;
    f.Command3->click();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].title, QStringLiteral("Modification des favoris"));
    EXPECT_EQ(prompts.shown[0].icon, UiPrompts::Icon::Exclamation);
    EXPECT_TRUE(prompts.lastText().contains(QStringLiteral("n'ont pas pu être enregistrés"))) << prompts.lastText().toStdString();
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(slurp(favFile()), QByteArray("FIP\r\n"));
}

TEST_F(DialogsTest, FavouriteMenuShowsTheFileAndAChoiceSelectsThePageInTheRadioFolder)
{
    ASSERT_TRUE(textfile::writeLines(favFile(), {QStringLiteral("FIP"), QString(), QStringLiteral("R&B"),
                                                 QStringLiteral("radio jazz")}));
    FrmMain w;
    ASSERT_TRUE(w.Form_Load());
    EXPECT_EQ(w.ListFav.size(), 4);
    w.Ajout_Menu();
    const bool shown[6] = {true, false, true, true, false, false};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(w.Mnu_Fav[i]->isVisible(), shown[i]) << i;
    EXPECT_EQ(w.Mnu_Fav[2]->text(), QStringLiteral("R&&B"));
    EXPECT_EQ(w.Mnu_Fav[5]->text(), QStringLiteral("FAV5"));

    w.Mnu_Fav[2]->trigger();
    EXPECT_EQ(w.ComboRad->currentText(), QStringLiteral("R&B"));
    EXPECT_EQ(w.Text1, radios + QStringLiteral("/R&B.htm"));
    w.Mnu_Fav_Click(0);
    EXPECT_EQ(w.Text1, radios + QStringLiteral("/Fip.htm"));
    w.Mnu_Fav_Click(3);
    EXPECT_EQ(w.ComboRad->currentText(), QStringLiteral("radio jazz"));
    EXPECT_EQ(w.Text1, radios + QStringLiteral("/RADIO JAZZ.HTM"));
    w.Command1_Click();
    EXPECT_EQ(w.WebBrowser1->LocationURL(), radios + QStringLiteral("/RADIO JAZZ.HTM"));
}

TEST_F(DialogsTest, PreferencesLoadSaveRefillAndClose)
{
    touch(radios + QStringLiteral("/../nouveau.htm"));
    const QString newRadios = dir.filePath(QStringLiteral("ailleurs"));
    touch(newRadios + QStringLiteral("/popup.htm"));
    settings::SaveSetting(QStringLiteral("FenVisible"), QStringLiteral("1"));
    settings::SaveSetting(QStringLiteral("EcoEcran"), QStringLiteral("2"));
    FrmMain w;
    ASSERT_TRUE(w.Form_Load());
    w.ComboRad->setCurrentIndex(w.ComboRad->findText(QStringLiteral("Fip")));
    const QString path = w.Text1;
    const QStringList tvBefore = w.Combo2;
    int titles = 0;
    FrmOptions o({[&](const QString &f) { w.RefillStationList(true, f); },
                  [&](const QString &f) { w.RefillStationList(false, f); },
                  [&] {
                      ++titles;
                      w.setWindowTitle(w.TitleText());
                  }},
                 &w);
    o.programPath = QStringLiteral("/opt/Mes programmes/tavilune");
    o.show();
    EXPECT_EQ(o.windowTitle(), QStringLiteral("Préférences"));
    EXPECT_EQ(o.chkStartOnWin->text(), QStringLiteral("Exécuter Tavilune à l'ouverture de la session"));
    EXPECT_EQ(o.Check[4]->text(), QStringLiteral("Fenêtre <Autres chaînes ou émissions> toujours visible"));
    EXPECT_EQ(o.Frame1->title(), QStringLiteral("Dossier radios : (Fichiers HTM) "));
    EXPECT_EQ(o.Command1->toolTip(), QStringLiteral("Parcourir..."));
    // Save and close are told apart by their names.
    EXPECT_EQ(o.Command2->toolTip(), QStringLiteral("Enregistrer"));
    EXPECT_EQ(o.Command2->accessibleName(), QStringLiteral("Enregistrer"));
    EXPECT_EQ(o.Command3->toolTip(), QStringLiteral("Fermer"));
    EXPECT_EQ(o.Command3->accessibleName(), QStringLiteral("Fermer"));
    EXPECT_TRUE(o.Check[0]->isChecked());
    EXPECT_FALSE(o.Check[5]->isChecked()); // 2 is not a value the program treats as on
    EXPECT_FALSE(o.chkStartOnWin->isChecked());
    EXPECT_EQ(o.Text1->text(), radios);

    // The folder choosers start at the current folders; a cancel keeps the typed text.
    {
        FakePrompts prompts;
        prompts.folders << tv;
        o.Command1->click();
        o.Command4->click();
        ASSERT_EQ(prompts.shown.size(), 2);
        EXPECT_EQ(prompts.shown[0].kind, QStringLiteral("folder"));
        EXPECT_EQ(prompts.shown[0].title, QStringLiteral("Selectionner le dossier Radios"));
        EXPECT_EQ(prompts.shown[0].text, radios);
        EXPECT_EQ(prompts.shown[1].title, QStringLiteral("Selectionner le dossier TV"));
        EXPECT_EQ(prompts.shown[1].text, tv);
        EXPECT_EQ(o.Text1->text(), tv);
        EXPECT_EQ(o.Text2->text(), tv);
        o.Text1->setText(radios);
    }

    // Saving with the folders as they were leaves the lists and their selection alone.
    o.Check[3]->setChecked(true);
    o.Command2->click();
    EXPECT_EQ(settings::GetSetting(QStringLiteral("NomRadio")), QStringLiteral("1"));
    EXPECT_EQ(settings::GetSetting(QStringLiteral("EcoEcran")), QStringLiteral("0"));
    EXPECT_EQ(w.ComboRad->currentText(), QStringLiteral("Fip"));
    EXPECT_EQ(w.Combo2, tvBefore);
    EXPECT_TRUE(o.isVisible());

    // A new radio folder typed with spaces: stored trimmed, list refilled with its pop-up page.
    o.Text1->setText(QStringLiteral("  ") + newRadios + QStringLiteral(" "));
    o.Command2->click();
    EXPECT_EQ(settings::GetSetting(QStringLiteral("DossierRadio")), newRadios);
    EXPECT_EQ(G().radioFolder, newRadios);
    EXPECT_EQ(w.Combo1, (QStringList{QStringLiteral("nouveau.htm"), QStringLiteral("popup.htm")}));
    EXPECT_EQ(w.ComboRad->currentText(), QStringLiteral("Selectionner une radio"));
    EXPECT_EQ(w.Text1, path);
    EXPECT_EQ(w.Combo2, tvBefore);

    // A folder that cannot be listed leaves an empty list.
    o.Text2->setText(dir.filePath(QStringLiteral("absent")));
    o.Command2->click();
    EXPECT_TRUE(w.Combo2.isEmpty());
    EXPECT_EQ(w.ComboTV->count(), 0);
    EXPECT_EQ(w.ComboTV->currentText(), QStringLiteral("Selectionner une TV"));

    // Closing reads the flags back, applies them and sets the title.
    o.Command3->click();
    EXPECT_FALSE(o.isVisible());
    EXPECT_EQ(titles, 1);
    EXPECT_EQ(G().nomRadio, 1);
    EXPECT_EQ(G().fenVisible, 1);
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Tavilune : Selectionner une radio"));
}

TEST_F(DialogsTest, PreferencesAutostartBoxWritesRemovesAndRewritesTheEntry)
{
    FrmOptions o({}, nullptr);
    o.programPath = QStringLiteral("/opt/Mes programmes/tavilune");
    o.show();
    EXPECT_FALSE(autostart::Exists());
    o.chkStartOnWin->click();
    ASSERT_TRUE(autostart::Exists());
    EXPECT_TRUE(slurp(autostart::EntryPath()).contains("Exec=\"/opt/Mes programmes/tavilune\"\n"));
    o.chkStartOnWin->click();
    EXPECT_FALSE(autostart::Exists());
    o.chkStartOnWin->click();
    o.hide();

    // Opening finds the entry and writes it again for the program where it runs now.
    o.programPath = QStringLiteral("/home/moi/tavilune/tavilune");
    o.show();
    EXPECT_TRUE(o.chkStartOnWin->isChecked());
    EXPECT_TRUE(slurp(autostart::EntryPath()).contains("Exec=/home/moi/tavilune/tavilune\n"));
    o.Command3->click();
    EXPECT_TRUE(autostart::Exists()); // closing does not touch it
}

TEST_F(DialogsTest, BoxesToggledByAssistiveTechnologyRunTheWindowsLogic)
{
    // A screen reader ticks a box through its toggle action: no click, only the state change.
    const auto toggle = [](QAbstractButton *box) {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(box);
        ASSERT_NE(a, nullptr);
        QAccessibleActionInterface *actions = a->actionInterface();
        ASSERT_NE(actions, nullptr);
        ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
        actions->doAction(QAccessibleActionInterface::toggleAction());
    };
    FrmMain w;
    ASSERT_TRUE(w.Form_Load());
    FrmWMP tv(&w);
    tvlinks::ServerHosts closed;
    for (int i = 0; i < tvlinks::ServerCount; ++i)
        closed.setHost(static_cast<tvlinks::Server>(i), QStringLiteral("127.0.0.1:9"));
    tv.SetHosts(closed);
    tv.show();
    FrmOptions o({{}, {}, {}, w.Ecoute}, nullptr);
    o.programPath = QStringLiteral("/opt/tavilune/tavilune");
    o.show();
    // No sound server here: the output list holds the default alone, chosen.
    EXPECT_EQ(o.lblSortie->buddy(), o.cboSortie);
    ASSERT_EQ(o.cboSortie->count(), 1);
    EXPECT_EQ(o.cboSortie->currentText(), QStringLiteral("Par défaut"));
    FrmRadPerso perso(w, nullptr);
    perso.show();

    const auto onlyChecked = [&tv](QCheckBox *box) {
        return box->isChecked()
               && tv.Check1->isChecked() + tv.Check2->isChecked() + tv.Check3->isChecked() + tv.Check4->isChecked() == 1;
    };
    const struct {
        const char *what;
        QAbstractButton *box;
        std::function<bool()> ran; // the window did what ticking the box does
    } cases[] = {
        {"TV: regional news, the others unticked and the date shown", tv.Check1,
         [&] { return onlyChecked(tv.Check1) && tv.Boxes().check1 && tv.ComboFR3Region->isVisible() && tv.Frame1->isVisible(); }},
        {"TV: national news", tv.Check2,
         [&] { return onlyChecked(tv.Check2) && tv.Boxes().check2 && tv.AutresChaines->isVisible() && tv.Frame1->isVisible(); }},
        {"TV: local editions", tv.Check4,
         [&] { return onlyChecked(tv.Check4) && tv.Boxes().check4 && tv.ComboM6LOcal->isVisible(); }},
        {"TV: the channel list, no date", tv.Check3,
         [&] { return onlyChecked(tv.Check3) && tv.Boxes().check3 && !tv.Frame1->isVisible(); }},
        {"preferences: start with the session writes the entry", o.chkStartOnWin, [] { return autostart::Exists(); }},
        {"preferences: even loudness is stored and applies to the radio listened to", o.chkVolumeEgal,
         [&] { return w.Ecoute->EvenLoudness(); }},
        {"personal radio: the logo file can be chosen", perso.CheckLogo, [&] { return perso.TextLogo->isEnabled(); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_FALSE(c.box->isChecked());
        toggle(c.box);
        EXPECT_TRUE(c.box->isChecked());
        EXPECT_TRUE(c.ran());
    }
    // Unticked the same way, the entry goes.
    toggle(o.chkStartOnWin);
    EXPECT_FALSE(autostart::Exists());

    // The dated link is built for the source ticked that way.
    toggle(tv.Check1);
    tv.ComboFR3Region->setCurrentIndex(0);
    tv.TJ->setText(QStringLiteral("07"));
    tv.TM->setText(QStringLiteral("03"));
    tv.TA->setText(QStringLiteral("2007"));
    tv.WMP->engine()->setAudioOutput(QStringLiteral("null"));
    tv.Go->click();
    EXPECT_TRUE(tv.Text1->text().endsWith(QStringLiteral("grenoble_midipile_070307.wmv?WMCache=0"))) << tv.Text1->text().toStdString();
    tv.close();
}

TEST_F(DialogsTest, AboutBoxTextsLinksDetailsAndMissingTool)
{
    frmAbout a;
    EXPECT_EQ(a.windowTitle(), QStringLiteral("A propos Tavilune"));
    EXPECT_EQ(a.lblTitle->text(), QStringLiteral("Tavilune"));
    EXPECT_EQ(a.lblVersion->text(), QStringLiteral("Version 2.5.0"));
    EXPECT_EQ(a.Label5->text(), QStringLiteral("Version mise à jour du : 29/01/2009"));
    EXPECT_EQ(a.cmdOK->text(), QStringLiteral("OK"));
    EXPECT_EQ(a.Command1->text(), QStringLiteral("Détails..."));
    EXPECT_EQ(a.cmdSysInfo->text(), QStringLiteral("&Système Info..."));
    EXPECT_EQ(a.cmdSysInfo->toolTip(), QStringLiteral("Informations système"));
    EXPECT_EQ(a.Label4->text(), QStringLiteral("Aide en ligne"));
    EXPECT_EQ(a.Image2->toolTip(),
              QStringLiteral("Faire un don avec PayPal - Un solution gratuite, rapide et sécurisée."));

    UrlSink sink;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &sink, "open");
    QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &sink, "open");
    a.Label4_Click();
    a.Image2_Click();
    a.Label3_Click();
    a.lblDisclaimer_Click();
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
    ASSERT_EQ(sink.urls.size(), 4);
    EXPECT_TRUE(sink.urls[0].endsWith(QStringLiteral("/Tavilune/Index.htm")));
    EXPECT_TRUE(sink.urls[1].endsWith(QStringLiteral("/Don/Don.htm")));
    EXPECT_EQ(sink.urls[2], a.Label3->text());
    EXPECT_EQ(sink.urls[3], QStringLiteral("mailto:") + a.lblDisclaimer->text());

    FakePrompts prompts;
    a.Command1->click();
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].title, QStringLiteral("A propos : Détails"));
    EXPECT_EQ(prompts.shown[0].icon, UiPrompts::Icon::Information);
    EXPECT_TRUE(prompts.lastText().startsWith(QStringLiteral("Tavilune version 2.5.0 - Radios-TV Internet\n\n")));

    const QByteArray pathEnv = qgetenv("PATH");
    qputenv("PATH", dir.path().toLocal8Bit()); // no system information tool in there
    a.cmdSysInfo->click();
    qputenv("PATH", pathEnv);
    ASSERT_EQ(prompts.shown.size(), 2);
    EXPECT_EQ(prompts.shown[1].title, QStringLiteral("Tavilune"));
    EXPECT_EQ(prompts.shown[1].text, QStringLiteral("Information Systeme introuvable !"));
    EXPECT_EQ(prompts.shown[1].icon, UiPrompts::Icon::None);
}

TEST_F(DialogsTest, TheProgramRegistersTheThreeWindowsModalAndPlacedBelowTheMainWindow)
{
    App program;
    ASSERT_TRUE(program.Start());
    FrmMain &w = program.Main();
    w.move(300, 100);
    w.show();
    EXPECT_TRUE(w.Mnu_Options->isEnabled());
    EXPECT_TRUE(w.Mnu_GestionFAV->isEnabled());
    EXPECT_TRUE(w.Mnu_Apropos->isEnabled());

    w.Mnu_GestionFAV->trigger();
    auto *fav = qobject_cast<FrmFav *>(program.Hub().Window(WindowKind::Favourites, false));
    ASSERT_NE(fav, nullptr);
    EXPECT_TRUE(fav->isVisible());
    EXPECT_EQ(fav->windowModality(), Qt::ApplicationModal);
    const QRect main = w.frameGeometry();
    EXPECT_NEAR(fav->frameGeometry().left(), main.left() - 200 / 15, 1);
    EXPECT_NEAR(fav->frameGeometry().top(), main.bottom() + 1, 2);
    fav->Command4->click();
    EXPECT_FALSE(fav->isVisible());

    w.Mnu_Options->trigger();
    auto *opt = qobject_cast<FrmOptions *>(program.Hub().Window(WindowKind::Options, false));
    ASSERT_NE(opt, nullptr);
    EXPECT_TRUE(opt->isVisible());
    EXPECT_NEAR(opt->frameGeometry().left(), main.left(), 1);
    opt->Command3->click();
    EXPECT_FALSE(opt->isVisible());

    w.Mnu_Apropos->trigger();
    auto *box = qobject_cast<frmAbout *>(program.Hub().Window(WindowKind::About, false));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
    box->cmdOK->click();
    EXPECT_FALSE(box->isVisible());
}

TEST_F(DialogsTest, TheProgramMakesItsAlwaysOnTopWindowsOnFirstUseWithTheirPreference)
{
    // Nothing but the main window is made at start-up; each window gets its preference when
    // the hub makes it, and later changes reach it.
    const struct {
        WindowKind kind;
        const char *setting;
    } cases[] = {{WindowKind::NowPlaying, "FenVisible"}, {WindowKind::TvPlayer, "FenVisibleTV"}};
    for (const auto &c : cases) {
        for (const bool on : {true, false}) {
            settings::SaveSetting(QStringLiteral("FenVisible"), QStringLiteral("0"));
            settings::SaveSetting(QStringLiteral("FenVisibleTV"), QStringLiteral("0"));
            settings::SaveSetting(QString::fromLatin1(c.setting), on ? QStringLiteral("1") : QStringLiteral("0"));
            G() = ProgramValues{};
            App program;
            ASSERT_TRUE(program.Start());
            EXPECT_EQ(program.Hub().Window(c.kind, false), nullptr) << c.setting;
            QWidget *w = program.Hub().Window(c.kind);
            ASSERT_NE(w, nullptr) << c.setting;
            EXPECT_EQ(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint), on) << c.setting;
            (c.kind == WindowKind::NowPlaying ? G().fenVisible : G().fenVisibleTV) = on ? 0 : 1;
            ApplyTopmost();
            EXPECT_EQ(w->windowFlags().testFlag(Qt::WindowStaysOnTopHint), !on) << c.setting;
        }
    }
}

#include "test_dialogs.moc"
