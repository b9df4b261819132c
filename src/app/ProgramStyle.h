#pragma once
// The desktop's widget style with one picture of the program's own: the double chevron of the
// menu bar's button for menus that do not fit. The styles read that picture from image files,
// and the first image file read loads every image format plugin (a few milliseconds in front of
// the window's first frame).
#include <QProxyStyle>

class ProgramStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
};
