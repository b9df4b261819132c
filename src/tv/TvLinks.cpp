#include "TvLinks.h"

#include <QRegularExpression>

namespace tvlinks {
namespace {

struct ServerInfo {
    const char *name;
    const char *builtIn;
};

// Built-in hosts; a moved host is mended in the settings file.
constexpr std::array<ServerInfo, ServerCount> kServers = {{
    {"OverseasServer", "www.rfo.fr"},
    {"Tf1MediaServer", "medias.tf1.fr"},
    {"FtvStreamHost", "a988.v101995.c10199.g.vm.akamaistream.net"},
    {"FtvOriginHost", "ftvigrp.wm.llnwd.net"},
    {"FtvNewsPortal", "jt.france3.fr"},
    {"FtvEdgeHost", "a1884.v101995.c10199.g.vm.akamaistream.net"},
    {"M6VideoServer", "www.m6video.fr"},
    {"M6WebServer", "www.m6info.fr"},
    {"M6AdDomain", "m6info.fr"},
    {"TrafficServer", "www.autoroutes.france2.fr"},
    {"CanalStreamServer", "vod.canalplus.fr"},
    {"Tv5CdnHost", "a455.v1879.c1879.g.vm.akamaistream.net"},
    {"Tv5OriginHost", "tv5.wm.llnwd.net"},
}};

struct National {
    const char *name;
    const char *rule;
};

#define FTV_STREAM "mms://{FtvStreamHost}/7/988/10199/3f97c7e6/{FtvOriginHost}/10199/horsgv/regions/siege"
#define CANAL "mms://{CanalStreamServer}/canalplus/"
#define TV5 "http://{Tv5CdnHost}/7/455/1879/v4/{Tv5OriginHost}/tv5/"

constexpr std::array<National, 35> kNational = {{
    {"RFO Guadeloupe", "http://{OverseasServer}/meta/guadeloupe_{yyyy}{mm}{dd}-150k.asx"},
    {"RFO Guyane", "http://{OverseasServer}/meta/guyane_{yyyy}{mm}{dd}-150k.asx"},
    {"RFO Martinique", "http://{OverseasServer}/meta/martinique_{yyyy}{mm}{dd}-150k.asx"},
    {"RFO Mayotte", "http://{OverseasServer}/meta/mayotte_{yyyy}{mm}{dd}-150k.asx"},
    {"RFO Reunion", "http://{OverseasServer}/meta/reunion_{yyyy}{mm}{dd}-150k.asx"},
    {"RFO St Pierre", "http://{OverseasServer}/meta/saint-pierre_{yyyy}{mm}{dd}-150k.asx"},
    {"RFO Nouv. Calédonie",
     "http://{OverseasServer}/meta/nouvelle-caledonie_{yyyy}{mm}{dd}-150k.asx"},
    {"RFO Polynésie", "http://{OverseasServer}/meta/polynesie_{yyyy}{mm}{dd}-150k.asx"},
    {"Journal TF1 13h", "http://{Tf1MediaServer}/FluxJt/jt13d{dd}{mm}{yyyy}/jt13d{dd}{mm}{yyyy}.asx"},
    {"Journal TF1 20h", "http://{Tf1MediaServer}/FluxJt/jt20d{dd}{mm}{yyyy}/jt20d{dd}{mm}{yyyy}.asx"},
    {"Journal France 2-08h", FTV_STREAM "/infos/f2/8h/HD_8h_{yyyy}{mm}{dd}.wmv?WMCache=0"},
    {"Journal France 2-13h", FTV_STREAM "/infos/f2/13h/HD_13h_{yyyy}{mm}{dd}.wmv?WMCache=0"},
    {"Journal France 2-20h", FTV_STREAM "/infos/f2/20h/HD_20h_{yyyy}{mm}{dd}.wmv?WMCache=0"},
    {"Journal RFO", "http://{OverseasServer}/meta/jt_{yyyy}{mm}{dd}-150k.asx"},
    {"Journal France 3 National-12-14h",
     FTV_STREAM "/infos/f3/1214/HD_1214_{yyyy}{mm}{dd}.wmv?WMCache=0"},
    {"Journal France 3 National-19-20h",
     FTV_STREAM "/infos/f3/1920/HD_1920_{yyyy}{mm}{dd}.wmv?WMCache=0"},
    {"Journal France 3 National-Soir",
     "http://{FtvNewsPortal}/publicite/jt-asx.php?chaine=3&url=mms://{FtvEdgeHost}"
     "/horsgv/regions/siege/infos/f3/soir3/HD_soir3_{yyyy}{mm}{dd}.wmv"},
    {"Journal M6 6 minutes-Le 12 50",
     "http://{M6VideoServer}/asx_generator/asx_generator.php?pub=yes&pubAllowSeekSkip=no"
     "&pubDartZone={M6AdDomain}/info/videos/streaming&videoTitle=Turbo"
     "&videoURL=http://{M6WebServer}/content/video/info/asx/National12_00_{dd}{mm}{yy}.asx"},
    {"Journal M6 Le Six", "http://{M6WebServer}/content/video/info/asx/National_00_{dd}{mm}{yy}.asx"},
    {"Météo TF1 Midi", "http://{Tf1MediaServer}/mmdia/v/32/6/279326g.asx"},
    {"Météo TF1 Soir", "http://{Tf1MediaServer}/mmdia/v/33/9/279339g.asx"},
    {"Météo France 2", FTV_STREAM "/france2/meteo/meteo_GT.wmv"},
    {"Point Route France 2", "http://{TrafficServer}/video/pointroute.asx?WMCache=0"},
    {"Canal + - Les Guignols de L'Info", CANAL "guignols_{yy}{mm}{dd}_a.wmv"},
    {"Journal TV5 Monde", TV5 "jt_international/videos/12mn10{dd}{mm}{yy}/titre1.asx"},
    {"7 Jours sur la Planete TV5", TV5 "7jours/videos/jt{dd}{mm}{yy}/titre1.asx"},
    {"Canal + - Le Zapping", CANAL "zapping_{yy}{mm}{dd}_a.wmv"},
    {"Canal + - 7 Jours au Groland a", CANAL "groland_{yy}{mm}{dd}_a.wmv"},
    {"Canal + - 7 Jours au Groland b", CANAL "groland_{yy}{mm}{dd}_b.wmv"},
    {"Canal + - Le grand journal a", CANAL "grandjournal_{yy}{mm}{dd}_a.wmv"},
    {"Canal + - Le grand journal b", CANAL "grandjournal_{yy}{mm}{dd}_b.wmv"},
    {"Canal + - Le grand journal c", CANAL "grandjournal_{yy}{mm}{dd}_c.wmv"},
    {"Canal + - Le grand journal d", CANAL "grandjournal_{yy}{mm}{dd}_d.wmv"},
    {"Canal + - Le grand journal e", CANAL "grandjournal_{yy}{mm}{dd}_e.wmv"},
    {"Canal + - La boîte à questions", CANAL "questions_{yy}{mm}{dd}_a.wmv"},
}};

#undef FTV_STREAM
#undef CANAL
#undef TV5

struct Region {
    const char *name;
    const char *code;
    const char *midday;  // file path of the 12-13 edition
    const char *evening; // file path of the 19-20 edition
    int startLevel;
    int endLevel;
};

constexpr std::array<Region, 24> kRegions = {{
    {"Alpes", "3-raa", "raa/HD_1200_grenoble_midipile_", "raa/HD_1900_grenoble_jtregional_", 0, 0},
    {"Alsace", "3-alsace", "alsace/HD_1200_strasbourg_midipile_",
     "alsace/HD_1900_strasbourg_jtregional_", 0, 0},
    {"Aquitaine", "3-aquitaine", "aquitaine/HD_1200_bordeaux_midipile_",
     "aquitaine/HD_1900_bordeaux_jtregional_", 0, 0},
    {"Auvergne", "3-raa", "raa/HD_1200_clermont_midipile_", "raa/HD_1900_clermont_jtregional_", 0, 0},
    {"Basse-Normandie", "3-normandie", "normandie/HD_1200_rouen_midipile_",
     "normandie/HD_1900_caen_jtregional_", 0, 0},
    {"Bourgogne ", "3-bfc", "bfc/HD_1200_dijon_midipile_", "bfc/HD_1900_dijon_jtregional_", 1, 1},
    {"Bretagne", "3-ouest", "ouest/HD_1200_rennes_midipile_", "ouest/HD_1900_rennes_jtregional_", 0, 0},
    {"Centre", "3-pic", "pic/HD_1200_orleans_midipile_", "pic/HD_1900_orleans_jtregional_", 0, 0},
    {"Champagne-Ardennes", "3-lca", "lca/HD_1200_reims_midipile_", "lca/HD_1900_reims_jtregional_",
     0, 0},
    {"Corse", "3-corse", "corse/HD_1200_ajaccio_midipile_", "corse/HD_1900_ajaccio_jtregional_", 0, 0},
    {"Côte d'Azur", "3-mediterranee", "medit/HD_1200_nice_midipile_",
     "medit/HD_1900_nice_jtregional_", 1, 1},
    {"Franche-Comté", "3-bfc", "bfc/HD_1200_besancon_midipile_", "bfc/HD_1900_besancon_jtregional_",
     2, 2},
    {"Haute-Normandie", "3-normandie", "normandie/HD_1200_rouen_midipile_",
     "normandie/HD_1900_rouen_jtregional_", 0, 0},
    {"Languedoc-Roussillon", "3-sud", "sud/HD_1200_montpellier_midipile_",
     "sud/HD_1900_montpellier_jtregional_", 0, 0},
    {"Limousin", "3-lpc", "lpc/HD_1200_limoges_midipile_", "lpc/HD_1900_limoges_jtregional_", 0, 0},
    {"Lorraine", "3-lca", "lca/HD_1200_nancy_midipile_", "lca/HD_1900_nancy_jtregional_", 0, 0},
    {"Midi-Pyrénées", "3-sud", "sud/HD_1200_toulouse_midipile_", "sud/HD_1900_toulouse_jtregional_",
     0, 0},
    {"Nord-Pas de Calais", "3-npdcp", "npdc/HD_1213_lille_midipile_", "npdc/HD_1920_lille_cat_", 1, 1},
    {"Paris-île de France", "3-pic", "pic/HD_1200_vanves_midipile_", "pic/HD_1900_vanves_jtregional_",
     0, 0},
    {"Pays de Loire", "3-ouest", "ouest/HD_1200_nantes_midipile_", "ouest/HD_1900_nantes_jtregional_",
     0, 0},
    {"Picardie", "3-npdcp", "npdc/HD_1200_amiens_midipile_", "npdc/HD_1900_amiens_jtregional_", 0, 0},
    {"Poitou-Charentes", "3-lpc", "lpc/HD_1200_poitiers_midipile_",
     "lpc/HD_1900_poitiers_jtregional_", 0, 0},
    {"Provence-Alpes", "3-mediterranee", "medit/HD_1200_marseille_midipile_",
     "medit/HD_1900_marseille_jtregional_", 2, 0},
    {"Rhône-Alpes", "3-raa", "raa/HD_1200_lyon_midipile_", "raa/HD_1900_lyon_jtregional_", 0, 0},
}};

constexpr std::array<const char *, 8> kLocal = {"Bordeaux", "Lille",       "Lyon",  "Marseille",
                                                "Montpellier", "Nancy", "Nice", "Toulouse"};

constexpr const char *kRegionalStart = "http://{FtvNewsPortal}/publicite/jt-asx.php?chaine=";
constexpr const char *kRegionalInner =
    "mms://{FtvStreamHost}/7/988/10199/3f97c7e6/{FtvOriginHost}/10199/horsgv/regions/";
constexpr const char *kRegionalEnd = ".wmv?WMCache=0";

template <std::size_t N, typename T, typename F>
QStringList namesOf(const std::array<T, N> &rows, F name)
{
    QStringList out;
    out.reserve(static_cast<qsizetype>(N));
    for (const T &row : rows)
        out.append(QString::fromUtf8(name(row)));
    return out;
}

} // namespace

QString ServerName(Server server)
{
    return QString::fromLatin1(kServers[static_cast<int>(server)].name);
}

ServerHosts::ServerHosts()
{
    for (int i = 0; i < ServerCount; ++i)
        m_hosts[i] = QString::fromLatin1(kServers[i].builtIn);
}

QString ServerHosts::settingsKey(Server server)
{
    return QStringLiteral("HoteTV_") + ServerName(server);
}

bool ServerHosts::validHost(const QString &host)
{
    static const QRegularExpression re(QStringLiteral(
        "^[A-Za-z0-9](?:[A-Za-z0-9-]*[A-Za-z0-9])?(?:\\.[A-Za-z0-9](?:[A-Za-z0-9-]*[A-Za-z0-9])?)*"
        "(?::[0-9]{1,5})?$"));
    return host.size() <= 253 && re.match(host).hasMatch();
}

ServerHosts ServerHosts::fromLookup(
    const std::function<QString(const QString &key, const QString &def)> &lookup)
{
    ServerHosts hosts;
    if (!lookup)
        return hosts;
    for (int i = 0; i < ServerCount; ++i) {
        const auto server = static_cast<Server>(i);
        const QString value = lookup(settingsKey(server), hosts.m_hosts[i]).trimmed();
        if (validHost(value))
            hosts.m_hosts[i] = value;
    }
    return hosts;
}

QString ShortYear(const QString &year) { return year.right(2); }

const QStringList &NationalNames()
{
    static const QStringList names = namesOf(kNational, [](const National &n) { return n.name; });
    return names;
}

const QStringList &RegionNames()
{
    static const QStringList names = namesOf(kRegions, [](const Region &r) { return r.name; });
    return names;
}

const QStringList &LocalNames()
{
    static const QStringList names = namesOf(kLocal, [](const char *c) { return c; });
    return names;
}

QString Compose(const QString &rule, const DateFields &date, const ServerHosts &hosts)
{
    QString out;
    out.reserve(rule.size() + 64);
    qsizetype i = 0;
    while (i < rule.size()) {
        const qsizetype open = rule.indexOf(QLatin1Char('{'), i);
        const qsizetype close = open < 0 ? -1 : rule.indexOf(QLatin1Char('}'), open + 1);
        if (close < 0) {
            out += QStringView(rule).mid(i);
            break;
        }
        out += QStringView(rule).mid(i, open - i);
        const QStringView name = QStringView(rule).mid(open + 1, close - open - 1);
        bool known = true;
        if (name == u"dd")
            out += date.day;
        else if (name == u"mm")
            out += date.month;
        else if (name == u"yyyy")
            out += date.year;
        else if (name == u"yy")
            out += ShortYear(date.year);
        else {
            known = false;
            for (int s = 0; s < ServerCount; ++s) {
                if (name == QLatin1String(kServers[s].name)) {
                    out += hosts.host(static_cast<Server>(s));
                    known = true;
                    break;
                }
            }
        }
        if (!known)
            out += QStringView(rule).mid(open, close - open + 1);
        i = close + 1;
    }
    return out;
}

QString EncodeLevel(const QString &text, int level)
{
    if (level <= 0)
        return text;
    QString out;
    out.reserve(text.size() + text.size() / 2);
    const QString percent = level >= 2 ? QStringLiteral("%25") : QStringLiteral("%");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case ':': out += percent + QLatin1String("3A"); break;
        case '/': out += percent + QLatin1String("2F"); break;
        case '?': out += percent + QLatin1String("3F"); break;
        case '=': out += percent + QLatin1String("3D"); break;
        case '%': out += level >= 2 ? QStringLiteral("%25") : QStringLiteral("%"); break;
        default: out += c;
        }
    }
    return out;
}

QString NationalLink(int index, const DateFields &date, const ServerHosts &hosts)
{
    if (index < 0 || index >= static_cast<int>(kNational.size()))
        return QString();
    return Compose(QString::fromUtf8(kNational[index].rule), date, hosts);
}

QString RegionalLink(int index, Edition edition, const DateFields &date, const ServerHosts &hosts)
{
    if (index < 0 || index >= static_cast<int>(kRegions.size()))
        return QString();
    const Region &r = kRegions[index];
    const QString inner = Compose(QString::fromLatin1(kRegionalInner), date, hosts)
                          + QString::fromLatin1(edition == Edition::Midday ? r.midday : r.evening);
    return Compose(QString::fromLatin1(kRegionalStart), date, hosts) + QString::fromLatin1(r.code)
           + QStringLiteral("&url=") + EncodeLevel(inner, r.startLevel) + date.day + date.month
           + ShortYear(date.year) + EncodeLevel(QString::fromLatin1(kRegionalEnd), r.endLevel);
}

QString LocalLink(int index, const DateFields &date, const ServerHosts &hosts)
{
    if (index < 0 || index >= static_cast<int>(kLocal.size()))
        return QString();
    return Compose(QStringLiteral("http://{M6WebServer}/content/video/info/asx/"), date, hosts)
           + QString::fromLatin1(kLocal[index]) + QStringLiteral("_00_") + date.day + date.month
           + ShortYear(date.year) + QStringLiteral(".asx");
}

} // namespace tvlinks
