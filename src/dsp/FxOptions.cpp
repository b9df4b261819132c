#include "FxOptions.h"

#include "clsDraw.h"

#include <QPainter>
#include <cmath>
#include <numbers>

namespace fxopts {

namespace {

int rounded(double v) { return int(std::nearbyint(v)); }

} // namespace

Range SliderRange(Slider s)
{
    switch (s) {
    case Slider::ReverbAmp: return {1, 9};
    case Slider::ReverbLen: return {1, 1000};
    case Slider::ShDry: return {-10, 10};
    case Slider::ShWet: return {-10, 10};
    case Slider::ShFb: return {-9, 9};
    case Slider::ShFreq: return {-10, 150};
    case Slider::ShSwpRange: return {30, 60};
    case Slider::ShSwpRate: return {1, 15};
    case Slider::AmplDB: return {-12, 12};
    }
    return {};
}

void Apply(clsDSP &dsp, Slider s, int value)
{
    const float tenth = float(value) / 10.0f;
    switch (s) {
    case Slider::ReverbAmp: dsp.setEchoAmp(tenth); break;
    case Slider::ReverbLen: dsp.setEchoLength(value); break;
    case Slider::ShDry: dsp.setPhaseShiftDry(tenth); break;
    case Slider::ShWet: dsp.setPhaseShiftWet(tenth); break;
    case Slider::ShFb: dsp.setPhaseShiftFeedback(tenth); break;
    case Slider::ShFreq: dsp.setPhaseShiftFrequency(float(value)); break;
    case Slider::ShSwpRange: dsp.setPhaseShiftSweepRange(tenth); break;
    case Slider::ShSwpRate: dsp.setPhaseShiftSweepRate(tenth); break;
    case Slider::AmplDB: dsp.setAmplifyDB(value); break;
    }
}

int Read(const clsDSP &dsp, Slider s)
{
    switch (s) {
    case Slider::ReverbAmp: return rounded(double(dsp.EchoAmp()) * 10.0);
    case Slider::ReverbLen: return dsp.EchoLength();
    case Slider::ShDry: return rounded(double(dsp.PhaseShiftDry()) * 10.0);
    case Slider::ShWet: return rounded(double(dsp.PhaseShiftWet()) * 10.0);
    case Slider::ShFb: return rounded(double(dsp.PhaseShiftFeedback()) * 10.0);
    case Slider::ShFreq: return rounded(double(dsp.PhaseShiftFrequency()));
    case Slider::ShSwpRange: return rounded(double(dsp.PhaseShiftSweepRange()) * 10.0);
    case Slider::ShSwpRate: return rounded(double(dsp.PhaseShiftSweepRate()) * 10.0);
    case Slider::AmplDB: return dsp.AmplifyDB();
    }
    return 0;
}

void ApplyBand(clsDSP &dsp, int band, int value)
{
    dsp.setEqualizerBandGainDB(band, float(-value));
}

int ReadBand(const clsDSP &dsp, int band)
{
    return -rounded(double(dsp.EqualizerBandGainDB(band)));
}

QString BandLabel(std::int32_t frequency)
{
    if (frequency <= 1000)
        return QString::number(frequency) + QStringLiteral(" Hz");
    return QString::number(frequency / 1000) + QStringLiteral(" kHz");
}

QString AmplLabel(int value)
{
    return QString::number(value) + QStringLiteral(" dB");
}

int CurveStep(int width, int bands)
{
    return bands > 0 ? rounded(double(width - 10) / bands) : 0;
}

std::vector<CurvePoint> CurvePoints(std::span<const int> sliderValues, int sliderMaximum, int width, int height)
{
    std::vector<CurvePoint> points;
    const int bands = int(sliderValues.size());
    const int step = CurveStep(width, bands);
    if (sliderMaximum == 0)
        return points;
    points.reserve(sliderValues.size());
    for (int i = 1; i <= bands; ++i)
        points.push_back({double(i * step - 4),
                          double(sliderValues[std::size_t(i - 1)]) / sliderMaximum * height / 2.0 + height / 2.0});
    return points;
}

void DrawCurve(QImage &image, std::span<const int> sliderValues, int sliderMaximum)
{
    const int w = image.width(), h = image.height();
    QPainter p(&image);
    p.fillRect(image.rect(), ToQColor(kCurveBackground));
    const std::vector<CurvePoint> points = CurvePoints(sliderValues, sliderMaximum, w, h);
    if (points.empty())
        return;
    p.setPen(QPen(ToQColor(kCurveGrid), 0));
    for (const CurvePoint &pt : points)
        p.drawLine(QPointF(pt.x, 0), QPointF(pt.x, h - 3)); // up to height - 2, exclusive

    const int step = CurveStep(w, int(points.size()));
    if (step <= 0)
        return;
    QPointF at(points.front().x, points.front().y);
    for (std::size_t j = 0; j + 1 < points.size(); ++j) {
        for (int k = 0; k <= 5 * step; ++k) {
            const double mu = double(k) / 5.0 / step;
            const double c = (1.0 - std::cos(mu * std::numbers::pi)) / 2.0;
            const int y = rounded((1.0 - c) * points[j].y + c * points[j + 1].y - 0.5);
            const QPointF to(points[j].x + k / 5.0, y);
            p.setPen(QPen(ToQColor(BlendColor(float(h), float(y), kCurveTop, kCurveMiddle, kCurveBottom)), 0));
            p.drawLine(at, to);
            at = to;
        }
    }
}

} // namespace fxopts
