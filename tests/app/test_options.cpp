// Preferences without windows: what the window loads, the order of the save steps, the autostart
// entry, and the about box's texts and tool choice.
#include "app/About.h"
#include "app/Autostart.h"
#include "app/Options.h"
#include "core/Globals.h"
#include "core/Settings.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetProgramFolder(dir.path());
        settings::UseFile(dir.filePath(QStringLiteral("Tavilune.conf")));
        G() = ProgramValues{};
    }
    void TearDown() override
    {
        settings::UseFile(QString());
        SetProgramFolder(QString());
        G() = ProgramValues{};
    }
    static QString startupTrimmed(const QString &s) { return s.trimmed(); }
    static QString get(const char *key) { return settings::GetSetting(QString::fromLatin1(key), QStringLiteral("-")); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(OptionsTest, LoadTicksOnlyFlagsThatReadOneAndDefaultsTheFolders)
{
    const char *stored[6] = {"1", "0", "2", "1abc", "", "-1"};
    for (int i = 0; i < 6; ++i)
        settings::SaveSetting(QString::fromLatin1(options::kCheckKeys[i]), QString::fromLatin1(stored[i]));
    options::Values v = options::Load();
    const bool expected[6] = {true, false, false, true, false, false};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(v.check[i], expected[i]) << options::kCheckKeys[i];
    EXPECT_EQ(v.radioFolder, dir.path());
    EXPECT_EQ(v.tvFolder, dir.path());
    settings::SaveSetting(QStringLiteral("DossierRadio"), QStringLiteral(" /r "));
    EXPECT_EQ(options::Load().radioFolder, QStringLiteral(" /r "));
}

TEST_F(OptionsTest, SaveWritesInOrderTrimsAndRefillsOnlyChangedFolders)
{
    struct Case {
        const char *name;
        QString radio, tv;       // typed
        QString prevRadio, prevTv;
        QStringList expectedRefills;
    };
    const Case cases[] = {
        {"unchanged", QStringLiteral("/r"), QStringLiteral("/t"), QStringLiteral("/r"), QStringLiteral("/t"), {}},
        {"spaces around an unchanged folder", QStringLiteral("  /r "), QStringLiteral("/t  "), QStringLiteral("/r"),
         QStringLiteral("/t"), {}},
        {"radio changed", QStringLiteral(" /r2"), QStringLiteral("/t"), QStringLiteral("/r"), QStringLiteral("/t"),
         {QStringLiteral("radio /r2")}},
        {"both changed", QStringLiteral("/r2"), QStringLiteral("/t2 "), QStringLiteral("/r"), QStringLiteral("/t"),
         {QStringLiteral("radio /r2"), QStringLiteral("tv /t2")}},
        {"previous kept its spaces", QStringLiteral("/r"), QStringLiteral("/t"), QStringLiteral(" /r"),
         QStringLiteral("/t"), {QStringLiteral("radio /r")}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        settings::UseFile(QString());
        QFile::remove(dir.filePath(QStringLiteral("Tavilune.conf")));
        settings::UseFile(dir.filePath(QStringLiteral("Tavilune.conf")));
        G() = ProgramValues{};
        options::Values v;
        const bool checks[6] = {true, false, true, false, true, true};
        std::copy(std::begin(checks), std::end(checks), v.check);
        v.radioFolder = c.radio;
        v.tvFolder = c.tv;
        QStringList log;
        options::SaveActions act;
        act.applyScreenSaver = [&](bool forbid) {
            // Flags and folders are stored, the program-wide folders and FenVisibleTV not yet.
            EXPECT_EQ(get("DerPosition"), QStringLiteral("1"));
            EXPECT_EQ(get("NomRadio"), QStringLiteral("0"));
            EXPECT_EQ(get("DossierRadio"), startupTrimmed(c.radio));
            EXPECT_EQ(get("EcoEcran"), QStringLiteral("1"));
            EXPECT_EQ(get("FenVisibleTV"), QStringLiteral("-"));
            EXPECT_TRUE(G().radioFolder.isEmpty());
            log << QStringLiteral("saver %1").arg(forbid);
        };
        act.refillRadio = [&](const QString &f) {
            EXPECT_EQ(G().radioFolder, f);
            EXPECT_EQ(get("FenVisibleTV"), QStringLiteral("1"));
            log << QStringLiteral("radio ") + f;
        };
        act.refillTv = [&](const QString &f) {
            EXPECT_EQ(G().tvFolder, f);
            log << QStringLiteral("tv ") + f;
        };
        options::Save(v, c.prevRadio, c.prevTv, act);
        EXPECT_EQ(log, QStringList{QStringLiteral("saver 1")} + c.expectedRefills);
        EXPECT_EQ(get("FenVisible"), QStringLiteral("1"));
        EXPECT_EQ(get("DerRadio"), QStringLiteral("0"));
        EXPECT_EQ(get("DossierTV"), startupTrimmed(c.tv));
        EXPECT_EQ(G().radioFolder, startupTrimmed(c.radio));
        EXPECT_EQ(G().tvFolder, startupTrimmed(c.tv));
        // The flags in memory wait for the close step.
        EXPECT_EQ(G().fenVisible, 0);
    }
}

TEST_F(OptionsTest, CloseReadsBackOnlyTheThreeFlags)
{
    G().derPosition = 1;
    for (const char *k : {"FenVisible", "DerRadio", "NomRadio", "FenVisibleTV", "DerPosition"})
        settings::SaveSetting(QString::fromLatin1(k), QStringLiteral("1"));
    options::ReadBackOnClose();
    EXPECT_EQ(G().fenVisible, 1);
    EXPECT_EQ(G().derRadio, 1);
    EXPECT_EQ(G().nomRadio, 1);
    EXPECT_EQ(G().fenVisibleTV, 0);
    settings::SaveSetting(QStringLiteral("DerPosition"), QStringLiteral("0"));
    options::ReadBackOnClose();
    EXPECT_EQ(G().derPosition, 1);
}

// The autostart entry, in a configuration folder of the test's own.
class AutostartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
    }
    void TearDown() override { qputenv("XDG_CONFIG_HOME", saved); }
    QByteArray saved;
    QTemporaryDir dir;
};

TEST_F(AutostartTest, ExecWordsAreQuotedOnlyWhenNeeded)
{
    struct Case {
        const char *word, *exec;
    } cases[] = {
        {"/opt/tavilune/tavilune", "/opt/tavilune/tavilune"},
        {"/home/a b/tavilune", "\"/home/a b/tavilune\""},
        {"/x/l'été/t", "\"/x/l'été/t\""},
        {"/x/$HOME/t", "\"/x/\\\\$HOME/t\""},
        {"/x/a\"b`c/t", "\"/x/a\\\\\"b\\\\`c/t\""},
        {"/x/back\\slash", "\"/x/back\\\\\\\\slash\""},
        {"/x/100%/t", "/x/100%%/t"},
        {"/x/a (1)/t", "\"/x/a (1)/t\""},
        {"", "\"\""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(autostart::ExecWord(QString::fromUtf8(c.word)), QString::fromUtf8(c.exec)) << c.word;
    EXPECT_TRUE(autostart::EntryText(QStringLiteral("/x/a=b/t")).isEmpty());
    EXPECT_FALSE(autostart::Write(QStringLiteral("/x/a=b/t")));
}

TEST_F(AutostartTest, EntryIsWrittenRewrittenRemovedAndStartsTheProgramFromAnyFolder)
{
    EXPECT_EQ(autostart::EntryPath(), dir.filePath(QStringLiteral("config/autostart/Tavilune.desktop")));
    qputenv("XDG_CONFIG_HOME", "relative/dir");
    EXPECT_EQ(autostart::EntryPath(), QDir::homePath() + QStringLiteral("/.config/autostart/Tavilune.desktop"));
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());

    // A program folder whose name holds the characters a command line gives meaning to. (GLib
    // looks the program up before it undoes "%%", so a '%' in the folder is left out here.)
    const QString folder = dir.filePath(QStringLiteral("Mes programmes $HOME (été) l'\"a\" \\ `x`"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString program = folder + QStringLiteral("/tavilune");
    const QString marker = dir.filePath(QStringLiteral("started"));
    {
        QFile f(program);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\nprintf '%s' \"$0\" > \"" + marker.toUtf8() + "\"\n");
    }
    QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    EXPECT_FALSE(autostart::Exists());
    EXPECT_TRUE(autostart::Remove()); // nothing to remove is fine
    ASSERT_TRUE(autostart::Write(QStringLiteral("/old/place/tavilune")));
    EXPECT_TRUE(autostart::Exists());
    ASSERT_TRUE(autostart::Write(program));
    QFile f(autostart::EntryPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    f.close();
    EXPECT_FALSE(text.contains(QStringLiteral("/old/place")));
    EXPECT_TRUE(text.startsWith(QStringLiteral("[Desktop Entry]\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nName=Tavilune\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\nType=Application\n")));

    const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
    if (!validator.isEmpty()) {
        QProcess p;
        p.start(validator, {autostart::EntryPath()});
        ASSERT_TRUE(p.waitForFinished(20000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardOutput().toStdString();
        EXPECT_TRUE(p.readAllStandardOutput().trimmed().isEmpty());
    } else {
        ADD_FAILURE() << "desktop-file-validate is not installed (package desktop-file-utils)";
    }
    // The session reads the entry the way GLib does: it must start the program from its folder.
    const QString gio = QStandardPaths::findExecutable(QStringLiteral("gio"));
    if (!gio.isEmpty()) {
        QProcess p;
        p.start(gio, {QStringLiteral("launch"), autostart::EntryPath()});
        ASSERT_TRUE(p.waitForFinished(20000));
        for (int i = 0; i < 200 && !QFile::exists(marker); ++i)
            QThread::msleep(25);
        QFile m(marker);
        ASSERT_TRUE(m.open(QIODevice::ReadOnly)) << p.readAllStandardError().toStdString();
        EXPECT_EQ(QString::fromUtf8(m.readAll()), program);
    }

    EXPECT_TRUE(autostart::Remove());
    EXPECT_FALSE(autostart::Exists());
}

TEST(AboutTexts, CaptionVersionDetailsAndLinks)
{
    EXPECT_EQ(about::Caption(), QStringLiteral("A propos Tavilune"));
    EXPECT_EQ(about::VersionText(), QStringLiteral("Version 2.5.0"));
    const QStringList lines = about::DetailsText().split(QChar(13));
    ASSERT_GE(lines.size(), 12);
    EXPECT_EQ(lines.first(), QStringLiteral("Tavilune version 2.5.0 - Radios-TV Internet"));
    EXPECT_EQ(lines[1], QString());
    EXPECT_FALSE(about::DetailsText().contains(QChar(10)));
    const QStringList tail{QString(),
                           QStringLiteral("Pour pouvoir écouter toutes les radios"),
                           QStringLiteral("et TV sur le Web, vous devez installer :"),
                           QStringLiteral("- rien d'autre : le lecteur est intégré à Tavilune"),
                           QStringLiteral("- (flux MP3, AAC, Ogg, WMA, RealAudio et vidéo)"),
                           QString(),
                           QStringLiteral("Consultez l'aide en ligne pour télécharger"),
                           QStringLiteral("les mises à jours."),
                           QStringLiteral("Version mise à jour du : 29/01/2009.")};
    EXPECT_EQ(lines.mid(lines.size() - tail.size()), tail);
    EXPECT_TRUE(about::HelpUrl().endsWith(QStringLiteral("/Tavilune/Index.htm")));
    EXPECT_TRUE(about::DonationUrl().endsWith(QStringLiteral("/Don/Don.htm")));
    EXPECT_TRUE(about::HomeUrl().startsWith(QStringLiteral("https://")));
    EXPECT_TRUE(about::MailUrl().startsWith(QStringLiteral("mailto:")));
}

TEST(AboutTexts, SystemInformationToolIsTheFirstInstalled)
{
    struct Case {
        QStringList installed;
        QString program;
        QStringList args;
    };
    const Case cases[] = {
        {{QStringLiteral("hardinfo"), QStringLiteral("kinfocenter")}, QStringLiteral("/bin/hardinfo"), {}},
        {{QStringLiteral("kinfocenter"), QStringLiteral("gnome-control-center")}, QStringLiteral("/bin/kinfocenter"), {}},
        {{QStringLiteral("gnome-control-center")}, QStringLiteral("/bin/gnome-control-center"),
         {QStringLiteral("info-overview")}},
        {{}, QString(), {}},
    };
    for (const Case &c : cases) {
        const auto tool = about::FindSystemInfoTool([&](const QString &name) {
            return c.installed.contains(name) ? QStringLiteral("/bin/") + name : QString();
        });
        if (c.program.isEmpty()) {
            EXPECT_FALSE(tool.has_value());
            continue;
        }
        ASSERT_TRUE(tool.has_value());
        EXPECT_EQ(tool->program, c.program);
        EXPECT_EQ(tool->arguments, c.args);
    }
}
