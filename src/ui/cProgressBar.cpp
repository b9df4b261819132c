#include "cProgressBar.h"

#include <QGuiApplication>
#include <QPaintDevice>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

struct SystemColour {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The 31 system colour numbers and the palette entries that play their part here.
constexpr QPalette::ColorGroup A = QPalette::Active;
constexpr QPalette::ColorGroup I = QPalette::Inactive;
constexpr QPalette::ColorGroup D = QPalette::Disabled;
const SystemColour kSystemColours[32] = {
    {A, QPalette::Button},          // 0 scroll bar
    {A, QPalette::Dark},            // 1 desktop
    {A, QPalette::Highlight},       // 2 active caption
    {I, QPalette::Highlight},       // 3 inactive caption
    {A, QPalette::Window},          // 4 menu
    {A, QPalette::Base},            // 5 window background
    {A, QPalette::Shadow},          // 6 window frame
    {A, QPalette::WindowText},      // 7 menu text
    {A, QPalette::Text},            // 8 window text
    {A, QPalette::HighlightedText}, // 9 caption text
    {A, QPalette::Button},          // 10 active border
    {I, QPalette::Button},          // 11 inactive border
    {A, QPalette::Mid},             // 12 application workspace
    {A, QPalette::Highlight},       // 13 highlight
    {A, QPalette::HighlightedText}, // 14 highlight text
    {A, QPalette::Button},          // 15 button face
    {A, QPalette::Dark},            // 16 button shadow
    {D, QPalette::Text},            // 17 grey text
    {A, QPalette::ButtonText},      // 18 button text
    {I, QPalette::HighlightedText}, // 19 inactive caption text
    {A, QPalette::Light},           // 20 button highlight
    {A, QPalette::Shadow},          // 21 dark shadow
    {A, QPalette::Midlight},        // 22 light
    {A, QPalette::ToolTipText},     // 23 tooltip text
    {A, QPalette::ToolTipBase},     // 24 tooltip background
    {A, QPalette::NoRole},          // 25 (none)
    {A, QPalette::Link},            // 26 hot-tracked item
    {A, QPalette::Highlight},       // 27 active caption gradient
    {I, QPalette::Highlight},       // 28 inactive caption gradient
    {A, QPalette::Highlight},       // 29 menu highlight
    {A, QPalette::Window},          // 30 menu bar
    {A, QPalette::NoRole},          // 31 (none)
};

QPalette currentPalette()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) ? QGuiApplication::palette()
                                                                        : QPalette();
}

} // namespace

QColor cProgressBar::ToQColor(int32_t colour, const QPalette &palette)
{
    if (colour == kNoColour)
        return {};
    const auto value = uint32_t(colour);
    if (value & kSystemColour) {
        const SystemColour &s = kSystemColours[value & 0x1F];
        if (s.role == QPalette::NoRole)
            return {};
        return palette.color(s.group, s.role);
    }
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

cProgressBar::cProgressBar() : m_font(QStringLiteral("Tahoma"), 8) {}

void cProgressBar::SetMin(int32_t v) { m_min = v; Draw(); }
void cProgressBar::SetMax(int32_t v) { m_max = v; Draw(); }
void cProgressBar::SetValue(int32_t v) { m_value = v; Draw(); }
void cProgressBar::SetText(const QString &v) { m_text = v; Draw(); }
void cProgressBar::SetShowText(bool v) { m_showText = v; Draw(); }
void cProgressBar::SetTextAlignX(int32_t v) { m_alignX = v; Draw(); }
void cProgressBar::SetTextAlignY(int32_t v) { m_alignY = v; Draw(); }
void cProgressBar::SetFont(const QFont &v) { m_font = v; Draw(); }
void cProgressBar::SetBackColor(int32_t v) { m_backColor = v; Draw(); }
void cProgressBar::SetForeColor(int32_t v) { m_foreColor = v; Draw(); }
void cProgressBar::SetBarColor(int32_t v) { m_barColor = v; Draw(); }
void cProgressBar::SetBarForeColor(int32_t v) { m_barForeColor = v; Draw(); }
void cProgressBar::SetBorderStyle(int32_t v) { m_borderStyle = v; Draw(); }
void cProgressBar::SetAppearance(int32_t v) { m_appearance = v; Draw(); }
void cProgressBar::SetSegments(bool v) { m_segments = v; Draw(); }
void cProgressBar::SetXpStyle(bool v) { m_xpStyle = v; Draw(); }
void cProgressBar::SetPicture(const QImage &v) { m_picture.CreateFromPicture(v); Draw(); }
void cProgressBar::SetBarPicture(const QImage &v) { m_barPicture.CreateFromPicture(v); Draw(); }
void cProgressBar::SetBackPictureMode(int32_t v) { m_backPictureMode = v; Draw(); }
void cProgressBar::SetBarPictureMode(int32_t v) { m_barPictureMode = v; Draw(); }

void cProgressBar::SetDrawObject(QPaintDevice *v, const cProgressBarStyle *style)
{
    m_drawObject = v;
    m_drawStyle = style;
    Draw();
}

double cProgressBar::Percent() const
{
    if (m_max == m_min)
        return m_value >= m_max ? 100.0 : 0.0;
    const double p = (double(m_value) - m_min) / (double(m_max) - m_min) * 100.0;
    if (std::isnan(p) || p < 0)
        return 0.0;
    return std::min(p, 100.0);
}

double cProgressBar::fraction() const { return Percent() / 100.0; }

void cProgressBar::Draw()
{
    if (!m_drawObject)
        return;
    QPainter p(m_drawObject);
    if (p.isActive())
        DrawToDC(m_drawStyle, p, 0, 0, m_drawObject->width(), m_drawObject->height());
}

void cProgressBar::DrawToDC(const cProgressBarStyle *style, QPainter &target, int left, int top,
                            int right, int bottom)
{
    const int x = std::min(left, right), y = std::min(top, bottom);
    const int w = std::abs(right - left), h = std::abs(bottom - top);
    // An empty rectangle needs no surface: it is painted straight onto the target.
    QImage *image = w > 0 && h > 0 ? m_mem.hdc(w, h) : nullptr;
    if (!image) {
        target.save();
        paint(target, QRect(x, y, w, h), style);
        target.restore();
        return;
    }
    {
        QPainter p(image);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(QRect(0, 0, w, h), Qt::transparent);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
        paint(p, QRect(0, 0, w, h), style);
    }
    m_mem.Draw(target, 0, 0, w, h, x, y);
}

void cProgressBar::fill(QPainter &p, const QRect &r, int32_t colour)
{
    const QColor c = ToQColor(colour, currentPalette());
    if (c.isValid() && !r.isEmpty())
        p.fillRect(r, c);
}

void cProgressBar::fillPicture(QPainter &p, const QRect &r, const QImage &picture, int32_t mode)
{
    if (r.isEmpty())
        return;
    if (mode == 1) {
        const QPointF origin = p.brushOrigin();
        p.setBrushOrigin(r.topLeft());
        p.fillRect(r, QBrush(picture));
        p.setBrushOrigin(origin);
    } else {
        p.drawImage(r, picture);
    }
}

void cProgressBar::drawCaption(QPainter &p, const QRect &inner, int32_t colour)
{
    const QColor c = ToQColor(colour, currentPalette());
    if (!c.isValid() || inner.isEmpty())
        return;
    int flags = Qt::TextSingleLine;
    flags |= m_alignX == 0 ? Qt::AlignLeft : m_alignX == 2 ? Qt::AlignRight : Qt::AlignHCenter;
    flags |= m_alignY == 0 ? Qt::AlignTop : m_alignY == 2 ? Qt::AlignBottom : Qt::AlignVCenter;
    p.setPen(c);
    p.setFont(m_font);
    p.drawText(inner, flags, QLatin1Char(' ') + m_text + QLatin1Char(' '));
}

void cProgressBar::drawBorder(QPainter &p, const QRect &outer)
{
    if (outer.isEmpty())
        return;
    const QPalette palette = currentPalette();
    // One ring: top and left lines in one colour, bottom and right lines in the other.
    const auto ring = [&](const QRect &r, int32_t topLeft, int32_t bottomRight) {
        if (r.isEmpty())
            return;
        const QColor tl = ToQColor(topLeft, palette), br = ToQColor(bottomRight, palette);
        const int l = r.x(), t = r.y(), w = r.width(), h = r.height();
        if (tl.isValid()) {
            p.fillRect(QRect(l, t, w - 1, 1), tl);
            p.fillRect(QRect(l, t, 1, h - 1), tl);
        }
        if (br.isValid()) {
            p.fillRect(QRect(l, t + h - 1, w, 1), br);
            p.fillRect(QRect(l + w - 1, t, 1, h), br);
        }
    };
    const bool sunken = m_borderStyle == 1;
    if (m_appearance == 0) {
        ring(outer, 0, 0);
    } else if (m_appearance == 2) {
        const QRect inner = outer.adjusted(1, 1, -1, -1);
        if (sunken) {
            ring(outer, kButtonShadow, kButtonHighlight);
            ring(inner, kDarkShadow, kLight);
        } else {
            ring(outer, kLight, kDarkShadow);
            ring(inner, kButtonHighlight, kButtonShadow);
        }
    } else if (sunken) {
        ring(outer, kButtonShadow, kButtonHighlight);
    } else {
        ring(outer, kButtonHighlight, kButtonShadow);
    }
}

void cProgressBar::paint(QPainter &p, const QRect &area, const cProgressBarStyle *style)
{
    const bool vertical = !(area.height() < area.width());

    // Background, and whether the platform's look draws the bar.
    bool styled = false;
    if (!m_picture.Image().isNull()) {
        fillPicture(p, area, m_picture.Image(), m_backPictureMode);
    } else if (m_xpStyle && style) {
        style->DrawBar(p, area, vertical);
        styled = true;
    } else {
        fill(p, area, m_backColor);
    }

    int chunk = 0, space = 0;
    if (styled) {
        chunk = style->ChunkSize() + style->SpaceSize();
        space = style->SpaceSize();
    } else if (m_segments) {
        chunk = 8;
        space = 2;
    }

    // The inner rectangle holds bar and caption.
    QRect inner = area;
    if (m_borderStyle > 0) {
        const int d = m_appearance == 2 && !styled ? 2 : 1;
        inner = area.adjusted(d, d, -d, -d);
        if (inner.width() < 0)
            inner.setWidth(0);
        if (inner.height() < 0)
            inner.setHeight(0);
    }

    const bool caption = m_showText && !m_text.isEmpty();
    if (caption && !styled)
        drawCaption(p, inner, m_foreColor);

    const double f = fraction();
    const int step = chunk + space;
    QRect bar = inner;
    if (!vertical) {
        int length = int(std::lround(f * inner.width()));
        if (chunk > 0 && step > 0)
            length -= length % step;
        bar.setWidth(std::max(length, 0));
    } else {
        const int bottomEdge = inner.y() + inner.height();
        int length = bottomEdge - (inner.y() + int(std::lround((1.0 - f) * inner.height())));
        if (chunk > 0 && step > 0)
            length -= length % step;
        length = std::max(length, 0);
        bar = QRect(inner.x(), bottomEdge - length, inner.width(), length);
    }

    if (!styled) {
        p.save();
        p.setClipRect(bar, Qt::IntersectClip);
    }

    if (!m_barPicture.Image().isNull())
        fillPicture(p, bar, m_barPicture.Image(), m_barPictureMode);
    else if (styled)
        style->DrawChunk(p, bar, vertical);
    else
        fill(p, bar, m_barColor);

    // Gaps between the blocks, from the start edge on.
    if (m_segments && !styled) {
        if (!vertical) {
            for (int at = chunk; at < bar.width(); at += step)
                fill(p, QRect(bar.x() + at, bar.y(), space, bar.height()), m_backColor);
        } else {
            const int bottomEdge = bar.y() + bar.height();
            for (int at = chunk; at < bar.height(); at += step)
                fill(p, QRect(bar.x(), bottomEdge - at - space, bar.width(), space), m_backColor);
        }
    }

    if (caption) {
        if (styled)
            style->DrawText(p, style->ContentRect(area), m_text);
        else
            drawCaption(p, inner, m_barForeColor);
    }

    if (!styled) {
        p.restore();
        if (m_borderStyle > 0)
            drawBorder(p, area);
    }
}
