// The main window on a program folder of its own: first run with the real archive, the lists,
// selection, mode switch, title rule, information links and what shutdown stores.
#include "app/App.h"
#include "app/FrmMain.h"
#include "app/Icons.h"
#include "app/Module1.h"
#include "app/WindowHub.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "nimbrel/TaskBarIcon.h"
#include "ui/WebBrowser.h"
#include "FakePrompts.h"
#include "TestUtil.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <optional>

namespace {

class FrmMainTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        prog = dir.path() + QStringLiteral("/prog");
        QDir().mkpath(prog);
        for (const char *f : {"Intro.htm", "Radios.exe"}) {
            const QString name = QString::fromLatin1(f);
            ASSERT_TRUE(QFile::copy(QStringLiteral(TAV_BIN_DIR "/") + name, prog + QLatin1Char('/') + name));
        }
        QFile::setPermissions(prog + QStringLiteral("/Radios.exe"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        SetProgramFolder(prog);
        settings::UseFile(dir.filePath(QStringLiteral("Tavilune.conf")));
        G() = ProgramValues{};
    }
    void TearDown() override
    {
        settings::UseFile(QString());
        SetProgramFolder(QString());
    }
    // Unpacks the starter folders as a first run does and configures them.
    void unpackStations()
    {
        FrmMain first;
        QTimer::singleShot(0, [] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
                box->accept();
        });
        ASSERT_FALSE(first.Form_Load());
        ASSERT_TRUE(tavtest::waitUntil([&] { return QFile::exists(prog + QStringLiteral("/TV/FRANCE 24.HTM")); },
                                       10000));
        G() = ProgramValues{};
    }
    QTemporaryDir dir;
    QString prog;
};

} // namespace

TEST_F(FrmMainTest, FirstRunShowsTheMessageUnpacksTheArchiveWritesTheFoldersAndEnds)
{
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            box->accept();
        }
    });
    FrmMain w;
    EXPECT_FALSE(w.Form_Load());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(title, QStringLiteral("Installation de Tavilune"));
    EXPECT_EQ(icon, QMessageBox::Information);
    EXPECT_TRUE(text.startsWith(QStringLiteral("Première exécution de Tavilune\nLes dossiers <Radios> et <TV>")));
    EXPECT_EQ(settings::GetSetting(QStringLiteral("DossierRadio")), prog + QStringLiteral("/Radios"));
    EXPECT_EQ(settings::GetSetting(QStringLiteral("DossierTV")), prog + QStringLiteral("/TV"));
    EXPECT_TRUE(tavtest::waitUntil([&] { return QFile::exists(prog + QStringLiteral("/TV/bas.css")); }, 10000));
    EXPECT_TRUE(QFile::exists(prog + QStringLiteral("/Radios/FIP.HTM")));
    EXPECT_TRUE(QFile::exists(prog + QStringLiteral("/Radios/bas.css")));
    EXPECT_TRUE(QFile::exists(prog + QStringLiteral("/Radios/logo/fip.gif")));
}

TEST_F(FrmMainTest, ADamagedSettingsFileIsToldAtStartUpAndTheDefaultsAreUsed)
{
    // Bare CR line ends: the settings reader would take them; the program sets the file aside.
    const QString conf = dir.filePath(QStringLiteral("Tavilune.conf"));
    {
        QFile f(conf);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Settings]\rDossierRadio=/nulle/part\r");
    }
    settings::UseFile(conf);
    FakePrompts prompts;
    QTimer::singleShot(0, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            box->accept(); // the first run's message: the defaults are those of a first run
    });
    FrmMain w;
    EXPECT_FALSE(w.Form_Load());
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].title, QStringLiteral("Tavilune"));
    EXPECT_EQ(prompts.shown[0].icon, UiPrompts::Icon::Exclamation);
    EXPECT_TRUE(prompts.shown[0].text.startsWith(QStringLiteral("Le fichier des réglages « %1 » est endommagé").arg(conf)))
        << prompts.shown[0].text.toStdString();
    EXPECT_EQ(G().radioFolder, prog + QStringLiteral("/Radios"));
    EXPECT_TRUE(settings::TakeFileNotice().isEmpty()) << "told once";
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("Tavilune.conf.*")}, QDir::Files).size(), 1);
    ASSERT_TRUE(tavtest::waitUntil([&] { return QFile::exists(prog + QStringLiteral("/TV/FRANCE 24.HTM")); }, 10000));
}

TEST_F(FrmMainTest, NextStartFillsTheParallelListsAndKeepsThePlainTooltip)
{
    unpackStations();
    QFile::copy(prog + QStringLiteral("/Radios/FIP.HTM"), prog + QStringLiteral("/Radios/fippopup.htm"));
    settings::SaveSetting(QStringLiteral("NomRadio"), QStringLiteral("1"));
    FrmMain w;
    ASSERT_TRUE(w.Form_Load());
    ASSERT_EQ(w.ComboRad->count(), 12);
    ASSERT_EQ(w.Combo1.size(), 12);
    EXPECT_EQ(w.Combo1.indexOf(QStringLiteral("fippopup.htm")), -1);
    for (int i = 0; i < w.Combo1.size(); ++i)
        EXPECT_EQ(w.Combo1[i], w.ComboRad->itemText(i) + QStringLiteral(".HTM"));
    EXPECT_EQ(w.ComboTV->count(), 3);
    EXPECT_EQ(w.ComboRad->currentText(), QStringLiteral("Sélectionner une radio"));
    EXPECT_EQ(w.ComboTV->currentText(), QStringLiteral("Sélectionner une TV"));
    EXPECT_TRUE(w.WebBrowser1->LocationURL().endsWith(QStringLiteral("/Intro.htm")));
    ASSERT_NE(w.TaskBarIcon, nullptr);
    EXPECT_EQ(w.TaskBarIcon->ToolTipText(), QStringLiteral("Tavilune"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Tavilune : Sélectionner une radio"));
    EXPECT_EQ(w.size(), QSize(368, 340)); // 5520 × 5100 twips: a station page and the status line fit
    EXPECT_TRUE(QDir(prog + QStringLiteral("/Wav")).exists());
    EXPECT_TRUE(w.Text1.isEmpty());
}

TEST_F(FrmMainTest, SelectionModeSwitchAndListenUseTheSamePathWithTheListsTitle)
{
    unpackStations();
    settings::SaveSetting(QStringLiteral("NomRadio"), QStringLiteral("1"));
    FrmMain w;
    ASSERT_TRUE(w.Form_Load());
    const int fip = w.ComboRad->findText(QStringLiteral("FIP"));
    ASSERT_GE(fip, 0);
    w.ComboRad->setCurrentIndex(fip);
    EXPECT_EQ(w.Text1, prog + QStringLiteral("/Radios/FIP.HTM"));
    w.ComboRad->setEditText(QStringLiteral("no such radio"));
    EXPECT_EQ(w.Text1, prog + QStringLiteral("/Radios/FIP.HTM")); // unmatched text keeps the path
    w.ComboRad->setEditText(QStringLiteral("france inter"));
    EXPECT_EQ(w.Text1, prog + QStringLiteral("/Radios/FRANCE INTER.HTM"));

    w.Image1_Click();
    EXPECT_FALSE(w.RadioMode());
    EXPECT_TRUE(w.Mnu_TV->isChecked());
    EXPECT_FALSE(w.Mnu_RAdio->isChecked());
    EXPECT_EQ(w.Image1->toolTip(), QStringLiteral("Passer en mode Radio"));
    EXPECT_FALSE(w.Mnu_Favoris->menuAction()->isVisible());
    EXPECT_TRUE(w.ComboRad->isHidden());
    EXPECT_FALSE(w.ComboTV->isHidden());
    EXPECT_EQ(w.Text1, prog + QStringLiteral("/Radios/FRANCE INTER.HTM"));

    w.Command1_Click();
    EXPECT_EQ(w.WebBrowser1->LocationURL(), prog + QStringLiteral("/Radios/FRANCE INTER.HTM"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Tavilune : Sélectionner une TV"));

    w.ComboTV->setCurrentIndex(0);
    EXPECT_EQ(w.Text1, prog + QStringLiteral("/TV/") + w.Combo2[0]);

    w.Command4_Click();
    EXPECT_TRUE(w.WebBrowser1->LocationURL().endsWith(QStringLiteral("/Intro.htm")));

    w.Mnu_RAdio_Click();
    EXPECT_TRUE(w.RadioMode());
    EXPECT_EQ(w.Image1->toolTip(), QStringLiteral("Passer en mode TV"));
    EXPECT_TRUE(w.Mnu_Favoris->menuAction()->isVisible());
}

TEST_F(FrmMainTest, InformationLinksAreInterceptedAndStoredByteForByte)
{
    unpackStations();
    FrmMain w;
    ASSERT_TRUE(w.Form_Load());
    WindowHub hub(w);
    hub.Register(WindowKind::NowPlaying, [] { return new QWidget; });
    w.SetWindowHub(&hub);
    int opened = 0;
    QObject::connect(&hub, &WindowHub::Opened, [&](WindowKind k, QWidget *win) {
        opened += k == WindowKind::NowPlaying;
        EXPECT_FALSE(win->isModal());
    });
    w.Text1 = prog + QStringLiteral("/Radios/FIP.HTM");
    w.Command1_Click();
    const QString page = w.WebBrowser1->LocationURL();

    w.ComboRad->setEditText(QStringLiteral("FIP"));
    w.WebBrowser1->FollowLink(QStringLiteral("app:live('http://x.org/now?a=1&b=%20é')"));
    EXPECT_EQ(G().infoAddress, QStringLiteral("http://x.org/now?a=1&b=%20é"));
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(hub.Window(WindowKind::NowPlaying)->windowTitle(), QStringLiteral("Information titre en cours : FIP"));
    EXPECT_EQ(w.WebBrowser1->LocationURL(), page);

    w.WebBrowser1->FollowLink(QStringLiteral("app:live('')"));
    EXPECT_EQ(G().infoAddress, QString());
    EXPECT_EQ(opened, 2);
    G().infoAddress = QStringLiteral("kept");
    w.WebBrowser1->FollowLink(QStringLiteral("app:live("));
    EXPECT_EQ(G().infoAddress, QString()); // too short for the cut: empty
    EXPECT_EQ(opened, 3);

    G().infoAddress = QStringLiteral("kept");
    w.WebBrowser1->FollowLink(QStringLiteral("APP:LIVE('http://x.org/')"));
    EXPECT_EQ(G().infoAddress, QStringLiteral("kept"));
    EXPECT_EQ(opened, 3);
    EXPECT_EQ(w.WebBrowser1->LocationURL(), page);
}

TEST_F(FrmMainTest, MissingPageShowsNothingNewAndNoMessage)
{
    unpackStations();
    FrmMain w;
    ASSERT_TRUE(w.Form_Load());
    w.Text1 = prog + QStringLiteral("/Radios/NOPE.HTM");
    w.Command1_Click();
    EXPECT_TRUE(w.WebBrowser1->LocationURL().endsWith(QStringLiteral("/Intro.htm")));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(FrmMainTest, RememberedStationIsFoundWhateverItsCaseAndShutdownStoresState)
{
    unpackStations();
    settings::SaveSetting(QStringLiteral("DerRadio"), QStringLiteral("1"));
    settings::SaveSetting(QStringLiteral("NomDerRadio"), QStringLiteral("Fip"));
    settings::SaveSetting(QStringLiteral("DerPosition"), QStringLiteral("1"));
    settings::SaveSetting(QStringLiteral("Haut"), QStringLiteral("-50"));
    settings::SaveSetting(QStringLiteral("Gauche"), QStringLiteral("3000"));
    FrmMain w;
    ASSERT_TRUE(w.Form_Load());
    EXPECT_EQ(w.Text1, prog + QStringLiteral("/Radios/Fip.HTM"));
    EXPECT_EQ(w.ComboRad->currentText(), QStringLiteral("Fip"));
    EXPECT_EQ(w.pos(), QPoint(200, 100 / 15));
    w.Command1_Click();
    EXPECT_EQ(w.WebBrowser1->LocationURL(), prog + QStringLiteral("/Radios/FIP.HTM"));

    w.ComboRad->setEditText(QStringLiteral("  FRANCE MUSIQUE  "));
    w.move(40, 20);
    w.Shutdown();
    EXPECT_EQ(settings::GetSetting(QStringLiteral("NomDerRadio")), QStringLiteral("FRANCE MUSIQUE"));
    EXPECT_EQ(settings::GetSetting(QStringLiteral("Haut")), QStringLiteral("300"));
    EXPECT_EQ(settings::GetSetting(QStringLiteral("Gauche")), QStringLiteral("600"));
}

TEST_F(FrmMainTest, MenusButtonsAndHiddenFavouriteEntries)
{
    FrmMain w;
    QStringList menus;
    for (QAction *a : w.menuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus, (QStringList{QStringLiteral("&Fichier"), QStringLiteral("&Mode"), QStringLiteral("Favoris &Radio"),
                                  QStringLiteral("&?")}));
    QStringList file;
    for (QAction *a : w.Mnu_Fichier->actions())
        file << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(file, (QStringList{QStringLiteral("Masquer"), QStringLiteral("Pause"), QStringLiteral("-"), QStringLiteral("&Préférences..."),
                                 QStringLiteral("-"), QStringLiteral("Radios Perso"), QStringLiteral("Autres TV..."),
                                 QStringLiteral("-"), QStringLiteral("Enregistrement..."),
                                 QStringLiteral("Encodeur Mp3"), QStringLiteral("Titres écoutés..."),
                                 QStringLiteral("Programmation..."), QStringLiteral("-"), QStringLiteral("&Quitter")}));
    for (int i = 0; i < 20; ++i) {
        EXPECT_FALSE(w.Mnu_Fav[i]->isVisible());
        EXPECT_EQ(w.Mnu_Fav[i]->text(), QStringLiteral("FAV%1").arg(i));
    }
    EXPECT_TRUE(w.Mnu_RAdio->isChecked());
    EXPECT_EQ(w.Command1->toolTip(), QStringLiteral("Ecouter la radio ou TV sélectionnée"));
    EXPECT_EQ(w.Command4->toolTip(), QStringLiteral("Stop - Arrêt Radio ou TV"));
    EXPECT_EQ(w.Image1->toolTip(), QStringLiteral("Passe en mode TV"));
    EXPECT_FALSE(w.Command1->icon().isNull());
}

TEST_F(FrmMainTest, TopmostPreferencesReachTheThreeWindowsAndCreateThemAtStartUp)
{
    unpackStations();
    settings::SaveSetting(QStringLiteral("FenVisible"), QStringLiteral("1"));
    settings::SaveSetting(QStringLiteral("FenVisibleTV"), QStringLiteral("0"));
    QWidget nowPlaying, tv;
    tv.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    int created = 0;
    Topmost().nowPlaying = [&] { ++created; return &nowPlaying; };
    Topmost().tvPlayer = [&] { ++created; return &tv; };
    {
        FrmMain w;
        ASSERT_TRUE(w.Form_Load());
        EXPECT_EQ(created, 2); // both windows exist (hidden) once start-up is done
        EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_TRUE(nowPlaying.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_FALSE(tv.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_FALSE(nowPlaying.isVisible());

        // Shown windows stay shown, in place.
        w.show();
        w.move(30, 40);
        G().fenVisible = 0;
        ApplyTopmost();
        EXPECT_FALSE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_TRUE(w.isVisible());
        EXPECT_EQ(w.pos(), QPoint(30, 40));
    }
    Topmost() = TopmostWindows{};
}

TEST_F(FrmMainTest, VolumeButtonWithoutAnyMixerSaysSoInFrench)
{
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.path().toLocal8Bit()); // a folder with no mixer program in it
    FrmMain w;
    QString title, text;
    QTimer::singleShot(0, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            box->accept();
        }
    });
    w.Command2->click();
    qputenv("PATH", path);
    EXPECT_EQ(title, QStringLiteral("Réglage du volume"));
    EXPECT_TRUE(text.startsWith(QStringLiteral("Aucun contrôle du volume n'a été trouvé."))) << text.toStdString();
}

TEST_F(FrmMainTest, WindowsAreMadeOnFirstUsePlacedByTheirRuleAndTriggersWaitForThem)
{
    unpackStations();
    FrmMain w;
    ASSERT_TRUE(w.Form_Load());
    w.move(300, 200);
    w.show();
    // Without a hub, and before a window is registered, its triggers are disabled.
    EXPECT_FALSE(w.Mnu_Options->isEnabled());
    EXPECT_FALSE(w.Command5->isEnabled());
    WindowHub hub(w);
    w.SetWindowHub(&hub);
    EXPECT_FALSE(w.Mnu_EnregistreSon->isEnabled());

    const QRect main = w.MainGeometryTwips();
    const int below = (main.top() + main.height() + 10) / 15;
    const struct {
        WindowKind kind;
        QAction *trigger;
        bool modal;
        std::optional<QPoint> at; // pixels; nothing: the window's own place
    } cases[] = {
        {WindowKind::Recording, w.Mnu_EnregistreSon, false, QPoint(main.left() / 15, below)},
        {WindowKind::Mp3Encoder, w.Mnu_EncodeMP3, false, std::nullopt},
        {WindowKind::TvPlayer, w.Mnu_AutreTV, false, QPoint(100 / 15, 100 / 15)},
        {WindowKind::RadioPerso, w.Mnu_RadioPerso, true, std::nullopt},
        {WindowKind::ModifRadio, w.Mnu_ModifRAdio, true, std::nullopt},
        {WindowKind::AutresTVModif, w.Mnu_ModifAutresTV, true, std::nullopt},
        {WindowKind::Options, w.Mnu_Options, true, QPoint(main.left() / 15, below)},
        {WindowKind::Favourites, w.Mnu_GestionFAV, true, QPoint((main.left() - 200) / 15, below)},
        {WindowKind::About, w.Mnu_Apropos, true, std::nullopt},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        int made = 0;
        hub.Register(c.kind, [&made] {
            ++made;
            auto *win = new QWidget;
            win->move(40, 30);
            win->resize(200, 100); // fits below the main window
            return win;
        });
        EXPECT_TRUE(c.trigger->isEnabled());
        c.trigger->trigger();
        QWidget *win = hub.Window(c.kind, false);
        ASSERT_NE(win, nullptr);
        EXPECT_TRUE(win->isVisible());
        EXPECT_EQ(win->isModal(), c.modal);
        EXPECT_EQ(win->pos(), c.at.value_or(QPoint(40, 30)));
        win->hide();
        c.trigger->trigger(); // the same window again
        EXPECT_EQ(hub.Window(c.kind, false), win);
        EXPECT_EQ(made, 1);
        win->hide();
    }

    // Near the bottom right corner of the screen a window placed below the main window opens
    // higher and further left, whole on the screen.
    const QRect area = w.screen()->availableGeometry();
    w.move(area.right() + 1 - w.frameGeometry().width(), area.bottom() + 1 - w.frameGeometry().height());
    for (const WindowKind kind : {WindowKind::Recording, WindowKind::Favourites}) {
        QWidget *win = hub.Window(kind, false);
        ASSERT_NE(win, nullptr);
        win->resize(area.width() / 2, area.height() / 2);
        ASSERT_TRUE(hub.Open(kind));
        EXPECT_TRUE(area.contains(win->frameGeometry()))
            << win->frameGeometry().x() << "," << win->frameGeometry().y() << " " << area.width() << "x" << area.height();
        win->hide();
    }
}

TEST_F(FrmMainTest, MainWindowCanBeReadAndReachedWithoutAMouse)
{
    unpackStations();
    FrmMain w;
    ASSERT_TRUE(w.Form_Load());
    w.show();
    // Every picture button, and the mode picture, is named by its tooltip.
    for (QWidget *b : std::initializer_list<QWidget *>{w.Command1, w.Command2, w.Command3, w.Command4, w.Command5,
                                                       w.Image1})
        EXPECT_EQ(b->accessibleName(), b->toolTip()) << b->objectName().toStdString();
    // The mode picture takes the keyboard focus and switches on Space, as a click does.
    EXPECT_NE(w.Image1->focusPolicy() & Qt::TabFocus, 0);
    QTest::keyClick(w.Image1, Qt::Key_Space);
    EXPECT_FALSE(w.RadioMode());
    EXPECT_EQ(w.Image1->accessibleName(), QStringLiteral("Passer en mode Radio"));
    QTest::keyClick(w.Image1, Qt::Key_Return);
    EXPECT_TRUE(w.RadioMode());

    // Stop and Record are told apart by colour: a red disc and a dark square.
    const QColor rec = icons::Record().pixmap(32).toImage().pixelColor(16, 16);
    const QColor stop = icons::Stop().pixmap(32).toImage().pixelColor(16, 16);
    EXPECT_GT(rec.red(), 180);
    EXPECT_LT(rec.green(), 80);
    EXPECT_LT(stop.red(), 120);

    // The idle page and every shipped station page show whole, without scrolling.
    w.WebBrowser1->setPlaysPages(false);
    QStringList pages{prog + QStringLiteral("/Intro.htm")};
    for (const QString &f : QDir(prog + QStringLiteral("/Radios")).entryList({QStringLiteral("*.HTM")}))
        pages << prog + QStringLiteral("/Radios/") + f;
    ASSERT_GT(pages.size(), 5);
    for (const QString &p : pages) {
        w.WebBrowser1->Navigate(p);
        QApplication::processEvents();
        EXPECT_EQ(w.WebBrowser1->verticalScrollBar()->maximum(), 0) << p.toStdString();
    }
    QFile intro(prog + QStringLiteral("/Intro.htm"));
    ASSERT_TRUE(intro.open(QIODevice::ReadOnly));
    EXPECT_FALSE(intro.readAll().contains("Bonsoir")); // shown at any hour
}

TEST_F(FrmMainTest, ConversionWindowOpensModelessOnceFromItsMenu)
{
    unpackStations();
    FrmMain w;
    ASSERT_TRUE(w.Form_Load());
    w.show();
    WindowHub hub(w);
    w.SetWindowHub(&hub);
    RegisterWindows(hub, w);
    ASSERT_TRUE(w.Mnu_EncodeMP3->isEnabled());
    w.Mnu_EncodeMP3->trigger();
    QWidget *win = hub.Window(WindowKind::Mp3Encoder, false);
    ASSERT_NE(win, nullptr);
    EXPECT_TRUE(win->isVisible());
    EXPECT_FALSE(win->isModal());
    EXPECT_TRUE(win->isWindow());
    EXPECT_EQ(win->windowTitle(), QStringLiteral("Tavilune : Conversion Wav --> Mp3 - [Encodeur LAME]"));
    win->close();
    w.Mnu_EncodeMP3->trigger();
    EXPECT_EQ(hub.Window(WindowKind::Mp3Encoder, false), win);
    EXPECT_TRUE(win->isVisible());
    win->close();
}

TEST_F(FrmMainTest, LongListsAndTheTrayIconCanWaitForTheFirstFrame)
{
    unpackStations();
    settings::SaveSetting(QStringLiteral("DerRadio"), QStringLiteral("1"));
    settings::SaveSetting(QStringLiteral("NomDerRadio"), QStringLiteral("FIP"));
    // A desktop icon theme that has the Listen icon only: the other buttons keep their pictures.
    const QString themes = dir.path() + QStringLiteral("/icons");
    QDir().mkpath(themes + QStringLiteral("/tavtest/24x24/actions"));
    QFile index(themes + QStringLiteral("/tavtest/index.theme"));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=tavtest\nDirectories=24x24/actions\n\n"
                "[24x24/actions]\nSize=24\nType=Fixed\n");
    index.close();
    QImage play(24, 24, QImage::Format_ARGB32);
    play.fill(Qt::blue);
    ASSERT_TRUE(play.save(themes + QStringLiteral("/tavtest/24x24/actions/media-playback-start.png")));
    const QStringList oldPaths = QIcon::themeSearchPaths();
    const QString oldTheme = QIcon::themeName();
    QIcon::setThemeSearchPaths({themes});
    QIcon::setThemeName(QStringLiteral("tavtest"));
    const auto themed = [](const FrmMain &w) {
        return std::vector<QString>{w.Command1->icon().name(), w.Command2->icon().name(),
                                    w.Command4->icon().name(), w.Command5->icon().name()};
    };
    const std::vector<QString> drawn(4), desktop{QStringLiteral("media-playback-start"), {}, {}, {}};

    for (const bool afterPaint : {false, true}) {
        G() = ProgramValues{};
        FrmMain w;
        w.SetListsFilledAfterFirstPaint(afterPaint);
        int steps = 0; // the desktop services' step waits with the lists
        w.AfterStartUp([&] { ++steps; });
        ASSERT_TRUE(w.Form_Load());
        EXPECT_EQ(w.ListsPending(), afterPaint);
        EXPECT_EQ(steps, afterPaint ? 0 : 1);
        EXPECT_EQ(w.ComboRad->count(), afterPaint ? 0 : 12) << afterPaint;
        EXPECT_EQ(w.TaskBarIcon != nullptr, !afterPaint);
        // The program icon and the theme's icons wait with the lists.
        EXPECT_EQ(w.windowIcon().isNull(), afterPaint);
        EXPECT_EQ(themed(w), afterPaint ? drawn : desktop) << afterPaint;
        EXPECT_FALSE(w.Command2->icon().isNull());
        // The last station is known before the lists are: Listen can play it at once.
        EXPECT_EQ(w.ComboRad->currentText(), QStringLiteral("FIP")) << afterPaint;
        EXPECT_EQ(w.Text1, prog + QStringLiteral("/Radios/FIP.HTM")) << afterPaint;
        w.show();
        ASSERT_TRUE(tavtest::waitUntil([&] { return w.ComboRad->count() == 12 && w.ComboTV->count() == 3; }, 5000))
            << afterPaint;
        EXPECT_FALSE(w.ListsPending());
        EXPECT_EQ(w.Combo1.size(), 12);
        ASSERT_NE(w.TaskBarIcon, nullptr);
        EXPECT_EQ(w.TaskBarIcon->ToolTipText(), QStringLiteral("Tavilune"));
        EXPECT_EQ(w.ComboRad->currentText(), QStringLiteral("FIP")) << afterPaint;
        EXPECT_EQ(w.Text1, prog + QStringLiteral("/Radios/FIP.HTM")) << afterPaint;
        EXPECT_FALSE(w.windowIcon().isNull());
        EXPECT_EQ(themed(w), desktop) << afterPaint;
        EXPECT_EQ(steps, 1);
        w.AfterStartUp([&] { steps += 10; }); // asked later: at once
        EXPECT_EQ(steps, 11);
    }
    QIcon::setThemeName(oldTheme);
    QIcon::setThemeSearchPaths(oldPaths);
}
