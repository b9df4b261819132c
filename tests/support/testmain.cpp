// Test entry point for tests that need a Qt application object: queued signals, timers, widgets.
// Listing the tests (test discovery) creates no application, so it needs no display.
#include "WaylandSeat.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    waylandseat::AvoidSeatlessPopupCrash(); // as the program does
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
