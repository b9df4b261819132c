#pragma once
// The recorder's displays painted with QPainter into images the caller sized once: the waveform
// of the last buffer, the 22-bar spectrum with falling peaks and the level meters. The geometry
// and colours come from modDraw and SpectrumBands; this file only paints them.
//
// Allocation: a DrawSurface holds its image and a painter kept open on it, so a tick paints
// without creating painters, pens or brushes. clsDraw sizes its point buffer for the widest
// surface it has drawn; after that the drawing calls allocate nothing.
//
// Not thread-safe: everything runs on the user-interface thread.
#include "SpectrumBands.h"
#include "modDraw.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPoint>
#include <QSize>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

// A colour value with red in the low byte, green in the middle byte and blue in the high byte.
inline QColor ToQColor(std::int32_t c)
{
    return QColor(c & 255, (c >> 8) & 255, (c >> 16) & 255);
}
// The inverse, for pixel checks.
inline std::int32_t FromQRgb(QRgb rgb)
{
    return qRed(rgb) + 256 * qGreen(rgb) + 65536 * qBlue(rgb);
}

// An image with a painter open on it for its whole life. Resize allocates; painting does not.
class DrawSurface {
public:
    explicit DrawSurface(QSize size = QSize(1, 1), std::int32_t background = 0);
    ~DrawSurface();
    DrawSurface(const DrawSurface &) = delete;
    DrawSurface &operator=(const DrawSurface &) = delete;

    void Resize(QSize size);
    QSize Size() const { return m_image.size(); }
    int Width() const { return m_image.width(); }
    int Height() const { return m_image.height(); }
    std::int32_t Background() const { return m_background; }
    void SetBackground(std::int32_t background) { m_background = background; }

    QPainter &Painter() { return m_painter; }
    const QImage &Image() const { return m_image; }
    // Fills the whole surface with the background colour.
    void Clear();

private:
    QImage m_image;
    QPainter m_painter;
    std::int32_t m_background = 0;
};

class clsDraw {
public:
    clsDraw();

    // Fills the rectangle (right and bottom exclusive) with a solid colour.
    static void DrawRect(QPainter &p, int lngLeft, int lngTop, int lngRight, int lngBottom, std::int32_t lngColor);

    // Waveform: black surface, white polyline of the column means (see WaveformPoints).
    void DrawAmplitudes(std::span<const std::int16_t> data, DrawSurface &picVis);
    // Spectrum: with at least 1024 samples the peaks fall by 0.07 and rise to the new band values,
    // then the surface is cleared and the 22 bars drawn. Shorter buffers change nothing.
    void DrawFrequencies(std::span<const std::int16_t> intSamples, DrawSurface &picbox);

    const SpectrumBands &Bands() const { return m_bands; }

private:
    SpectrumBands m_bands;
    std::vector<DrawPoint> m_points;
    std::vector<QPoint> m_polyline;
    QPen m_white;
};

// Level meter: the surface cleared, then a bar from the left edge to width × level (rounded), in
// the green-orange-red blend of the level. Levels above 1 fill the meter.
void DrawLevelBar(DrawSurface &surface, double level);
