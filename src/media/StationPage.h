#pragma once
// The station page writer: builds the text of a station page from the generator's fields. A
// page is a small HTML file of the radio folder that embeds one player object for the stream,
// under a title, with an optional logo (optionally linked to the station's site), an optional
// description and an optional information link. Field values go into the page exactly as typed
// (no escaping, no trimming), apart from the logo's file name, which goes into the picture's
// address escaped as LogoAddress() does it. Lines end with CR LF; the last line "</HTML>" has no line end of
// its own (saving adds one). QtCore only.
#include <QString>

namespace stations {

enum class Player {
    WindowsMedia, // "Windows Média Player"
    Real,         // "Real Player"
};

struct PageFields {
    QString title;       // title line
    QString stream;      // stream address, put into the player object
    bool siteOn = false; // the site link switch: the site counts only when on
    QString site;        // station's web site
    bool logoOn = false;
    QString logo;        // logo file name in the "logo" subfolder (name only)
    bool descriptionOn = false;
    QString description;
    bool infoOn = false;
    QString info;        // information address read by the now-playing window
    Player player = Player::WindowsMedia;
};

// Download address of the first player's control package (the page's codebase).
extern const char kCodeBase[];

// The whole page text.
QString GeneratePage(const PageFields &fields);

// The address of a logo file of the "logo" subfolder as a page names it: "logo/" + the name with
// the characters that would end or change an address ("%", "#", "?"), those of the page's own
// markup ("&", quotes, "<", ">"), control characters and characters the page's code page cannot
// hold percent-encoded (UTF-8). Any other character, a blank or an accented letter, stays as it
// is, as in the pages of older versions, which read as before.
QString LogoAddress(const QString &fileName);

// The information link that a page carries for an address: "app:live('" + address + "')".
QString InfoLink(const QString &address);

// The page views intercept targets whose first 9 characters are "app:live(": true for those,
// with the address between "app:live('" and "')" (the target without its first 10 and last 2
// characters; empty for a target shorter than 12 characters).
bool InfoLinkAddress(const QString &target, QString *address);

} // namespace stations
