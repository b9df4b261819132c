// Test entry point for tests that need a Qt application object: queued signals, timers, widgets.
// Listing the tests (test discovery) creates no application, so it needs no display.
#include "app/WaylandSeat.h"

#include <QApplication>
#include <cstring>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>

namespace {
// The OpenGL driver (a "*_dri.so" the GL or EGL library loads for a picture, or for the Wayland
// platform's buffers) is unloaded when the display connection closes, before the leak check at
// exit: its own allocations would then be reported under "<unknown module>", which no suppression
// can name. After the last case every driver still loaded is opened once more, never to be
// unloaded, so the reports name it and the driver's entry in tests/lsan.supp applies.
class KeepGlDriverLoaded : public ::testing::Environment {
public:
    void TearDown() override
    {
        dl_iterate_phdr(
            [](dl_phdr_info *info, size_t, void *) {
                if (info->dlpi_name && std::strstr(info->dlpi_name, "_dri.so"))
                    dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
                return 0;
            },
            nullptr);
    }
};
} // namespace

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    waylandseat::AvoidSeatlessPopupCrash(); // as the program does
    QApplication app(argc, argv);
    ::testing::AddGlobalTestEnvironment(new KeepGlDriverLoaded);
    return RUN_ALL_TESTS();
}
