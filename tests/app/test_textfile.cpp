// The Windows-1252 text files of the program.
#include "FileSizeLimit.h"
#include "TextFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
QByteArray slurp(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
void spit(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
} // namespace

TEST(TextFile, Cp1252RoundTripAndUnmappableCharacters)
{
    const QString text = QStringLiteral("Été € ‘jazz’ – œ Ÿ");
    const QByteArray bytes = textfile::toCp1252(text);
    EXPECT_EQ(bytes, QByteArray("\xC9t\xE9 \x80 \x91jazz\x92 \x96 \x9C \x9F"));
    EXPECT_EQ(textfile::fromCp1252(bytes), text);
    EXPECT_EQ(textfile::toCp1252(QStringLiteral("日本")), QByteArray("??"));
    // The five unassigned bytes survive a round trip.
    EXPECT_EQ(textfile::toCp1252(textfile::fromCp1252(QByteArray("\x81\x8D\x8F\x90\x9D"))),
              QByteArray("\x81\x8D\x8F\x90\x9D"));
}

TEST(TextFile, ReadsCrLfAndLfLinesAndALastLineWithoutEnd)
{
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("f.lst"));
    QStringList lines;
    spit(p, "one\r\ntwo\nthree");
    ASSERT_TRUE(textfile::readLines(p, lines));
    EXPECT_EQ(lines, (QStringList{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")}));
    spit(p, "a\r\n\r\nb\r\n");
    ASSERT_TRUE(textfile::readLines(p, lines));
    EXPECT_EQ(lines, (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b")}));
    spit(p, "");
    ASSERT_TRUE(textfile::readLines(p, lines));
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_FALSE(textfile::readLines(dir.filePath(QStringLiteral("missing")), lines));
}

TEST(TextFile, WritesCrLfAndAFailedWriteKeepsTheOldFile)
{
    QTemporaryDir dir;
    const QString p = dir.filePath(QStringLiteral("Favoris.lst"));
    ASSERT_TRUE(textfile::writeLines(p, {QStringLiteral("Fip"), QStringLiteral("Été")}));
    EXPECT_EQ(slurp(p), QByteArray("Fip\r\n\xC9t\xE9\r\n"));
    EXPECT_FALSE(textfile::writeAll(dir.filePath(QStringLiteral("no/such/dir/x")), QStringLiteral("x")));
    // The destination is a folder: nothing can be written and the folder is untouched.
    EXPECT_FALSE(textfile::writeAll(dir.path(), QStringLiteral("x")));
    EXPECT_EQ(slurp(p), QByteArray("Fip\r\n\xC9t\xE9\r\n"));
    // The disk fills up part-way: failure, and the old file stays whole.
    {
        tavtest::FileSizeLimit limit(8);
        EXPECT_FALSE(textfile::writeLines(p, {QString(100, QLatin1Char('x'))}));
    }
    EXPECT_EQ(slurp(p), QByteArray("Fip\r\n\xC9t\xE9\r\n"));
}
