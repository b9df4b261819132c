// Station page files: the generator's file name rule, the editor's load and save rules, saves that
// must not write, and the file lists.
#include "media/PageFiles.h"
#include "FileSizeLimit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace stations;

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

QByteArray slurp(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void spit(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(PageFiles, NamesAreUpperCasedAndNamesLeavingTheFolderAreRefused)
{
    QTemporaryDir dir;
    const QString folder = dir.path(); // no trailing separator: one is added
    struct Case {
        const char *name;
        bool ok;
        const char *file;
    };
    const Case cases[] = {
        {"radio jazz", true, "RADIO JAZZ.HTM"},
        {"Fip été", true, "FIP ÉTÉ.HTM"},
        {"a.b", true, "A.B.HTM"},
        {"", false, ".HTM"},
        {"../jazz", false, "../JAZZ.HTM"},
        {"sub/jazz", false, "SUB/JAZZ.HTM"},
        {"..", false, "...HTM"},
        {"/tmp/jazz", false, "/TMP/JAZZ.HTM"},
    };
    for (const Case &c : cases) {
        QString path;
        EXPECT_EQ(PagePathFor(folder, u(c.name), &path), c.ok) << c.name;
        EXPECT_EQ(path, folder + u("/") + u(c.file)) << c.name;
    }
    EXPECT_EQ(PageFileName(u("radio jazz")), u("RADIO JAZZ.HTM"));

    // An existing page that differs in letter case is the page written.
    spit(dir.filePath(u("Radio Jazz.htm")), "old");
    QString path;
    ASSERT_TRUE(PagePathFor(folder + u("/"), u("radio JAZZ"), &path));
    EXPECT_EQ(path, dir.filePath(u("Radio Jazz.htm")));
}

TEST(PageFiles, TextBoxLineEndsBecomeCrLfAndEverythingElseIsKept)
{
    struct Case {
        const char *raw;
        const char *page;
    };
    const Case cases[] = {
        {"a\u2029b", "a\r\nb"},
        {"a\u2028b\u2029", "a\r\nb\r\n"},
        {"a\nb\r\nc\rd", "a\r\nb\r\nc\r\nd"},
        {"\r\n\r\n", "\r\n\r\n"},
        {"x\u00A0y\t\"<z>\"", "x\u00A0y\t\"<z>\""},
        {"", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(PageTextOf(u(c.raw)), u(c.page)) << c.raw;
}

TEST(PageFiles, LoadingAndSavingUnchangedAddsExactlyOneEmptyLine)
{
    QTemporaryDir dir;
    const QString p = dir.filePath(u("FIP.HTM"));
    struct Case {
        QByteArray onDisk;
        QByteArray afterSave;
    };
    const Case cases[] = {
        {"<HTML>\r\n<BODY>\r\n</HTML>\r\n", "<HTML>\r\n<BODY>\r\n</HTML>\r\n\r\n"},
        {"<HTML>\n</HTML>", "<HTML>\r\n</HTML>\r\n\r\n"},       // LF lines, no end on the last
        {"\xC9t\xE9 \x80\r\n", "\xC9t\xE9 \x80\r\n\r\n"},     // Windows-1252 kept
        {"", "\r\n"},
    };
    for (const Case &c : cases) {
        spit(p, c.onDisk);
        const QString text = LoadPageText(p);
        ASSERT_TRUE(SavePageText(p, text).ok());
        EXPECT_EQ(slurp(p), c.afterSave) << c.onDisk.constData();
    }
    EXPECT_EQ(LoadPageText(dir.filePath(u("GONE.HTM"))), QString());
    EXPECT_EQ(LoadPageText(dir.path()), QString()); // a folder loads as nothing
    EXPECT_EQ(LoadPageText(QString()), QString());
}

TEST(PageFiles, SavesThatCannotWriteLeaveTheOldPageAndSayWhy)
{
    QTemporaryDir dir;
    const QString p = dir.filePath(u("JAZZ.HTM"));
    const QByteArray old = "<HTML>old</HTML>\r\n";

    // A character the page's code page cannot hold: refused, nothing written.
    spit(p, old);
    SaveResult r = SavePageText(p, u("<HTML>\r\n<SMALL>雪 ☃</SMALL>\r\n</HTML>"));
    EXPECT_EQ(r.status, SaveResult::Unencodable);
    EXPECT_EQ(r.character, u("雪"));
    EXPECT_EQ(r.line, 2);
    EXPECT_EQ(slurp(p), old);
    EXPECT_EQ(SaveErrorText(p, r), u("Erreur lors de la création du fichier ") + p
                                       + u(" !\nLe caractère « 雪 » (ligne 2) ne peut pas être enregistré dans la page."));
    // A character outside the basic plane is reported whole.
    r = SavePageText(p, u("x\U0001F3B7"));
    EXPECT_EQ(r.status, SaveResult::Unencodable);
    EXPECT_EQ(r.character, u("\U0001F3B7"));
    EXPECT_EQ(r.line, 1);

    // Characters of the code page beyond Latin-1 are written.
    r = SavePageText(p, u("€ œ ™"));
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(slurp(p), QByteArray("\x80 \x9C \x99\r\n"));

    // A write that fails part-way (the disk is full) keeps the previous page.
    spit(p, old);
    {
        tavtest::FileSizeLimit limit(64);
        r = SavePageText(p, QString(200, QLatin1Char('x')));
    }
    EXPECT_EQ(r.status, SaveResult::Failed);
    EXPECT_EQ(slurp(p), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u("JAZZ.HTM")}); // no leftover

    // No page path, or a folder where the page should be: nothing written, the plain message.
    r = SavePageText(QString(), u("text"));
    EXPECT_EQ(r.status, SaveResult::Failed);
    EXPECT_EQ(SaveErrorText(QString(), r), u("Erreur lors de la création du fichier  !"));
    EXPECT_EQ(SavePageText(dir.path(), u("text")).status, SaveResult::Failed);

    SaveResult bad;
    bad.status = SaveResult::BadName;
    EXPECT_EQ(SaveErrorText(u("/r/../X.HTM"), bad),
              u("Erreur lors de la création du fichier /r/../X.HTM !\n"
                "Le nom ne doit contenir ni « / » ni « .. » et ne peut pas être vide."));
}

TEST(PageFiles, MessagesAndFileLists)
{
    EXPECT_EQ(OverwriteQuestion(u("/r/JAZZ.HTM")), u("Le fichier /r/JAZZ.HTM existe !\nLe remplacer ?"));
    EXPECT_EQ(DeleteQuestion(u("/r/JAZZ.HTM")), u("Confirmer la suppression du fichier </r/JAZZ.HTM> ?"));
    EXPECT_EQ(InfoCaption(u("JAZZ.HTM")), u("Information titre en cours : JAZZ.HTM"));

    QTemporaryDir dir;
    for (const char *f : {"b.HTM", "A.html", "c.htm", "d.HTML5", "e.txt", "logo.GIF", "x.jpeg", "y.JPG", "z.png"})
        spit(dir.filePath(u(f)), "x");
    QDir().mkpath(dir.filePath(u("folder.htm")));
    EXPECT_EQ(ListFiles(dir.path(), u(kPagePatterns)), (QStringList{u("A.html"), u("b.HTM"), u("c.htm")}));
    EXPECT_EQ(ListFiles(dir.path(), u(kLogoPatterns)), (QStringList{u("logo.GIF"), u("x.jpeg"), u("y.JPG")}));
    EXPECT_TRUE(ListFiles(dir.filePath(u("missing")), u(kPagePatterns)).isEmpty());
    EXPECT_TRUE(ListFiles(QString(), u(kPagePatterns)).isEmpty());
}
