// TV list files: reading, writing, and the faults a list file can have.
#include "tv/TvList.h"

#include <QDir>
#include <unistd.h>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray readRaw(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

void writeRaw(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(TvList, ThreeChannelsRoundTripAsSixLines)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Mes chaînes.TV"));
    TvList list;
    list.append(QStringLiteral("France 24"), QStringLiteral("https://example.test/f24.m3u8"));
    list.append(QStringLiteral("  Télé Locale "), QStringLiteral(" mms://example.test/a b.wmv  "));
    list.append(QStringLiteral("Œuvres €"), QStringLiteral("http://example.test/x?y=1&z=2"));
    ASSERT_TRUE(WriteTvList(path, list));

    EXPECT_EQ(readRaw(path), QByteArray("France 24\r\nhttps://example.test/f24.m3u8\r\n"
                                        "  T\xE9l\xE9 Locale \r\n mms://example.test/a b.wmv  \r\n"
                                        "\x8Cuvres \x80\r\nhttp://example.test/x?y=1&z=2\r\n"));
    TvList back;
    EXPECT_EQ(ReadTvList(path, back), TvListRead::Ok);
    EXPECT_EQ(back, list);

    // Reading appends to what the lists hold.
    EXPECT_EQ(ReadTvList(path, back), TvListRead::Ok);
    EXPECT_EQ(back.size(), 6);
}

TEST(TvList, ANameTheCodePageCannotHoldIsKeptAsCharacterReferences)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Mes chaînes.TV"));
    TvList list;
    list.append(QStringLiteral("NHK ワールド 📺"), QStringLiteral("http://example.test/nhk?a=1&#b"));
    ASSERT_TRUE(WriteTvList(path, list));
    EXPECT_EQ(readRaw(path),
              QByteArray("NHK &#12527;&#12540;&#12523;&#12489; &#128250;\r\nhttp://example.test/nhk?a=1&#b\r\n"));
    TvList back;
    EXPECT_EQ(ReadTvList(path, back), TvListRead::Ok);
    EXPECT_EQ(back, list);
}

TEST(TvList, ReadingFaults)
{
    QTemporaryDir dir;
    const struct {
        const char *bytes;
        TvListRead result;
        int entries;
    } cases[] = {
        {"", TvListRead::Ok, 0},
        {"A\r\nhttp://a\r\nB\r\nhttp://b", TvListRead::Ok, 2},   // no line end at the end
        {"A\nhttp://a\nB\nhttp://b\n", TvListRead::Ok, 2},       // LF only
        {"A\r\nhttp://a\r\nB\r\n", TvListRead::Incompatible, 1}, // last name without address
        {"A\r\nhttp://a\r\nB", TvListRead::Incompatible, 1},
        {"A\r\nhttp://a\r\n\r\n", TvListRead::Incompatible, 1},  // a blank line after the list
        {"\r\n\r\n", TvListRead::Ok, 1},                         // an empty name and address
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.bytes);
        const QString path = dir.filePath(QStringLiteral("l.TV"));
        writeRaw(path, c.bytes);
        TvList list;
        EXPECT_EQ(ReadTvList(path, list), c.result);
        EXPECT_EQ(list.size(), c.entries);
        EXPECT_EQ(list.links.size(), c.entries);
    }
    TvList list;
    EXPECT_EQ(ReadTvList(dir.filePath(QStringLiteral("absent.TV")), list), TvListRead::CannotOpen);
    EXPECT_EQ(ReadTvList(QString(), list), TvListRead::CannotOpen);
    EXPECT_TRUE(list.isEmpty());
}

TEST(TvList, FailedWritesKeepTheOldFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("AutresTV.TV"));
    writeRaw(path, "Old\r\nhttp://old\r\n");

    TvList brokenName, brokenLink, uneven;
    brokenName.append(QStringLiteral("Two\r\nlines"), QStringLiteral("http://a"));
    brokenLink.append(QStringLiteral("A"), QStringLiteral("http://a\nhttp://b"));
    uneven.names << QStringLiteral("A") << QStringLiteral("B");
    uneven.links << QStringLiteral("http://a");
    for (const TvList *l : {&brokenName, &brokenLink, &uneven})
        EXPECT_FALSE(WriteTvList(path, *l));
    EXPECT_FALSE(WriteTvList(QString(), TvList{}));
    EXPECT_FALSE(WriteTvList(dir.filePath(QStringLiteral("no/such/folder/x.TV")), TvList{}));
    // A folder that cannot be written: the old file stays.
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    TvList fine;
    fine.append(QStringLiteral("New"), QStringLiteral("http://new"));
    const bool wrote = WriteTvList(path, fine);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(wrote, ::geteuid() == 0); // root writes anyway
    if (!wrote) {
        EXPECT_EQ(readRaw(path), QByteArray("Old\r\nhttp://old\r\n"));
    }

    // An empty list writes an empty file.
    EXPECT_TRUE(WriteTvList(path, TvList{}));
    EXPECT_EQ(readRaw(path), QByteArray());
}
