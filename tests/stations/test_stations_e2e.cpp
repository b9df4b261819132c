// The generator and the editor in the program's own composition (main window, window hub, the
// registered windows) with a local station: a page made for it shows in the radio list once the
// window closes and plays; edited, saved and tested, it plays the changed stream; deleted, it
// leaves the list. The selection of the main window is kept throughout.
#include "app/App.h"
#include "app/FrmMain.h"
#include "app/WindowHub.h"
#include "common/TextFile.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "media/MediaEngine.h"
#include "media/PageFiles.h"
#include "media/StationPage.h"
#include "stations/FrmModifRad.h"
#include "stations/FrmRadPerso.h"
#include "ui/WebBrowser.h"
#include "EngineWait.h"
#include "FakePrompts.h"
#include "StreamServer.h"
#include "TestUtil.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextDocument>
#include <gtest/gtest.h>

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

} // namespace

TEST(StationPagesInTheProgram, MakeListenEditTestAndDelete)
{
    if (!tavtest::haveSoundServer())
        GTEST_SKIP() << "no sound server";
    StreamServer server;
    QString error;
    ASSERT_TRUE(server.start(&error)) << error.toStdString();

    QTemporaryDir dir;
    const QString prog = dir.path();
    SetProgramFolder(prog);
    settings::UseFile(dir.filePath(u("Tavilune.conf")));
    G() = ProgramValues{};
    QDir().mkpath(prog + u("/Radios/logo"));
    QDir().mkpath(prog + u("/TV"));
    ASSERT_TRUE(QFile::copy(u(TAV_BIN_DIR "/Intro.htm"), prog + u("/Intro.htm")));
    stations::PageFields fip;
    fip.title = u("FIP");
    fip.stream = server.url(u("/stream?x=fip"));
    ASSERT_TRUE(stations::SavePageText(prog + u("/Radios/FIP.HTM"), stations::GeneratePage(fip)).ok());
    settings::SaveSetting(u("DossierRadio"), prog + u("/Radios"));
    settings::SaveSetting(u("DossierTV"), prog + u("/TV"));
    FakePrompts prompts;

    {
        App app;
        FrmMain &w = app.Main();
        app.Hub().Register(WindowKind::NowPlaying, [] { return new QWidget; });
        ASSERT_TRUE(app.Start());
        w.ComboRad->setCurrentIndex(w.ComboRad->findText(u("FIP")));
        const QString fipPath = w.Text1;
        ASSERT_TRUE(fipPath.endsWith(u("/Radios/FIP.HTM")));

        // Make a page for the local station.
        ASSERT_TRUE(w.Mnu_RadioPerso->isEnabled());
        w.Mnu_RadioPerso->trigger();
        auto *gen = qobject_cast<FrmRadPerso *>(app.Hub().Window(WindowKind::RadioPerso));
        ASSERT_TRUE(gen && gen->isVisible());
        EXPECT_EQ(gen->windowModality(), Qt::ApplicationModal);
        const QString stream = server.url(u("/stream.mp3"));
        gen->TextNom->setText(u("radio locale"));
        gen->TextLienRadio->setText(stream);
        gen->TextTitre->setText(u("Radio locale"));
        gen->Command2_Click();
        gen->Command5_Click();
        ASSERT_TRUE(prompts.shown.isEmpty()) << prompts.lastText().toStdString();
        const QString pagePath = prog + u("/Radios/RADIO LOCALE.HTM");
        ASSERT_TRUE(QFile::exists(pagePath));

        // Its preview plays with the window's own engine once the main page has stopped.
        w.Command1_Click(); // the main page plays FIP meanwhile
        gen->Command3_Click();
        EXPECT_EQ(w.WebBrowser1->LocationURL(), prog + u("/Intro.htm"));
        ASSERT_TRUE(tavtest::PlaysAddress(*gen->WebBrowser1->Engine(), stream)) << gen->WebBrowser1->Engine()->statusText().toStdString();
        EXPECT_NE(gen->WebBrowser1->Engine(), &app.Engine());
        gen->Command4_Click();
        EXPECT_FALSE(gen->isVisible());
        EXPECT_EQ(gen->WebBrowser1->Engine()->state(), MediaEngine::State::Idle);

        // The radio list has the page at once; the selection and the station path are kept.
        EXPECT_GE(w.ComboRad->findText(u("RADIO LOCALE")), 0);
        EXPECT_EQ(w.ComboRad->currentText(), u("FIP"));
        EXPECT_EQ(w.Text1, fipPath);
        w.ComboRad->setCurrentIndex(w.ComboRad->findText(u("RADIO LOCALE")));
        w.Command1_Click();
        ASSERT_TRUE(tavtest::PlaysAddress(app.Engine(), stream)) << app.Engine().statusText().toStdString();

        // Edit it: another stream of the station, saved (over the page) and tested.
        w.Mnu_ModifRAdio->trigger();
        auto *ed = qobject_cast<FrmModifRad *>(app.Hub().Window(WindowKind::ModifRadio));
        ASSERT_TRUE(ed && ed->isVisible());
        const auto items = ed->File1->findItems(u("RADIO LOCALE.HTM"), Qt::MatchExactly);
        ASSERT_EQ(items.size(), 1);
        ed->File1->setCurrentItem(items.first());
        ed->Command1_Click();
        const QString changed = server.url(u("/list.pls"));
        QString text = ed->TextHTML->toPlainText();
        ASSERT_TRUE(text.contains(stream));
        ed->TextHTML->setPlainText(text.replace(stream, changed));
        prompts.answers = {true};
        ed->Command3_Click();
        ASSERT_EQ(prompts.shown.size(), 1);
        EXPECT_EQ(prompts.shown.first().title, u("Fichier existant"));
        ed->Command4_Click();
        EXPECT_EQ(w.WebBrowser1->LocationURL(), prog + u("/Intro.htm")); // the main page stopped
        ASSERT_TRUE(tavtest::PlaysAddress(*ed->WebBrowser1->Engine(), changed)) << ed->WebBrowser1->Engine()->statusText().toStdString();
        ed->Command5_Click();
        ed->Command2_Click();
        EXPECT_FALSE(ed->isVisible());
        w.Command1_Click();
        ASSERT_TRUE(tavtest::PlaysAddress(app.Engine(), changed)) << app.Engine().statusText().toStdString();
        w.Command4_Click();

        // Delete it: gone from the list once the editor closes.
        w.ComboRad->setCurrentIndex(w.ComboRad->findText(u("FIP")));
        w.Mnu_ModifRAdio->trigger();
        ASSERT_TRUE(ed->isVisible());
        ed->File1->setCurrentItem(ed->File1->findItems(u("RADIO LOCALE.HTM"), Qt::MatchExactly).value(0));
        prompts.answers = {true};
        ed->Command6_Click();
        EXPECT_FALSE(QFile::exists(pagePath));
        ed->Command2_Click();
        EXPECT_LT(w.ComboRad->findText(u("RADIO LOCALE")), 0);
        EXPECT_EQ(w.ComboRad->currentText(), u("FIP"));
    }
    settings::UseFile(QString());
    SetProgramFolder(QString());
}
