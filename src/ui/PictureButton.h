#pragma once
// A button that shows a picture: its tooltip is also its accessible name, so that a screen reader
// (and the checks that drive the program through the accessibility bus) find it by that text.
#include <QIcon>
#include <QSize>
#include <QString>
#include <QStyle>

class QToolButton;
class QWidget;

namespace ui {

// How the buttons of one window look.
struct ButtonLook {
    int iconSize = 0;       // the picture's side in pixels; 0: the style's own size
    QSize minimumSize{};    // empty: no least size
    bool autoRaise = false; // flat until the pointer is over it
};

// A tool button of parent with picture and tip, named objectName (the name the window's code and
// tests know it by). A button without a tip gets its accessible name from whoever makes it.
QToolButton *PictureButton(QWidget *parent, const QIcon &picture, const QString &tip, const ButtonLook &look = {},
                           const QString &objectName = QString());
// The same with one of the style's standard pictures.
QToolButton *PictureButton(QWidget *parent, QStyle::StandardPixmap picture, const QString &tip,
                           const ButtonLook &look = {}, const QString &objectName = QString());

} // namespace ui
