// Links of the built-in catalogue, for 7 March 2007, written out from the catalogue's tables.
#include "tv/TvLinks.h"

#include <gtest/gtest.h>

using namespace tvlinks;

namespace {

ServerHosts testHosts()
{
    ServerHosts h;
    h.setHost(Server::Overseas, QStringLiteral("rfo.test"));
    h.setHost(Server::Tf1Media, QStringLiteral("tf1.test"));
    h.setHost(Server::FtvStream, QStringLiteral("stream.ftv.test"));
    h.setHost(Server::FtvOrigin, QStringLiteral("origin.ftv.test"));
    h.setHost(Server::FtvNewsPortal, QStringLiteral("portal.ftv.test"));
    h.setHost(Server::FtvEdge, QStringLiteral("edge.ftv.test"));
    h.setHost(Server::M6Video, QStringLiteral("video.m6.test"));
    h.setHost(Server::M6Web, QStringLiteral("web.m6.test"));
    h.setHost(Server::M6AdDomain, QStringLiteral("m6.test"));
    h.setHost(Server::Traffic, QStringLiteral("route.f2.test"));
    h.setHost(Server::CanalStream, QStringLiteral("canal.test"));
    h.setHost(Server::Tv5Cdn, QStringLiteral("cdn.tv5.test"));
    h.setHost(Server::Tv5Origin, QStringLiteral("origin.tv5.test"));
    return h;
}

const DateFields k7March2007{QStringLiteral("07"), QStringLiteral("03"), QStringLiteral("2007")};

struct Row {
    const char *name;
    const char *link;
};

#define F2 "mms://stream.ftv.test/7/988/10199/3f97c7e6/origin.ftv.test/10199/horsgv/regions/siege"
const Row kNationalRows[] = {
    {"RFO Guadeloupe", "http://rfo.test/meta/guadeloupe_20070307-150k.asx"},
    {"RFO Guyane", "http://rfo.test/meta/guyane_20070307-150k.asx"},
    {"RFO Martinique", "http://rfo.test/meta/martinique_20070307-150k.asx"},
    {"RFO Mayotte", "http://rfo.test/meta/mayotte_20070307-150k.asx"},
    {"RFO Reunion", "http://rfo.test/meta/reunion_20070307-150k.asx"},
    {"RFO St Pierre", "http://rfo.test/meta/saint-pierre_20070307-150k.asx"},
    {"RFO Nouv. Calédonie", "http://rfo.test/meta/nouvelle-caledonie_20070307-150k.asx"},
    {"RFO Polynésie", "http://rfo.test/meta/polynesie_20070307-150k.asx"},
    {"Journal TF1 13h", "http://tf1.test/FluxJt/jt13d07032007/jt13d07032007.asx"},
    {"Journal TF1 20h", "http://tf1.test/FluxJt/jt20d07032007/jt20d07032007.asx"},
    {"Journal France 2-08h", F2 "/infos/f2/8h/HD_8h_20070307.wmv?WMCache=0"},
    {"Journal France 2-13h", F2 "/infos/f2/13h/HD_13h_20070307.wmv?WMCache=0"},
    {"Journal France 2-20h", F2 "/infos/f2/20h/HD_20h_20070307.wmv?WMCache=0"},
    {"Journal RFO", "http://rfo.test/meta/jt_20070307-150k.asx"},
    {"Journal France 3 National-12-14h", F2 "/infos/f3/1214/HD_1214_20070307.wmv?WMCache=0"},
    {"Journal France 3 National-19-20h", F2 "/infos/f3/1920/HD_1920_20070307.wmv?WMCache=0"},
    {"Journal France 3 National-Soir",
     "http://portal.ftv.test/publicite/jt-asx.php?chaine=3&url=mms://edge.ftv.test/horsgv/regions/"
     "siege/infos/f3/soir3/HD_soir3_20070307.wmv"},
    {"Journal M6 6 minutes-Le 12 50",
     "http://video.m6.test/asx_generator/asx_generator.php?pub=yes&pubAllowSeekSkip=no&pubDartZone="
     "m6.test/info/videos/streaming&videoTitle=Turbo&videoURL=http://web.m6.test/content/video/info/"
     "asx/National12_00_070307.asx"},
    {"Journal M6 Le Six", "http://web.m6.test/content/video/info/asx/National_00_070307.asx"},
    {"Météo TF1 Midi", "http://tf1.test/mmdia/v/32/6/279326g.asx"},
    {"Météo TF1 Soir", "http://tf1.test/mmdia/v/33/9/279339g.asx"},
    {"Météo France 2", F2 "/france2/meteo/meteo_GT.wmv"},
    {"Point Route France 2", "http://route.f2.test/video/pointroute.asx?WMCache=0"},
    {"Canal + - Les Guignols de L'Info", "mms://canal.test/canalplus/guignols_070307_a.wmv"},
    {"Journal TV5 Monde",
     "http://cdn.tv5.test/7/455/1879/v4/origin.tv5.test/tv5/jt_international/videos/12mn10070307/"
     "titre1.asx"},
    {"7 Jours sur la Planete TV5",
     "http://cdn.tv5.test/7/455/1879/v4/origin.tv5.test/tv5/7jours/videos/jt070307/titre1.asx"},
    {"Canal + - Le Zapping", "mms://canal.test/canalplus/zapping_070307_a.wmv"},
    {"Canal + - 7 Jours au Groland a", "mms://canal.test/canalplus/groland_070307_a.wmv"},
    {"Canal + - 7 Jours au Groland b", "mms://canal.test/canalplus/groland_070307_b.wmv"},
    {"Canal + - Le grand journal a", "mms://canal.test/canalplus/grandjournal_070307_a.wmv"},
    {"Canal + - Le grand journal b", "mms://canal.test/canalplus/grandjournal_070307_b.wmv"},
    {"Canal + - Le grand journal c", "mms://canal.test/canalplus/grandjournal_070307_c.wmv"},
    {"Canal + - Le grand journal d", "mms://canal.test/canalplus/grandjournal_070307_d.wmv"},
    {"Canal + - Le grand journal e", "mms://canal.test/canalplus/grandjournal_070307_e.wmv"},
    {"Canal + - La boîte à questions", "mms://canal.test/canalplus/questions_070307_a.wmv"},
};
#undef F2

// Regions: name, channel code, the two file paths as the link carries them (already at the
// region's start level), and the end as the link carries it.
struct RegionRow {
    const char *name;
    const char *code;
    const char *midday;
    const char *evening;
    int startLevel;
    const char *end;
};
const char *const kEnd0 = ".wmv?WMCache=0";
const char *const kEnd1 = ".wmv%3FWMCache%3D0";
const char *const kEnd2 = ".wmv%253FWMCache%253D0";
const RegionRow kRegionRows[] = {
    {"Alpes", "3-raa", "raa/HD_1200_grenoble_midipile_", "raa/HD_1900_grenoble_jtregional_", 0, kEnd0},
    {"Alsace", "3-alsace", "alsace/HD_1200_strasbourg_midipile_", "alsace/HD_1900_strasbourg_jtregional_", 0, kEnd0},
    {"Aquitaine", "3-aquitaine", "aquitaine/HD_1200_bordeaux_midipile_", "aquitaine/HD_1900_bordeaux_jtregional_", 0, kEnd0},
    {"Auvergne", "3-raa", "raa/HD_1200_clermont_midipile_", "raa/HD_1900_clermont_jtregional_", 0, kEnd0},
    {"Basse-Normandie", "3-normandie", "normandie/HD_1200_rouen_midipile_", "normandie/HD_1900_caen_jtregional_", 0, kEnd0},
    {"Bourgogne ", "3-bfc", "bfc%2FHD_1200_dijon_midipile_", "bfc%2FHD_1900_dijon_jtregional_", 1, kEnd1},
    {"Bretagne", "3-ouest", "ouest/HD_1200_rennes_midipile_", "ouest/HD_1900_rennes_jtregional_", 0, kEnd0},
    {"Centre", "3-pic", "pic/HD_1200_orleans_midipile_", "pic/HD_1900_orleans_jtregional_", 0, kEnd0},
    {"Champagne-Ardennes", "3-lca", "lca/HD_1200_reims_midipile_", "lca/HD_1900_reims_jtregional_", 0, kEnd0},
    {"Corse", "3-corse", "corse/HD_1200_ajaccio_midipile_", "corse/HD_1900_ajaccio_jtregional_", 0, kEnd0},
    {"Côte d'Azur", "3-mediterranee", "medit%2FHD_1200_nice_midipile_", "medit%2FHD_1900_nice_jtregional_", 1, kEnd1},
    {"Franche-Comté", "3-bfc", "bfc%252FHD_1200_besancon_midipile_", "bfc%252FHD_1900_besancon_jtregional_", 2, kEnd2},
    {"Haute-Normandie", "3-normandie", "normandie/HD_1200_rouen_midipile_", "normandie/HD_1900_rouen_jtregional_", 0, kEnd0},
    {"Languedoc-Roussillon", "3-sud", "sud/HD_1200_montpellier_midipile_", "sud/HD_1900_montpellier_jtregional_", 0, kEnd0},
    {"Limousin", "3-lpc", "lpc/HD_1200_limoges_midipile_", "lpc/HD_1900_limoges_jtregional_", 0, kEnd0},
    {"Lorraine", "3-lca", "lca/HD_1200_nancy_midipile_", "lca/HD_1900_nancy_jtregional_", 0, kEnd0},
    {"Midi-Pyrénées", "3-sud", "sud/HD_1200_toulouse_midipile_", "sud/HD_1900_toulouse_jtregional_", 0, kEnd0},
    {"Nord-Pas de Calais", "3-npdcp", "npdc%2FHD_1213_lille_midipile_", "npdc%2FHD_1920_lille_cat_", 1, kEnd1},
    {"Paris-île de France", "3-pic", "pic/HD_1200_vanves_midipile_", "pic/HD_1900_vanves_jtregional_", 0, kEnd0},
    {"Pays de Loire", "3-ouest", "ouest/HD_1200_nantes_midipile_", "ouest/HD_1900_nantes_jtregional_", 0, kEnd0},
    {"Picardie", "3-npdcp", "npdc/HD_1200_amiens_midipile_", "npdc/HD_1900_amiens_jtregional_", 0, kEnd0},
    {"Poitou-Charentes", "3-lpc", "lpc/HD_1200_poitiers_midipile_", "lpc/HD_1900_poitiers_jtregional_", 0, kEnd0},
    {"Provence-Alpes", "3-mediterranee", "medit%252FHD_1200_marseille_midipile_", "medit%252FHD_1900_marseille_jtregional_", 2, kEnd0},
    {"Rhône-Alpes", "3-raa", "raa/HD_1200_lyon_midipile_", "raa/HD_1900_lyon_jtregional_", 0, kEnd0},
};
// The start of the inner address at each level.
const char *const kInner[] = {
    "mms://stream.ftv.test/7/988/10199/3f97c7e6/origin.ftv.test/10199/horsgv/regions/",
    "mms%3A%2F%2Fstream.ftv.test%2F7%2F988%2F10199%2F3f97c7e6%2Forigin.ftv.test%2F10199%2Fhorsgv"
    "%2Fregions%2F",
    "mms%253A%252F%252Fstream.ftv.test%252F7%252F988%252F10199%252F3f97c7e6%252Forigin.ftv.test"
    "%252F10199%252Fhorsgv%252Fregions%252F",
};

const char *const kCities[] = {"Bordeaux", "Lille", "Lyon", "Marseille",
                               "Montpellier", "Nancy", "Nice", "Toulouse"};

} // namespace

TEST(TvLinks, EveryNationalProgrammeOn7March2007)
{
    const ServerHosts hosts = testHosts();
    ASSERT_EQ(NationalNames().size(), 35);
    for (int i = 0; i < 35; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(NationalNames()[i], QString::fromUtf8(kNationalRows[i].name));
        EXPECT_EQ(NationalLink(i, k7March2007, hosts), QString::fromUtf8(kNationalRows[i].link));
    }
}

TEST(TvLinks, EveryRegionBothEditionsOn7March2007)
{
    const ServerHosts hosts = testHosts();
    ASSERT_EQ(RegionNames().size(), 24);
    for (int i = 0; i < 24; ++i) {
        const RegionRow &r = kRegionRows[i];
        SCOPED_TRACE(r.name);
        EXPECT_EQ(RegionNames()[i], QString::fromUtf8(r.name));
        const QString start = QStringLiteral("http://portal.ftv.test/publicite/jt-asx.php?chaine=")
                              + QLatin1String(r.code) + QStringLiteral("&url=")
                              + QLatin1String(kInner[r.startLevel]);
        EXPECT_EQ(RegionalLink(i, Edition::Midday, k7March2007, hosts),
                  start + QLatin1String(r.midday) + QStringLiteral("070307") + QLatin1String(r.end));
        EXPECT_EQ(RegionalLink(i, Edition::Evening, k7March2007, hosts),
                  start + QLatin1String(r.evening) + QStringLiteral("070307") + QLatin1String(r.end));
    }
}

TEST(TvLinks, RegionalEncodingsWrittenOut)
{
    const ServerHosts hosts = testHosts();
    // Franche-Comté, 12-13: encoded twice at both ends, the date never encoded.
    const QString fc = RegionalLink(11, Edition::Midday, k7March2007, hosts);
    EXPECT_EQ(fc, QStringLiteral(
                      "http://portal.ftv.test/publicite/jt-asx.php?chaine=3-bfc&url=mms%253A%252F%252F"
                      "stream.ftv.test%252F7%252F988%252F10199%252F3f97c7e6%252Forigin.ftv.test%252F"
                      "10199%252Fhorsgv%252Fregions%252Fbfc%252FHD_1200_besancon_midipile_070307.wmv"
                      "%253FWMCache%253D0"));
    EXPECT_TRUE(fc.section(QStringLiteral("url="), 1).startsWith(QStringLiteral("mms%253A%252F%252F")));
    EXPECT_TRUE(fc.endsWith(QStringLiteral("besancon_midipile_070307.wmv%253FWMCache%253D0")));
    // Provence-Alpes, 19-20: the start encoded twice, the end plain.
    EXPECT_EQ(RegionalLink(22, Edition::Evening, k7March2007, hosts),
              QStringLiteral("http://portal.ftv.test/publicite/jt-asx.php?chaine=3-mediterranee&url="
                             "mms%253A%252F%252Fstream.ftv.test%252F7%252F988%252F10199%252F3f97c7e6"
                             "%252Forigin.ftv.test%252F10199%252Fhorsgv%252Fregions%252Fmedit%252F"
                             "HD_1900_marseille_jtregional_070307.wmv?WMCache=0"));
}

TEST(TvLinks, EveryLocalEditionOn7March2007)
{
    const ServerHosts hosts = testHosts();
    ASSERT_EQ(LocalNames().size(), 8);
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(kCities[i]);
        EXPECT_EQ(LocalNames()[i], QLatin1String(kCities[i]));
        EXPECT_EQ(LocalLink(i, k7March2007, hosts),
                  QStringLiteral("http://web.m6.test/content/video/info/asx/") + QLatin1String(kCities[i])
                      + QStringLiteral("_00_070307.asx"));
    }
}

TEST(TvLinks, DateTokensInsertedAsTyped)
{
    const ServerHosts hosts = testHosts();
    struct Case {
        DateFields date;
        int national;
        const char *expected;
    };
    const Case cases[] = {
        // A two-digit year is both {yyyy} and {yy}.
        {{"07", "03", "07"}, 8, "http://tf1.test/FluxJt/jt13d070307/jt13d070307.asx"},
        {{"07", "03", "07"}, 23, "mms://canal.test/canalplus/guignols_070307_a.wmv"},
        // A date that does not exist is used as it stands; no zero-filling here.
        {{"32", "13", "2007"}, 0, "http://rfo.test/meta/guadeloupe_20071332-150k.asx"},
        {{"7", "3", "2007"}, 24,
         "http://cdn.tv5.test/7/455/1879/v4/origin.tv5.test/tv5/jt_international/videos/12mn107307/"
         "titre1.asx"},
        // A one-character year gives itself as {yy}; an empty one nothing.
        {{"07", "03", "7"}, 26, "mms://canal.test/canalplus/zapping_70307_a.wmv"},
        {{"07", "03", ""}, 18, "http://web.m6.test/content/video/info/asx/National_00_0703.asx"},
        // Text that looks like a token is not expanded again.
        {{"{yyyy}", "{Tf1MediaServer}", "2007"}, 13,
         "http://rfo.test/meta/jt_2007{Tf1MediaServer}{yyyy}-150k.asx"},
        // The weather and traffic links ignore the date.
        {{"", "", ""}, 19, "http://tf1.test/mmdia/v/32/6/279326g.asx"},
        {{"99", "99", "9999"}, 22, "http://route.f2.test/video/pointroute.asx?WMCache=0"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(NationalLink(c.national, c.date, hosts), QLatin1String(c.expected));
    }
    EXPECT_EQ(RegionalLink(0, Edition::Midday, {"1", "2", "07"}, hosts),
              QStringLiteral("http://portal.ftv.test/publicite/jt-asx.php?chaine=3-raa&url=")
                  + QLatin1String(kInner[0]) + QStringLiteral("raa/HD_1200_grenoble_midipile_1207.wmv?WMCache=0"));
}

TEST(TvLinks, PositionsOutsideTheListsGiveNoLink)
{
    const ServerHosts hosts = testHosts();
    for (int i : {-1, 35, 1000})
        EXPECT_TRUE(NationalLink(i, k7March2007, hosts).isEmpty()) << i;
    for (int i : {-1, 24})
        EXPECT_TRUE(RegionalLink(i, Edition::Evening, k7March2007, hosts).isEmpty()) << i;
    for (int i : {-1, 8})
        EXPECT_TRUE(LocalLink(i, k7March2007, hosts).isEmpty()) << i;
}

TEST(TvLinks, EncodingLevels)
{
    const struct {
        const char *text;
        int level;
        const char *expected;
    } cases[] = {
        {"a:b/c?d=e%f.g_h-i", 0, "a:b/c?d=e%f.g_h-i"},
        {"a:b/c?d=e%f.g_h-i", 1, "a%3Ab%2Fc%3Fd%3De%f.g_h-i"},
        {"a:b/c?d=e%f.g_h-i", 2, "a%253Ab%252Fc%253Fd%253De%25f.g_h-i"},
        {"", 2, ""},
        {"&#é ", 2, "&#é "},
    };
    for (const auto &c : cases)
        EXPECT_EQ(EncodeLevel(QString::fromUtf8(c.text), c.level), QString::fromUtf8(c.expected))
            << c.text << " " << c.level;
}

TEST(TvLinks, HostsOverriddenOnlyByHostNames)
{
    const ServerHosts builtIn;
    for (int i = 0; i < ServerCount; ++i)
        EXPECT_TRUE(ServerHosts::validHost(builtIn.host(static_cast<Server>(i)))) << i;
    EXPECT_EQ(ServerHosts::settingsKey(Server::Tf1Media), QStringLiteral("HoteTV_Tf1MediaServer"));
    EXPECT_EQ(ServerHosts::settingsKey(Server::Tv5Origin), QStringLiteral("HoteTV_Tv5OriginHost"));

    const struct {
        const char *value;
        bool taken;
    } cases[] = {
        {"new.tf1.example", true},   {" media-2.example:8080 ", true}, {"localhost", true},
        {"", false},                 {"evil.example/x?y=1", false},      {"a b.example", false},
        {"http://x.example", false}, {"-bad.example", false},            {"x..example", false},
        {"x.example:", false},
    };
    for (const auto &c : cases) {
        QStringList asked;
        const ServerHosts hosts = ServerHosts::fromLookup([&](const QString &key, const QString &def) {
            asked << key;
            return key == QLatin1String("HoteTV_Tf1MediaServer") ? QString::fromLatin1(c.value) : def;
        });
        EXPECT_EQ(asked.size(), ServerCount);
        const QString expected = c.taken ? QString::fromLatin1(c.value).trimmed() : builtIn.host(Server::Tf1Media);
        EXPECT_EQ(hosts.host(Server::Tf1Media), expected) << c.value;
        EXPECT_EQ(hosts.host(Server::Overseas), builtIn.host(Server::Overseas));
    }
}
