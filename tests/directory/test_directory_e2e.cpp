// The search window in the program's own composition (main window, window hub, registered
// windows) against a local directory and a local station: reached from the "Radios Perso" menu,
// "Ecouter" stops the main page and plays the station, "Ajouter" puts it into the radio list,
// from where the main window plays it.
#include "app/App.h"
#include "app/FrmMain.h"
#include "app/WindowHub.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "directory/FrmAnnuaire.h"
#include "media/MediaEngine.h"
#include "ui/WebBrowser.h"
#include "DirectoryTestUtil.h"
#include "EngineWait.h"
#include "FakePrompts.h"
#include "TestUtil.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

} // namespace

TEST(DirectoryInTheProgram, FindListenAndAdd)
{
    if (!tavtest::haveSoundServer())
        GTEST_SKIP() << "no sound server";
    StreamServer station;
    LocalDirectory down({u("--status"), u("500")}), dir;
    QString error;
    ASSERT_TRUE(station.start(&error)) << error.toStdString();
    ASSERT_TRUE(down.start(&error)) << error.toStdString();
    ASSERT_TRUE(dir.start(&error)) << error.toStdString();
    // An address with "&": escaped in the page, read back as it was.
    const QString stream = station.url(u("/stream.mp3?x=1&title=Locale"));
    dir.writeStations(QStringLiteral(R"json([{"stationuuid":"22222222-0000-0000-0000-000000000001",
        "name":"Radio Locale","url":"%1","country":"France","tags":"test","codec":"MP3","bitrate":32,"votes":3}])json")
                          .arg(stream)
                          .toUtf8());

    QTemporaryDir tmp;
    const QString prog = tmp.path();
    SetProgramFolder(prog);
    settings::UseFile(tmp.filePath(u("Tavilune.conf")));
    G() = ProgramValues{};
    QDir().mkpath(prog + u("/Radios"));
    QDir().mkpath(prog + u("/TV"));
    ASSERT_TRUE(QFile::copy(u(TAV_BIN_DIR "/Intro.htm"), prog + u("/Intro.htm")));
    settings::SaveSetting(u("DossierRadio"), prog + u("/Radios"));
    settings::SaveSetting(u("DossierTV"), prog + u("/TV"));
    settings::SaveSetting(u("AnnuaireURL"), down.base() + u(";") + dir.base());
    FakePrompts prompts;

    {
        App app;
        FrmMain &w = app.Main();
        app.Hub().Register(WindowKind::NowPlaying, [] { return new QWidget; });
        ASSERT_TRUE(app.Start());
        EXPECT_EQ(w.ComboRad->findText(u("RADIO LOCALE")), -1);

        ASSERT_TRUE(w.Mnu_Annuaire->isEnabled());
        EXPECT_EQ(w.Mnu_Annuaire->text(), u("Rechercher..."));
        w.Mnu_Annuaire->trigger();
        auto *find = qobject_cast<FrmAnnuaire *>(app.Hub().Window(WindowKind::Annuaire));
        ASSERT_TRUE(find && find->isVisible());
        EXPECT_EQ(find->windowModality(), Qt::NonModal);

        find->TextNom->setText(u("locale"));
        ASSERT_TRUE(tavtest::waitUntil([&] { return find->ListeRadios->topLevelItemCount() == 1; }, 10000));
        EXPECT_EQ(down.count(u("/json/stations/search")), 1);
        find->ListeRadios->setCurrentItem(find->ListeRadios->topLevelItem(0));

        // Listen: the main page stops first; the window's engine plays the station.
        find->CommandEcouter_Click();
        EXPECT_EQ(w.WebBrowser1->LocationURL(), prog + u("/Intro.htm"));
        ASSERT_TRUE(tavtest::PlaysAddress(find->Engine(), stream)) << find->Engine().statusText().toStdString();
        EXPECT_NE(&find->Engine(), &app.Engine());
        EXPECT_TRUE(tavtest::waitUntil(
            [&] { return dir.count(u("/json/url/22222222-0000-0000-0000-000000000001")) == 1; }, 10000));

        // Add: the radio list has it at once, and the main window plays it (which stops the
        // window's stream: one stream at a time).
        find->CommandAjouter_Click();
        ASSERT_TRUE(tavtest::waitUntil([&] { return w.ComboRad->findText(u("RADIO LOCALE")) >= 0; }, 10000));
        EXPECT_TRUE(prompts.shown.isEmpty());
        w.ComboRad->setCurrentIndex(w.ComboRad->findText(u("RADIO LOCALE")));
        w.Command1_Click();
        ASSERT_TRUE(tavtest::PlaysAddress(app.Engine(), stream)) << app.Engine().statusText().toStdString();
        EXPECT_EQ(find->Engine().state(), MediaEngine::State::Idle);
        w.Command4_Click();
        find->close();
    }
    settings::UseFile(QString());
    SetProgramFolder(QString());
}
