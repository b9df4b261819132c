#include "PictureButton.h"

#include <QToolButton>
#include <QWidget>

namespace ui {

QToolButton *PictureButton(QWidget *parent, const QIcon &picture, const QString &tip, const ButtonLook &look,
                           const QString &objectName)
{
    auto *b = new QToolButton(parent);
    if (!objectName.isEmpty())
        b->setObjectName(objectName);
    b->setIcon(picture);
    if (look.iconSize > 0)
        b->setIconSize(QSize(look.iconSize, look.iconSize));
    if (!look.minimumSize.isEmpty())
        b->setMinimumSize(look.minimumSize);
    b->setAutoRaise(look.autoRaise);
    if (!tip.isEmpty()) {
        b->setToolTip(tip);
        b->setAccessibleName(tip);
    }
    return b;
}

QToolButton *PictureButton(QWidget *parent, QStyle::StandardPixmap picture, const QString &tip, const ButtonLook &look,
                           const QString &objectName)
{
    return PictureButton(parent, parent->style()->standardIcon(picture), tip, look, objectName);
}

} // namespace ui
