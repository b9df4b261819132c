// Start-up and shutdown steps that need no window: first run, folders, listing, position,
// favourites and what shutdown stores.
#include "app/Startup.h"
#include "app/StationList.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "FaultFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void touch(const QString &path, const QByteArray &content = {})
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(content);
}

// A program folder and a settings file of their own for every test.
class StartupTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        prog = dir.path() + QStringLiteral("/prog");
        QDir().mkpath(prog);
        SetProgramFolder(prog);
        settings::UseFile(dir.filePath(QStringLiteral("Tavilune.conf")));
        G() = ProgramValues{};
    }
    void TearDown() override
    {
        settings::UseFile(QString());
        SetProgramFolder(QString());
    }
    QTemporaryDir dir;
    QString prog;
};

} // namespace

TEST_F(StartupTest, FirstRunWithoutStationFoldersShowsTheMessageStartsTheArchiveAndEnds)
{
    startup::ReadFolderSettings();
    EXPECT_EQ(G().radioFolder, prog);
    EXPECT_EQ(G().tempoRadio, 10);
    int messages = 0;
    QString started;
    EXPECT_TRUE(startup::HandleFirstRun([&] { ++messages; }, [&](const QString &p) { started = p; }));
    EXPECT_EQ(messages, 1);
    EXPECT_EQ(started, prog + QStringLiteral("/Radios.exe"));
    EXPECT_EQ(settings::GetSetting(QStringLiteral("DossierRadio")), prog + QStringLiteral("/Radios"));
    EXPECT_EQ(settings::GetSetting(QStringLiteral("DossierTV")), prog + QStringLiteral("/TV"));
}

TEST_F(StartupTest, FirstRunWithExistingFoldersEndsQuietlyAndEmptyFolderSettingCountsAsFirstRun)
{
    QDir().mkpath(prog + QStringLiteral("/Radios"));
    settings::SaveSetting(QStringLiteral("DossierRadio"), QString());
    startup::ReadFolderSettings();
    int calls = 0;
    EXPECT_TRUE(startup::HandleFirstRun([&] { ++calls; }, [&](const QString &) { ++calls; }));
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(settings::GetSetting(QStringLiteral("DossierRadio")), prog + QStringLiteral("/Radios"));

    // Configured folders: a normal start, whatever exists on disk.
    settings::SaveSetting(QStringLiteral("DossierRadio"), QStringLiteral("/elsewhere/Radios"));
    settings::SaveSetting(QStringLiteral("TempoRadio"), QStringLiteral("abc"));
    startup::ReadFolderSettings();
    EXPECT_EQ(G().tempoRadio, 0);
    EXPECT_FALSE(startup::HandleFirstRun(nullptr, nullptr));
    EXPECT_EQ(G().radioFolder, QStringLiteral("/elsewhere/Radios"));
}

TEST_F(StartupTest, RecordingsFolderIsCreatedWithoutTrailingSeparator)
{
    startup::PrepareRecordingsFolder();
    EXPECT_EQ(G().wavFolder, prog + QStringLiteral("/Wav"));
    EXPECT_TRUE(QDir(prog + QStringLiteral("/Wav")).exists());
}

TEST_F(StartupTest, SavedPositionAppliesOnlyWithTheFlagAndNegativeBecomes100)
{
    settings::SaveSetting(QStringLiteral("Haut"), QStringLiteral("-50"));
    settings::SaveSetting(QStringLiteral("Gauche"), QStringLiteral("x12"));
    EXPECT_FALSE(startup::SavedPosition().has_value());
    settings::SaveSetting(QStringLiteral("DerPosition"), QStringLiteral("1"));
    const auto p = startup::SavedPosition();
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->top, 100);
    EXPECT_EQ(p->left, 0); // not a number reads as 0
    settings::SaveSetting(QStringLiteral("Haut"), QStringLiteral("1500"));
    settings::SaveSetting(QStringLiteral("Gauche"), QStringLiteral("-1"));
    EXPECT_EQ(startup::SavedPosition()->top, 1500);
    EXPECT_EQ(startup::SavedPosition()->left, 100);
}

TEST_F(StartupTest, ListingSkipsPopupsKeepsInnerDotsAndSortsIgnoringCase)
{
    const QString radios = prog + QStringLiteral("/Radios");
    QDir().mkpath(radios + QStringLiteral("/sub.htm"));
    for (const char *n : {"radio y.html", "RADIO X.HTM", "popup.htm", "POPUP.HTM", "xpopup.htm", "popup.html",
                          "a.b.htm", "notes.txt", "bas.css", "Zed.Html"})
        touch(radios + QLatin1Char('/') + QString::fromLatin1(n));
    const auto list = ListStations(radios + QLatin1Char('/'));
    QStringList files, names;
    for (const auto &e : list) {
        files << e.fileName;
        names << e.displayName;
    }
    EXPECT_EQ(files, (QStringList{QStringLiteral("a.b.htm"), QStringLiteral("RADIO X.HTM"),
                                  QStringLiteral("radio y.html"), QStringLiteral("Zed.Html")}));
    EXPECT_EQ(names, (QStringList{QStringLiteral("a.b"), QStringLiteral("RADIO X"), QStringLiteral("radio y"),
                                  QStringLiteral("Zed")}));
    EXPECT_TRUE(ListStations(prog + QStringLiteral("/missing")).isEmpty());
    EXPECT_TRUE(ListStations(QString()).isEmpty());
}

TEST_F(StartupTest, TitleLastStationAndFavourites)
{
    EXPECT_EQ(startup::TitleFor(false, true, QStringLiteral("FIP"), QStringLiteral("TV5")), QStringLiteral("Tavilune"));
    EXPECT_EQ(startup::TitleFor(true, true, QStringLiteral("FIP"), QStringLiteral("TV5")),
              QStringLiteral("Tavilune : FIP"));
    EXPECT_EQ(startup::TitleFor(true, false, QStringLiteral("FIP"), QStringLiteral("TV5")),
              QStringLiteral("Tavilune : TV5"));
    EXPECT_EQ(startup::LastStationPath(QStringLiteral("Fip")), prog + QStringLiteral("/Radios/Fip.HTM"));

    EXPECT_TRUE(startup::ReadFavourites().isEmpty());
    touch(prog + QStringLiteral("/Favoris.lst"), "FIP\r\nFRANCE INTER\r\n\xC9t\xE9");
    EXPECT_EQ(startup::ReadFavourites(),
              (QStringList{QStringLiteral("FIP"), QStringLiteral("FRANCE INTER"), QStringLiteral("Été")}));
}

TEST_F(StartupTest, ShutdownStoresTheTrimmedStationAndThePositionByFlag)
{
    G().derRadio = 1;
    G().derPosition = 0;
    startup::SaveOnShutdown(QStringLiteral("  Sélectionner une radio \t "), 300, 450);
    EXPECT_EQ(settings::GetSetting(QStringLiteral("NomDerRadio")), QStringLiteral("Sélectionner une radio \t"));
    EXPECT_FALSE(settings::HasSetting(QStringLiteral("Haut")));
    G().derRadio = 0;
    G().derPosition = 1;
    startup::SaveOnShutdown(QStringLiteral("FIP"), 300, -450);
    EXPECT_EQ(settings::GetSetting(QStringLiteral("Haut")), QStringLiteral("300"));
    EXPECT_EQ(settings::GetSetting(QStringLiteral("Gauche")), QStringLiteral("-450"));
    EXPECT_EQ(settings::GetSetting(QStringLiteral("NomDerRadio")), QStringLiteral("Sélectionner une radio \t"));
    // A position the desktop does not tell (Wayland) leaves the saved one.
    startup::SaveOnShutdown(QStringLiteral("FIP"), 0, 0, false);
    EXPECT_EQ(settings::GetSetting(QStringLiteral("Haut")), QStringLiteral("300"));
    EXPECT_EQ(settings::GetSetting(QStringLiteral("Gauche")), QStringLiteral("-450"));
}

namespace {
QStringList g_warnings;
void keepWarning(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type == QtWarningMsg)
        g_warnings << text;
}
} // namespace

TEST_F(StartupTest, SettingsThatCannotBeWrittenAtShutdownOrFirstRunAreLogged)
{
    // No window is left to tell: the log hears of it, and the caller learns it.
    tavtest::FaultFolder folder(tavtest::Fault::FullDevice);
    const QString conf = folder.file(QStringLiteral("Tavilune.conf"));
    settings::UseFile(conf);
    G().derPosition = 1;
    g_warnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(keepWarning);
    folder.arm();
    const bool saved = startup::SaveOnShutdown(QStringLiteral("FIP"), 300, 450);
    QDir().mkpath(prog + QStringLiteral("/Radios"));
    G().radioFolder = prog;
    EXPECT_TRUE(startup::HandleFirstRun({}, {}));
    folder.disarm();
    qInstallMessageHandler(previous);
    EXPECT_FALSE(saved);
    const QString line = startup::SettingsNotSavedText(conf);
    EXPECT_TRUE(line.startsWith(QStringLiteral("Les réglages n'ont pas pu être enregistrés dans « %1 »").arg(conf)));
    EXPECT_EQ(g_warnings, (QStringList{line, line}));
    settings::UseFile(QString());
}

TEST(StartupText, FirstRunMessageHasFiveLinesSeparatedByCarriageReturns)
{
    const QStringList lines = startup::FirstRunText().split(QChar(13));
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], QStringLiteral("Première exécution de Tavilune"));
    EXPECT_EQ(lines[2], QStringLiteral("-1- Decompressez le fichier <Radios.exe> "));
    EXPECT_FALSE(startup::FirstRunText().contains(QChar(10)));
}

TEST(InfoAddress, OnlyWebAddressesMayBeFetched)
{
    EXPECT_TRUE(InfoAddressFetchable(QStringLiteral("http://radio.example/now.php?id=3")));
    EXPECT_TRUE(InfoAddressFetchable(QStringLiteral("HTTPS://radio.example/")));
    EXPECT_FALSE(InfoAddressFetchable(QString()));
    EXPECT_FALSE(InfoAddressFetchable(QStringLiteral("file:///etc/passwd")));
    EXPECT_FALSE(InfoAddressFetchable(QStringLiteral("/etc/passwd")));
    EXPECT_FALSE(InfoAddressFetchable(QStringLiteral("javascript:alert(1)")));
    EXPECT_FALSE(InfoAddressFetchable(QStringLiteral(" http://x/"))); // as stored, not trimmed
}

TEST(StatusLine, NamesTheStationAndTheTitleItPlays)
{
    const struct {
        const char *station, *title, *engine, *expected;
    } cases[] = {
        {"FIP", "", "Lecture en cours : http://x/fip.mp3", "Lecture en cours : FIP"},
        {"FIP", "Nina Simone - Feeling Good", "", "Lecture en cours : FIP \u2014 Nina Simone - Feeling Good"},
        {"  ", "", "Lecture en cours : http://x/a", "Lecture en cours : http://x/a"},
        {"", "Titre", "Lecture en cours : http://x/a", "Lecture en cours : http://x/a \u2014 Titre"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(startup::PlayingStatusText(QString::fromUtf8(c.station), QString::fromUtf8(c.title),
                                             QString::fromUtf8(c.engine)),
                  QString::fromUtf8(c.expected))
            << c.expected;
}
