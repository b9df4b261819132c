#pragma once
// The rules the TV player window follows, apart from its widgets: the four source boxes, which
// selectors each source shows, the date fields, the order in which "Go" tests the boxes, the
// captions and the resizing geometry.
#include "TvLinks.h"

#include <QDate>
#include <qnamespace.h>
#include <QRect>
#include <QString>

namespace tvplayer {

// The four source boxes, by their role.
enum class Source {
    Regional, // Check1 "Journaux régionaux FR3"
    National, // Check2 "Journaux TV"
    TvList,   // Check3 "Autres TV"
    Local,    // Check4 "M6 Edition locale"
};

struct SourceBoxes {
    bool check1 = false, check2 = false, check3 = true, check4 = false; // as the window opens
    bool checked(Source s) const;
    friend bool operator==(const SourceBoxes &, const SourceBoxes &) = default;
};

// What shows of the selector line and the date frame.
struct Visibility {
    bool autresChaines = true;    // national programmes
    bool comboFR3Region = false;  // regions, with the edition frame Frame2
    bool comboM6Local = false;    // local editions
    bool autresTV = true;         // TV list channels, with the open button OvrLst
    bool frame1 = false;          // the date
    friend bool operator==(const Visibility &, const Visibility &) = default;
};

// The window as it opens: "Autres TV" checked, the TV list and the national list shown, no date.
inline Visibility InitialVisibility() { return {}; }

// A click on a box whose new state is checkedNow. Checking one box unchecks the other three and
// sets the selectors for that source; unchecking changes nothing else.
void ClickSource(Source clicked, bool checkedNow, SourceBoxes &boxes, Visibility &visibility);
// The selectors shown while a source is checked.
Visibility VisibilityFor(Source source);

// The source "Go" plays from: the first checked of Check1, Check3, Check4; otherwise the
// national programmes, whether Check2 is checked or not.
Source GoSource(const SourceBoxes &boxes);

// The date fields accept the digits and Backspace; every other character typed is discarded.
// Keys that type no character (cursor keys, Delete, Tab) keep their usual effect.
bool DateKeyAccepted(int key, const QString &text);

// A day or month of exactly one character gets a leading "0"; anything else stays.
QString ZeroFill(const QString &field);

// The broadcast date the fields name (a two-digit year is of the 2000s); invalid when they name
// no day of the calendar.
QDate ProgrammeDate(const QString &day, const QString &month, const QString &year);

struct TodayFields {
    QString day, month, year; // TJ, TM, TA
    QString label;            // Label4: day/month/year
};
TodayFields FieldsFor(const QDate &date);

// Window captions while a source plays; entryText is the text of the source's list.
QString NationalCaption(const QString &entryText);
QString RegionalCaption(const QString &entryText, tvlinks::Edition edition);
QString LocalCaption(const QString &entryText);
QString TvListCaption(const QString &entryText);

// Twips <-> pixels at 96 dpi.
constexpr int TwipsToPixels(int twips) { return twips / 15; }

// Resizing: the player keeps the window's width minus 300 twips and its height minus its top
// minus 600 twips; "Go" stays 200 twips from the right edge and the "apply the link" button
// shares its left edge. Every length in pixels. A size that would be negative is not applied
// (valid == false for that control).
struct WmpGeometry {
    QRect player;
    bool playerValid = false;
    int goLeft = 0;
    bool goValid = false;
    int stretchRight = 0; // right edge of the selector lists and the address field
    bool stretchValid = false;
};
WmpGeometry LayoutFor(int windowWidth, int windowHeight, int playerLeft, int playerTop,
                      int goWidth, int gap);

} // namespace tvplayer
