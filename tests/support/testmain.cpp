// Test entry point for tests that need a Qt application object: queued signals, timers, widgets.
// Listing the tests (test discovery) creates no application, so it needs no display.
#include <QApplication>
#include <cstring>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // Look for the listing flag first: InitGoogleTest takes the flags it knows out of argv.
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing |= std::strncmp(argv[i], "--gtest_list_tests", 18) == 0;
    testing::InitGoogleTest(&argc, argv);
    if (listing)
        return RUN_ALL_TESTS();
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
