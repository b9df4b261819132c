#include "TvPlayerState.h"

namespace tvplayer {

bool SourceBoxes::checked(Source s) const
{
    switch (s) {
    case Source::Regional: return check1;
    case Source::National: return check2;
    case Source::TvList: return check3;
    case Source::Local: return check4;
    }
    return false;
}

Visibility VisibilityFor(Source source)
{
    Visibility v;
    v.autresChaines = source == Source::National;
    v.comboFR3Region = source == Source::Regional;
    v.comboM6Local = source == Source::Local;
    v.autresTV = source == Source::TvList;
    v.frame1 = source != Source::TvList;
    return v;
}

void ClickSource(Source clicked, bool checkedNow, SourceBoxes &boxes, Visibility &visibility)
{
    if (!checkedNow) {
        switch (clicked) {
        case Source::Regional: boxes.check1 = false; break;
        case Source::National: boxes.check2 = false; break;
        case Source::TvList: boxes.check3 = false; break;
        case Source::Local: boxes.check4 = false; break;
        }
        return;
    }
    boxes.check1 = clicked == Source::Regional;
    boxes.check2 = clicked == Source::National;
    boxes.check3 = clicked == Source::TvList;
    boxes.check4 = clicked == Source::Local;
    visibility = VisibilityFor(clicked);
}

Source GoSource(const SourceBoxes &boxes)
{
    if (boxes.check1)
        return Source::Regional;
    if (boxes.check3)
        return Source::TvList;
    if (boxes.check4)
        return Source::Local;
    return Source::National;
}

bool DateKeyAccepted(int key, const QString &text)
{
    if (key == Qt::Key_Backspace || key == Qt::Key_Tab || key == Qt::Key_Backtab)
        return true;
    if (text.isEmpty())
        return true; // not a character: moving the cursor, Delete...
    return text.size() == 1 && text[0] >= QLatin1Char('0') && text[0] <= QLatin1Char('9');
}

QString ZeroFill(const QString &field)
{
    return field.size() == 1 ? QStringLiteral("0") + field : field;
}

QDate ProgrammeDate(const QString &day, const QString &month, const QString &year)
{
    bool okDay = false, okMonth = false, okYear = false;
    const int d = day.toInt(&okDay), m = month.toInt(&okMonth);
    int y = year.toInt(&okYear);
    if (!okDay || !okMonth || !okYear || year.size() == 3 || year.size() > 4)
        return {};
    if (year.size() <= 2)
        y += 2000;
    return QDate(y, m, d); // invalid for a day the calendar does not have
}

TodayFields FieldsFor(const QDate &date)
{
    TodayFields f;
    f.day = QStringLiteral("%1").arg(date.day(), 2, 10, QLatin1Char('0'));
    f.month = QStringLiteral("%1").arg(date.month(), 2, 10, QLatin1Char('0'));
    f.year = QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
    f.label = f.day + QLatin1Char('/') + f.month + QLatin1Char('/') + f.year;
    return f;
}

QString NationalCaption(const QString &entryText) { return QStringLiteral("Tavilune : ") + entryText; }

QString RegionalCaption(const QString &entryText, tvlinks::Edition edition)
{
    return QStringLiteral("Tavilune : ") + entryText
           + (edition == tvlinks::Edition::Midday ? QStringLiteral(" 12|13") : QStringLiteral(" 19|20"));
}

QString LocalCaption(const QString &entryText)
{
    return QStringLiteral("Tavilune : ") + QStringLiteral(" M6 Edition locale - ") + entryText;
}

QString TvListCaption(const QString &entryText) { return QStringLiteral("Tavilune : ") + entryText; }

WmpGeometry LayoutFor(int windowWidth, int windowHeight, int playerLeft, int playerTop, int goWidth,
                      int gap)
{
    WmpGeometry g;
    const int w = windowWidth - TwipsToPixels(300);
    const int h = windowHeight - playerTop - TwipsToPixels(600);
    if (w > 0 && h > 0) {
        g.player = QRect(playerLeft, playerTop, w, h);
        g.playerValid = true;
    }
    g.goLeft = windowWidth - TwipsToPixels(200) - goWidth;
    g.goValid = g.goLeft >= 0;
    g.stretchRight = g.goLeft - gap;
    g.stretchValid = g.goValid && g.stretchRight > 0;
    return g;
}

} // namespace tvplayer
