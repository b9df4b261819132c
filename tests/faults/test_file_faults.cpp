// Every file the program writes for the user, written through its window onto a full device and
// into a folder that cannot be written: the window tells the user in French, claims no success,
// and the file that was there before is still whole (no half-written file, no leftover).
#include "app/FrmFav.h"
#include "app/FrmOptions.h"
#include "app/Options.h"
#include "app/Startup.h"
#include "audio/FrmREC.h"
#include "audio/WaveInRecorder.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "directory/FrmAnnuaire.h"
#include "mp3/Mp3Encoder.h"
#include "mp3/Mp3EncoderRules.h"
#include "nowplaying/InfoRadio.h"
#include "nowplaying/InfoRefresh.h"
#include "stations/FrmModifRad.h"
#include "stations/FrmRadPerso.h"
#include "tv/FrmAutresTVModif.h"
#include "ui/MainLink.h"
#include "FakeCapture.h"
#include "FakePrompts.h"
#include "FaultFolder.h"
#include "Mp3TestUtil.h"
#include "NowPlayingTestUtil.h"
#include "TestUtil.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <functional>
#include <gtest/gtest.h>

using tavtest::Fault;
using tavtest::FaultFolder;

// Texts in failure messages as text.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os) { *os << s.toStdString(); }
QT_END_NAMESPACE

namespace {

// The mounts of this test stay inside it (taken before any thread starts).
const bool g_privateMounts = tavtest::PrivateMounts();

QString u(const char *s) { return QString::fromUtf8(s); }

QByteArray slurp(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

void spit(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

class FakeMain : public MainLink {
public:
    void StopMainPage() override {}
    void OpenNowPlaying(bool, const QString &, const QString &) override {}
    QRect MainGeometryTwips() const override { return {}; }
    void RefreshStationLists() override {}
    QWidget *MainWindow() override { return nullptr; }
};

// What a row's action can use.
struct Bench {
    FaultFolder &folder;
    Fault fault;
    FakePrompts &prompts;
    QString elsewhere; // a writable folder outside the faulty one
    StreamServer &server;
};

struct Writer {
    const char *name;
    const char *file;     // the file written, in the faulty folder
    QByteArray previous;  // what it held before; null: no file of that name before
    // Builds the window, calls folder.arm() just before the write, and writes.
    std::function<void(Bench &)> act;
    // The message: title and the text it starts with ("%1" stands for the folder), per fault.
    const char *title;
    const char *fullText;
    const char *readOnlyText;
    // Whether the previous file must be whole after a full device (after a read-only folder
    // it always must).
    bool keepsPreviousWhenFull = true;
    // Checks once writing works again (optional).
    std::function<void(Bench &)> after = nullptr;
};

class FileFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = new StreamServer("dataserver.py");
        QString error;
        if (!server->start(&error))
            FAIL() << error.toStdString();
        ASSERT_TRUE(nptest::PutStation(server->folder(), QStringLiteral("radio"), 1));
        // A radio directory of one station without a logo: /f is its mirror.
        ASSERT_TRUE(nptest::Put(server->folder(), QStringLiteral("json/stations/search"),
                                R"json([{"stationuuid":"11111111-2222-3333-4444-555555555555","name":"Jazz Nuit",
                                "url":"http://127.0.0.1:9/jazz","country":"France","tags":"jazz","votes":12}])json"));
        // The same station with a logo: /f/logo is its mirror.
        ASSERT_TRUE(nptest::Put(server->folder(), QStringLiteral("covers/jazz.png"), nptest::Cover(qRgb(200, 40, 40), "PNG")));
        ASSERT_TRUE(nptest::Put(server->folder(), QStringLiteral("logo/json/stations/search"),
                                QStringLiteral(R"json([{"stationuuid":"11111111-2222-3333-4444-555555555555","name":"Jazz Nuit",
                                "url":"http://127.0.0.1:9/jazz","favicon":"%1","votes":12}])json")
                                    .arg(server->url(QStringLiteral("/f/covers/jazz.png")))
                                    .toUtf8()));
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SetUp() override
    {
        G() = ProgramValues{};
        prog = dir.filePath(QStringLiteral("prog"));
        radios = dir.filePath(QStringLiteral("Radios"));
        for (const QString &d : {prog, radios})
            QDir().mkpath(d);
        spit(radios + QStringLiteral("/FIP.HTM"), "<HTML></HTML>\r\n");
        SetProgramFolder(prog);
        settings::UseFile(dir.filePath(QStringLiteral("Tavilune.conf")));
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

    static StreamServer *server;
    QTemporaryDir dir;
    QString prog, radios;
    QByteArray savedConfig;
};
StreamServer *FileFaults::server = nullptr;

// A recording window over an in-memory sound card.
struct Recorder {
    std::shared_ptr<FakeState> state = std::make_shared<FakeState>();
    struct NoChooser : FormatChooser {
        std::optional<size_t> ChooseFormat(const std::vector<WaveFormatChoice> &, const std::string &) override
        {
            return std::nullopt;
        }
    } chooser;
    std::unique_ptr<FrmREC> window;
    Recorder()
    {
        FakeDevice card;
        card.name = "Carte son";
        card.lines = {{"Micro", capture::kComponentSrcMicrophone, 2, {100, 200}},
                      {"Entrée ligne", capture::kComponentSrcLine, 2, {30000, 30000}}};
        card.mux = {0, 1};
        state->devices = {card};
        FrmREC::Services s;
        s.makeRecorder = [st = state] { return std::make_unique<WaveInRecorder>(std::make_unique<FakeCapture>(st)); };
        s.formatChooser = &chooser;
        s.openEffects = [](clsDSP &, QWidget *) {};
        window = std::make_unique<FrmREC>(s);
        window->show();
    }
};

bool RiffSizeTrue(const QByteArray &b)
{
    if (b.size() < 12 || !b.startsWith("RIFF"))
        return false;
    const auto *p = reinterpret_cast<const uchar *>(b.constData()) + 4;
    const quint32 riff = p[0] | p[1] << 8 | p[2] << 16 | quint32(p[3]) << 24;
    return riff == quint32(b.size() - 8);
}

const QByteArray kOldList = "Un\r\nhttp://127.0.0.1:9/un.ts\r\nDeux\r\nhttp://127.0.0.1:9/deux.ts\r\n";

const std::vector<Writer> &Writers()
{
    static const std::vector<Writer> writers = {
        {"favourites", "Favoris.lst", "FIP\r\n",
         [](Bench &b) {
             SetProgramFolder(b.folder.path());
             FrmFav w;
             w.show();
             ASSERT_GT(w.ListDisp->count(), 0);
             emit w.ListDisp->itemDoubleClicked(w.ListDisp->item(0));
             b.folder.arm();
             w.Command3->click();
             EXPECT_TRUE(w.isVisible()) << "the manager stays open";
         },
         "Modification des favoris",
         "Les favoris n'ont pas pu être enregistrés dans « Favoris.lst ».\nLe fichier précédent est conservé tel quel.",
         "Les favoris n'ont pas pu être enregistrés dans « Favoris.lst ».\nLe fichier précédent est conservé tel quel."},

        {"station page generator", "JAZZ.HTM", "<HTML>ancienne</HTML>\r\n",
         [](Bench &b) {
             G().radioFolder = b.folder.path();
             FakeMain main;
             FrmRadPerso w(main);
             w.TextNom->setText(QStringLiteral("jazz"));
             w.Command2_Click();
             b.folder.arm();
             b.prompts.answers = {true}; // "Fichier existant": replace it
             w.Command5_Click();
             EXPECT_FALSE(w.Command3->isEnabled()) << "no page to test";
         },
         "Erreur", "Erreur lors de la création du fichier %1/JAZZ.HTM !",
         "Erreur lors de la création du fichier %1/JAZZ.HTM !"},

        {"station page editor", "FIP.HTM", "<HTML>\r\n<BODY>\r\n</HTML>\r\n",
         [](Bench &b) {
             G().radioFolder = b.folder.path();
             FakeMain main;
             FrmModifRad w(main);
             const auto found = w.File1->findItems(QStringLiteral("FIP.HTM"), Qt::MatchExactly);
             ASSERT_EQ(found.size(), 1);
             w.File1->setCurrentItem(found.first());
             w.Command1_Click();
             w.TextHTML->appendPlainText(QStringLiteral("<!-- ajout -->"));
             b.folder.arm();
             b.prompts.answers = {true};
             w.Command3_Click();
         },
         "Erreur", "Erreur lors de la création du fichier %1/FIP.HTM !",
         "Erreur lors de la création du fichier %1/FIP.HTM !"},

        {"station page from the radio directory", "JAZZ NUIT.HTM", "<HTML>ancienne</HTML>\r\n",
         [](Bench &b) {
             settings::SaveSetting(QStringLiteral("AnnuaireURL"), b.server.url(QStringLiteral("/f")));
             G().radioFolder = b.folder.path();
             FakeMain main;
             FrmAnnuaire w(main);
             w.show();
             w.TextNom->setText(QStringLiteral("jazz"));
             ASSERT_TRUE(tavtest::waitUntil([&] { return w.ListeRadios->topLevelItemCount() == 1; }, 10000));
             b.folder.arm();
             b.prompts.answers = {true}; // "Fichier existant": replace it
             w.CommandAjouter_Click();
         },
         "Erreur", "Erreur lors de la création du fichier %1/JAZZ NUIT.HTM !",
         "Erreur lors de la création du fichier %1/JAZZ NUIT.HTM !"},

        {"TV list", "AutresTV.TV", kOldList,
         [](Bench &b) {
             SetProgramFolder(b.folder.path());
             FakeMain main;
             FrmAutresTVModif e(&main);
             e.show();
             ASSERT_EQ(e.ListNomTV->count(), 2);
             b.folder.arm();
             e.Command7->click();
         },
         "Erreur", "Erreur lors de la sauvegarde !", "Erreur lors de la sauvegarde !"},

        {"settings", "Tavilune.conf", "[Settings]\nNomRadio=0\n",
         [](Bench &b) {
             settings::UseFile(b.folder.file(QStringLiteral("Tavilune.conf")));
             FrmOptions o({}, nullptr);
             o.show();
             o.Check[3]->setChecked(true);
             b.folder.arm();
             o.Command2->click();
             EXPECT_EQ(settings::GetSetting(QStringLiteral("NomRadio")), QStringLiteral("1"))
                 << "the values stay in use";
         },
         "Préférences",
         "Les préférences n'ont pas pu être enregistrées dans « %1/Tavilune.conf ».",
         "Les préférences n'ont pas pu être enregistrées dans « %1/Tavilune.conf ».", true,
         [](Bench &b) {
             // Once the folder takes files again, the next save writes what was kept.
             FrmOptions o({}, nullptr);
             o.show();
             b.prompts.shown.clear();
             o.Command2->click();
             EXPECT_TRUE(b.prompts.shown.isEmpty()) << b.prompts.lastText().toStdString();
             EXPECT_TRUE(slurp(b.folder.file(QStringLiteral("Tavilune.conf"))).contains("NomRadio=1"));
         }},

        {"recording", "Enregistrement.wav", QByteArray("RIFF\x04\0\0\0WAVE", 12),
         [](Bench &b) {
             Recorder r;
             r.window->txtFile->setText(b.folder.file(QStringLiteral("Enregistrement.wav")));
             b.folder.arm();
             r.window->cmdDo->click();
             // A full device may take the header (the old file's room is given back) and then
             // fails on the sound: the recording stops by itself.
             for (int i = 0; i < 50 && r.window->IsRecording(); ++i)
                 ASSERT_TRUE(r.state->fillNext(10240, 7));
             EXPECT_FALSE(r.window->IsRecording());
             EXPECT_EQ(r.window->cmdDo->text(), QStringLiteral("Enregistrer"));
         },
         "Tavilune", "", "Ne peut pas initialiser l'encodeur !", false,
         [](Bench &b) {
             const QString file = b.folder.file(QStringLiteral("Enregistrement.wav"));
             if (b.fault != Fault::FullDevice)
                 return;
             // The user chose to record over the old file: what is left is a true WAV file,
             // or nothing.
             const QString text = b.prompts.shown.isEmpty() ? QString() : b.prompts.shown.last().text;
             EXPECT_TRUE(text == u("Write error (no disk space left?)!") || text == u("Ne peut pas initialiser l'encodeur !"))
                 << text.toStdString();
             if (QFile::exists(file)) {
                 EXPECT_TRUE(RiffSizeTrue(slurp(file)));
             }
         }},

        // The window writes no output over an existing file.
        {"MP3 output", "essai.mp3", QByteArray(),
         [](Bench &b) {
             const QString source = QDir(b.elsewhere).filePath(QStringLiteral("essai.wav"));
             mp3test::writeFile(source.toStdString(),
                                mp3test::makeWav({}, mp3test::stereoTone(44100 * 2, 44100, 440, 660)));
             Mp3Encoder w(nullptr, "lameencshim");
             std::optional<Mp3Conversion::Outcome> outcome;
             QObject::connect(&w, &Mp3Encoder::EncodingFinished, [&](Mp3Conversion::Outcome o) { outcome = o; });
             w.show();
             w.txtSourceFile->setText(source);
             w.txtOutputMp3File->setText(b.folder.file(QStringLiteral("essai.mp3")));
             ASSERT_TRUE(w.cmdEncode->isEnabled());
             b.folder.arm();
             w.cmdEncode->click();
             ASSERT_TRUE(tavtest::waitUntil([&] { return outcome.has_value(); }, 60000));
             EXPECT_EQ(*outcome, Mp3Conversion::Outcome::Failed);
             EXPECT_TRUE(w.ProgressBar().Text().isEmpty()) << "no finished bar";
         },
         "Tavilune : Conversion Wav --> Mp3 - [Encodeur LAME]", "Le fichier Mp3 n'a pas pu être",
         "Le fichier Mp3 n'a pas pu être créé."},

        // The logo of a station added from the directory: the page is made without it.
        {"logo from the radio directory", "JAZZ NUIT.jpg", "ancien logo",
         [](Bench &b) {
             settings::SaveSetting(QStringLiteral("AnnuaireURL"), b.server.url(QStringLiteral("/f/logo")));
             // A radio folder that takes the page, its logo folder on the faulty one.
             const QString radios = QDir(b.elsewhere).filePath(QStringLiteral("Radios logo"));
             QDir(radios).removeRecursively();
             QDir().mkpath(radios);
             ASSERT_TRUE(QFile::link(b.folder.path(), radios + QStringLiteral("/logo")));
             G().radioFolder = radios;
             FakeMain main;
             FrmAnnuaire w(main);
             w.show();
             w.TextNom->setText(QStringLiteral("jazz"));
             ASSERT_TRUE(tavtest::waitUntil([&] { return w.ListeRadios->topLevelItemCount() == 1; }, 10000));
             b.folder.arm();
             w.CommandAjouter_Click();
             const QString page = radios + QStringLiteral("/JAZZ NUIT.HTM");
             ASSERT_TRUE(tavtest::waitUntil([&] { return QFile::exists(page); }, 10000));
             EXPECT_FALSE(slurp(page).contains("<IMG")) << "no logo that is not there";
         },
         "Erreur", "Le logo de la radio n'a pas pu être enregistré dans « ",
         "Le logo de la radio n'a pas pu être enregistré dans « "},

        // Ticking "Exécuter Tavilune à l'ouverture de la session".
        {"autostart entry", "Tavilune.desktop", QByteArray(),
         [](Bench &b) {
             // The autostart folder is the faulty one.
             const QString config = QDir(b.elsewhere).filePath(QStringLiteral("config autostart"));
             QDir(config).removeRecursively();
             QDir().mkpath(config);
             ASSERT_TRUE(QFile::link(b.folder.path(), config + QStringLiteral("/autostart")));
             qputenv("XDG_CONFIG_HOME", config.toUtf8());
             FrmOptions o({}, nullptr);
             o.show();
             ASSERT_FALSE(o.chkStartOnWin->isChecked());
             b.folder.arm();
             o.chkStartOnWin->click();
             EXPECT_FALSE(o.chkStartOnWin->isChecked()) << "the box shows that the session will not start it";
             qputenv("XDG_CONFIG_HOME", QDir(b.elsewhere).filePath(QStringLiteral("config")).toUtf8());
         },
         "Préférences", "Le démarrage de Tavilune à l'ouverture de la session n'a pas pu être enregistré",
         "Le démarrage de Tavilune à l'ouverture de la session n'a pas pu être enregistré"},

        // The refresh period of the now-playing window, saved as it closes.
        {"now-playing refresh period", "Tavilune.conf", "[Settings]\nTempoRadio=10\n",
         [](Bench &b) {
             settings::UseFile(b.folder.file(QStringLiteral("Tavilune.conf")));
             SetProgramFolder(b.elsewhere);
             QPointer<InfoRadio> w = new InfoRadio;
             w->show();
             w->Text2->setText(QStringLiteral("30"));
             b.folder.arm();
             w->close();
             EXPECT_EQ(G().tempoRadio, 30) << "the period stays in use";
             delete w; // the window deletes itself later, once the event loop runs again
         },
         "Information : ", "Le délai d'actualisation n'a pas pu être enregistré dans « %1/Tavilune.conf »",
         "Le délai d'actualisation n'a pas pu être enregistré dans « %1/Tavilune.conf »"},

        {"now-playing caches", "info2.html", "ancienne page",
         [](Bench &b) {
             SetProgramFolder(b.folder.path());
             G().infoAddress = b.server.url(QStringLiteral("/f/radio/d_data.html"));
             b.folder.arm();
             QPointer<InfoRadio> w = new InfoRadio;
             std::optional<bool> shown;
             QObject::connect(w, &InfoRadio::refreshed, w, [&](bool s) { shown = s; });
             ASSERT_TRUE(tavtest::waitUntil([&] { return shown.has_value(); }, 20000));
             EXPECT_FALSE(*shown) << "the display stays as it was";
             // The next refresh fails the same way without telling it again.
             shown.reset();
             w->Command1_Click();
             ASSERT_TRUE(tavtest::waitUntil([&] { return shown.has_value(); }, 20000));
             delete w.data();
         },
         "Information : ",
         "Les informations du titre en cours n'ont pas pu être enregistrées dans le dossier « %1 ».",
         "Les informations du titre en cours n'ont pas pu être enregistrées dans le dossier « %1 »."},
    };
    return writers;
}

} // namespace

TEST_F(FileFaults, EveryWriterTellsTheUserAndKeepsThePreviousFile)
{
    QString skipped;
    for (const Fault fault : {Fault::FullDevice, Fault::ReadOnlyFolder}) {
        for (const Writer &w : Writers()) {
            SCOPED_TRACE(std::string(w.name) + " on a " + tavtest::FaultName(fault));
            FaultFolder folder(fault);
            if (!folder.usable()) {
                skipped = folder.why();
                continue;
            }
            if (!w.previous.isNull())
                spit(folder.file(QString::fromLatin1(w.file)), w.previous);
            const QStringList before = folder.entries();
            G() = ProgramValues{};
            G().radioFolder = radios;
            FakePrompts prompts;
            Bench bench{folder, fault, prompts, dir.path(), *server};
            w.act(bench);
            folder.disarm();
            QList<FakePrompts::Shown> messages;
            for (const FakePrompts::Shown &s : prompts.shown)
                if (s.kind == QStringLiteral("message"))
                    messages << s;
            QStringList texts;
            for (const FakePrompts::Shown &m : messages)
                texts << m.text;
            ASSERT_EQ(messages.size(), 1) << texts.join(QStringLiteral(" | ")).toStdString();
            EXPECT_EQ(messages[0].title, u(w.title));
            EXPECT_EQ(messages[0].icon, UiPrompts::Icon::Exclamation);
            const QString expected = u(fault == Fault::FullDevice ? w.fullText : w.readOnlyText).arg(folder.path());
            EXPECT_TRUE(messages[0].text.startsWith(expected))
                << messages[0].text.toStdString() << "\n  expected: " << expected.toStdString();
            if (fault == Fault::ReadOnlyFolder || w.keepsPreviousWhenFull) {
                EXPECT_EQ(slurp(folder.file(QString::fromLatin1(w.file))),
                          w.previous.isNull() ? QByteArray("<absent>") : w.previous);
            }
            // Nothing half-written stays behind.
            QStringList now = folder.entries();
            if (!w.keepsPreviousWhenFull && fault == Fault::FullDevice)
                now.removeAll(QString::fromLatin1(w.file));
            for (const QString &name : now)
                EXPECT_TRUE(before.contains(name)) << "left behind: " << name.toStdString();
            if (w.after)
                w.after(bench);
            settings::UseFile(dir.filePath(QStringLiteral("Tavilune.conf")));
            SetProgramFolder(prog);
        }
    }
    if (!skipped.isEmpty())
        GTEST_SKIP() << skipped.toStdString();
}
