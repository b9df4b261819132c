// The directory's answers as the program reads them, the addresses it asks, and what a station
// becomes in a page: odd and hostile entries, file names, escaping, mirror lists.
#include "directory/DirectoryStation.h"
#include "media/StationPage.h"

#include <QUrlQuery>
#include <gtest/gtest.h>

using namespace directory;

namespace {

QString u(const char *s) { return QString::fromUtf8(s); }

} // namespace

TEST(DirectoryAnswer, OddEntriesAreCleanedOrRefused)
{
    const QByteArray json = R"json([
      {"stationuuid":"960e57c5-0601-11e8-ae97-52543be04c81","name":"  Jazz\tRadio\n ","url":"http://a.example/jazz.mp3",
       "url_resolved":"http://b.example/jazz","homepage":"https://jazz.example/","favicon":"http://jazz.example/logo.png",
       "country":"France","language":"french,english","tags":"jazz,smooth jazz, ,blues","codec":"MP3",
       "bitrate":128,"votes":"4321","lastcheckok":1},
      {"name":"","url":"http://a.example/empty"},
      {"name":"...","url":"http://a.example/dots"},
      {"name":"No stream","url":"javascript:alert(1)","url_resolved":"file:///etc/passwd"},
      {"name":"Resolved only","url":"rtsp://x/y","url_resolved":"https://c.example/live","homepage":"javascript:alert(1)",
       "favicon":"data:image/png;base64,AAAA","stationuuid":"../../etc","bitrate":-5,"votes":null},
      {"name":"Playlist","url":"http://d.example/list.pls","votes":1e12,"bitrate":"96"},
      ["not", "an", "object"],
      42
    ])json";
    const SearchAnswer a = ParseSearchAnswer(json);
    ASSERT_TRUE(a.ok);
    EXPECT_EQ(a.refused, 5);
    ASSERT_EQ(a.stations.size(), 3);

    const DirectoryStation &jazz = a.stations[0];
    EXPECT_EQ(jazz.uuid, u("960e57c5-0601-11e8-ae97-52543be04c81"));
    EXPECT_EQ(jazz.name, u("Jazz Radio"));
    EXPECT_EQ(jazz.stream, u("http://a.example/jazz.mp3"));
    EXPECT_EQ(jazz.homepage, u("https://jazz.example/"));
    EXPECT_EQ(jazz.favicon, u("http://jazz.example/logo.png"));
    EXPECT_EQ(jazz.language, u("french, english"));
    EXPECT_EQ(jazz.tags, u("jazz, smooth jazz, blues"));
    EXPECT_EQ(jazz.codec, u("MP3"));
    EXPECT_EQ(jazz.bitrate, 128);
    EXPECT_EQ(jazz.votes, 4321);

    const DirectoryStation &resolved = a.stations[1];
    EXPECT_EQ(resolved.stream, u("https://c.example/live"));
    EXPECT_TRUE(resolved.homepage.isEmpty());
    EXPECT_TRUE(resolved.favicon.isEmpty());
    EXPECT_TRUE(resolved.uuid.isEmpty());
    EXPECT_EQ(resolved.bitrate, 0);
    EXPECT_EQ(resolved.votes, 0);

    EXPECT_EQ(a.stations[2].stream, u("http://d.example/list.pls"));
    EXPECT_EQ(a.stations[2].votes, 2000000000);
    EXPECT_EQ(a.stations[2].bitrate, 96);
}

TEST(DirectoryAnswer, AnythingButAnArrayIsNotAnAnswer)
{
    for (const char *text : {"", "{}", "{\"name\":\"x\"}", "<html>maintenance</html>", "[{\"name\":", "null", "\"[]\""})
        EXPECT_FALSE(ParseSearchAnswer(QByteArray(text)).ok) << text;
    const SearchAnswer empty = ParseSearchAnswer("[]");
    EXPECT_TRUE(empty.ok);
    EXPECT_TRUE(empty.stations.isEmpty());
}

TEST(DirectoryAnswer, LongAnswersAreReadUpToTheEntryLimit)
{
    QByteArray json = "[";
    for (int i = 0; i < kMaxEntries + 20; ++i)
        json += QByteArray(i ? "," : "") + "{\"name\":\"R" + QByteArray::number(i) + "\",\"url\":\"http://x.example/\"}";
    json += "]";
    const SearchAnswer a = ParseSearchAnswer(json);
    EXPECT_EQ(a.stations.size(), kMaxEntries);
    EXPECT_EQ(a.refused, 20);
}

TEST(DirectoryAddresses, OnlyWebAddressesAreKept)
{
    const struct {
        const char *address;
        bool web;
    } cases[] = {
        {"http://a.example/s.mp3", true},      {"HTTPS://A.example:8443/x?y=1&z=2", true},
        {"javascript:alert(1)", false},        {"file:///etc/passwd", false},
        {"ftp://a.example/x", false},          {"http://", false},
        {"http:///path", false},               {"http://a.example/a b", false},
        {"http://a.example/\x01", false},      {"mms://a.example/x", false},
        {"data:text/html,<b>x</b>", false},    {"", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(IsWebAddress(u(c.address)), c.web) << c.address;
}

TEST(DirectoryAddresses, MirrorListFromTheSettings)
{
    const QStringList defaults = MirrorList(QString::fromLatin1(kDefaultMirrors));
    ASSERT_GE(defaults.size(), 2);
    for (const QString &m : defaults)
        EXPECT_TRUE(m.startsWith(u("https://"))) << m.toStdString();
    const struct {
        const char *setting;
        QStringList expected;
    } cases[] = {
        {"http://127.0.0.1:8000", {u("http://127.0.0.1:8000")}},
        {" http://a.example/ ; https://b.example//;http://a.example", {u("http://a.example"), u("https://b.example")}},
        {"javascript:x;;file:///tmp;http://c.example", {u("http://c.example")}},
        {"http://a.example, http://b.example  http://c.example", {u("http://a.example"), u("http://b.example"), u("http://c.example")}},
        {"", defaults},
        {";;nothing", defaults},
    };
    for (const auto &c : cases)
        EXPECT_EQ(MirrorList(u(c.setting)), c.expected) << c.setting;
}

TEST(DirectoryAddresses, SearchAndClickAddresses)
{
    const QUrl search = SearchUrl(u("http://127.0.0.1:9"), {u(" Jazz & Co "), u("France"), QString(), u("blues/rock")});
    EXPECT_EQ(search.path(), u("/json/stations/search"));
    const QUrlQuery q(search);
    EXPECT_EQ(q.queryItemValue(u("name"), QUrl::FullyDecoded), u("Jazz & Co"));
    EXPECT_EQ(q.queryItemValue(u("country")), u("France"));
    EXPECT_FALSE(q.hasQueryItem(u("language")));
    EXPECT_EQ(q.queryItemValue(u("tag"), QUrl::FullyDecoded), u("blues/rock"));
    EXPECT_EQ(q.queryItemValue(u("order")), u("votes"));
    EXPECT_EQ(q.queryItemValue(u("reverse")), u("true"));
    EXPECT_EQ(q.queryItemValue(u("hidebroken")), u("true"));
    EXPECT_EQ(q.queryItemValue(u("limit")), QString::number(kSearchLimit));
    EXPECT_EQ(QUrlQuery(SearchUrl(u("http://h"), {u("x"), QString(), QString(), QString()}, 100000)).queryItemValue(u("limit")), QString::number(kMaxEntries));

    EXPECT_EQ(ClickUrl(u("http://h"), u("960e57c5-0601-11e8")).toString(), u("http://h/json/url/960e57c5-0601-11e8"));
    EXPECT_TRUE(ClickUrl(u("http://h"), u("../x")).isEmpty());
    EXPECT_TRUE(ClickUrl(u("http://h"), QString()).isEmpty());
    EXPECT_TRUE(SearchQuery{}.isEmpty());
    EXPECT_TRUE((SearchQuery{u("  "), u(" "), QString(), QString()}).isEmpty());
}

TEST(DirectoryPage, FileNamesAreCleaned)
{
    const struct {
        const char *name;
        const char *file;
    } cases[] = {
        {"Jazz Radio", "Jazz Radio"},
        {"AC/DC \"Live\" Radio", "AC-DC Live Radio"},
        {"../../etc/passwd", "etc-passwd"},
        {"..hidden", "hidden"},
        {".", ""},
        {" - ", ""},
        {"a..b...c", "a.b.c"},
        {"C:\\Radio<1>|2?*", "C -Radio 1 2"},
        {"Radio\x01\x7f Nuit", "Radio Nuit"},
        {"Ends with dots...", "Ends with dots"},
        {"Радио Москва", "Радио Москва"},
        {"0123456789012345678901234567890123456789012345678901234567890123456789", "012345678901234567890123456789012345678901234567890123456789"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(CleanFileName(u(c.name)), u(c.file)) << c.name;
}

TEST(DirectoryPage, ValuesAreEscapedForThePage)
{
    const struct {
        const char *text;
        const char *escaped;
    } cases[] = {
        {"Rock & \"Roll\" <live>", "Rock &amp; &quot;Roll&quot; &lt;live&gt;"},
        {"Café Été – 100 €", "Café Été – 100 €"},         // the code page holds these
        {"Радио", "&#1056;&#1072;&#1076;&#1080;&#1086;"}, // it does not hold these
        {"\xF0\x9F\x8E\xB5 Music", "&#127925; Music"},
        {"http://a/s?x=1&y=2", "http://a/s?x=1&amp;y=2"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(EscapeHtml(u(c.text)), u(c.escaped)) << c.text;
}

TEST(DirectoryPage, StationFieldsForTheGenerator)
{
    DirectoryStation s;
    s.name = u("Rock & \"Roll\"");
    s.stream = u("http://a.example/s?x=1&y=2");
    s.homepage = u("https://rock.example/");
    s.country = u("France");
    s.tags = u("rock, <b>");
    stations::PageFields f = PageFieldsFor(s, u("ROCK.jpg"));
    EXPECT_EQ(f.title, u("Rock &amp; &quot;Roll&quot;"));
    EXPECT_EQ(f.stream, u("http://a.example/s?x=1&amp;y=2"));
    EXPECT_TRUE(f.siteOn);
    EXPECT_EQ(f.site, u("https://rock.example/"));
    EXPECT_TRUE(f.logoOn);
    EXPECT_EQ(f.logo, u("ROCK.jpg"));
    EXPECT_TRUE(f.descriptionOn);
    EXPECT_EQ(f.description, u("France - rock, &lt;b&gt;"));
    EXPECT_FALSE(f.infoOn);
    EXPECT_EQ(f.player, stations::Player::WindowsMedia);

    s.homepage.clear();
    s.country.clear();
    s.tags.clear();
    f = PageFieldsFor(s, QString());
    EXPECT_FALSE(f.siteOn);
    EXPECT_FALSE(f.logoOn);
    EXPECT_FALSE(f.descriptionOn);
}

TEST(DirectoryPage, StatusTexts)
{
    EXPECT_EQ(ResultText(0), u("Aucune radio trouvée"));
    EXPECT_EQ(ResultText(1), u("1 radio trouvée"));
    EXPECT_EQ(AddedText(u("JAZZ.HTM")), u("Radio ajoutée : JAZZ.HTM"));
    WindowState st;
    EXPECT_FALSE(st.listen() || st.add() || st.stop());
    st.selected = true;
    st.adding = true;
    EXPECT_TRUE(st.listen());
    EXPECT_FALSE(st.add());
}
