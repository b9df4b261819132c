#pragma once
// The notification record handed to the shell for every add, modify and delete of the tray icon:
// the 88-byte single-byte-character form, field for field.
#include <cstdint>

namespace nimbrel {

// Mouse coordinates arrive in twips; a screen pixel is 15 twips (96 dots per inch).
inline constexpr int TwipsPerPixelX = 15;

// Shell requests.
enum NotifyAction : std::uint32_t {
    NIM_ADD = 0,
    NIM_MODIFY = 1,
    NIM_DELETE = 2,
};

// uFlags bits: which of the record's fields are valid.
inline constexpr std::uint32_t NIF_MESSAGE = 1;
inline constexpr std::uint32_t NIF_ICON = 2;
inline constexpr std::uint32_t NIF_TIP = 4;

// The mouse-move message number; the shell sends it back to the control's window.
inline constexpr std::uint32_t WM_MOUSEMOVE = 512;

// Mouse message numbers the shell reports for the icon.
enum MouseMessage : int {
    WM_LBUTTONDOWN = 513,
    WM_LBUTTONUP = 514,
    WM_LBUTTONDBLCLK = 515,
    WM_RBUTTONDOWN = 516,
    WM_RBUTTONUP = 517,
    WM_RBUTTONDBLCLK = 518,
    WM_MBUTTONDOWN = 519,
    WM_MBUTTONUP = 520,
    WM_MBUTTONDBLCLK = 521,
};

struct NotifyIconData {
    std::uint32_t cbSize = 0;           // 88
    std::uint32_t hWnd = 0;             // the control's window (an identifier per control)
    std::uint32_t uID = 0;              // 1
    std::uint32_t uFlags = 0;           // NIF_MESSAGE | NIF_ICON | NIF_TIP
    std::uint32_t uCallbackMessage = 0; // WM_MOUSEMOVE
    std::uint32_t hIcon = 0;            // handle of the icon, 0 for none
    char szTip[64] = {};                // tooltip in Windows-1252, NUL-terminated
};
static_assert(sizeof(NotifyIconData) == 88, "the notification record is 88 bytes");

} // namespace nimbrel
