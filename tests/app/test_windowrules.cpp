// Where the windows opened from the main window go: below it, as their rule says, but always
// whole on the screen's available area, whatever the screen and wherever the main window is.
#include "app/WindowRules.h"

#include <gtest/gtest.h>

TEST(WindowRules, AWindowPlacedRelativeToTheMainWindowStaysInsideTheAvailableArea)
{
    // A 1280x800 screen with a 24-pixel panel on top, a second screen to its right, a small
    // screen; main window frames in pixels (converted to twips as the hub does).
    const QRect laptop(0, 24, 1280, 776);
    const QRect right(1280, 0, 1920, 1080);
    const QRect small(0, 0, 800, 600);
    const struct {
        const char *what;
        WindowKind kind;
        QRect main;  // pixels
        QSize frame; // the opened window's frame
        QRect area;
        QPoint expected;
    } cases[] = {
        {"recording window below a main window at mid-height runs off the bottom", WindowKind::Recording,
         {100, 300, 500, 300}, {620, 560}, laptop, {100, 240}},
        {"room below: the rule's place is kept", WindowKind::Recording, {100, 40, 500, 200}, {620, 500}, laptop,
         {100, 240}},
        {"favourites left of a main window at the left edge", WindowKind::Favourites, {0, 40, 500, 200}, {440, 337},
         laptop, {0, 240}},
        {"now-playing window off the right edge", WindowKind::NowPlaying, {1000, 40, 400, 200}, {500, 300}, laptop,
         {780, 240}},
        {"on the second screen: its own edges count", WindowKind::Options, {2800, 700, 400, 200}, {500, 400}, right,
         {2700, 680}},
        {"larger than the screen: left and top edges", WindowKind::Recording, {50, 50, 400, 200}, {900, 700}, small,
         {0, 0}},
        {"a window that places itself is left alone", WindowKind::Mp3Encoder, {100, 700, 500, 300}, {620, 560}, laptop,
         {-1, -1}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const QRect mainTwips(c.main.x() * 15, c.main.y() * 15, c.main.width() * 15, c.main.height() * 15);
        const auto at = PlacementTwips(c.kind, mainTwips);
        if (c.expected == QPoint(-1, -1)) {
            EXPECT_FALSE(at.has_value());
            continue;
        }
        ASSERT_TRUE(at.has_value());
        const QPoint placed = KeepInside(QPoint(at->x() / 15, at->y() / 15), c.frame, c.area);
        EXPECT_EQ(placed, c.expected);
        EXPECT_TRUE(c.area.contains(QRect(placed, c.frame)) || c.frame.width() > c.area.width()
                    || c.frame.height() > c.area.height());
    }
    // No screen known: the place is kept.
    EXPECT_EQ(KeepInside({-50, 900}, {300, 200}, QRect()), QPoint(-50, 900));
}
