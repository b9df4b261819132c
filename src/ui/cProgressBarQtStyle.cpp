#include "cProgressBarQtStyle.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionProgressBar>
#include <QWidget>

#include <algorithm>

namespace {

QStyleOptionProgressBar option(const QWidget *window, const QRect &r, bool vertical, int progress)
{
    QStyleOptionProgressBar o;
    o.rect = r;
    o.palette = window ? window->palette() : QApplication::palette();
    o.state = QStyle::State_Enabled | (vertical ? QStyle::State_None : QStyle::State_Horizontal);
    o.minimum = 0;
    o.maximum = 100;
    o.progress = progress;
    o.textAlignment = Qt::AlignCenter;
    o.direction = Qt::LeftToRight;
    return o;
}

} // namespace

cProgressBarQtStyle::cProgressBarQtStyle(const QWidget *window) : m_window(window) {}

QStyle *cProgressBarQtStyle::style() const { return m_window ? m_window->style() : QApplication::style(); }

void cProgressBarQtStyle::DrawBar(QPainter &p, const QRect &r, bool vertical) const
{
    if (r.isEmpty())
        return;
    const QStyleOptionProgressBar o = option(m_window, r, vertical, 0);
    style()->drawControl(QStyle::CE_ProgressBarGroove, &o, &p, m_window);
}

void cProgressBarQtStyle::DrawChunk(QPainter &p, const QRect &r, bool vertical) const
{
    if (r.isEmpty())
        return;
    // The whole rectangle is the filled part: contents drawn at full progress over it.
    const QStyleOptionProgressBar o = option(m_window, r, vertical, 100);
    style()->drawControl(QStyle::CE_ProgressBarContents, &o, &p, m_window);
}

int cProgressBarQtStyle::ChunkSize() const
{
    const QStyleOptionProgressBar o = option(m_window, QRect(0, 0, 100, 20), false, 0);
    return std::max(1, style()->pixelMetric(QStyle::PM_ProgressBarChunkWidth, &o, m_window));
}

QRect cProgressBarQtStyle::ContentRect(const QRect &bar) const
{
    const QStyleOptionProgressBar o = option(m_window, bar, false, 0);
    return style()->subElementRect(QStyle::SE_ProgressBarContents, &o, m_window);
}

void cProgressBarQtStyle::DrawText(QPainter &p, const QRect &content, const QString &text) const
{
    if (content.isEmpty())
        return;
    QStyleOptionProgressBar o = option(m_window, content, false, 0);
    o.text = text;
    o.textVisible = true;
    style()->drawControl(QStyle::CE_ProgressBarLabel, &o, &p, m_window);
}
