#pragma once
// The station's now-playing pages, read as plain functions: the redirection page found at the
// information address, the data page it points to, and the five recent tracks that the data page
// assigns at fixed positions among its ";"-separated statements.
#include <QByteArray>
#include <QString>
#include <array>

namespace nowplaying {

constexpr int kSlots = 5;

// The five display lines of one track, in display order.
enum Field { Title, Album, Performer, Release, Label, FieldCount };

// The track texts of the five slots ("Titre : ..." and so on). Slot s (1 to 5) holds the data
// server's entry 6 - s: slot 5 is the most recent track.
struct TrackTexts {
    std::array<std::array<QString, FieldCount>, kSlots> rows;
    QString &at(int slot, Field f) { return rows[static_cast<size_t>(slot - 1)][f]; }
    const QString &at(int slot, Field f) const { return rows[static_cast<size_t>(slot - 1)][f]; }
};

// The cover paths of entries 1 to 5, as the data page gives them.
struct CoverLabels {
    std::array<QString, kSlots> entry;
    QString &at(int k) { return entry[static_cast<size_t>(k - 1)]; }
    const QString &at(int k) const { return entry[static_cast<size_t>(k - 1)]; }
};

// The longest value shown (a longer one is cut, "…" at its end), and the longest cover path taken.
constexpr int kMaxFieldChars = 200;
constexpr int kMaxCoverChars = 2048;

// value as shown: at most kMaxFieldChars characters, the last one "…" when it was cut.
QString ShownField(const QString &value);

// The page with every double quote and every line feed removed (carriage returns stay).
QString WithoutQuotesAndLineFeeds(QString text);

// The redirection target of the redirection page: the page cleaned as above, with its fixed
// head and tail removed, blanks and line ends around it dropped.
QString RedirectionTarget(const QString &page);

// The data page's address: the information address with each "/d_data.html" replaced by "/"
// followed by the redirection target.
QString SecondAddress(const QString &infoAddress, const QString &target);

// Reads the data page into the track texts and cover labels. Each value comes from its fixed
// statement number with its assignment text removed; a statement the page does not have leaves
// that value as it was. Values are cut to kMaxFieldChars (ShownField); a cover path longer than
// kMaxCoverChars gives no cover. Cover labels are trimmed.
void ReadDataPage(const QString &page, TrackTexts &texts, CoverLabels &covers);

// The newest track (slot 5) as a stream title: "<performer> - <title>", or the title alone when
// no performer is given, without the display prefixes; empty when the track has no title.
QString NewestTrack(const TrackTexts &texts);

// The address a cover is fetched from: the base address followed by the cover path (a "/" put
// between them when the path has none). A path that is itself a web address is used as it is.
QString CoverAddress(const QString &base, const QString &label);

// The cover base address to use: the configured one when it is a web address (a trailing "/"
// dropped), otherwise the scheme, host and port of the information address.
QString CoverBase(const QString &configured, const QString &infoAddress);

} // namespace nowplaying
