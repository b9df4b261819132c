#pragma once
// Tooltips holding text from the network (stream titles, station names, addresses). Qt shows a
// tooltip as rich text when it looks like markup: such text is turned into rich text of its own
// characters, so it shows exactly as written. Other text is returned as it is.
#include <QString>
#include <QTextDocument>

inline QString PlainTip(const QString &text)
{
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap) : text;
}
