// The search window on a local directory and a local station: results as the user types,
// sorted by votes, refused entries left out; "Ajouter" writing the generator's page byte for byte
// with its logo (kept, converted or left out), asking before it replaces a page; "Ecouter"
// stopping the main page, playing the station and counting the click.
#include "common/NetGuard.h"
#include "common/TextFile.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "directory/DirectoryClient.h"
#include "directory/FrmAnnuaire.h"
#include "media/MediaEngine.h"
#include "media/PagePlayer.h"
#include "ui/MainLink.h"
#include "ui/WebBrowser.h"
#include "DirectoryTestUtil.h"
#include "FakePrompts.h"
#include "TestUtil.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

QByteArray slurp(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

QByteArray picture(const char *format)
{
    QImage image(40, 30, QImage::Format_ARGB32);
    image.fill(QColor(200, 30, 30, 128));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

class FakeMain : public MainLink {
public:
    int stops = 0, refreshes = 0;
    void StopMainPage() override { ++stops; }
    void OpenNowPlaying(bool, const QString &, const QString &) override {}
    QRect MainGeometryTwips() const override { return {}; }
    void RefreshStationLists() override { ++refreshes; }
    QWidget *MainWindow() override { return nullptr; }
};

// The generator's page for the values given (already escaped), as the file holds it.
QByteArray generatorPage(const QString &title, const QString &cell, const QString &stream, const QString &description)
{
    QString page = u("<HTML>\r\n<HEAD>\r\n"
                     "<META http-equiv=\"content-type\" content=\"text/html; charset=iso-8859-1\">\r\n"
                     "<LINK REL=\"stylesheet\" TYPE=\"text/css\" HREF=\"bas.css\">\r\n"
                     "</HEAD>\r\n<BODY>\r\n")
                   + u("<font name=\"titre\">") + title + u("</font><br>\r\n")
                   + u("<TABLE CELLPADDING=0 CELLSPACING=0>\r\n    <TR>\r\n");
    if (!cell.isEmpty())
        page += u("      <TD VALIGN=\"MIDDLE\">") + cell + u("</TD>\r\n");
    page += u("      <TD VALIGN=\"MIDDLE\">\r\n"
              "<object id=\"NSPlay\" name=\"NSPlay\"\r\n"
              "    classid = \"CLSID:22D6F312-B0F6-11D0-94AB-0080C74C7E95\"\r\n"
              "    width=152 height=25\r\n"
              "    codebase = \"http://activex.microsoft.com/activex/controls/mplayer/en/nsmp2inf.cab#Version=6,1,5,217\"\r\n"
              "    standby = \"Loading Microsoft\u00AE Windows Media\u2122 Player components...\"\r\n"
              "    type=\"application/x-oleobject\">\r\n")
            + u("    <param name=\"Filename\" value=\"") + stream + u("\">\r\n")
            + u("    <param name=\"AudioStream\" value=\"-1\">\r\n"
                "    <param name=\"AutoSize\" value=\"0\">\r\n"
                "    <param name=\"AutoRewind\" value=\"0\">\r\n"
                "    <param name=\"BufferingTime\" value=\"5\">\r\n"
                "    <param name=\"DisplaySize\" value=\"4\">\r\n"
                "    <param name=\"EnableContextMenu\" value=\"1\">\r\n"
                "    <param name=\"ShowCaptioning\" value=\"0\">\r\n"
                "    <param name=\"ShowControls\" value=\"0\">\r\n"
                "    <param name=\"ShowAudioControls\" value=\"0\">\r\n"
                "    <param name=\"ShowDisplay\" value=\"0\">\r\n"
                "    <param name=\"ShowGotoBar\" value=\"0\">\r\n"
                "    <param name=\"ShowPositionControls\" value=\"0\">\r\n"
                "    <param name=\"ShowStatusBar\" value=\"-1\">\r\n"
                "    <param name=\"ShowTracker\" value=\"0\">\r\n"
                "    <param name=\"TransparentAtStart\" value=\"-1\">\r\n"
                "    <param name=\"Volume\" value=\"-200\">\r\n"
                "</object>\r\n"
                "    </TD>\r\n    </TR>\r\n</TABLE>\r\n");
    if (!description.isEmpty())
        page += u("<!-- Description -->\r\n<SMALL>") + description + u("</SMALL><BR>\r\n");
    page += u("</HTML>\r\n");
    return textfile::toCp1252(page);
}

int rowOf(FrmAnnuaire &w, const QString &name)
{
    for (int i = 0; i < w.ListeRadios->topLevelItemCount(); ++i)
        if (w.ListeRadios->topLevelItem(i)->text(FrmAnnuaire::ColName) == name)
            return i;
    return -1;
}

void select(FrmAnnuaire &w, const QString &name)
{
    const int row = rowOf(w, name);
    ASSERT_GE(row, 0) << name.toStdString();
    w.ListeRadios->setCurrentItem(w.ListeRadios->topLevelItem(row));
}

} // namespace

TEST(DirectoryWindow, SearchAddAndListen)
{
    StreamServer station;
    LocalDirectory dir;
    QString error;
    ASSERT_TRUE(station.start(&error)) << error.toStdString();
    ASSERT_TRUE(dir.start(&error)) << error.toStdString();
    // The playlist on the directory's server names the station's: a server of this machine that
    // stands for a public station, marked as the user's own.
    net::TrustOrigin(QUrl(station.url(QString())));
    struct TrustReset {
        ~TrustReset() { net::ForgetTrustedOrigins(); }
    } reset;
    const QByteArray jpeg = picture("JPEG"), png = picture("PNG");
    dir.writeFile(u("logo.png"), png);
    dir.writeFile(u("logo.jpg"), jpeg);
    dir.writeFile(u("fake.png"), "<html>not a picture</html>");
    const QString jazzStream = station.url(u("/cut.mp3?id=jazz&after=100000000"));
    const QString listed = station.url(u("/cut.mp3?id=pls&after=100000000"));
    const QString playlist = dir.url(u("/pls?url=")) + QString::fromLatin1(QUrl::toPercentEncoding(listed));
    dir.writeStations(QStringLiteral(R"json([
      {"stationuuid":"11111111-0000-0000-0000-000000000001","name":"Jazz \"Nuit\" / Paris","url":"%1",
       "homepage":"https://jazz.example/?a=1&b=2","favicon":"%2","country":"France","tags":"jazz,blues",
       "codec":"MP3","bitrate":128,"votes":10},
      {"stationuuid":"11111111-0000-0000-0000-000000000002","name":"Radio JPEG","url":"%1","favicon":"%3",
       "codec":"AAC","bitrate":64,"votes":1500},
      {"stationuuid":"11111111-0000-0000-0000-000000000003","name":"Pas une image","url":"%4",
       "homepage":"javascript:alert(1)","favicon":"%5","votes":500},
      {"name":"","url":"%1","votes":9999},
      {"name":"Sans flux","url":"javascript:alert(1)","votes":9998}
    ])json")
                          .arg(jazzStream, dir.url(u("/f/logo.png")), dir.url(u("/f/logo.jpg")), playlist,
                               dir.url(u("/f/fake.png")))
                          .toUtf8());

    QTemporaryDir home;
    settings::UseFile(home.filePath(u("Tavilune.conf")));
    // The first mirror is down: the window's searches go on to the local directory.
    settings::SaveSetting(u("AnnuaireURL"), u("http://127.0.0.1:1;") + dir.base());
    const QString radios = home.filePath(u("Radios"));
    QDir().mkpath(radios);
    G() = ProgramValues{};
    G().radioFolder = radios;
    FakePrompts prompts;
    FakeMain main;

    FrmAnnuaire w(main);
    w.Engine().setAudioOutput(u("null"));
    EXPECT_EQ(w.windowTitle(), u("Rechercher une radio"));
    w.show();
    EXPECT_FALSE(w.CommandEcouter->isEnabled());
    EXPECT_FALSE(w.CommandAjouter->isEnabled());
    EXPECT_FALSE(w.CommandStop->isEnabled());

    // Typing: one search once the user pauses, the results the most voted first.
    w.TextNom->setText(u("a"));
    w.TextNom->setText(u("a "));
    ASSERT_TRUE(tavtest::waitUntil([&] { return w.ListeRadios->topLevelItemCount() > 0; }, 10000));
    EXPECT_EQ(dir.count(u("/json/stations/search")), 1);
    ASSERT_EQ(w.ListeRadios->topLevelItemCount(), 3);
    const QStringList order = {w.ListeRadios->topLevelItem(0)->text(0), w.ListeRadios->topLevelItem(1)->text(0),
                               w.ListeRadios->topLevelItem(2)->text(0)};
    EXPECT_EQ(order, (QStringList{u("Radio JPEG"), u("Pas une image"), u("Jazz \"Nuit\" / Paris")}));
    const QTreeWidgetItem *top = w.ListeRadios->topLevelItem(0);
    EXPECT_EQ(top->text(FrmAnnuaire::ColCodec), u("AAC"));
    EXPECT_EQ(top->text(FrmAnnuaire::ColBitrate), u("64 kbit/s"));
    EXPECT_EQ(top->text(FrmAnnuaire::ColVotes), QLocale().toString(1500));
    EXPECT_EQ(w.LabelEtat->text(), u("3 radios trouvées"));
    // The most voted is selected at once.
    EXPECT_EQ(w.ListeRadios->currentItem(), top);
    EXPECT_TRUE(w.CommandEcouter->isEnabled());
    EXPECT_TRUE(w.CommandAjouter->isEnabled());

    // "Ajouter": the page of the generator, its logo written again as JPEG beside it.
    select(w, u("Jazz \"Nuit\" / Paris"));
    EXPECT_TRUE(w.CommandAjouter->isEnabled());
    w.CommandAjouter_Click();
    const QString jazzPage = radios + u("/JAZZ NUIT - PARIS.HTM");
    ASSERT_TRUE(tavtest::waitUntil([&] { return main.refreshes == 1; }, 10000));
    EXPECT_TRUE(prompts.shown.isEmpty()) << prompts.shown.value(0).text.toStdString();
    const QString escapedStream = QString(jazzStream).replace(u("&"), u("&amp;"));
    EXPECT_EQ(slurp(jazzPage),
              generatorPage(u("Jazz &quot;Nuit&quot; / Paris"),
                            u("<A HREF=\"https://jazz.example/?a=1&amp;b=2\" TARGET=\"_blank\">"
                              "<IMG SRC=\"logo/JAZZ NUIT - PARIS.jpg\" BORDER=0 WIDTH=66 HEIGHT=50></A>"),
                            escapedStream, u("France - jazz, blues")));
    QImage logo;
    EXPECT_TRUE(logo.load(radios + u("/logo/JAZZ NUIT - PARIS.jpg"), "JPEG"));
    EXPECT_EQ(logo.size(), QSize(40, 30));
    EXPECT_EQ(w.LabelEtat->text(), u("Radio ajoutée : JAZZ NUIT - PARIS.HTM"));
    {
        // The page view shows the logo and its player reads the stream back as it was.
        WebBrowser view(nullptr);
        view.setPlaysPages(false);
        view.resize(400, 200);
        view.Navigate(jazzPage);
        EXPECT_EQ(findPagePlayer(view.PageText()).address, jazzStream);
        const QImage shot = view.grab().toImage();
        bool logoShown = false;
        for (int y = 0; y < shot.height() && !logoShown; ++y)
            for (int x = 0; x < shot.width() && !logoShown; ++x) {
                const QColor c = shot.pixelColor(x, y);
                logoShown = c.red() > 200 && c.green() > 120 && c.green() < 165 && qAbs(c.green() - c.blue()) < 12;
            }
        EXPECT_TRUE(logoShown);
    }

    // A JPEG logo is kept as it came; a logo that is not a picture is left out, and so is a
    // home page that is not a web address.
    select(w, u("Radio JPEG"));
    w.CommandAjouter_Click();
    ASSERT_TRUE(tavtest::waitUntil([&] { return main.refreshes == 2; }, 10000));
    EXPECT_EQ(slurp(radios + u("/logo/RADIO JPEG.jpg")), jpeg);
    select(w, u("Pas une image"));
    w.CommandAjouter_Click();
    ASSERT_TRUE(tavtest::waitUntil([&] { return main.refreshes == 3; }, 10000));
    EXPECT_EQ(slurp(radios + u("/PAS UNE IMAGE.HTM")),
              generatorPage(u("Pas une image"), QString(), QString(playlist).replace(u("&"), u("&amp;")), QString()));
    EXPECT_EQ(QDir(radios + u("/logo")).entryList(QDir::Files),
              (QStringList{u("JAZZ NUIT - PARIS.jpg"), u("RADIO JPEG.jpg")}));
    EXPECT_EQ(QDir(radios).entryList(QDir::Files),
              (QStringList{u("JAZZ NUIT - PARIS.HTM"), u("PAS UNE IMAGE.HTM"), u("RADIO JPEG.HTM")}));

    // An existing page (in any letter case): the generator's question; No leaves it as it was.
    QFile::rename(radios + u("/PAS UNE IMAGE.HTM"), radios + u("/Pas une image.htm"));
    QFile kept(radios + u("/Pas une image.htm"));
    ASSERT_TRUE(kept.open(QIODevice::WriteOnly));
    kept.write("mine");
    kept.close();
    prompts.answers = {false};
    w.CommandAjouter_Click();
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].title, u("Fichier existant"));
    EXPECT_EQ(prompts.shown[0].text, u("Le fichier ") + radios + u("/Pas une image.htm existe !\nLe remplacer ?"));
    QTest::qWait(300);
    EXPECT_EQ(slurp(radios + u("/Pas une image.htm")), QByteArray("mine"));
    EXPECT_EQ(main.refreshes, 3);
    prompts.answers = {true};
    w.CommandAjouter_Click();
    ASSERT_TRUE(tavtest::waitUntil([&] { return main.refreshes == 4; }, 10000));
    EXPECT_TRUE(slurp(radios + u("/Pas une image.htm")).startsWith("<HTML>\r\n"));

    // "Ecouter": the main page stops, the playlist's stream plays, the directory counts a click.
    select(w, u("Pas une image"));
    w.CommandEcouter_Click();
    EXPECT_EQ(main.stops, 1);
    ASSERT_TRUE(tavtest::waitUntil([&] { return station.get(u("/count?id=pls")).toInt() >= 1; }, 20000))
        << w.Engine().statusText().toStdString();
    ASSERT_TRUE(tavtest::waitUntil(
        [&] { return dir.count(u("/json/url/11111111-0000-0000-0000-000000000003")) == 1; }, 10000));
    EXPECT_TRUE(tavtest::waitUntil([&] { return w.CommandStop->isEnabled(); }, 5000));
    EXPECT_EQ(station.get(u("/count?id=jazz")).toInt(), 0);

    // Closing the window stops what it plays.
    w.close();
    EXPECT_EQ(w.Engine().state(), MediaEngine::State::Idle);
    settings::UseFile(QString());
}
