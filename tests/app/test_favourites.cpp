// Favourites without windows: the menu rebuild rule, the manager's editing and button rules,
// the count text, the file and the page a favourite names.
#include "app/Favourites.h"
#include "core/Globals.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <csignal>
#include <sys/resource.h>

using namespace favourites;

namespace {

QStringList names(int n, const QString &prefix = QStringLiteral("R"))
{
    QStringList l;
    for (int i = 0; i < n; ++i)
        l << prefix + QString::number(i);
    return l;
}

QByteArray slurp(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(FavouritesMenu, RebuildShowsTheLinesAndHidesThePositionPastTheLast)
{
    struct Case {
        const char *name;
        QStringList lines;
        int shownUpTo;        // entries 0..shownUpTo-1 carry their line
        QList<int> hidden;    // positions hidden by the rebuild
        int untouchedFrom;    // entries from here keep their earlier state
    };
    const QStringList withGap{QStringLiteral("A"), QString(), QStringLiteral("C")};
    const Case cases[] = {
        {"three lines", names(3), 3, {3}, 4},
        {"empty line keeps its position", withGap, 3, {1, 3}, 4},
        {"no line", {}, 0, {0}, 1},
        {"nineteen lines", names(19), 19, {19}, 20},
        {"twenty lines", names(20), 20, {}, 20},
        {"twenty-five lines", names(25), 20, {}, 20},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        // Entries further on were left shown by an earlier rebuild: they must stay so.
        Menu m = InitialMenu();
        for (auto &e : m)
            e = {QStringLiteral("earlier"), true};
        RebuildMenu(c.lines, m);
        for (int i = 0; i < kMenuEntries; ++i) {
            SCOPED_TRACE(i);
            if (i >= c.untouchedFrom) {
                EXPECT_EQ(m[i].caption, QStringLiteral("earlier"));
                EXPECT_TRUE(m[i].visible);
            } else if (c.hidden.contains(i)) {
                EXPECT_FALSE(m[i].visible);
                EXPECT_EQ(m[i].caption, i < c.lines.size() ? c.lines[i] : QString());
            } else {
                EXPECT_TRUE(m[i].visible);
                EXPECT_EQ(m[i].caption, c.lines[i]);
            }
        }
    }
    const Menu fresh = InitialMenu();
    EXPECT_EQ(fresh[0].caption, QStringLiteral("FAV0"));
    EXPECT_EQ(fresh[19].caption, QStringLiteral("FAV19"));
    EXPECT_FALSE(fresh[7].visible);
}

TEST(FavouritesManager, CountText)
{
    EXPECT_EQ(CountText(0), QStringLiteral("Liste des Favoris : 0/20 Maxi"));
    EXPECT_EQ(CountText(7), QStringLiteral("Liste des Favoris : 7/20 Maxi"));
    EXPECT_EQ(CountText(23), QStringLiteral("Liste des Favoris : 23/20 Maxi"));
}

TEST(FavouritesManager, ButtonStatesAndMovesFollowEachAction)
{
    enum Op { Add, Remove, Clear, Up, Down, Click };
    struct Step {
        Op op;
        int arg; // index, or how many stations "X0" are selected when adding
        QStringList lines;
        bool add, remove;
        int selected;
    };
    const QString a = QStringLiteral("A"), b = QStringLiteral("B"), c = QStringLiteral("C");
    struct Script {
        const char *name;
        QStringList start;
        QList<Step> steps;
    };
    const QStringList full = names(20);
    const Script scripts[] = {
        {"moves at the ends and in the middle",
         {a, b, c},
         {{Up, 0, {a, b, c}, true, false, 0},
          {Down, 2, {a, b, c}, true, false, 2},
          {Up, 2, {a, c, b}, true, false, 1},
          {Down, 0, {c, a, b}, true, false, 1},
          {Up, -1, {c, a, b}, true, false, -1},
          {Down, 7, {c, a, b}, true, false, -1},
          {Down, 1, {c, b, a}, true, false, 2},
          {Click, 0, {c, b, a}, true, true, 2}}},
        {"add then remove and clear",
         {},
         {{Add, 1, {QStringLiteral("X0")}, true, true, -1},
          {Add, 1, {QStringLiteral("X0"), QStringLiteral("X0")}, true, true, -1},
          {Remove, 5, {QStringLiteral("X0"), QStringLiteral("X0")}, true, true, -1},
          {Remove, 0, {QStringLiteral("X0")}, true, true, -1},
          {Remove, 0, {}, true, false, -1},
          {Click, 0, {}, true, false, -1}}},
        {"a full list: add disabled until the next add, even after remove and clear",
         names(19),
         {{Add, 1, names(19) << QStringLiteral("X0"), false, true, -1},
          {Remove, 0, QStringList(names(19).mid(1)) << QStringLiteral("X0"), false, true, -1},
          {Add, 1, QStringList(names(19).mid(1)) << QStringLiteral("X0") << QStringLiteral("X0"), false, true, -1},
          {Clear, 0, {}, false, false, -1},
          {Add, 1, {QStringLiteral("X0")}, true, true, -1}}},
        {"adding past twenty still adds",
         full,
         {{Add, 1, QStringList(full) << QStringLiteral("X0"), false, true, -1},
          {Add, 0, QStringList(full) << QStringLiteral("X0"), false, true, -1}}},
    };
    for (const Script &s : scripts) {
        SCOPED_TRACE(s.name);
        Editor e;
        e.Open(s.start);
        EXPECT_TRUE(e.AddEnabled());
        EXPECT_FALSE(e.RemoveEnabled());
        int n = 0;
        for (const Step &st : s.steps) {
            SCOPED_TRACE(n++);
            switch (st.op) {
            case Add: e.Add(QStringList(st.arg, QStringLiteral("X0"))); break;
            case Remove: e.Remove(st.arg); break;
            case Clear: e.Clear(); break;
            case Up: e.MoveUp(st.arg); break;
            case Down: e.MoveDown(st.arg); break;
            case Click: e.ClickList(); break;
            }
            EXPECT_EQ(e.Lines(), st.lines);
            EXPECT_EQ(e.AddEnabled(), st.add);
            EXPECT_EQ(e.RemoveEnabled(), st.remove);
            EXPECT_EQ(e.Selected(), st.selected);
            EXPECT_EQ(e.Count(), CountText(st.lines.size()));
        }
        // Opening again starts from the creation state of the buttons.
        e.Open(full);
        EXPECT_TRUE(e.AddEnabled());
        EXPECT_FALSE(e.RemoveEnabled());
    }
}

class FavouritesFile : public ::testing::Test {
protected:
    void SetUp() override { SetProgramFolder(dir.path()); }
    void TearDown() override { SetProgramFolder(QString()); }
    QTemporaryDir dir;
};

TEST_F(FavouritesFile, SavedByteForByteReadBackWithEitherLineEnd)
{
    EXPECT_TRUE(Read().isEmpty()); // missing file
    ASSERT_TRUE(Save({QStringLiteral("RADIO JAZZ"), QStringLiteral("Fréquence été"), QString()}));
    EXPECT_EQ(slurp(FilePath()), QByteArray("RADIO JAZZ\r\nFr\xE9quence \xE9t\xE9\r\n\r\n"));
    EXPECT_EQ(Read(), (QStringList{QStringLiteral("RADIO JAZZ"), QStringLiteral("Fréquence été"), QString()}));
    {
        QFile f(FilePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("FIP\nFrance Inter\n");
    }
    EXPECT_EQ(Read(), (QStringList{QStringLiteral("FIP"), QStringLiteral("France Inter")}));
    ASSERT_TRUE(Save({}));
    EXPECT_EQ(slurp(FilePath()), QByteArray());
}

TEST_F(FavouritesFile, AFailedSaveKeepsTheOldFile)
{
    ASSERT_TRUE(Save({QStringLiteral("FIP")}));
    // A file-size limit stands for a full disk (it holds for every user, root included).
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = Save(names(200, QStringLiteral("A long station name ")));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved);
    EXPECT_EQ(slurp(FilePath()), QByteArray("FIP\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Favoris.lst")});
}

TEST_F(FavouritesFile, PagePathAndTheStationsOffered)
{
    const QString radios = dir.path() + QStringLiteral("/elsewhere");
    QDir().mkpath(radios);
    for (const char *n : {"Fip.htm", "RADIO JAZZ.HTM", "jazzpopup.htm", "notes.txt", "B.html"}) {
        QFile f(radios + QLatin1Char('/') + QString::fromLatin1(n));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    struct Case {
        const char *caption;
        const char *expected; // relative to the radio folder
    } cases[] = {
        {"FIP", "/Fip.htm"}, {"RADIO JAZZ", "/RADIO JAZZ.HTM"}, {"radio jazz", "/RADIO JAZZ.HTM"},
        {"Nope", "/Nope.HTM"}, {"B", "/B.HTM"}, // ".HTM" is appended as written: "B.html" is another page
    };
    for (const Case &c : cases)
        EXPECT_EQ(PagePath(radios, QString::fromUtf8(c.caption)), radios + QString::fromLatin1(c.expected))
            << c.caption;
    EXPECT_EQ(PagePath(radios + QLatin1Char('/'), QStringLiteral("FIP")), radios + QStringLiteral("/Fip.htm"));
    EXPECT_EQ(AvailableStations(radios), (QStringList{QStringLiteral("B"), QStringLiteral("Fip"), QStringLiteral("RADIO JAZZ")}));
    EXPECT_TRUE(AvailableStations(dir.path() + QStringLiteral("/missing")).isEmpty());
}
