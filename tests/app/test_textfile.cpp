// The Windows-1252 text files of the program.
#include "app/Favourites.h"
#include "common/TextFile.h"
#include "core/Globals.h"
#include "FileSizeLimit.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string_view>
#include <vector>

namespace {
QByteArray slurp(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
QString s16(std::u16string_view text) { return QString::fromUtf16(text.data(), qsizetype(text.size())); }
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

TEST(TextFile, ListNamesTheCodePageCannotHoldAreKeptAsReferences)
{
    struct Row {
        QString name;     // as the user sees it
        QByteArray line;  // as the list file holds it
        QString readBack; // when it differs from the name
    };
    const std::vector<Row> rows = {
        // What the code page holds is written as before: older versions read the same file.
        {s16(u"FIP"), "FIP", {}},
        {s16(u"Été € ‘jazz’"), "\xC9t\xE9 \x80 \x91jazz\x92", {}},
        {s16(u"Rock & Pop &amp; &#x41; &#;"), "Rock & Pop &amp; &#x41; &#;", {}},
        // What it cannot hold comes back whole.
        {s16(u"ラジオ日本"), "&#12521;&#12472;&#12458;&#26085;&#26412;", {}},
        {s16(u"Radio 📻 Ω \xFEFF"), "Radio &#128251; &#937; &#65279;", {}},
        // A name that reads as a reference keeps its "&".
        {s16(u"A&#66;C"), "A&#38;#66;C", {}},
        // Line ends never come from a reference: a line stays one line.
        {s16(u"A&#10;B&#13;"), "A&#10;B&#13;", {}},
        // Half a surrogate pair is no character.
        {s16(u"A\xD800" u"B"), "A&#65533;B", s16(u"A\xFFFD" u"B")},
    };
    QTemporaryDir dir;
    SetProgramFolder(dir.path());
    for (const Row &row : rows) {
        SCOPED_TRACE(row.line.toStdString());
        ASSERT_TRUE(favourites::Save({row.name, QStringLiteral("FIP")}));
        EXPECT_EQ(slurp(favourites::FilePath()), row.line + "\r\nFIP\r\n");
        EXPECT_EQ(favourites::Read(), (QStringList{row.readBack.isNull() ? row.name : row.readBack, QStringLiteral("FIP")}));
    }
    SetProgramFolder(QString());
}
