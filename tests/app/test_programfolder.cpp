// Where the program keeps its files: beside the program when that folder is writable (portable
// use, nothing changes), else the user's own folder prepared from the shipped read-only copies.
#include "app/Favourites.h"
#include "app/Startup.h"
#include "app/StationList.h"
#include "core/Globals.h"
#include "core/Paths.h"
#include "core/ProgramFolder.h"
#include "core/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

QString readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name);
}

class ProgramFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        shipped = dir.filePath(QStringLiteral("lib/tavilune"));
        perUser = dir.filePath(QStringLiteral("data/Tavilune"));
        QDir().mkpath(shipped);
        // The shipped files as the build lays them.
        for (const QString &name : programfolder::ShippedFiles())
            ASSERT_TRUE(QFile::copy(QStringLiteral(TAV_BIN_DIR "/") + name, shipped + QLatin1Char('/') + name))
                << name.toStdString();
        settings::UseFile(dir.filePath(QStringLiteral("Tavilune.conf")));
        G() = ProgramValues{};
    }
    void TearDown() override
    {
        settings::UseFile(QString());
        SetProgramFolder(QString());
    }
    // One start of the program up to its station lists, as FrmMain runs it; the archive is run to
    // its end here where the program leaves it running.
    bool start()
    {
        G() = ProgramValues{};
        programfolder::Setup(shipped, perUser, writable);
        startup::ReadFolderSettings();
        const bool first = startup::HandleFirstRun(nullptr, [](const QString &archive) {
            EXPECT_EQ(QProcess::execute(archive, {}), 0) << archive.toStdString();
        });
        if (!first)
            startup::PrepareRecordingsFolder();
        return first;
    }
    QTemporaryDir dir;
    QString shipped, perUser;
    programfolder::WritableCheck writable = [](const QString &) { return false; };
};

} // namespace

TEST(ProgramFolderDecision, WritableShippedFolderIsKeptElseThePerUserOne)
{
    struct Row {
        const char *what;
        bool shippedWritable;
        const char *perUser;
        const char *expected;
    };
    const Row rows[] = {
        {"portable copy or build folder", true, "/home/u/.local/share/Tavilune", "/opt/t"},
        {"installed read-only", false, "/home/u/.local/share/Tavilune", "/home/u/.local/share/Tavilune"},
        {"no data folder known: nowhere else to go", false, "", "/opt/t"},
    };
    for (const Row &r : rows) {
        QStringList asked;
        const QString got = programfolder::Decide(QStringLiteral("/opt/t"), QString::fromLatin1(r.perUser),
                                                  [&](const QString &f) {
                                                      asked << f;
                                                      return r.shippedWritable;
                                                  });
        EXPECT_EQ(got, QString::fromLatin1(r.expected)) << r.what;
        if (*r.perUser) {
            EXPECT_EQ(asked, QStringList{QStringLiteral("/opt/t")}) << r.what;
        }
    }
}

TEST(ProgramFolderDecision, RealWriteCheckAndPerUserLocation)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("f"));
    QFile(file).open(QIODevice::WriteOnly);
    const QString locked = dir.filePath(QStringLiteral("locked"));
    QDir().mkpath(locked);
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    struct Row {
        QString folder;
        bool expected;
        bool skipAsAdministrator; // the administrator ignores permission bits
    } rows[] = {
        {dir.path(), true, false},
        {dir.filePath(QStringLiteral("missing")), false, false},
        {file, false, false},
        {locked, false, true},
        {QStringLiteral("/usr/lib"), false, false}, // packaged: never written, even by the administrator
        {QStringLiteral("/usr/local"), QFileInfo(QStringLiteral("/usr/local")).isWritable(), false},
    };
    for (const Row &r : rows) {
        if (r.skipAsAdministrator && geteuid() == 0)
            continue;
        EXPECT_EQ(programfolder::FolderWritable(r.folder), r.expected) << r.folder.toStdString();
    }
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // The tests' own data home (sandbox.sh) + "Tavilune".
    EXPECT_EQ(programfolder::PerUserFolder(), qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Tavilune"));
}

TEST_F(ProgramFolderTest, ReadOnlyFolderFirstStartPreparesThePerUserFolderNextStartListsTheStarters)
{
    const QStringList shippedBefore = entries(shipped);

    // First start: the per-user folder gets the shipped copies, the archive unpacks there, the
    // program ends.
    EXPECT_TRUE(start());
    EXPECT_EQ(ProgramFolder(), perUser);
    EXPECT_TRUE(ProgramFolderIsPerUser());
    for (const QString &name : programfolder::ShippedFiles())
        EXPECT_EQ(readAll(perUser + QLatin1Char('/') + name), readAll(shipped + QLatin1Char('/') + name))
            << name.toStdString();
    EXPECT_TRUE(QFileInfo(perUser + QStringLiteral("/Radios.exe")).isExecutable());
    EXPECT_TRUE(QFileInfo(perUser + QStringLiteral("/AutresTV.TV")).isWritable());
    EXPECT_EQ(settings::GetSetting(QStringLiteral("DossierRadio")), perUser + QStringLiteral("/Radios"));
    EXPECT_EQ(settings::GetSetting(QStringLiteral("DossierTV")), perUser + QStringLiteral("/TV"));

    // The user edits the TV list; the next start keeps the edit and lists the starter stations.
    QFile edited(perUser + QStringLiteral("/AutresTV.TV"));
    ASSERT_TRUE(edited.open(QIODevice::WriteOnly));
    edited.write("mine\r\n");
    edited.close();
    EXPECT_FALSE(start());
    EXPECT_EQ(readAll(perUser + QStringLiteral("/AutresTV.TV")), QStringLiteral("mine\r\n"));
    QStringList radios;
    for (const auto &e : ListStations(WithBackslash(G().radioFolder)))
        radios << e.displayName;
    EXPECT_TRUE(radios.contains(QStringLiteral("FIP"))) << radios.join(QLatin1Char(',')).toStdString();
    EXPECT_FALSE(ListStations(WithBackslash(G().tvFolder)).isEmpty());

    // Favourites live in the per-user folder, recordings in the user's music folder.
    EXPECT_TRUE(favourites::Save({QStringLiteral("FIP")}));
    EXPECT_EQ(favourites::FilePath(), perUser + QStringLiteral("/Favoris.lst"));
    EXPECT_TRUE(QFileInfo::exists(perUser + QStringLiteral("/Favoris.lst")));
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation) + QStringLiteral("/Tavilune");
    EXPECT_EQ(G().wavFolder, music);
    EXPECT_TRUE(QFileInfo(music).isDir());

    EXPECT_EQ(entries(shipped), shippedBefore); // nothing written beside the program
}

TEST_F(ProgramFolderTest, WritableFolderIsUsedAsBeforeAndNoPerUserFolderIsMade)
{
    writable = programfolder::FolderWritable; // the real check: the temporary folder is writable
    EXPECT_TRUE(start());
    EXPECT_EQ(ProgramFolder(), shipped);
    EXPECT_FALSE(ProgramFolderIsPerUser());
    EXPECT_EQ(settings::GetSetting(QStringLiteral("DossierRadio")), shipped + QStringLiteral("/Radios"));
    EXPECT_FALSE(start());
    EXPECT_EQ(G().wavFolder, shipped + QStringLiteral("/Wav"));
    EXPECT_EQ(favourites::FilePath(), shipped + QStringLiteral("/Favoris.lst"));
    EXPECT_FALSE(QFileInfo::exists(perUser));
}

TEST_F(ProgramFolderTest, PerUserFolderThatCannotBeMadeLeavesTheShippedFolderInUse)
{
    QFile blocker(dir.filePath(QStringLiteral("data"))); // a file where the folder should go
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_EQ(programfolder::Setup(shipped, perUser, writable), shipped);
    EXPECT_EQ(ProgramFolder(), shipped);
    EXPECT_FALSE(ProgramFolderIsPerUser());
}
