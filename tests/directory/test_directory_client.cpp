// The directory client against local directories: what a search sends, the answer it reports,
// the fallback to the next mirror when one fails in any of the ways a server fails, the typing
// pause, the click counter and the logo download bounds.
#include "common/Version.h"
#include "directory/DirectoryClient.h"
#include "DirectoryTestUtil.h"
#include "TestUtil.h"

#include <QTest>
#include <gtest/gtest.h>

using directory::DirectoryStation;
using directory::SearchQuery;

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

const QByteArray kStations = R"json([
  {"stationuuid":"11111111-2222-3333-4444-555555555555","name":"Jazz Nuit","url":"http://127.0.0.1:1/jazz",
   "country":"France","tags":"jazz","codec":"MP3","bitrate":128,"votes":12},
  {"stationuuid":"aaaaaaaa-2222-3333-4444-555555555555","name":"Jazz Jour","url":"http://127.0.0.1:1/jour",
   "country":"Belgium","tags":"jazz,swing","codec":"AAC","bitrate":64,"votes":900},
  {"name":"Rock","url":"http://127.0.0.1:1/rock","country":"France","tags":"rock","votes":5},
  {"name":"","url":"http://127.0.0.1:1/nameless","country":"France"}
])json";

struct Outcome {
    QList<QList<DirectoryStation>> done;
    QStringList failed, mirrorFailures;
};


void record(DirectoryClient &client, Outcome &o)
{
    QObject::connect(&client, &DirectoryClient::SearchDone, &client,
                     [&o](const SearchQuery &, const QList<DirectoryStation> &s, int) { o.done << s; });
    QObject::connect(&client, &DirectoryClient::SearchFailed, &client,
                     [&o](const SearchQuery &, const QString &text) { o.failed << text; });
    QObject::connect(&client, &DirectoryClient::MirrorFailed, &client,
                     [&o](const QString &, const QString &reason) { o.mirrorFailures << reason; });
}

bool ended(const Outcome &o, int searches = 1) { return o.done.size() + o.failed.size() >= searches; }

} // namespace

TEST(DirectoryClient, SearchSendsTheFiltersAndTheProgramName)
{
    LocalDirectory dir;
    QString error;
    ASSERT_TRUE(dir.start(&error)) << error.toStdString();
    dir.writeStations(kStations);

    DirectoryClient client({dir.base()});
    Outcome o;
    record(client, o);
    client.Search({u("jazz"), u("fr"), QString(), QString()});
    ASSERT_TRUE(tavtest::waitUntil([&] { return ended(o); }, 10000));
    ASSERT_EQ(o.done.size(), 1);
    ASSERT_EQ(o.done[0].size(), 1);
    EXPECT_EQ(o.done[0][0].name, u("Jazz Nuit"));
    EXPECT_EQ(o.done[0][0].votes, 12);

    const QStringList log = dir.log();
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(log[0], u("/json/stations/search?name=jazz&country=fr&order=votes&reverse=true&hidebroken=true&limit=200\t")
                          + QString::fromLatin1(kUserAgent));
    EXPECT_EQ(QString::fromLatin1(kUserAgent), u("Tavilune/") + QString::fromLatin1(kProgramVersion));

    // The nameless entry is refused; an empty query sends nothing.
    client.Search({QString(), u("France"), QString(), QString()});
    ASSERT_TRUE(tavtest::waitUntil([&] { return ended(o, 2); }, 10000));
    EXPECT_EQ(o.done[1].size(), 2);
    client.Search({});
    ASSERT_TRUE(tavtest::waitUntil([&] { return ended(o, 3); }, 10000));
    EXPECT_TRUE(o.done[2].isEmpty());
    EXPECT_EQ(dir.count(u("/json/stations/search")), 2);
}

TEST(DirectoryClient, AFailingMirrorHandsTheSearchToTheNext)
{
    LocalDirectory good;
    QString error;
    ASSERT_TRUE(good.start(&error)) << error.toStdString();
    good.writeStations(kStations);

    const struct {
        const char *what;
        QStringList mode; // empty: nothing listens
        const char *reason;
    } cases[] = {
        {"HTTP 500", {u("--status"), u("500")}, "erreur HTTP 500"},
        {"several MB", {u("--big"), u("5")}, "réponse trop longue"},
        {"not JSON", {u("--garbage")}, "réponse illisible"},
        {"too slow", {u("--slow"), u("4000")}, "le serveur ne répond pas"},
        {"nothing listening", {}, nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        LocalDirectory bad(c.mode);
        QString badBase = u("http://127.0.0.1:1");
        if (!c.mode.isEmpty()) {
            ASSERT_TRUE(bad.start(&error)) << error.toStdString();
            badBase = bad.base();
        }
        DirectoryClient client({badBase, good.base()});
        client.SetTimeoutMs(1500);
        Outcome o;
        record(client, o);
        client.Search({u("jazz"), QString(), QString(), QString()});
        ASSERT_TRUE(tavtest::waitUntil([&] { return ended(o); }, 15000));
        ASSERT_EQ(o.done.size(), 1);
        EXPECT_EQ(o.done[0].size(), 2);
        ASSERT_EQ(o.mirrorFailures.size(), 1);
        if (c.reason) {
            EXPECT_EQ(o.mirrorFailures[0], u(c.reason));
        }
        // The mirror that answered is asked first from now on.
        EXPECT_EQ(client.Mirrors().first(), good.base());
        const int before = c.mode.isEmpty() ? 0 : bad.count(u("/json/stations/search"));
        client.Search({u("rock"), QString(), QString(), QString()});
        ASSERT_TRUE(tavtest::waitUntil([&] { return ended(o, 2); }, 15000));
        EXPECT_EQ(o.done.size(), 2);
        EXPECT_EQ(o.mirrorFailures.size(), 1);
        if (!c.mode.isEmpty()) {
            EXPECT_EQ(bad.count(u("/json/stations/search")), before);
        }
    }
}

TEST(DirectoryClient, EveryMirrorFailing)
{
    LocalDirectory down({u("--status"), u("500")}), big({u("--big"), u("3")});
    QString error;
    ASSERT_TRUE(down.start(&error)) << error.toStdString();
    ASSERT_TRUE(big.start(&error)) << error.toStdString();
    DirectoryClient client({down.base(), big.base()});
    Outcome o;
    record(client, o);
    client.Search({u("jazz"), QString(), QString(), QString()});
    ASSERT_TRUE(tavtest::waitUntil([&] { return ended(o); }, 15000));
    EXPECT_TRUE(o.done.isEmpty());
    EXPECT_EQ(o.failed, QStringList{u("Annuaire injoignable : réponse trop longue")});
    EXPECT_EQ(o.mirrorFailures, (QStringList{u("erreur HTTP 500"), u("réponse trop longue")}));
}

TEST(DirectoryClient, TypingSendsOneSearchAndANewSearchReplacesTheOld)
{
    LocalDirectory dir({u("--slow"), u("300")});
    QString error;
    ASSERT_TRUE(dir.start(&error)) << error.toStdString();
    dir.writeStations(kStations);
    DirectoryClient client({dir.base()});
    Outcome o;
    record(client, o);
    for (const char *typed : {"j", "ja", "jaz", "jazz"})
        client.SearchSoon({u(typed), QString(), QString(), QString()});
    EXPECT_FALSE(client.IsSearching()); // nothing sent while the user types
    ASSERT_TRUE(tavtest::waitUntil([&] { return ended(o); }, 10000));
    EXPECT_EQ(dir.count(u("/json/stations/search")), 1);
    EXPECT_TRUE(dir.log().first().startsWith(u("/json/stations/search?name=jazz&")));

    // A search sent while another runs: only the last one is reported.
    client.Search({u("rock"), QString(), QString(), QString()});
    client.Search({u("jour"), QString(), QString(), QString()});
    ASSERT_TRUE(tavtest::waitUntil([&] { return ended(o, 2); }, 10000));
    QTest::qWait(600);
    ASSERT_EQ(o.done.size(), 2);
    ASSERT_EQ(o.done[1].size(), 1);
    EXPECT_EQ(o.done[1][0].name, u("Jazz Jour"));
}

TEST(DirectoryClient, ClickCounterAndLogoBounds)
{
    LocalDirectory dir;
    QString error;
    ASSERT_TRUE(dir.start(&error)) << error.toStdString();
    dir.writeFile(u("small.bin"), QByteArray(1000, 'x'));
    dir.writeFile(u("huge.bin"), QByteArray(DirectoryClient::kMaxLogoBytes + 1, 'x'));
    DirectoryClient client({dir.base()});

    client.ReportClick(u("11111111-2222-3333-4444-555555555555"));
    client.ReportClick(u("../../json/stations/search"));
    client.ReportClick(QString());
    const QString click = u("/json/url/11111111-2222-3333-4444-555555555555");
    ASSERT_TRUE(tavtest::waitUntil([&] { return dir.count(click) == 1; }, 10000));
    QTest::qWait(200);
    const QStringList log = dir.log();
    ASSERT_EQ(log.size(), 1);
    EXPECT_EQ(log[0], click + u("\t") + QString::fromLatin1(kUserAgent));

    const struct {
        QString address;
        qsizetype size;
    } cases[] = {
        {dir.url(u("/f/small.bin")), 1000},
        {dir.url(u("/f/huge.bin")), 0},
        {dir.url(u("/f/missing.bin")), 0},
        {u("file:///etc/passwd"), 0},
        {u("javascript:alert(1)"), 0},
    };
    for (const auto &c : cases) {
        bool called = false;
        QByteArray got("unset");
        QObject context;
        client.FetchLogo(c.address, &context, [&](const QByteArray &b) {
            called = true;
            got = b;
        });
        EXPECT_FALSE(called) << c.address.toStdString(); // never from inside the call
        ASSERT_TRUE(tavtest::waitUntil([&] { return called; }, 10000)) << c.address.toStdString();
        EXPECT_EQ(got.size(), c.size) << c.address.toStdString();
    }
}
