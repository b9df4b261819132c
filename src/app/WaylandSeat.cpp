#include "WaylandSeat.h"

#include <QtGlobal>
#include <cstring>
#include <wayland-client.h>

namespace waylandseat {

bool WaylandChosen(const QByteArray &qpaPlatform, const QByteArray &sessionType, const QByteArray &waylandDisplay)
{
    if (!qpaPlatform.isEmpty())
        return qpaPlatform.startsWith("wayland");
    return sessionType == "wayland" && !waylandDisplay.isEmpty();
}

Seat ProbeCompositor()
{
    wl_display *display = wl_display_connect(nullptr);
    if (!display)
        return Seat::Unknown;
    bool seat = false;
    wl_registry *registry = wl_display_get_registry(display);
    static const wl_registry_listener listener = {
        [](void *data, wl_registry *, uint32_t, const char *interface, uint32_t) {
            if (std::strcmp(interface, "wl_seat") == 0)
                *static_cast<bool *>(data) = true;
        },
        [](void *, wl_registry *, uint32_t) {},
    };
    Seat result = Seat::Unknown;
    if (registry && wl_registry_add_listener(registry, &listener, &seat) == 0 && wl_display_roundtrip(display) >= 0)
        result = seat ? Seat::Present : Seat::Missing;
    if (registry)
        wl_registry_destroy(registry);
    wl_display_disconnect(display);
    return result;
}

void AvoidSeatlessPopupCrash()
{
    if (!qEnvironmentVariableIsEmpty("QT_IM_MODULE")
        || !WaylandChosen(qgetenv("QT_QPA_PLATFORM"), qgetenv("XDG_SESSION_TYPE"), qgetenv("WAYLAND_DISPLAY")))
        return;
    if (ProbeCompositor() == Seat::Missing)
        qputenv("QT_IM_MODULE", "compose");
}

} // namespace waylandseat
