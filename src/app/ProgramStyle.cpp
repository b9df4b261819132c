#include "ProgramStyle.h"

#include "Icons.h"

QIcon ProgramStyle::standardIcon(StandardPixmap standardIcon, const QStyleOption *option,
                                 const QWidget *widget) const
{
    switch (standardIcon) {
    case SP_ToolBarHorizontalExtensionButton:
        return icons::MoreItems(Qt::Horizontal);
    case SP_ToolBarVerticalExtensionButton:
        return icons::MoreItems(Qt::Vertical);
    default:
        return QProxyStyle::standardIcon(standardIcon, option, widget);
    }
}
