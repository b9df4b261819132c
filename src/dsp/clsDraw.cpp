#include "clsDraw.h"

#include <algorithm>

DrawSurface::DrawSurface(QSize size, std::int32_t background) : m_background(background)
{
    Resize(size);
}

DrawSurface::~DrawSurface()
{
    if (m_painter.isActive())
        m_painter.end();
}

void DrawSurface::Resize(QSize size)
{
    size = size.expandedTo(QSize(1, 1));
    if (m_painter.isActive()) {
        if (size == m_image.size())
            return;
        m_painter.end();
    }
    m_image = QImage(size, QImage::Format_RGB32);
    m_painter.begin(&m_image);
    Clear();
}

void DrawSurface::Clear()
{
    m_painter.fillRect(QRect(QPoint(0, 0), m_image.size()), ToQColor(m_background));
}

clsDraw::clsDraw() : m_white(Qt::white, 0) {}

void clsDraw::DrawRect(QPainter &p, int lngLeft, int lngTop, int lngRight, int lngBottom, std::int32_t lngColor)
{
    if (lngRight <= lngLeft || lngBottom <= lngTop)
        return;
    p.fillRect(QRect(lngLeft, lngTop, lngRight - lngLeft, lngBottom - lngTop), ToQColor(lngColor));
}

void clsDraw::DrawAmplitudes(std::span<const std::int16_t> data, DrawSurface &picVis)
{
    const int w = picVis.Width(), h = picVis.Height();
    QPainter &p = picVis.Painter();
    DrawRect(p, 0, 0, w, h, 0);
    const std::size_t room = WaveformPointCount(w);
    if (m_points.size() < room) {
        m_points.resize(room);
        m_polyline.resize(room);
    }
    const std::size_t n = WaveformPoints(data, w, h, std::span<DrawPoint>(m_points.data(), room));
    for (std::size_t i = 0; i < n; ++i)
        m_polyline[i] = QPoint(m_points[i].x, m_points[i].y);
    if (n < 2)
        return;
    p.setPen(m_white);
    p.drawPolyline(m_polyline.data(), int(n));
}

void clsDraw::DrawFrequencies(std::span<const std::int16_t> intSamples, DrawSurface &picbox)
{
    if (!m_bands.Update(intSamples))
        return;
    picbox.Clear();
    const int h = picbox.Height();
    for (int l = 0; l < SpectrumBands::kBands; ++l) {
        const SpectrumBands::BarRect bar = m_bands.Bar(l, h);
        DrawRect(picbox.Painter(), bar.left, bar.top, bar.right, bar.bottom, bar.color);
    }
}

void DrawLevelBar(DrawSurface &surface, double level)
{
    surface.Clear();
    clsDraw::DrawRect(surface.Painter(), 0, 0, LevelBarWidth(surface.Width(), level), surface.Height(),
                      LevelBarColor(float(level)));
}
