// When the program takes Qt's Wayland platform, so that it checks the compositor for a seat.
#include "app/WaylandSeat.h"

#include <gtest/gtest.h>

TEST(WaylandSeat, WaylandIsChosenByTheSettingOrBySessionType)
{
    const struct {
        const char *qpa, *session, *display;
        bool wayland;
    } cases[] = {
        {"wayland", "", "", true},          {"wayland-egl", "x11", "", true}, {"xcb", "wayland", "wayland-0", false},
        {"offscreen", "wayland", "w", false}, {"", "wayland", "wayland-0", true}, {"", "wayland", "", false},
        {"", "x11", "wayland-0", false},      {"", "", "", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(waylandseat::WaylandChosen(c.qpa, c.session, c.display), c.wayland) << c.qpa << "|" << c.session;
}
