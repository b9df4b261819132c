#include "WindowRules.h"

#include <algorithm>

WindowRule RuleFor(WindowKind kind)
{
    using P = WindowRule::Place;
    switch (kind) {
    case WindowKind::Recording:
        return {false, P::BelowMain};
    case WindowKind::Mp3Encoder:
        return {false, P::Own};
    case WindowKind::TvPlayer:
        return {false, P::TopLeft100};
    case WindowKind::RadioPerso:
    case WindowKind::ModifRadio:
    case WindowKind::AutresTVModif:
    case WindowKind::About:
        return {true, P::Own};
    case WindowKind::Options:
        return {true, P::BelowMain};
    case WindowKind::Favourites:
        return {true, P::BelowMainLeft};
    case WindowKind::NowPlaying:
        return {false, P::BelowMain};
    case WindowKind::Annuaire:
    case WindowKind::Titres:
    case WindowKind::Programmation:
        return {false, P::Own};
    }
    return {};
}

std::optional<QPoint> PlacementTwips(WindowKind kind, const QRect &main)
{
    const int below = main.top() + main.height() + 10;
    switch (RuleFor(kind).place) {
    case WindowRule::Place::Own:
        return std::nullopt;
    case WindowRule::Place::BelowMain:
        return QPoint(main.left(), below);
    case WindowRule::Place::BelowMainLeft:
        return QPoint(main.left() - 200, below);
    case WindowRule::Place::TopLeft100:
        return QPoint(100, 100);
    }
    return std::nullopt;
}

QPoint KeepInside(QPoint topLeft, QSize frame, const QRect &area)
{
    if (!area.isValid())
        return topLeft;
    // Right and bottom first, so that a window too large for the area keeps its left and top.
    const auto fit = [](int at, int length, int start, int areaLength) {
        return std::max(start, std::min(at, start + areaLength - length));
    };
    return {fit(topLeft.x(), frame.width(), area.left(), area.width()),
            fit(topLeft.y(), frame.height(), area.top(), area.height())};
}
