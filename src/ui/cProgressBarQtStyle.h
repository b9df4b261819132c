#pragma once
// The current Qt style's progress bar as the drawn bar's platform look (its XpStyle): groove,
// filled contents, chunk width and label, as the style draws a progress bar widget.
//
// UI thread only.
#include "cProgressBar.h"

class QWidget;
class QStyle;

class cProgressBarQtStyle : public cProgressBarStyle {
public:
    // The style and palette of `window`, or the application's without one.
    explicit cProgressBarQtStyle(const QWidget *window = nullptr);

    void DrawBar(QPainter &p, const QRect &r, bool vertical) const override;
    void DrawChunk(QPainter &p, const QRect &r, bool vertical) const override;
    int ChunkSize() const override;
    int SpaceSize() const override { return 0; }
    QRect ContentRect(const QRect &bar) const override;
    void DrawText(QPainter &p, const QRect &content, const QString &text) const override;

private:
    QStyle *style() const;
    const QWidget *m_window;
};
