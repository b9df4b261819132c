#pragma once
// The player that a station page declares. A page embeds one player object: the Windows Media
// Player object (classid 22D6F312-B0F6-11D0-94AB-0080C74C7E95, stream in the "Filename"
// parameter) or the RealPlayer object (classid CFCDAA03-8BE4-11cf-B84B-0020AFBBCCFA, stream in
// "SRC"), with an optional automatic-start parameter. Pages are hand-editable, so tags,
// attribute and parameter names are read in any letter case and values in double, single or
// no quotes. QtCore only.
#include <QString>

struct PagePlayer {
    enum class Kind {
        None,         // the page declares no player
        WindowsMedia, // <object classid="CLSID:22D6F312-..."> (or the later 6BF52A52-... object)
        RealPlayer,   // <object classid="clsid:CFCDAA03-...">
        Embed,        // a bare <embed src="..."> outside any object
    };
    Kind kind = Kind::None;
    QString address;       // the stream address as written in the page (entities decoded, trimmed)
    bool autostart = true; // "AutoStart"/"AUTOSTART": false or 0 means wait for the user

    bool isValid() const { return kind != Kind::None && !address.isEmpty(); }
};

// The first player object of html that names a stream; an object without one falls back to an
// <embed src> inside it, then a page without such an object to its first <embed src>. A page
// whose player names no stream gives that player's kind with an empty address; a page without
// any player gives Kind::None.
PagePlayer findPagePlayer(const QString &html);

// The automatic-start value of a parameter: "false", "no", "0" turn it off; "true", "yes",
// "-1", "1" or any other non-zero number, and anything unreadable, leave it on.
bool readAutostart(const QString &value);
