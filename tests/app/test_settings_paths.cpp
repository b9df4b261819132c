// Lenient numbers, the settings store and the path helpers.
#include "Paths.h"
#include "Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

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
