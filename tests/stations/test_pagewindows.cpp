// The generator and editor windows on a radio folder of their own: enabling rules, saving with its
// questions and errors, the previews and their information links, the logo chooser, deleting.
#include "common/TextFile.h"
#include "core/Globals.h"
#include "media/PageFiles.h"
#include "media/StationPage.h"
#include "stations/FrmModifRad.h"
#include "stations/FrmRadPerso.h"
#include "ui/MainLink.h"
#include "ui/WebBrowser.h"
#include "FakePrompts.h"
#include "TestUtil.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QGroupBox>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QToolButton>
#include <gtest/gtest.h>

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

// The main window as the page windows see it: records what they ask of it.
class FakeMain : public MainLink {
public:
    int stops = 0, refreshes = 0;
    QStringList captions;  // now-playing window opened modally with these captions
    QStringList addresses; // ... for these information addresses
    void StopMainPage() override { ++stops; }
    void OpenNowPlaying(bool modal, const QString &caption, const QString &address) override
    {
        if (modal) {
            captions << caption;
            addresses << address;
        }
    }
    QRect MainGeometryTwips() const override { return {}; }
    void RefreshStationLists() override { ++refreshes; }
    QWidget *MainWindow() override { return nullptr; }
};

class PageWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        G() = ProgramValues{};
        G().radioFolder = dir.path();
        QDir().mkpath(dir.filePath(u("logo")));
    }
    QString page(const char *name) const { return dir.filePath(u(name)); }
    // Runs act with the answer queued for a question; the one prompt it showed (an empty kind
    // when it showed none).
    FakePrompts::Shown ask(bool answer, const std::function<void()> &act)
    {
        prompts.shown.clear();
        prompts.answers = {answer};
        act();
        return prompts.shown.size() == 1 ? prompts.shown.first() : FakePrompts::Shown{};
    }
    QTemporaryDir dir;
    FakeMain main;
    FakePrompts prompts;
};

void type(QLineEdit *e, const char *text) { e->setText(QString::fromUtf8(text)); }

} // namespace

TEST_F(PageWindowTest, GeneratorOpensBlankAndFollowsItsEnablingRules)
{
    FrmRadPerso w(main);
    EXPECT_EQ(w.windowTitle(), u("Création de radio perso"));
    EXPECT_EQ(w.Frame1->title(), u("Ajouter une radio perso "));
    EXPECT_EQ(w.Command6->toolTip(), u("Actualiser la liste des fichiers "));
    EXPECT_EQ(w.Command6->accessibleName(), w.Command6->toolTip());
    for (QCheckBox *c : {w.CheckSite, w.CheckLogo, w.CheckDescript, w.CheckInfoRad})
        EXPECT_FALSE(c->isChecked());
    EXPECT_TRUE(w.Option1->isChecked());
    EXPECT_FALSE(w.Option2->isChecked());

    struct Step {
        const char *what;
        std::function<void()> act;
        bool generate, save, test, logo;
    };
    const Step steps[] = {
        {"open", [] {}, false, false, false, false},
        {"name typed", [&] { type(w.TextNom, "j"); }, true, false, false, false},
        {"name emptied", [&] { w.TextNom->clear(); }, false, false, false, false},
        {"logo on", [&] { w.CheckLogo->setChecked(true); }, false, false, false, true},
        {"logo off", [&] { w.CheckLogo->setChecked(false); }, false, false, false, false},
        {"generated", [&] { type(w.TextNom, "jazz"); w.Command2_Click(); }, true, true, false, false},
        {"saved", [&] { w.Command5_Click(); }, true, true, true, false},
        {"name emptied again", [&] { w.TextNom->clear(); }, false, true, true, false},
    };
    for (const Step &s : steps) {
        s.act();
        EXPECT_EQ(w.Command2->isEnabled(), s.generate) << s.what;
        EXPECT_EQ(w.Command5->isEnabled(), s.save) << s.what;
        EXPECT_EQ(w.Command3->isEnabled(), s.test) << s.what;
        for (QWidget *c : std::initializer_list<QWidget *>{w.TextLogo, w.FileLogo, w.CommandLogo})
            EXPECT_EQ(c->isEnabled(), s.logo) << s.what;
        EXPECT_TRUE(w.Command1->isHidden()) << s.what;
        EXPECT_TRUE(w.WebBrowser1->isHidden()) << s.what;
        EXPECT_FALSE(w.TextHTML->isHidden()) << s.what;
    }

    // A new opening starts again from a blank form.
    EXPECT_EQ(main.refreshes, 0);
    w.reject();
    EXPECT_EQ(main.refreshes, 1); // the main list shows a new page at once
    w.show();
    EXPECT_TRUE(w.TextNom->text().isEmpty());
    EXPECT_TRUE(w.TextHTML->document()->isEmpty());
    EXPECT_FALSE(w.Command5->isEnabled());
    EXPECT_FALSE(w.Command3->isEnabled());
}

TEST_F(PageWindowTest, GeneratorWritesThePageOfItsFieldsUnderTheUpperCasedName)
{
    FrmRadPerso w(main);
    type(w.TextNom, "radio jazz");
    type(w.TextLienRadio, "http://127.0.0.1:8000/jazz.mp3");
    type(w.TextTitre, "Radio Jazz");
    w.CheckSite->setChecked(true);
    type(w.TextSite, "http://jazz.example/");
    w.CheckDescript->setChecked(true);
    type(w.TextDescript, "<b>Le \"meilleur\"</b>\u00A0du jazz");
    w.CheckInfoRad->setChecked(true);
    type(w.TextInfoRad, "http://jazz.example/live.txt");
    w.Option2->setChecked(true);
    w.Command2_Click();
    EXPECT_EQ(w.TextNom->text(), u("RADIO JAZZ"));

    stations::PageFields f;
    f.title = u("Radio Jazz");
    f.stream = u("http://127.0.0.1:8000/jazz.mp3");
    f.siteOn = true;
    f.site = u("http://jazz.example/");
    f.descriptionOn = true;
    f.description = u("<b>Le \"meilleur\"</b>\u00A0du jazz");
    f.infoOn = true;
    f.info = u("http://jazz.example/live.txt");
    f.player = stations::Player::Real;
    const QString expected = stations::GeneratePage(f);

    w.Command5_Click();
    EXPECT_EQ(slurp(page("RADIO JAZZ.HTM")), textfile::toCp1252(expected + u("\r\n")));
    EXPECT_TRUE(w.Command3->isEnabled());

    // A hand edit is saved; a new generation discards it.
    w.TextHTML->appendPlainText(u("<!-- edited -->"));
    const auto yes = ask(true, [&] { w.Command5_Click(); });
    EXPECT_TRUE(!yes.kind.isEmpty());
    EXPECT_EQ(slurp(page("RADIO JAZZ.HTM")), textfile::toCp1252(expected + u("\r\n<!-- edited -->\r\n")));
    w.Command2_Click();
    EXPECT_EQ(stations::PageTextOf(w.TextHTML->document()->toRawText()), expected);
}

TEST_F(PageWindowTest, GeneratorSaveQuestionsAndErrors)
{
    FrmRadPerso w(main);
    type(w.TextNom, "jazz");
    w.Command2_Click();
    const QByteArray old = "<HTML>old</HTML>\r\n";
    spit(page("JAZZ.HTM"), old);

    // "Fichier existant" answered No: nothing written, "Tester le fichier" as it was.
    const auto no = ask(false, [&] { w.Command5_Click(); });
    ASSERT_TRUE(!no.kind.isEmpty());
    EXPECT_EQ(no.title, u("Fichier existant"));
    EXPECT_EQ(no.text, u("Le fichier ") + page("JAZZ.HTM") + u(" existe !\nLe remplacer ?"));
    EXPECT_EQ(no.kind, u("question"));
    EXPECT_EQ(slurp(page("JAZZ.HTM")), old);
    EXPECT_FALSE(w.Command3->isEnabled());

    struct Case {
        const char *name;
        const char *extraText; // appended to the generated text
        const char *file;      // the path in the message
        const char *reason;    // second line of the message, or ""
    };
    const Case cases[] = {
        {"../jazz", "", "../JAZZ.HTM", "\nLe nom ne doit contenir ni « / » ni « .. » et ne peut pas être vide."},
        {"a/b", "", "A/B.HTM", "\nLe nom ne doit contenir ni « / » ni « .. » et ne peut pas être vide."},
        {"", "", ".HTM", "\nLe nom ne doit contenir ni « / » ni « .. » et ne peut pas être vide."},
        {"neige", "\n雪", "NEIGE.HTM",
         "\nLe caractère « 雪 » (ligne 39) ne peut pas être enregistré dans la page."},
    };
    for (const Case &c : cases) {
        type(w.TextNom, "x");
        w.Command2_Click();
        type(w.TextNom, c.name);
        w.TextHTML->moveCursor(QTextCursor::End);
        w.TextHTML->insertPlainText(u(c.extraText));
        const auto err = ask(false, [&] { w.Command5_Click(); });
        ASSERT_TRUE(!err.kind.isEmpty()) << c.name;
        EXPECT_EQ(err.title, u("Erreur"));
        EXPECT_EQ(err.kind, u("message"));
    EXPECT_EQ(err.icon, UiPrompts::Icon::Exclamation);
        EXPECT_EQ(err.text.toStdString(), (u("Erreur lors de la création du fichier ") + dir.path() + u("/")
                                            + u(c.file) + u(" !") + u(c.reason)).toStdString());
        EXPECT_FALSE(w.Command3->isEnabled()) << c.name;
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{u("JAZZ.HTM")});
    EXPECT_FALSE(QFile::exists(dir.filePath(u("../JAZZ.HTM"))));
}

TEST_F(PageWindowTest, GeneratorPreviewShowsTheSavedPageAndInterceptsInformationLinks)
{
    FrmRadPerso w(main);
    w.WebBrowser1->setPlaysPages(false);
    type(w.TextNom, "jazz");
    w.CheckInfoRad->setChecked(true);
    type(w.TextInfoRad, "http://jazz.example/live.txt");
    w.Command2_Click();
    w.Command5_Click();
    w.Command3_Click();
    EXPECT_EQ(main.stops, 1);
    EXPECT_TRUE(w.TextHTML->isHidden());
    EXPECT_FALSE(w.WebBrowser1->isHidden());
    EXPECT_FALSE(w.Command1->isHidden());
    EXPECT_EQ(w.WebBrowser1->LocationURL(), page("JAZZ.HTM"));

    w.WebBrowser1->FollowLink(u("app:live('http://jazz.example/live.txt')"));
    EXPECT_EQ(main.addresses, QStringList{u("http://jazz.example/live.txt")});
    EXPECT_EQ(main.captions, QStringList{u("Information titre en cours : JAZZ.HTM")});
    EXPECT_EQ(w.WebBrowser1->LocationURL(), page("JAZZ.HTM")); // no navigation

    w.Command1_Click();
    EXPECT_FALSE(w.TextHTML->isHidden());
    EXPECT_TRUE(w.WebBrowser1->isHidden());
    EXPECT_TRUE(w.Command1->isHidden());
}

TEST_F(PageWindowTest, GeneratorLogoChooser)
{
    FrmRadPerso w(main); // the logo folder is read when the window opens
    QImage red(20, 10, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(dir.filePath(u("logo/jazz.gif")), "PNG")); // no GIF writer: the reader goes by content
    ASSERT_TRUE(red.save(dir.filePath(u("logo/B.JPG")), "JPG"));
    spit(dir.filePath(u("logo/broken.jpeg")), "not a picture");
    spit(dir.filePath(u("logo/notes.txt")), "x");
    w.show();
    w.CheckLogo->setChecked(true);
    ASSERT_EQ(w.FileLogo->count(), 3);
    EXPECT_EQ(w.FileLogo->item(0)->text(), u("B.JPG"));
    EXPECT_EQ(w.FileLogo->item(1)->text(), u("broken.jpeg"));
    EXPECT_EQ(w.FileLogo->item(2)->text(), u("jazz.gif"));

    w.FileLogo->setCurrentRow(2);
    ASSERT_FALSE(w.Image1->pixmap().isNull());
    // Stretched to the frame: the whole label is red.
    const QImage shown = w.Image1->grab().toImage();
    EXPECT_EQ(QColor(shown.pixel(shown.width() / 2, shown.height() / 2)), QColor(Qt::red));
    EXPECT_EQ(QColor(shown.pixel(shown.width() - 3, shown.height() - 3)), QColor(Qt::red));
    w.CommandLogo_Click();
    EXPECT_EQ(w.TextLogo->text(), u("jazz.gif"));

    w.FileLogo->setCurrentRow(1); // cannot be decoded: nothing shown
    EXPECT_TRUE(w.Image1->pixmap().isNull());
    emit w.FileLogo->itemDoubleClicked(w.FileLogo->item(1));
    EXPECT_EQ(w.TextLogo->text(), u("broken.jpeg"));

    spit(dir.filePath(u("logo/new.gif")), "x");
    EXPECT_EQ(w.FileLogo->count(), 3);
    w.Command6_Click();
    EXPECT_EQ(w.FileLogo->count(), 4);
}

TEST_F(PageWindowTest, LogosWithReservedCharactersInTheirNameShowInTheGeneratedPage)
{
    struct Row {
        const char *logo;    // the file in the logo folder
        const char *src;     // its address in the page
        bool oldPage = false; // a page written by an older version, the name unescaped
    };
    const Row rows[] = {
        {"JAZZ NUIT - PARIS.jpg", "logo/JAZZ NUIT - PARIS.jpg"},
        {"Été.jpg", "logo/Été.jpg"},
        {"R&B #1.jpg", "logo/R%26B %231.jpg"},
        {"100% \"live\" ?.gif", "logo/100%25 %22live%22 %3F.gif"},
        {"ラジオ.jpg", "logo/%E3%83%A9%E3%82%B8%E3%82%AA.jpg"},
        {"R&B #2.jpg", "logo/R&B #2.jpg", true},
    };
    QImage red(40, 30, QImage::Format_RGB32);
    red.fill(QColor(220, 30, 30));
    for (const Row &row : rows) {
        SCOPED_TRACE(row.logo);
        ASSERT_TRUE(red.save(dir.filePath(u("logo/") + u(row.logo)), "JPG"));
        stations::PageFields f;
        f.title = u("Essai");
        f.stream = u("http://127.0.0.1:9/flux");
        f.logoOn = true;
        f.logo = u(row.logo);
        QString text = stations::GeneratePage(f);
        const QString img = u("<IMG SRC=\"%1\" BORDER=0").arg(u(row.src));
        if (row.oldPage)
            text.replace(QRegularExpression(u("<IMG SRC=\"[^\"]*\"")), u("<IMG SRC=\"") + u(row.src) + u("\""));
        EXPECT_TRUE(text.contains(img)) << text.toStdString();
        const QString path = page("ESSAI.HTM");
        ASSERT_TRUE(stations::SavePageText(path, text).ok());
        WebBrowser view(nullptr);
        view.setPlaysPages(false);
        view.resize(300, 150);
        view.Navigate(path);
        const QImage shot = view.grab().toImage();
        int logoPixels = 0;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const QColor c = shot.pixelColor(x, y);
                logoPixels += c.red() > 180 && c.green() < 80 && c.blue() < 80;
            }
        EXPECT_GT(logoPixels, 66 * 50 / 2) << "the logo is shown";
    }
}

TEST_F(PageWindowTest, EditorLoadsSavesAndAddsOneEmptyLine)
{
    spit(page("FIP.HTM"), "<HTML>\r\n<BODY>\r\n</HTML>\r\n");
    spit(page("b.html"), "x");
    spit(page("notes.txt"), "x");
    FrmModifRad w(main);
    EXPECT_EQ(w.windowTitle(), u("Modifier une radio "));
    EXPECT_EQ(w.Command5->toolTip(), u("Arrêt de la ardio"));
    ASSERT_EQ(w.File1->count(), 2);
    EXPECT_EQ(w.File1->item(0)->text(), u("b.html"));
    EXPECT_EQ(w.File1->item(1)->text(), u("FIP.HTM"));
    EXPECT_FALSE(w.Command3->isEnabled());
    EXPECT_FALSE(w.Command4->isEnabled());
    EXPECT_FALSE(w.Command5->isEnabled());
    EXPECT_TRUE(w.WebBrowser1->isHidden());
    EXPECT_TRUE(w.PagePath().isEmpty());

    w.File1->setCurrentRow(1);
    w.Command1_Click();
    EXPECT_EQ(w.PagePath(), page("FIP.HTM"));
    EXPECT_EQ(w.Label2->text(), page("FIP.HTM"));
    EXPECT_TRUE(w.Command3->isEnabled());
    EXPECT_TRUE(w.Command4->isEnabled());

    const auto no = ask(false, [&] { w.Command3_Click(); });
    ASSERT_TRUE(!no.kind.isEmpty());
    EXPECT_EQ(no.title, u("Fichier existant"));
    EXPECT_EQ(no.text, u("Le fichier ") + page("FIP.HTM") + u(" existe !\nLe remplacer ?"));
    EXPECT_EQ(slurp(page("FIP.HTM")), QByteArray("<HTML>\r\n<BODY>\r\n</HTML>\r\n"));

    const auto yes = ask(true, [&] { w.Command3_Click(); });
    ASSERT_TRUE(!yes.kind.isEmpty());
    EXPECT_EQ(slurp(page("FIP.HTM")), QByteArray("<HTML>\r\n<BODY>\r\n</HTML>\r\n\r\n"));
    EXPECT_TRUE(w.Command3->isEnabled());

    // An emptied text disables saving and testing.
    w.TextHTML->clear();
    EXPECT_FALSE(w.Command3->isEnabled());
    EXPECT_FALSE(w.Command4->isEnabled());

    // A file gone since it was listed loads as nothing.
    QFile::remove(page("b.html"));
    w.File1->setCurrentRow(0);
    emit w.File1->itemDoubleClicked(w.File1->item(0));
    EXPECT_EQ(w.PagePath(), page("b.html"));
    EXPECT_TRUE(w.TextHTML->document()->isEmpty());
}

TEST_F(PageWindowTest, EditorTextWithoutAPageFailsToSaveWithTheEmptyPath)
{
    FrmModifRad w(main);
    w.TextHTML->setPlainText(u("<HTML></HTML>"));
    EXPECT_TRUE(w.Command3->isEnabled());
    const auto err = ask(false, [&] { w.Command3_Click(); });
    ASSERT_TRUE(!err.kind.isEmpty());
    EXPECT_EQ(err.title, u("Erreur"));
    EXPECT_EQ(err.kind, u("message"));
    EXPECT_EQ(err.icon, UiPrompts::Icon::Exclamation);
    EXPECT_EQ(err.text, u("Erreur lors de la création du fichier  !"));
    EXPECT_EQ(w.TextHTML->toPlainText(), u("<HTML></HTML>"));
}

TEST_F(PageWindowTest, EditorPreviewShowsTheFileAsSavedAndLocksTheEditing)
{
    spit(page("JAZZ.HTM"), "<HTML>\r\n<A HREF=\"app:live('http://jazz.example/i')\">Informations</A>\r\n</HTML>\r\n");
    FrmModifRad w(main);
    w.WebBrowser1->setPlaysPages(false);
    w.File1->setCurrentRow(0);
    w.Command1_Click();
    w.TextHTML->appendPlainText(u("unsaved"));
    w.Command4_Click();
    EXPECT_EQ(main.stops, 1);
    EXPECT_EQ(w.WebBrowser1->LocationURL(), page("JAZZ.HTM"));
    EXPECT_FALSE(w.WebBrowser1->PageText().contains(u("unsaved")));
    struct Control {
        const char *name;
        QWidget *widget;
        bool inPreview;
    };
    const Control controls[] = {
        {"STOP", w.Command5, true},      {"Enregistrer", w.Command3, false}, {"Editer", w.Command1, false},
        {"Fermer", w.Command2, false},   {"list", w.File1, false},          {"Tester", w.Command4, true},
    };
    for (const Control &c : controls)
        EXPECT_EQ(c.widget->isEnabled(), c.inPreview) << c.name;
    EXPECT_TRUE(w.TextHTML->isHidden());
    EXPECT_FALSE(w.WebBrowser1->isHidden());

    w.WebBrowser1->FollowLink(u("app:live('http://jazz.example/i')"));
    EXPECT_EQ(main.addresses, QStringList{u("http://jazz.example/i")});
    EXPECT_EQ(main.captions, QStringList{u("Information titre en cours : JAZZ.HTM")});
    EXPECT_EQ(w.WebBrowser1->LocationURL(), page("JAZZ.HTM"));

    w.Command5_Click();
    for (const Control &c : controls)
        EXPECT_EQ(c.widget->isEnabled(), !c.inPreview || c.widget == w.Command4) << c.name;
    EXPECT_FALSE(w.TextHTML->isHidden());
    EXPECT_TRUE(w.WebBrowser1->isHidden());
    EXPECT_TRUE(w.TextHTML->toPlainText().endsWith(u("unsaved")));
}

TEST_F(PageWindowTest, EditorDeletesOnlyOnYesAndReadsTheFolderAgain)
{
    FrmModifRad w(main); // the radio folder is read when the window opens
    spit(page("A.HTM"), "a\r\n");
    spit(page("B.HTM"), "b\r\n");
    w.show();
    w.File1->setCurrentRow(1);
    w.Command1_Click();
    const auto no = ask(false, [&] { w.Command6_Click(); });
    ASSERT_TRUE(!no.kind.isEmpty());
    EXPECT_EQ(no.title, u("Supprimer un fichier radio"));
    EXPECT_EQ(no.text, u("Confirmer la suppression du fichier <") + page("B.HTM") + u("> ?"));
    EXPECT_EQ(no.kind, u("question"));
    EXPECT_TRUE(QFile::exists(page("B.HTM")));
    EXPECT_TRUE(w.TextHTML->document()->isEmpty());

    const auto yes = ask(true, [&] { w.Command6_Click(); });
    ASSERT_TRUE(!yes.kind.isEmpty());
    EXPECT_FALSE(QFile::exists(page("B.HTM")));
    ASSERT_EQ(w.File1->count(), 1);
    EXPECT_EQ(w.File1->item(0)->text(), u("A.HTM"));
    EXPECT_EQ(w.PagePath(), page("B.HTM"));

    // Nothing selected: nothing to ask, nothing deleted.
    w.File1->setCurrentRow(-1);
    const auto none = ask(true, [&] { w.Command6_Click(); });
    EXPECT_TRUE(none.kind.isEmpty());
    EXPECT_TRUE(QFile::exists(page("A.HTM")));

    w.Command2_Click(); // "Fermer": the main list drops the deleted page
    EXPECT_TRUE(w.isHidden());
    EXPECT_EQ(main.refreshes, 1);
}
