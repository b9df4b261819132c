#pragma once
// Qt 6.4's Wayland client crashes as soon as a popup (a drop-down list) opens on a compositor that
// offers no seat — no keyboard, no pointer, as headless and kiosk compositors run — in its
// text-input support. With no seat there is no keyboard to type with, so before the application
// object is made the program asks Qt for its plain compose input context in that case. A user's
// own input method (QT_IM_MODULE) and every compositor with a seat are left alone.
#include <QByteArray>

namespace waylandseat {

// Whether Qt will take the Wayland platform with these settings (QT_QPA_PLATFORM, or without it
// a Wayland session: XDG_SESSION_TYPE "wayland" and WAYLAND_DISPLAY set).
bool WaylandChosen(const QByteArray &qpaPlatform, const QByteArray &sessionType, const QByteArray &waylandDisplay);

enum class Seat { Unknown, Present, Missing };
// Asks the compositor (WAYLAND_DISPLAY) whether it offers a seat; Unknown when it cannot be reached.
Seat ProbeCompositor();

// Sets QT_IM_MODULE to "compose" when Qt will run on a Wayland compositor without a seat and the
// user chose no input method. Call before the application object is made.
void AvoidSeatlessPopupCrash();

} // namespace waylandseat
