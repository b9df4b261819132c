// Lenient numbers, the settings store and the path helpers.
#include "core/Paths.h"
#include "core/Settings.h"
#include "FaultFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

TEST(Val, ReadsTheLeadingNumberAndIgnoresTheRest)
{
    EXPECT_EQ(Val(QStringLiteral("12abc")), 12);
    EXPECT_EQ(Val(QStringLiteral("abc")), 0);
    EXPECT_EQ(Val(QString()), 0);
    EXPECT_EQ(Val(QStringLiteral("  -3.5x")), -3.5);
    EXPECT_EQ(Val(QStringLiteral("+7")), 7);
    EXPECT_EQ(Val(QStringLiteral(".5")), 0.5);
    EXPECT_EQ(Val(QStringLiteral("-")), 0);
    EXPECT_EQ(Val(QStringLiteral("1e3 Hz")), 1000);
    EXPECT_EQ(Val(QStringLiteral("1e")), 1);
    EXPECT_EQ(Val(QStringLiteral("4 500")), 4);
    EXPECT_EQ(Val(QStringLiteral("1e999")), 0); // overflow is no number
}

TEST(Val, WholeNumbersRoundHalvesToEvenAndReportOverflow)
{
    EXPECT_EQ(ValInt16(QStringLiteral("2.5")), 2);
    EXPECT_EQ(ValInt16(QStringLiteral("3.5")), 4);
    EXPECT_EQ(ValInt16(QStringLiteral("-50")), -50);
    bool ok = true;
    EXPECT_EQ(ValInt16(QStringLiteral("40000"), &ok), 0);
    EXPECT_FALSE(ok);
    EXPECT_EQ(ValInt16(QStringLiteral("32767"), &ok), 32767);
    EXPECT_TRUE(ok);
    EXPECT_EQ(ValLong(QStringLiteral("99999999999")), 2147483647L);
}

TEST(Settings, StoresTextAndReadsDefaultsForMissingKeys)
{
    QTemporaryDir dir;
    settings::UseFile(dir.filePath(QStringLiteral("t.conf")));
    EXPECT_EQ(settings::GetSetting(QStringLiteral("Haut"), QStringLiteral("10")), QStringLiteral("10"));
    EXPECT_FALSE(settings::HasSetting(QStringLiteral("Haut")));
    settings::SaveSetting(QStringLiteral("Haut"), QStringLiteral("-50"));
    settings::SaveSetting(QStringLiteral("DossierRadio"), QString());
    settings::SaveSetting(QStringLiteral("NomDerRadio"), QStringLiteral("Radio Été, \"jazz\"; 100%"));
    settings::UseFile(dir.filePath(QStringLiteral("t.conf"))); // read back from disk
    EXPECT_EQ(settings::GetSetting(QStringLiteral("Haut")), QStringLiteral("-50"));
    EXPECT_TRUE(settings::HasSetting(QStringLiteral("DossierRadio")));
    EXPECT_EQ(settings::GetSetting(QStringLiteral("DossierRadio"), QStringLiteral("x")), QString());
    EXPECT_EQ(settings::GetSetting(QStringLiteral("NomDerRadio")), QStringLiteral("Radio Été, \"jazz\"; 100%"));
    QFile f(dir.filePath(QStringLiteral("t.conf")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains("[Settings]"));
    settings::UseFile(QString());
}

TEST(Settings, TypedValuesOfAForeignFileAreDroppedBeforeTheFileIsRead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.conf"));
    // A "@Variant" that announces a huge object, a quoted byte array, and texts the program wrote
    // itself (a leading "@" doubled) which stay.
    const QByteArray text = "[Settings]\n"
                            "Haut=120\n"
                            "Gauche=@Variant(\\0\\0\\0\\N10__cxxabivx7f\\0\\0\\0\\x10)\n"
                            "NomDerRadio=\"@ByteArray(abc)\"\n"
                            "Dispositif=@@Micro\n"
                            "TempoRadio=5\n";
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    settings::UseFile(path);
    EXPECT_EQ(settings::GetSetting(QStringLiteral("Haut")), QStringLiteral("120"));
    EXPECT_FALSE(settings::HasSetting(QStringLiteral("Gauche")));
    EXPECT_FALSE(settings::HasSetting(QStringLiteral("NomDerRadio")));
    EXPECT_EQ(settings::GetSetting(QStringLiteral("Dispositif")), QStringLiteral("@Micro"));
    EXPECT_EQ(settings::GetSetting(QStringLiteral("TempoRadio")), QStringLiteral("5"));
    settings::UseFile(QString());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("[Settings]\nHaut=120\nDispositif=@@Micro\nTempoRadio=5\n"));
}

namespace {

// The read-only folder's mount stays inside this test program (taken before any thread starts).
const bool g_privateMounts = tavtest::PrivateMounts();

// A "@Variant" holding lists nested `depth` deep: decoding a deep one overflows the stack.
QByteArray nestedVariant(int depth)
{
    QByteArray v = "@Variant(";
    for (int i = 0; i < depth; ++i)
        v += QByteArray("\\0\\0\\0\\x9\\0\\0\\0\\x1");
    return v + ')';
}

// The names beside the settings file other than itself: the files set aside.
QStringList asideFiles(const QTemporaryDir &dir)
{
    QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::System | QDir::Hidden);
    names.removeAll(QStringLiteral("t.conf"));
    return names;
}

QByteArray slurpFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<absent>");
}

} // namespace

TEST(Settings, ADamagedFileIsSetAsideOnceAndNeverReachesTheReader)
{
    enum class Outcome { Sound, LinesDropped, Defaults };
    struct Row {
        const char *name;
        QByteArray text;
        Outcome outcome;
        QByteArray after; // the file once the store has read it (for LinesDropped and Sound)
    };
    const QByteArray deep = nestedVariant(60000);
    const std::vector<Row> rows = {
        // Line ends the settings reader takes and nothing else of the program writes.
        {"bare CR line ends", "[Settings]\rHaut=120\rGauche=" + nestedVariant(10) + "\r", Outcome::Defaults, {}},
        {"CR at the very end", "[Settings]\nHaut=120\r", Outcome::Defaults, {}},
        {"NUL byte", QByteArray("[Settings]\nHaut=120\n\0\n", 22), Outcome::Defaults, {}},
        {"too large for a settings file", "[Settings]\nHaut=120\n" + QByteArray(70 * 1024, ';') + "\n",
         Outcome::Defaults, {}},
        {"list item nested deeper than the stack", "[Settings]\nHaut=120\nGauche=x, " + deep + "\n",
         Outcome::Defaults, {}},
        // Typed values the first-value check misses: the line goes, the rest stays.
        {"typed item of a list", "[Settings]\nHaut=120\nGauche=x, " + nestedVariant(10) + "\n", Outcome::LinesDropped,
         "[Settings]\nHaut=120\n"},
        {"quoted typed item", "[Settings]\nGauche=a, \"@ByteArray(x)\"\nHaut=120\n", Outcome::LinesDropped,
         "[Settings]\nHaut=120\n"},
        {"escaped at sign", "[Settings]\nGauche=\\x40Variant(\\0\\0\\0\\x9\\0\\0\\0\\x1)\r\nHaut=120\r\n",
         Outcome::LinesDropped, "[Settings]\nHaut=120\r\n"},
        {"octal at sign and a comment", "[Settings]\nGauche=\\100Rect(1 2 3 4) ; note\nHaut=120\n",
         Outcome::LinesDropped, "[Settings]\n; note\nHaut=120\n"},
        // Texts the program writes itself stay as they are, whatever they hold.
        {"texts of the program", "[Settings]\nHaut=120\nNomDerRadio=\"Radio, @home\"\nDispositif=@@Micro\n"
                                 "RecLine=\"a\\\"@b\"\nGauche=\"x\nY=@Variant(1)\"\n",
         Outcome::Sound, "[Settings]\nHaut=120\nNomDerRadio=\"Radio, @home\"\nDispositif=@@Micro\n"
                         "RecLine=\"a\\\"@b\"\nGauche=\"x\nY=@Variant(1)\"\n"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.conf"));
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            ASSERT_EQ(f.write(row.text), row.text.size());
        }
        settings::TakeFileNotice();
        settings::UseFile(path);
        const bool kept = row.outcome != Outcome::Defaults;
        EXPECT_EQ(settings::GetSetting(QStringLiteral("Haut"), QStringLiteral("10")),
                  kept ? QStringLiteral("120") : QStringLiteral("10"));
        EXPECT_FALSE(settings::HasSetting(QStringLiteral("Gauche")) && row.outcome != Outcome::Sound);
        const QString notice = settings::TakeFileNotice();
        const QStringList aside = asideFiles(dir);
        if (row.outcome == Outcome::Sound) {
            EXPECT_TRUE(notice.isEmpty()) << notice.toStdString();
            EXPECT_TRUE(aside.isEmpty());
            EXPECT_EQ(settings::GetSetting(QStringLiteral("NomDerRadio")), QStringLiteral("Radio, @home"));
            EXPECT_EQ(settings::GetSetting(QStringLiteral("Gauche")), QStringLiteral("x\nY=@Variant(1)"));
        } else {
            // The original, byte for byte, under a dated name beside it, and the user is told.
            ASSERT_EQ(aside.size(), 1) << aside.join(u' ').toStdString();
            EXPECT_TRUE(aside[0].startsWith(QStringLiteral("t.conf.20"))) << aside[0].toStdString();
            EXPECT_EQ(slurpFile(dir.filePath(aside[0])), row.text);
            EXPECT_TRUE(notice.contains(aside[0])) << notice.toStdString();
            EXPECT_TRUE(notice.startsWith(QStringLiteral("Le fichier des réglages « %1 »").arg(path)))
                << notice.toStdString();
        }
        if (row.outcome != Outcome::Defaults) {
            EXPECT_EQ(slurpFile(path), row.after);
        }
        // The store writes a fresh file; the next start finds nothing to say.
        settings::SaveSetting(QStringLiteral("TempoRadio"), QStringLiteral("5"));
        settings::UseFile(path);
        EXPECT_EQ(settings::GetSetting(QStringLiteral("TempoRadio")), QStringLiteral("5"));
        EXPECT_TRUE(settings::TakeFileNotice().isEmpty());
        settings::UseFile(QString());
    }
}

TEST(Settings, AFileThatIsNoRegularFileIsSetAsideAndADamagedOneThatCannotBeIsNeverRead)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.conf"));
    // A pipe: reading it would wait for ever.
    ASSERT_EQ(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    settings::TakeFileNotice();
    settings::UseFile(path);
    EXPECT_FALSE(settings::HasSetting(QStringLiteral("Haut")));
    EXPECT_EQ(asideFiles(dir).size(), 1);
    EXPECT_FALSE(settings::TakeFileNotice().isEmpty());
    settings::UseFile(QString());

    // A damaged file in a folder where it cannot be renamed: the values live in memory only.
    tavtest::FaultFolder locked(tavtest::Fault::ReadOnlyFolder);
    if (!locked.usable())
        GTEST_SKIP() << locked.why().toStdString();
    const QString file = locked.file(QStringLiteral("t.conf"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Settings]\rHaut=120\r");
    }
    locked.arm();
    settings::UseFile(file);
    EXPECT_EQ(settings::GetSetting(QStringLiteral("Haut"), QStringLiteral("10")), QStringLiteral("10"));
    EXPECT_TRUE(settings::TakeFileNotice().contains(QStringLiteral("n'a pas pu être mis de côté")));
    settings::SaveSetting(QStringLiteral("Haut"), QStringLiteral("7"));
    EXPECT_EQ(settings::GetSetting(QStringLiteral("Haut")), QStringLiteral("7"));
    EXPECT_TRUE(settings::TakeFileNotice().isEmpty()) << "told once";
    settings::UseFile(QString());
    locked.disarm();
    EXPECT_EQ(slurpFile(file), QByteArray("[Settings]\rHaut=120\r"));
}

TEST(Paths, NameExtensionAndSeparatorHelpers)
{
    EXPECT_EQ(WithBackslash(QStringLiteral("/")), QStringLiteral("/"));
    EXPECT_EQ(WithBackslash(QStringLiteral("/home/u/Radios")), QStringLiteral("/home/u/Radios/"));
    EXPECT_EQ(WithBackslash(QStringLiteral("/home/u/Radios/")), QStringLiteral("/home/u/Radios/"));
    EXPECT_EQ(WithBackslash(QString()), QStringLiteral("/"));
    EXPECT_EQ(ExtensionOf(QStringLiteral("a.b.htm"), false), QStringLiteral("htm"));
    EXPECT_EQ(ExtensionOf(QStringLiteral("a.b.htm"), true), QStringLiteral(".htm"));
    EXPECT_EQ(ExtensionOf(QStringLiteral("readme"), false), QStringLiteral("readme"));
    EXPECT_EQ(ExtensionOf(QStringLiteral("name."), true), QStringLiteral("."));
    EXPECT_EQ(FileNameOf(QStringLiteral("/x/y.htm")), QStringLiteral("y.htm"));
    EXPECT_EQ(FileNameOf(QStringLiteral("y.htm")), QStringLiteral("y.htm"));
    EXPECT_EQ(FileNameOf(QStringLiteral("/x/")), QString());
}

TEST(Paths, FileExistsOnlyForPlainFilesAndResolveIgnoresCase)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Fip.htm"));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(FileExists(dir.path()));
    EXPECT_FALSE(FileExists(dir.filePath(QStringLiteral("missing.htm"))));
    EXPECT_FALSE(FileExists(QString()));
    EXPECT_FALSE(FileExists(QStringLiteral("/no/such/drive/x")));

    EXPECT_EQ(ResolveNoCase(dir.filePath(QStringLiteral("FIP.HTM"))), file);
    EXPECT_EQ(ResolveNoCase(file), file);
    const QString none = dir.filePath(QStringLiteral("Other.HTM"));
    EXPECT_EQ(ResolveNoCase(none), none);
    EXPECT_EQ(ResolveNoCase(QStringLiteral("/no/such/folder/A.HTM")), QStringLiteral("/no/such/folder/A.HTM"));
}
