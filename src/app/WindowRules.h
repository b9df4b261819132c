#pragma once
// How each window of the program is opened from the main window: modal or modeless, and where.
// Window-free: positions are in twips, computed from the main window's frame.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>

enum class WindowKind {
    Recording,     // FrmREC
    Mp3Encoder,    // Mp3Encoder
    TvPlayer,      // FrmWMP
    RadioPerso,    // FrmRadPerso
    ModifRadio,    // FrmModifRad
    AutresTVModif, // FrmAutresTVModif
    Options,       // FrmOptions
    Favourites,    // FrmFav
    About,         // frmAbout
    NowPlaying,    // InfoRadio
    Annuaire,      // FrmAnnuaire
    Titres,        // FrmTitres
    Programmation, // FrmProgrammation
};
inline constexpr int kWindowKinds = 13;

struct WindowRule {
    enum class Place {
        Own,             // where the window puts itself
        BelowMain,       // top = main top + main height + 10, left = main left
        BelowMainLeft,   // the same top, left = main left - 200
        TopLeft100,      // top 100, left 100
    };
    bool modal = false;
    Place place = Place::Own;
};

WindowRule RuleFor(WindowKind kind);

// Top-left corner (x = left, y = top) in twips for a window of that kind, given the main
// window's frame in twips; nothing for a window that places itself.
std::optional<QPoint> PlacementTwips(WindowKind kind, const QRect &mainTwips);

// The top-left corner nearest to topLeft at which a window whose frame has that size lies inside
// area (the screen's available area, in the same unit): pushed left and up as far as needed, and
// when it is larger than the area, set on the area's left or top edge so that its title bar and
// first controls stay reachable.
QPoint KeepInside(QPoint topLeft, QSize frame, const QRect &area);
