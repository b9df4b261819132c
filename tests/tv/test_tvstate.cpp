// Rules of the TV player window and of the TV list editor, without their widgets.
#include "tv/TvListEditor.h"
#include "tv/TvPlayerState.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tvplayer;

TEST(TvPlayerState, SourceBoxesAndVisibility)
{
    // As the window opens.
    const SourceBoxes opened;
    EXPECT_TRUE(opened.check3);
    EXPECT_FALSE(opened.check1 || opened.check2 || opened.check4);
    const Visibility initial = InitialVisibility();
    EXPECT_TRUE(initial.autresTV && initial.autresChaines);
    EXPECT_FALSE(initial.comboFR3Region || initial.comboM6Local || initial.frame1);

    // Checking a box: {AutresChaines, FR3 region + Frame2, M6 local, AutresTV + OvrLst, date}.
    const struct {
        Source source;
        Visibility expected;
        SourceBoxes boxes;
    } rows[] = {
        {Source::Regional, {false, true, false, false, true}, {true, false, false, false}},
        {Source::National, {true, false, false, false, true}, {false, true, false, false}},
        {Source::TvList, {false, false, false, true, false}, {false, false, true, false}},
        {Source::Local, {false, false, true, false, true}, {false, false, false, true}},
    };
    for (const auto &from : rows) {
        for (const auto &row : rows) {
            SourceBoxes boxes = from.boxes;
            Visibility v = from.expected;
            ClickSource(row.source, true, boxes, v);
            EXPECT_EQ(v, row.expected) << int(from.source) << "->" << int(row.source);
            EXPECT_EQ(boxes, row.boxes);
        }
        // Unchecking the checked box leaves the selectors; Go then plays the national list.
        SourceBoxes boxes = from.boxes;
        Visibility v = from.expected;
        ClickSource(from.source, false, boxes, v);
        EXPECT_EQ(v, from.expected);
        EXPECT_EQ(boxes, SourceBoxes({false, false, false, false}));
        EXPECT_EQ(GoSource(boxes), Source::National);
    }
}

TEST(TvPlayerState, GoTestsTheBoxesInOrder)
{
    // {check1, check2, check3, check4} -> source
    const struct {
        SourceBoxes boxes;
        Source expected;
    } cases[] = {
        {{true, true, true, true}, Source::Regional},
        {{false, true, true, true}, Source::TvList},
        {{false, true, false, true}, Source::Local},
        {{false, true, false, false}, Source::National},
        {{false, false, false, false}, Source::National},
        {{true, false, false, true}, Source::Regional},
        {{false, false, true, true}, Source::TvList},
    };
    for (const auto &c : cases)
        EXPECT_EQ(GoSource(c.boxes), c.expected)
            << c.boxes.check1 << c.boxes.check2 << c.boxes.check3 << c.boxes.check4;
}

TEST(TvPlayerState, DateFields)
{
    const struct {
        int key;
        const char *text;
        bool accepted;
    } keys[] = {
        {Qt::Key_0, "0", true},      {Qt::Key_9, "9", true},     {Qt::Key_5, "5", true},
        {Qt::Key_Backspace, "\b", true}, {Qt::Key_Backspace, "", true},
        {Qt::Key_A, "a", false},     {Qt::Key_Minus, "-", false}, {Qt::Key_Slash, "/", false},
        {Qt::Key_Space, " ", false}, {Qt::Key_twosuperior, "²", false},
        {Qt::Key_Period, ".", false}, {Qt::Key_V, "\x16", false}, {Qt::Key_Return, "\r", false},
        {Qt::Key_Delete, "", true},  {Qt::Key_Left, "", true},   {Qt::Key_Tab, "\t", true},
    };
    for (const auto &k : keys)
        EXPECT_EQ(DateKeyAccepted(k.key, QString::fromUtf8(k.text)), k.accepted) << k.text;

    for (const auto &[in, out] : std::initializer_list<std::pair<const char *, const char *>>{
             {"7", "07"}, {"3", "03"}, {"07", "07"}, {"", ""}, {"123", "123"}, {"0", "00"}})
        EXPECT_EQ(ZeroFill(QLatin1String(in)), QLatin1String(out)) << in;

    const TodayFields f = FieldsFor(QDate(2007, 3, 5));
    EXPECT_EQ(f.day, QStringLiteral("05"));
    EXPECT_EQ(f.month, QStringLiteral("03"));
    EXPECT_EQ(f.year, QStringLiteral("2007"));
    EXPECT_EQ(f.label, QStringLiteral("05/03/2007"));
    EXPECT_EQ(FieldsFor(QDate(2026, 12, 31)).label, QStringLiteral("31/12/2026"));

    // The date a programme is scheduled on: a two-digit year is of the 2000s; no such day, none.
    const struct {
        const char *day, *month, *year;
        QDate date;
    } dates[] = {
        {"07", "03", "2007", QDate(2007, 3, 7)}, {"07", "03", "07", QDate(2007, 3, 7)},
        {"29", "02", "2024", QDate(2024, 2, 29)}, {"29", "02", "2026", {}},
        {"31", "04", "2026", {}}, {"", "03", "2007", {}}, {"07", "13", "2007", {}}, {"07", "03", "200", {}},
    };
    for (const auto &d : dates)
        EXPECT_EQ(ProgrammeDate(QLatin1String(d.day), QLatin1String(d.month), QLatin1String(d.year)), d.date)
            << d.day << "/" << d.month << "/" << d.year;
}

TEST(TvPlayerState, Captions)
{
    EXPECT_EQ(NationalCaption(QStringLiteral("Journal TF1 13h")), QStringLiteral("Tavilune : Journal TF1 13h"));
    EXPECT_EQ(NationalCaption(QStringLiteral("Journaux TV")), QStringLiteral("Tavilune : Journaux TV"));
    EXPECT_EQ(RegionalCaption(QStringLiteral("Alsace"), tvlinks::Edition::Midday),
              QStringLiteral("Tavilune : Alsace 12|13"));
    EXPECT_EQ(RegionalCaption(QStringLiteral("Bourgogne "), tvlinks::Edition::Evening),
              QStringLiteral("Tavilune : Bourgogne  19|20"));
    EXPECT_EQ(LocalCaption(QStringLiteral("Lille")), QStringLiteral("Tavilune :  M6 Edition locale - Lille"));
    EXPECT_EQ(TvListCaption(QStringLiteral("France 24")), QStringLiteral("Tavilune : France 24"));
}

TEST(TvPlayerState, ResizeGeometry)
{
    // 300 twips = 20 px, 600 twips = 40 px, 200 twips = 13 px.
    const WmpGeometry g = LayoutFor(800, 600, 10, 150, 40, 6);
    EXPECT_TRUE(g.playerValid);
    EXPECT_EQ(g.player, QRect(10, 150, 780, 410));
    EXPECT_TRUE(g.goValid);
    EXPECT_EQ(g.goLeft, 800 - 13 - 40);
    EXPECT_EQ(g.stretchRight, 800 - 13 - 40 - 6);

    const WmpGeometry small = LayoutFor(30, 170, 10, 150, 40, 6);
    EXPECT_FALSE(small.playerValid);
    EXPECT_FALSE(small.goValid);
    EXPECT_FALSE(small.stretchValid);
}

// The editor through its modes. Buttons listed as {nouveau, ovrLst, enregistrer, ajouter,
// appliquer, editer, command8, supprimer, monter, descendre, tester, aide, fermer}.
namespace {
using B = TvListEditor::Buttons;
const B kOpened{true, true, true, true, false, false, true, true, true, true, false, true, true};

TvListEditor editorWith(std::initializer_list<const char *> names)
{
    TvListEditor e;
    e.startNew(QStringLiteral("/nowhere/x.TV"));
    for (const char *n : names) {
        e.beginAdd();
        e.applyAdd(QLatin1String(n), QStringLiteral("http://") + QLatin1String(n));
    }
    return e;
}
} // namespace

TEST(TvListEditor, ButtonsThroughAddingAndTesting)
{
    TvListEditor e;
    EXPECT_EQ(e.buttons(), kOpened);
    EXPECT_EQ(e.caption(), QStringLiteral("Création - Suppression"));

    e.beginAdd();
    EXPECT_TRUE(e.adding());
    EXPECT_EQ(e.buttons(), B({true, true, false, true, true, false, false, false, false, false, false, true, false}));
    // Empty name: nothing appended, buttons restored.
    EXPECT_FALSE(e.applyAdd(QString(), QStringLiteral("http://a")));
    const B restored{true, true, true, true, false, true, true, true, true, true, false, true, true};
    EXPECT_EQ(e.buttons(), restored);
    e.beginAdd();
    EXPECT_FALSE(e.applyAdd(QStringLiteral("A"), QString()));
    EXPECT_EQ(e.buttons(), restored);
    EXPECT_TRUE(e.list().isEmpty());
    e.beginAdd();
    EXPECT_TRUE(e.applyAdd(QStringLiteral("A"), QStringLiteral("http://a")));
    EXPECT_EQ(e.list().size(), 1);

    // Selection and the address field.
    e.selectionChanged(-1);
    EXPECT_FALSE(e.buttons().editer);
    e.selectionChanged(0);
    EXPECT_TRUE(e.buttons().editer);
    e.linkChanged(QStringLiteral("http://a"));
    EXPECT_TRUE(e.buttons().tester);
    e.linkChanged(QString());
    EXPECT_FALSE(e.buttons().tester);
    e.linkChanged(QStringLiteral("http://a"));

    e.startTest();
    EXPECT_TRUE(e.testing());
    EXPECT_EQ(e.buttons(), B({false, false, false, false, false, false, false, false, false, false, true, true, false}));
    // Emptying the address while a test plays keeps the button that stops it.
    e.linkChanged(QString());
    EXPECT_TRUE(e.buttons().tester);
    e.selectionChanged(0);
    EXPECT_TRUE(e.buttons().editer);
    e.linkChanged(QStringLiteral("http://a"));
    e.stopTest();
    EXPECT_FALSE(e.testing());
    EXPECT_EQ(e.buttons(), B({true, true, true, true, false, true, true, true, true, true, true, true, true}));

    // A test started while adding ends the adding mode; "Appliquer..." stays off after STOP.
    e.beginAdd();
    e.startTest();
    e.stopTest();
    EXPECT_FALSE(e.adding());
    EXPECT_FALSE(e.buttons().appliquer);
    EXPECT_TRUE(e.buttons().fermer);
}

TEST(TvListEditor, EditDeleteAndMove)
{
    TvListEditor e = editorWith({"A", "B", "C"});
    QString name, link;

    // Without "Editer" the first entry is the one replaced.
    EXPECT_EQ(e.editedIndex(), 0);
    EXPECT_TRUE(e.applyEdit(QStringLiteral("A2"), QStringLiteral("http://a2"), true));
    EXPECT_EQ(e.list().names, QStringList({"A2", "B", "C"}));
    // A "No" answer or an empty field changes nothing but restores the buttons.
    e.beginAdd();
    EXPECT_FALSE(e.applyEdit(QStringLiteral("X"), QStringLiteral("http://x"), false));
    EXPECT_FALSE(e.buttons().appliquer);
    EXPECT_TRUE(e.buttons().editer && e.buttons().supprimer);
    EXPECT_FALSE(TvListEditor::editNeedsQuestion(QString(), QStringLiteral("http://x")));
    EXPECT_FALSE(e.applyEdit(QString(), QStringLiteral("http://x"), true));
    EXPECT_EQ(e.list().names, QStringList({"A2", "B", "C"}));

    EXPECT_FALSE(e.edit(-1, name, link));
    EXPECT_FALSE(e.edit(3, name, link));
    ASSERT_TRUE(e.edit(2, name, link));
    EXPECT_EQ(name, QStringLiteral("C"));
    EXPECT_EQ(link, QStringLiteral("http://C"));
    EXPECT_EQ(e.editedIndex(), 2);

    // Moves: nothing at the ends or without a selection; the edited channel is followed.
    EXPECT_EQ(e.moveUp(0), -1);
    EXPECT_EQ(e.moveUp(-1), -1);
    EXPECT_EQ(e.moveDown(2), -1);
    EXPECT_EQ(e.moveDown(-1), -1);
    EXPECT_EQ(e.list().names, QStringList({"A2", "B", "C"}));
    EXPECT_EQ(e.moveUp(2), 1);
    EXPECT_EQ(e.list().names, QStringList({"A2", "C", "B"}));
    EXPECT_EQ(e.list().links, QStringList({"http://a2", "http://C", "http://B"}));
    EXPECT_EQ(e.editedIndex(), 1);
    EXPECT_EQ(e.moveDown(0), 1);
    EXPECT_EQ(e.list().names, QStringList({"C", "A2", "B"}));
    EXPECT_EQ(e.editedIndex(), 0);

    // Deleting an earlier channel keeps the edited one; deleting the edited one leaves none.
    e.selectionChanged(1);
    EXPECT_TRUE(e.remove(1));
    EXPECT_FALSE(e.buttons().editer);
    EXPECT_EQ(e.list().names, QStringList({"C", "B"}));
    EXPECT_EQ(e.list().links, QStringList({"http://C", "http://B"}));
    EXPECT_EQ(e.editedIndex(), 0);
    EXPECT_TRUE(e.remove(0));
    EXPECT_EQ(e.editedIndex(), -1);
    EXPECT_FALSE(e.applyEdit(QStringLiteral("Z"), QStringLiteral("http://z"), true));
    EXPECT_EQ(e.list().names, QStringList({"B"}));
    EXPECT_FALSE(e.remove(5));

    // An empty list: nothing to replace.
    TvListEditor empty;
    EXPECT_FALSE(empty.applyEdit(QStringLiteral("Z"), QStringLiteral("http://z"), true));
    EXPECT_TRUE(empty.list().isEmpty());
}

TEST(TvListEditor, ListFiles)
{
    QTemporaryDir dir;
    TvListEditor e;
    EXPECT_FALSE(e.loadDefault(dir.path()));
    EXPECT_TRUE(e.path().isEmpty());
    EXPECT_FALSE(e.save()); // no list path yet

    // New list names keep their blanks; a blank name gives no path.
    EXPECT_EQ(TvListEditor::newListPath(dir.path(), QStringLiteral(" Ma liste ")),
              QDir(dir.path()).filePath(QStringLiteral(" Ma liste .TV")));
    EXPECT_TRUE(TvListEditor::newListPath(dir.path(), QStringLiteral("   ")).isEmpty());

    const QString def = QDir(dir.path()).filePath(QStringLiteral("AutresTV.TV"));
    e = editorWith({"A", "B", "C"});
    e.startNew(def);
    EXPECT_TRUE(e.list().isEmpty());
    e.beginAdd();
    e.applyAdd(QStringLiteral("One"), QStringLiteral("http://one"));
    ASSERT_TRUE(e.save());
    EXPECT_EQ(e.caption(), QStringLiteral("Création - Suppression : ") + def);

    TvListEditor reopened;
    EXPECT_TRUE(reopened.loadDefault(dir.path()));
    EXPECT_EQ(reopened.path(), def);
    EXPECT_EQ(reopened.list(), e.list());

    // A file that is not a valid list: the entries before the fault, the path taken.
    const QString bad = QDir(dir.path()).filePath(QStringLiteral("bad.TV"));
    {
        QFile f(bad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("A\r\nhttp://a\r\nB\r\n");
    }
    EXPECT_EQ(reopened.open(bad), TvListRead::Incompatible);
    EXPECT_EQ(reopened.path(), bad);
    EXPECT_EQ(reopened.list().names, QStringList({"A"}));
}
