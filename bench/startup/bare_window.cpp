// The reference of bench/startup: a Qt Widgets program that only shows a window of the main
// window's size, its first frame stamped the same way as the program's.
#include "app/FirstFrameStamp.h"

#include <QApplication>
#include <QWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.resize(368, 340);
    window.show();
    firstframe::InstallIfAsked(window.windowHandle());
    return app.exec();
}
