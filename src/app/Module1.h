#pragma once
// Window and shell helpers shared by the windows: always-on-top, the folder chooser and the
// screen-saver switch. The path helpers live in Paths.h.
#include "core/Paths.h"

#include <QString>
#include <functional>

class QWidget;

// The three windows that the always-on-top preferences govern. The main window registers itself;
// the now-playing and TV windows register a function that creates them (hidden) on first use.
struct TopmostWindows {
    QWidget *main = nullptr;
    std::function<QWidget *()> nowPlaying; // returns the window, creating it when needed
    std::function<QWidget *()> tvPlayer;
};
TopmostWindows &Topmost();

// Applies the FenVisible flag to the main and now-playing windows and FenVisibleTV to the TV
// window, keeping each window's position, size and visibility.
void ApplyTopmost();
// Puts one window in or out of the always-on-top band, keeping position, size and visibility.
void SetWindowTopmost(QWidget *w, bool topmost);

// A folder chooser owned by the window, with the title, opened on the initial folder; the chosen
// folder, or an empty text when the user cancels.
QString BrowseForFolder(QWidget *owner, const QString &title, const QString &initialFolder);

// Asks the desktop to let the screen saver run (true) or to hold it off (false), through the
// org.freedesktop.ScreenSaver service, without waiting for its answer (ScreenSaverSwitch).
// False when there is no session bus.
bool SetScreenSaver(bool on);
class ScreenSaverSwitch;
// The program's one screen-saver switch on the session bus.
ScreenSaverSwitch *ScreenSaver();
