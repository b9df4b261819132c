#pragma once
// The program's pictures, drawn in code so they stay sharp at any size: the picture buttons of the
// main window, the two mode pictures (drawn for the screen's pixel ratio) and the program icon.
#include <QIcon>
#include <QPixmap>

namespace icons {
QIcon Listen();   // green play triangle
QIcon Volume();   // loudspeaker with sound waves
QIcon HideToTray(); // window with an arrow into the tray
QIcon Stop();     // dark slate square
QIcon Record();   // red disc
QPixmap RadioMode(int size = 32); // radio set
QPixmap TvMode(int size = 32);    // television set
QIcon Program();  // the program icon: a crescent moon over radio waves
QIcon MoreItems(Qt::Orientation orientation); // a double chevron: the menu bar's hidden menus

// The desktop's icon of that name (freedesktop naming: "media-playback-start"...), else drawn.
QIcon Themed(const char *name, const QIcon &drawn);
} // namespace icons
