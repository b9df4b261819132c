// The title journal: its CSV file (quoting, header, line ends, the cap), what it skips, the
// search that narrows it, the web search address, and its window.
#include "desktop/FrmTitres.h"
#include "desktop/TitleJournal.h"
#include "FakePrompts.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace journal;

namespace {

const QDateTime kWhen = WallClock(QDate(2026, 12, 10), QTime(9, 5, 7));

QByteArray readAll(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(TitleJournal, FieldsSurviveTheFileWhateverTheyHold)
{
    const struct {
        Entry entry;
        const char *line; // the line written, UTF-8
    } cases[] = {
        {{kWhen, QStringLiteral("FIP"), QStringLiteral("Miles Davis"), QStringLiteral("So What")},
         "2026-12-10 09:05:07;FIP;Miles Davis;So What"},
        {{kWhen, QStringLiteral("Radio; Nova"), QString(), QStringLiteral("Jingle")},
         "2026-12-10 09:05:07;\"Radio; Nova\";;Jingle"},
        {{kWhen, QStringLiteral("R"), QStringLiteral("The \"Band\""), QStringLiteral("Édith — 東京 🎵")},
         "2026-12-10 09:05:07;R;\"The \"\"Band\"\"\";Édith — 東京 🎵"},
        {{kWhen, QStringLiteral("R"), QStringLiteral("a\nb"), QStringLiteral("c\r\nd")},
         "2026-12-10 09:05:07;R;\"a\nb\";\"c\r\nd\""},
    };
    QList<Entry> all;
    for (const auto &c : cases) {
        EXPECT_EQ(CsvLine(c.entry).toUtf8(), QByteArray(c.line));
        all << c.entry;
    }
    const QByteArray text = CsvText(all);
    EXPECT_TRUE(text.startsWith("date;radio;artiste;titre\r\n"));
    EXPECT_EQ(ParseCsv(text), all);
    // Damaged lines are skipped, the rest is read.
    EXPECT_EQ(ParseCsv("date;radio;artiste;titre\r\nnot a date;a;b;c\r\n2026-12-10 09:05:07;x;y\r\n"
                       "\xA6" "026-12-10 09:05:07;a;b;c\r\n2026-13-10 09:05:07;a;b;c\r\n" + text), all);
    EXPECT_TRUE(ParseCsv(QByteArray()).isEmpty());
}

TEST(TitleJournal, EachNewTitleIsAddedSplitAndRepeatsAreSkipped)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("sub/titres.csv"));
    TitleJournal j(file);
    int signalled = 0;
    QObject::connect(&j, &TitleJournal::added, [&](const Entry &) { ++signalled; });
    const struct {
        const char *station, *title;
        bool added;
    } steps[] = {
        {"FIP", "Miles Davis - So What", true},
        {"FIP", "Miles Davis - So What", false}, // the same again
        {"FIP", "   ", false},                   // empty
        {"FIP", "Jingle FIP", true},             // no artist
        {"Nova", "Jingle FIP", true},            // the same title on another station
        {"Nova", "A - B - C", true},             // split at the first separator
    };
    for (const auto &s : steps)
        EXPECT_EQ(j.Add(QString::fromUtf8(s.station), QString::fromUtf8(s.title), kWhen), s.added) << s.title;
    EXPECT_EQ(signalled, 4);
    const QList<Entry> e = j.Load();
    ASSERT_EQ(e.size(), 4);
    EXPECT_EQ(e[0].artist, QStringLiteral("Miles Davis"));
    EXPECT_EQ(e[0].title, QStringLiteral("So What"));
    EXPECT_EQ(e[1].artist, QString());
    EXPECT_EQ(e[3].artist, QStringLiteral("A"));
    EXPECT_EQ(e[3].title, QStringLiteral("B - C"));
    EXPECT_EQ(readAll(file).count("date;radio;artiste;titre"), 1);
    EXPECT_EQ(readAll(file).count("\r\n"), 5);

    // A journal that cannot be written says so.
    TitleJournal blocked(dir.filePath(QStringLiteral("sub/titres.csv/x")));
    EXPECT_FALSE(blocked.Add(QStringLiteral("FIP"), QStringLiteral("x"), kWhen));
    EXPECT_FALSE(blocked.LastError().isEmpty());
}

TEST(TitleJournal, AFullJournalDropsItsOldestTitles)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("titres.csv"));
    QList<Entry> full;
    for (int i = 0; i < kMaxLines; ++i)
        full << Entry{kWhen.addSecs(i), QStringLiteral("R"), QString(), QStringLiteral("t%1").arg(i)};
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(CsvText(full));
    f.close();

    TitleJournal j(file);
    ASSERT_TRUE(j.Add(QStringLiteral("R"), QStringLiteral("newest"), kWhen.addDays(1)));
    const QList<Entry> kept = j.Load();
    EXPECT_LE(kept.size(), kMaxLines);
    EXPECT_EQ(kept.size(), kTrimmedLines);
    EXPECT_EQ(kept.last().title, QStringLiteral("newest"));
    EXPECT_EQ(kept.first().title, QStringLiteral("t%1").arg(kMaxLines + 1 - kTrimmedLines));
    EXPECT_TRUE(readAll(file).startsWith("date;radio;artiste;titre\r\n"));
}

TEST(TitleJournal, SearchIgnoresCaseAndAccentsAndNeedsEveryWord)
{
    Search s;
    s.SetEntries({{kWhen, QStringLiteral("FIP"), QStringLiteral("Édith Piaf"), QStringLiteral("La Vie en rose")},
                  {kWhen.addSecs(60), QStringLiteral("Nova"), QStringLiteral("Miles Davis"), QStringLiteral("Blue in Green")},
                  {kWhen.addSecs(120), QStringLiteral("FIP"), QStringLiteral("Björk"), QStringLiteral("Jóga")}});
    const struct {
        const char *search;
        std::vector<int> kept; // newest first
    } cases[] = {
        {"", {0, 1, 2}},          {"edith", {2}},        {"EDITH piaf", {2}},   {"fip", {0, 2}},
        {"bjork joga", {0}},      {"fip nova", {}},      {"  rose  ", {2}},     {"2026-12-10 09:06", {1}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(s.Filter(QString::fromUtf8(c.search)), c.kept) << c.search;
    EXPECT_EQ(FoldForSearch(QStringLiteral("Ça Été")), QStringLiteral("ca ete"));
}

TEST(TitleJournal, TheWebSearchAddressTakesTheWords)
{
    const Entry e{kWhen, QStringLiteral("FIP"), QStringLiteral("Édith Piaf"), QStringLiteral("La Vie & rose")};
    const struct {
        const char *address, *url;
    } cases[] = {
        {"", "https://duckduckgo.com/?q=%C3%89dith%20Piaf%20La%20Vie%20%26%20rose"},
        {"https://example.org/search?q=%s&x=1", "https://example.org/search?q=%C3%89dith%20Piaf%20La%20Vie%20%26%20rose&x=1"},
        {"https://example.org/no-words", "https://duckduckgo.com/?q=%C3%89dith%20Piaf%20La%20Vie%20%26%20rose"},
        {"javascript:alert(%s)", "https://duckduckgo.com/?q=%C3%89dith%20Piaf%20La%20Vie%20%26%20rose"},
        {"file:///etc/%s", "https://duckduckgo.com/?q=%C3%89dith%20Piaf%20La%20Vie%20%26%20rose"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SearchUrl(QString::fromUtf8(c.address), e).toString(QUrl::FullyEncoded), QString::fromUtf8(c.url)) << c.address;
}

TEST(TitleJournal, TheWindowListsNarrowsCopiesAndExports)
{
    QTemporaryDir dir;
    TitleJournal j(dir.filePath(QStringLiteral("titres.csv")));
    j.Add(QStringLiteral("FIP"), QStringLiteral("Édith Piaf - La Vie en rose"), kWhen);
    j.Add(QStringLiteral("Nova"), QStringLiteral("Miles Davis - So What"), kWhen.addSecs(60));
    FakePrompts prompts;
    FrmTitres w(j, [] { return QString(); });
    w.show();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Titres écoutés"));
    ASSERT_EQ(w.Model().rowCount(), 2);
    EXPECT_EQ(w.Model().index(0, 3).data().toString(), QStringLiteral("So What")); // newest first
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(w.Model().headerData(c, Qt::Horizontal).toString(),
                  QStringList({QStringLiteral("Heure"), QStringLiteral("Radio"), QStringLiteral("Artiste"), QStringLiteral("Titre")})[c]);
    EXPECT_FALSE(w.cmdCopier->isEnabled()); // nothing chosen yet

    // A title heard while the window is open shows at once.
    j.Add(QStringLiteral("FIP"), QStringLiteral("Björk - Jóga"), kWhen.addSecs(120));
    ASSERT_EQ(w.Model().rowCount(), 3);

    w.txtRecherche->setText(QStringLiteral("EDITH"));
    ASSERT_EQ(w.Model().rowCount(), 1);
    w.lstTitres->selectRow(0);
    EXPECT_TRUE(w.cmdCopier->isEnabled());
    w.cmdCopier->click();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Édith Piaf - La Vie en rose"));

    const QString exported = dir.filePath(QStringLiteral("export.csv"));
    prompts.files << exported;
    w.cmdExporter->click();
    EXPECT_EQ(ParseCsv(readAll(exported)).size(), 1);
    EXPECT_TRUE(readAll(exported).contains("FIP;Édith Piaf;La Vie en rose"));
    EXPECT_TRUE(prompts.shown.size() == 1 && prompts.shown[0].kind == QStringLiteral("save"));

    // An export that cannot be written says so and reports no success.
    prompts.files << dir.filePath(QStringLiteral("missing/export.csv"));
    w.cmdExporter->click();
    EXPECT_EQ(prompts.shown.last().kind, QStringLiteral("message"));
    EXPECT_TRUE(prompts.lastText().contains(QStringLiteral("n'ont pas pu être enregistrés")));
}

} // namespace
