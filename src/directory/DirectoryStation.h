#pragma once
// The public radio directory as the program reads it: its stations, the answer of its search
// endpoint, the addresses of its requests, and what a station becomes as a station page of the
// radio folder. Everything the directory sends is untrusted: only http(s) addresses are kept,
// names are cleaned before they name a file, and values are escaped before they go into a page.
// QtCore only.
#include "media/StationPage.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace directory {

// The directory's base addresses when the settings name none ("AnnuaireURL" in [Settings]).
extern const char kDefaultMirrors[];
// The settings key holding the base addresses, separated by ";".
extern const char kMirrorsKey[];

// Most entries one answer is read for; the rest of a longer answer is left out.
inline constexpr int kMaxEntries = 500;
// Entries asked for by a search.
inline constexpr int kSearchLimit = 200;

struct DirectoryStation {
    QString uuid;     // "stationuuid": hexadecimal digits and dashes only, else empty
    QString name;     // control characters removed, blanks collapsed, at most 120 characters
    QString stream;   // "url" (or "url_resolved" when "url" is not a web address): http(s) only
    QString homepage; // http(s) only, else empty
    QString favicon;  // http(s) only, else empty
    QString country;
    QString language;
    QString tags;     // "a,b" as "a, b"
    QString codec;
    int bitrate = 0;  // kbit/s
    int votes = 0;
};

struct SearchAnswer {
    bool ok = false;        // the text was a JSON array
    QList<DirectoryStation> stations; // the usable entries, in the order of the answer
    int refused = 0;        // entries left out: not an object, no name, no http(s) stream
};

// Reads the answer of the search endpoint (a JSON array of station objects). Never fails on odd
// input: anything but an array gives ok = false; odd entries are counted in refused.
SearchAnswer ParseSearchAnswer(const QByteArray &json);

// True for an http:// or https:// address with a host.
bool IsWebAddress(const QString &address);

// The base addresses of a settings value ("a;b;c", or separated by blanks or commas): trimmed, without a final "/", web addresses
// only, each once; the default mirrors when none is left.
QStringList MirrorList(const QString &settingValue);

struct SearchQuery {
    QString name, country, language, tag;
    bool isEmpty() const;
    bool operator==(const SearchQuery &) const = default;
};

// base + "/json/stations/search" with the filters given, the most voted first, broken stations
// left out, at most limit entries.
QUrl SearchUrl(const QString &base, const SearchQuery &query, int limit = kSearchLimit);
// base + "/json/url/" + uuid: the directory counts a listen of the station.
QUrl ClickUrl(const QString &base, const QString &uuid);

// A station name as a page name: no "/" or "\", no control characters, no characters that
// other systems refuse in file names, no "..", no leading dots or blanks; at most 60
// characters. Empty when nothing usable is left.
QString CleanFileName(const QString &name);

// Text made safe inside an element or a double-quoted attribute of a page: & < > " escaped, and
// characters that the page's code page cannot hold written as numeric references.
QString EscapeHtml(const QString &text);

// The page's description line: country, language and tags separated by " - ", at most 200
// characters.
QString DescriptionOf(const DirectoryStation &station);

// The generator's fields for a station: its name as title, its stream, its home page as site
// link, its description, and logoFile (a name of the "logo" folder) when not empty. Values are
// escaped (the logo's name by the page writer, in its address).
stations::PageFields PageFieldsFor(const DirectoryStation &station, const QString &logoFile);

// The logo file name of a page name and a picture suffix ("gif", "jpg"): "NAME.suffix".
QString LogoFileName(const QString &pageName, const QString &suffix);

// The search window's buttons: "Ecouter" and "Ajouter" need a selected result, "Ajouter" waits
// for the page being added, "STOP" is there while something plays.
struct WindowState {
    bool selected = false;
    bool playing = false;
    bool adding = false;

    bool listen() const { return selected; }
    bool add() const { return selected && !adding; }
    bool stop() const { return playing; }
};

// Status line texts.
QString SearchingText();            // "Recherche en cours..."
QString ResultText(int count);      // "Aucune radio trouvée", "1 radio trouvée", "12 radios trouvées"
QString AddedText(const QString &pageFileName); // "Radio ajoutée : NAME.HTM"
// The message when the logo could not be written to path (the page is made without it).
QString LogoNotSavedText(const QString &path);

} // namespace directory
