#pragma once
// The built-in catalogue of recorded programmes: 35 national programmes, the regional news of
// 24 regions in two daily editions and 8 local news editions. Each entry becomes a stream address
// by a fixed rule: a fixed start, the broadcast date in the form the broadcaster's file names
// need, and a fixed end.
//
// The date comes from the window's three date fields as text and is inserted as it stands: no
// check that the date exists and no zero-filling here ({yy} is the last two characters of the
// year text, whatever its length).
//
// Only the host names are configurable: each server has one value, built in, that the settings
// file may override ("HoteTV_" + server name, e.g. "HoteTV_Tf1MediaServer").
#include <QString>
#include <QStringList>
#include <array>
#include <functional>

namespace tvlinks {

// The servers the links name. Each has one host value.
enum class Server {
    Overseas,      // {OverseasServer}    web server of the overseas public network
    Tf1Media,      // {Tf1MediaServer}
    FtvStream,     // {FtvStreamHost}     streaming host of the public broadcaster's news files
    FtvOrigin,     // {FtvOriginHost}     origin host named inside those streaming paths
    FtvNewsPortal, // {FtvNewsPortal}     news video portal whose playlist page takes "url"
    FtvEdge,       // {FtvEdgeHost}       second streaming host (late national edition)
    M6Video,       // {M6VideoServer}     playlist generator
    M6Web,         // {M6WebServer}       playlist files
    M6AdDomain,    // {M6AdDomain}        start of the advertising zone value
    Traffic,       // {TrafficServer}     traffic report server
    CanalStream,   // {CanalStreamServer}
    Tv5Cdn,        // {Tv5CdnHost}
    Tv5Origin,     // {Tv5OriginHost}
};
inline constexpr int ServerCount = 13;

// Name of a server as written in the link rules ("OverseasServer"...).
QString ServerName(Server server);

// One host per server.
class ServerHosts {
public:
    // The built-in hosts.
    ServerHosts();
    // The built-in hosts, each replaced by lookup("HoteTV_" + name, builtIn) when that gives a
    // valid host name (letters, digits, dots and hyphens, optionally ":" and a port). Anything
    // else keeps the built-in host, so a mistyped value cannot change a link's path or query.
    static ServerHosts fromLookup(const std::function<QString(const QString &key,
                                                               const QString &def)> &lookup);
    // The settings key that overrides a server's host.
    static QString settingsKey(Server server);
    static bool validHost(const QString &host);

    QString host(Server server) const { return m_hosts[static_cast<int>(server)]; }
    void setHost(Server server, const QString &host) { m_hosts[static_cast<int>(server)] = host; }

private:
    std::array<QString, ServerCount> m_hosts;
};

// The date as the three fields hold it.
struct DateFields {
    QString day;   // {dd}
    QString month; // {mm}
    QString year;  // {yyyy}; {yy} is its last two characters
};
// The last two characters of the year text (all of it when shorter).
QString ShortYear(const QString &year);

enum class Edition { Midday, Evening }; // "12-13", "19-20"

// The list entries, in list order, exactly as the lists show them.
const QStringList &NationalNames(); // 35
const QStringList &RegionNames();   // 24
const QStringList &LocalNames();    // 8

// The link of an entry (its position in its list, from 0); an empty text for a position outside
// the list.
QString NationalLink(int index, const DateFields &date, const ServerHosts &hosts);
QString RegionalLink(int index, Edition edition, const DateFields &date, const ServerHosts &hosts);
QString LocalLink(int index, const DateFields &date, const ServerHosts &hosts);

// Encoding levels of the regional links. Level 0 leaves the text unchanged; level 1 replaces
// ":" "/" "?" "=" by "%3A" "%2F" "%3F" "%3D"; level 2 applies level 1, then replaces every "%"
// by "%25".
QString EncodeLevel(const QString &text, int level);

// Replaces every {Name} of a link rule in one pass: the server names by their hosts, {dd} {mm}
// {yyyy} {yy} by the date. Inserted values are not looked at again; an unknown {Name} stays.
QString Compose(const QString &rule, const DateFields &date, const ServerHosts &hosts);

} // namespace tvlinks
