// The TV player window and the TV list editor on a program folder of their own, driven through
// their controls; messages and questions answered by the fake prompt provider. Nothing reaches
// the network: the catalogue's hosts point at a closed local port and audio goes to mpv's null
// output.
#include "core/Globals.h"
#include "core/Settings.h"
#include "media/MediaEngine.h"
#include "tv/FrmAutresTVModif.h"
#include "tv/FrmWMP.h"
#include "tv/TvPlayer.h"
#include "ui/MainLink.h"
#include "FakePrompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

class FakeMain : public MainLink {
public:
    int stops = 0;
    void StopMainPage() override { ++stops; }
    void OpenNowPlaying(bool, const QString &, const QString &) override {}
    QRect MainGeometryTwips() const override { return {}; }
    void RefreshStationLists() override {}
    QWidget *MainWindow() override { return nullptr; }
};

tvlinks::ServerHosts closedHosts()
{
    tvlinks::ServerHosts h;
    for (int i = 0; i < tvlinks::ServerCount; ++i)
        h.setHost(static_cast<tvlinks::Server>(i), QStringLiteral("127.0.0.1:9"));
    return h;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QByteArray kDefaultList = "Un\r\nhttp://127.0.0.1:9/un.ts\r\n Deux \r\n http://127.0.0.1:9/deux.ts \r\n"
                                "Trois\r\nhttp://127.0.0.1:9/trois.ts\r\n";

class TvWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        SetProgramFolder(dir.path());
        settings::UseFile(dir.filePath(QStringLiteral("Tavilune.conf")));
        writeFile(path(QStringLiteral("AutresTV.TV")), kDefaultList);
    }
    void TearDown() override
    {
        settings::UseFile(QString());
        SetProgramFolder(QString());
    }
    QString path(const QString &name) const { return QDir(dir.path()).filePath(name); }
    static void quiet(TvPlayer *p) { p->engine()->setAudioOutput(QStringLiteral("null")); }

    QTemporaryDir dir;
    FakeMain main;
    FakePrompts prompts;
};

} // namespace

TEST_F(TvWindows, PlayerWindowOpensOnTheTvListWithTodaysDate)
{
    FrmWMP w(&main);
    w.show();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Autres chaînes ou émissions"));
    ASSERT_EQ(w.AutresTV->count(), 3);
    EXPECT_EQ(w.AutresTV->itemText(1), QStringLiteral(" Deux "));
    EXPECT_EQ(w.List().links[1], QStringLiteral(" http://127.0.0.1:9/deux.ts "));
    EXPECT_EQ(w.AutresTV->placeholderText(), QStringLiteral("Autres TV"));
    EXPECT_EQ(w.AutresChaines->count(), 35);
    EXPECT_EQ(w.ComboFR3Region->count(), 24);
    EXPECT_EQ(w.ComboM6LOcal->count(), 8);
    EXPECT_TRUE(w.Check3->isChecked());
    EXPECT_FALSE(w.Check1->isChecked() || w.Check2->isChecked() || w.Check4->isChecked());
    EXPECT_TRUE(w.AutresTV->isVisible() && w.OvrLst->isVisible() && w.AutresChaines->isVisible());
    EXPECT_FALSE(w.Frame1->isVisible() || w.ComboFR3Region->isVisible() || w.Frame2->isVisible()
                 || w.ComboM6LOcal->isVisible());
    EXPECT_TRUE(w.Option1->isChecked());
    const QDate today = QDate::currentDate();
    EXPECT_EQ(w.TJ->text(), today.toString(QStringLiteral("dd")));
    EXPECT_EQ(w.TM->text(), today.toString(QStringLiteral("MM")));
    EXPECT_EQ(w.TA->text(), today.toString(QStringLiteral("yyyy")));
    EXPECT_EQ(w.Label4->text(), today.toString(QStringLiteral("dd/MM/yyyy")));
    EXPECT_EQ(w.Label4->toolTip(), QStringLiteral("Aujourd'hui"));
    EXPECT_EQ(w.Go->accessibleName(), QStringLiteral("Appliquer la chaîne TV..."));
    EXPECT_EQ(w.LabelURL->buddy(), w.Text1);

    // The source boxes, clicked as a user does.
    const struct {
        QCheckBox *box;
        bool national, region, local, list, date;
    } rows[] = {
        {w.Check1, false, true, false, false, true},
        {w.Check2, true, false, false, false, true},
        {w.Check4, false, false, true, false, true},
        {w.Check3, false, false, false, true, false},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.box->text().toStdString());
        r.box->click();
        EXPECT_TRUE(r.box->isChecked());
        EXPECT_EQ(w.Check1->isChecked() + w.Check2->isChecked() + w.Check3->isChecked() + w.Check4->isChecked(), 1);
        EXPECT_EQ(w.AutresChaines->isVisible(), r.national);
        EXPECT_EQ(w.ComboFR3Region->isVisible(), r.region);
        EXPECT_EQ(w.Frame2->isVisible(), r.region);
        EXPECT_EQ(w.ComboM6LOcal->isVisible(), r.local);
        EXPECT_EQ(w.AutresTV->isVisible(), r.list);
        EXPECT_EQ(w.OvrLst->isVisible(), r.list);
        EXPECT_EQ(w.Frame1->isVisible(), r.date);
    }
    // Unchecking leaves the selectors as they are.
    w.Check3->click();
    EXPECT_FALSE(w.Check3->isChecked());
    EXPECT_TRUE(w.AutresTV->isVisible());
    EXPECT_FALSE(w.Frame1->isVisible());

    // Date fields take digits and Backspace only.
    w.Check2->click();
    for (QLineEdit *field : {w.TJ, w.TM, w.TA}) {
        field->clear();
        QTest::keyClicks(field, QStringLiteral("1a/ 2-x"));
        EXPECT_EQ(field->text(), QStringLiteral("12"));
        QTest::keyClick(field, Qt::Key_Backspace);
        EXPECT_EQ(field->text(), QStringLiteral("1"));
    }
    QTest::keyClicks(w.TA, QStringLiteral("23456"));
    EXPECT_EQ(w.TA->text(), QStringLiteral("1234"));
}

TEST_F(TvWindows, GoComposesPlaysAndCaptions)
{
    FrmWMP w(&main);
    quiet(w.WMP);
    w.SetHosts(closedHosts());
    w.show();
    const QString f2 = QStringLiteral("mms://127.0.0.1:9/7/988/10199/3f97c7e6/127.0.0.1:9/10199/horsgv/regions/");

    // National, with a one-digit day and month.
    w.Check2->click();
    w.AutresChaines->setCurrentIndex(12);
    w.TJ->setText(QStringLiteral("7"));
    w.TM->setText(QStringLiteral("3"));
    w.TA->setText(QStringLiteral("2007"));
    w.Go->click();
    EXPECT_EQ(w.TJ->text(), QStringLiteral("07"));
    EXPECT_EQ(w.TM->text(), QStringLiteral("03"));
    EXPECT_EQ(w.Text1->text(), f2 + QStringLiteral("siege/infos/f2/20h/HD_20h_20070307.wmv?WMCache=0"));
    EXPECT_EQ(w.WMP->URL(), w.Text1->text());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Tavilune : Journal France 2-20h"));
    EXPECT_EQ(main.stops, 1);
    EXPECT_TRUE(w.WMP->isVisible());

    // Regional, evening edition, and local.
    w.Check1->click();
    w.ComboFR3Region->setCurrentIndex(0);
    w.Option2->click();
    w.Go->click();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Tavilune : Alpes 19|20"));
    EXPECT_TRUE(w.Text1->text().endsWith(QStringLiteral("raa/HD_1900_grenoble_jtregional_070307.wmv?WMCache=0")));
    w.Check4->click();
    w.ComboM6LOcal->setCurrentIndex(1);
    w.Go->click();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Tavilune :  M6 Edition locale - Lille"));
    EXPECT_EQ(w.Text1->text(), QStringLiteral("http://127.0.0.1:9/content/video/info/asx/Lille_00_070307.asx"));

    // Unchecked boxes: the national list, here with nothing chosen: the stream stops.
    w.Check4->click();
    w.AutresChaines->setCurrentIndex(-1);
    w.Go->click();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Tavilune : Journaux TV"));
    EXPECT_TRUE(w.Text1->text().isEmpty());
    EXPECT_TRUE(w.WMP->URL().isEmpty());
    EXPECT_EQ(w.WMP->engine()->state(), MediaEngine::State::Idle);

    // TV list: nothing chosen does nothing; a channel plays its address as read.
    w.Check3->click();
    w.Text1->setText(QStringLiteral("kept"));
    const int stops = main.stops;
    w.Go->click();
    EXPECT_EQ(w.Text1->text(), QStringLiteral("kept"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Tavilune : Journaux TV"));
    EXPECT_EQ(main.stops, stops);
    w.AutresTV->setCurrentIndex(1);
    w.Go->click();
    EXPECT_EQ(w.Text1->text(), QStringLiteral(" http://127.0.0.1:9/deux.ts "));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Tavilune :  Deux "));
    EXPECT_EQ(main.stops, stops + 1);

    // A typed address plays unchanged.
    w.Text1->setText(QStringLiteral("http://127.0.0.1:9/typed.ts"));
    w.Command1->click();
    EXPECT_EQ(w.WMP->URL(), QStringLiteral("http://127.0.0.1:9/typed.ts"));

    // Closing stops and releases the player.
    w.close();
    EXPECT_TRUE(w.WMP->URL().isEmpty());
    EXPECT_EQ(w.WMP->engine()->state(), MediaEngine::State::Idle);
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(TvWindows, PlayerWindowOpensOtherLists)
{
    FrmWMP w(&main);
    w.show();
    const QString good = path(QStringLiteral("Sport.TV"));
    const QString bad = path(QStringLiteral("Casse.TV"));
    writeFile(good, "S1\r\nhttp://127.0.0.1:9/s1\r\n");
    writeFile(bad, "B1\r\nhttp://127.0.0.1:9/b1\r\nB2\r\n");
    const QString failure = QStringLiteral("Fichier non compatible ou ouverture de fichier liste annulée!");

    const struct {
        QString file;
        int channels;
        QString shownName;
        bool message;
    } cases[] = {
        {QString(), 3, QStringLiteral("Autres TV"), true},           // cancelled
        {path(QStringLiteral("absent.TV")), 3, QStringLiteral("Autres TV"), true},
        {good, 1, QStringLiteral("Sport.TV"), false},
        {bad, 1, QStringLiteral("Casse.TV"), true},                  // entries before the fault
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        prompts.shown.clear();
        if (!c.file.isEmpty())
            prompts.files << c.file;
        w.OvrLst->click();
        ASSERT_FALSE(prompts.shown.isEmpty());
        EXPECT_EQ(prompts.shown[0].kind, QStringLiteral("open"));
        EXPECT_EQ(prompts.shown[0].title, QStringLiteral("Ouvrir une liste de chaînes TV"));
        EXPECT_EQ(prompts.shown[0].text, dir.path());
        EXPECT_EQ(w.AutresTV->count(), c.channels);
        EXPECT_EQ(w.List().size(), c.channels);
        EXPECT_EQ(w.AutresTV->currentIndex(), -1);
        EXPECT_EQ(w.AutresTV->placeholderText(), c.shownName);
        EXPECT_EQ(prompts.shown.size(), c.message ? 2 : 1);
        if (c.message) {
            EXPECT_EQ(prompts.shown[1].title, QStringLiteral("Erreur"));
            EXPECT_EQ(prompts.shown[1].text, failure);
            EXPECT_EQ(prompts.shown[1].icon, UiPrompts::Icon::Exclamation);
        }
    }
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Autres chaînes ou émissions"));
    // The default list is read again at the next opening.
    w.close();
    w.show();
    EXPECT_EQ(w.AutresTV->count(), 3);
}

TEST_F(TvWindows, EditorThroughItsModes)
{
    FrmAutresTVModif e(&main);
    quiet(e.WMP);
    e.show();
    const QString def = path(QStringLiteral("AutresTV.TV"));
    EXPECT_EQ(e.windowTitle(), QStringLiteral("Création - Suppression : ") + def);
    EXPECT_EQ(e.ListNomTV->count(), 3);
    EXPECT_FALSE(e.WMP->isVisible());
    EXPECT_FALSE(e.Command6->isEnabled() || e.Command5->isEnabled() || e.Command4->isEnabled());
    for (QWidget *b : {static_cast<QWidget *>(e.Command11), static_cast<QWidget *>(e.OvrLst),
                       static_cast<QWidget *>(e.Command7), static_cast<QWidget *>(e.Command2),
                       static_cast<QWidget *>(e.Command8), static_cast<QWidget *>(e.Command3),
                       static_cast<QWidget *>(e.Command9), static_cast<QWidget *>(e.Command10),
                       static_cast<QWidget *>(e.Command12), static_cast<QWidget *>(e.Command1)})
        EXPECT_TRUE(b->isEnabled()) << b->toolTip().toStdString();
    EXPECT_EQ(e.Label2->buddy(), e.Text2);
    EXPECT_EQ(e.Command9->accessibleName(), QStringLiteral("Monter"));

    // Adding: the list cannot be saved nor the window closed until "Appliquer...".
    e.Command2->click();
    EXPECT_TRUE(e.Command4->isEnabled());
    EXPECT_FALSE(e.Command7->isEnabled() || e.Command1->isEnabled() || e.Command3->isEnabled());
    e.Text1->setText(QStringLiteral("Quatre"));
    e.Text2->setText(QStringLiteral("http://127.0.0.1:9/quatre.ts"));
    EXPECT_TRUE(e.Command6->isEnabled());
    e.Command4->click();
    EXPECT_EQ(e.ListNomTV->count(), 4);
    EXPECT_FALSE(e.Command4->isEnabled());
    EXPECT_TRUE(e.Command7->isEnabled() && e.Command1->isEnabled());

    // Edit the second channel, move it down, then apply a change to it.
    e.ListNomTV->setCurrentRow(1);
    EXPECT_TRUE(e.Command5->isEnabled());
    e.Command5->click();
    EXPECT_EQ(e.Text1->text(), QStringLiteral(" Deux "));
    e.Command10->click();
    EXPECT_EQ(e.ListNomTV->item(2)->text(), QStringLiteral(" Deux "));
    EXPECT_EQ(e.ListNomTV->currentRow(), 2);
    e.Text1->setText(QStringLiteral("Deux bis"));
    prompts.answers << true;
    e.Command8->click();
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].title, QStringLiteral("Modifier une chaîne TV"));
    EXPECT_EQ(prompts.shown[0].text, QStringLiteral("Confirmer la modification de la chaîne <Deux bis> ?"));
    EXPECT_EQ(e.Editor().list().names,
              QStringList({"Un", "Trois", "Deux bis", "Quatre"}));

    // Delete the first after its question; "No" keeps it.
    e.ListNomTV->setCurrentRow(0);
    e.Command3->click(); // no answer queued: No
    EXPECT_EQ(e.ListNomTV->count(), 4);
    prompts.answers << true;
    e.Command3->click();
    EXPECT_EQ(prompts.shown.last().text, QStringLiteral("Confirmer la suppression de la chaîne <Un> ?"));
    EXPECT_EQ(e.ListNomTV->count(), 3);
    EXPECT_FALSE(e.Command5->isEnabled());

    // Save: the file and the message with its exclamation icon.
    e.Command7->click();
    EXPECT_EQ(prompts.shown.last().title, QStringLiteral("Sauvegarde liste chaînes TV"));
    EXPECT_EQ(prompts.shown.last().text, QStringLiteral("Liste des chaînes TV enregistrée avec succès !"));
    EXPECT_EQ(prompts.shown.last().icon, UiPrompts::Icon::Exclamation);
    EXPECT_EQ(readFile(def), QByteArray("Trois\r\nhttp://127.0.0.1:9/trois.ts\r\nDeux bis\r\n"
                                        " http://127.0.0.1:9/deux.ts \r\nQuatre\r\nhttp://127.0.0.1:9/quatre.ts\r\n"));

    // Testing: the main page stops, the player shows and plays, the rest waits.
    e.Text2->setText(QStringLiteral("http://127.0.0.1:9/test.ts"));
    const int stops = main.stops;
    e.Command6->click();
    EXPECT_EQ(main.stops, stops + 1);
    EXPECT_EQ(e.Command6->text(), QStringLiteral("STOP"));
    EXPECT_TRUE(e.WMP->isVisible());
    EXPECT_EQ(e.WMP->URL(), QStringLiteral("http://127.0.0.1:9/test.ts"));
    for (QWidget *b : {static_cast<QWidget *>(e.Command1), static_cast<QWidget *>(e.Command2),
                       static_cast<QWidget *>(e.Command3), static_cast<QWidget *>(e.Command4),
                       static_cast<QWidget *>(e.Command5), static_cast<QWidget *>(e.Command7),
                       static_cast<QWidget *>(e.Command8), static_cast<QWidget *>(e.Command9),
                       static_cast<QWidget *>(e.Command10), static_cast<QWidget *>(e.Command11),
                       static_cast<QWidget *>(e.OvrLst)})
        EXPECT_FALSE(b->isEnabled()) << b->toolTip().toStdString();
    e.Text2->clear();
    EXPECT_TRUE(e.Command6->isEnabled()); // STOP stays reachable
    e.Command6->click();
    EXPECT_EQ(e.Command6->text(), QStringLiteral("Tester"));
    EXPECT_FALSE(e.WMP->isVisible());
    EXPECT_TRUE(e.WMP->URL().isEmpty());
    EXPECT_EQ(e.WMP->engine()->state(), MediaEngine::State::Idle);
    EXPECT_TRUE(e.Command1->isEnabled() && e.Command11->isEnabled() && e.OvrLst->isEnabled());
    EXPECT_FALSE(e.Command4->isEnabled());

    // Help.
    e.Command12->click();
    EXPECT_EQ(prompts.shown.last().title, QStringLiteral("Aide simplifiée"));
    EXPECT_EQ(prompts.shown.last().icon, UiPrompts::Icon::Information);
    const QStringList help = prompts.shown.last().text.split(QStringLiteral("\r\n"));
    ASSERT_EQ(help.size(), 16);
    EXPECT_EQ(help[0], QStringLiteral("Aide sur la création de liens TV"));
    EXPECT_TRUE(help[1].isEmpty() && help[8].isEmpty() && help[14].isEmpty());
    EXPECT_EQ(help[9], QStringLiteral(" -2- Ajouter une chaîne à une liste "));
    EXPECT_EQ(help[10], help[4]);
    EXPECT_EQ(help[13], QStringLiteral(" * - Cliquer sur le bouton <Enregistrer> pour valider votre opération"));
    EXPECT_EQ(help[15], QStringLiteral("Le bouton <Editer> permet d'éditer la chaîne pointée afin de la tester."));
}

TEST_F(TvWindows, EditorNewAndOpen)
{
    FrmAutresTVModif e(&main);
    e.show();
    const QString title = QStringLiteral("Créer une liste de chaînes TV");

    // "No", then a blank name: nothing changes.
    e.Command11->click();
    EXPECT_EQ(prompts.shown.last().text, QStringLiteral("Confirmer la création d'une nouvelle liste de chaînes TV ?"));
    prompts.answers << true;
    prompts.inputs << QStringLiteral("   ");
    e.Command11->click();
    EXPECT_EQ(prompts.shown.last().kind, QStringLiteral("input"));
    EXPECT_EQ(prompts.shown.last().title, title);
    EXPECT_EQ(prompts.shown.last().text, QStringLiteral("Indiquez le nom de la nouvelle liste de chaînes TV\r\n(Sans extension)"));
    EXPECT_EQ(e.ListNomTV->count(), 3);
    // A name already used.
    prompts.answers << true;
    prompts.inputs << QStringLiteral("AutresTV");
    e.Command11->click();
    EXPECT_EQ(prompts.shown.last().title, QStringLiteral("Erreur"));
    EXPECT_EQ(prompts.shown.last().text, QStringLiteral("Le fichier ") + path(QStringLiteral("AutresTV.TV"))
                                             + QStringLiteral(" existe !\r\nChanger de nom de fichier."));
    EXPECT_EQ(e.ListNomTV->count(), 3);
    // A new name keeps its blanks; the file is written only by "Enregistrer".
    prompts.answers << true;
    prompts.inputs << QStringLiteral(" Neuve ");
    e.Command11->click();
    const QString neuve = path(QStringLiteral(" Neuve .TV"));
    EXPECT_EQ(e.windowTitle(), QStringLiteral("Création - Suppression : ") + neuve);
    EXPECT_EQ(e.ListNomTV->count(), 0);
    EXPECT_FALSE(QFile::exists(neuve));
    e.Command7->click();
    EXPECT_TRUE(QFile::exists(neuve));

    // Open: cancelled, then a list that is not valid (entries before the fault, its path kept).
    const QString failure = QStringLiteral("Fichier non compatible ou ouverture de fichier liste annulée!");
    e.OvrLst->click();
    EXPECT_EQ(prompts.shown.last().text, failure);
    EXPECT_EQ(e.windowTitle(), QStringLiteral("Création - Suppression : ") + neuve);
    const QString bad = path(QStringLiteral("Casse.TV"));
    writeFile(bad, "B1\r\nhttp://127.0.0.1:9/b1\r\nB2\r\n");
    prompts.files << bad;
    e.OvrLst->click();
    EXPECT_EQ(prompts.shown.last().text, failure);
    EXPECT_EQ(prompts.shown.last().icon, UiPrompts::Icon::Exclamation);
    EXPECT_EQ(e.windowTitle(), QStringLiteral("Création - Suppression : ") + bad);
    EXPECT_EQ(e.ListNomTV->count(), 1);

    // A save that cannot be written.
    QFile::remove(bad);
    QDir().mkpath(bad); // a folder where the file was
    e.Command7->click();
    EXPECT_EQ(prompts.shown.last().text, QStringLiteral("Erreur lors de la sauvegarde !"));
    EXPECT_EQ(prompts.shown.last().title, QStringLiteral("Erreur"));

    // Closing without saving; the next opening reads the default list again.
    e.Command1->click();
    EXPECT_FALSE(e.isVisible());
    e.show();
    EXPECT_EQ(e.ListNomTV->count(), 3);
}

TEST_F(TvWindows, ProgrammerHandsTheChosenProgrammeToTheScheduler)
{
    FrmWMP w(&main);
    quiet(w.WMP);
    w.SetHosts(closedHosts());
    w.show();
    w.Check2->click();
    EXPECT_FALSE(w.cmdProgrammer->isVisible()) << "no scheduler, no button";
    struct Handed {
        QString name, link;
        QDate date;
    };
    QList<Handed> handed;
    w.SetScheduler([&](const QString &name, const QString &link, const QDate &date) { handed.append({name, link, date}); });
    EXPECT_TRUE(w.cmdProgrammer->isVisible());
    EXPECT_EQ(w.cmdProgrammer->text(), QStringLiteral("Programmer l'enregistrement"));

    // Each dated source hands its programme's name, link and date; nothing plays.
    w.AutresChaines->setCurrentIndex(9);
    w.TJ->setText(QStringLiteral("7"));
    w.TM->setText(QStringLiteral("3"));
    w.TA->setText(QStringLiteral("07"));
    w.cmdProgrammer->click();
    w.Check1->click();
    w.ComboFR3Region->setCurrentIndex(0);
    w.TA->setText(QStringLiteral("2007"));
    w.cmdProgrammer->click();
    ASSERT_EQ(handed.size(), 2);
    EXPECT_EQ(handed[0].name, QStringLiteral("Journal TF1 20h"));
    EXPECT_EQ(handed[0].link, QStringLiteral("http://127.0.0.1:9/FluxJt/jt20d070307/jt20d070307.asx"));
    EXPECT_EQ(handed[0].date, QDate(2007, 3, 7));
    EXPECT_EQ(handed[1].name, QStringLiteral("Alpes 12|13"));
    EXPECT_TRUE(handed[1].link.endsWith(QStringLiteral("raa/HD_1200_grenoble_midipile_070307.wmv?WMCache=0")));
    EXPECT_TRUE(w.WMP->URL().isEmpty());
    EXPECT_EQ(main.stops, 0);

    // No programme chosen, or a day the calendar does not have: a message, nothing handed.
    w.ComboFR3Region->setCurrentIndex(-1);
    w.cmdProgrammer->click();
    w.ComboFR3Region->setCurrentIndex(0);
    w.TJ->setText(QStringLiteral("31"));
    w.TM->setText(QStringLiteral("02"));
    w.cmdProgrammer->click();
    EXPECT_EQ(handed.size(), 2);
    ASSERT_EQ(prompts.shown.size(), 2);
    // The TV list has no date: no button.
    w.Check3->click();
    EXPECT_FALSE(w.cmdProgrammer->isVisible());
}
