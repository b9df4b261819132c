#pragma once
// The effects dialog's rules apart from its widgets: each slider's range and its mapping to the
// effects processor both ways, the equalizer's band labels and the response curve.
//
// Not thread-safe; the dialog and the processor live on the user-interface thread.
#include "clsDSP.h"

#include <QImage>
#include <QString>
#include <span>
#include <vector>

namespace fxopts {

// The sliders of the echo, phase shifter and amplifier pages.
enum class Slider {
    ReverbAmp,   // EchoAmp × 10
    ReverbLen,   // EchoLength in ms
    ShDry,       // PhaseShiftDry × 10
    ShWet,       // PhaseShiftWet × 10
    ShFb,        // PhaseShiftFeedback × 10
    ShFreq,      // PhaseShiftFrequency in Hz
    ShSwpRange,  // PhaseShiftSweepRange × 10 (octaves)
    ShSwpRate,   // PhaseShiftSweepRate × 10
    AmplDB,      // AmplifyDB
};
inline constexpr Slider kAllSliders[] = {Slider::ReverbAmp, Slider::ReverbLen, Slider::ShDry,
                                         Slider::ShWet,     Slider::ShFb,      Slider::ShFreq,
                                         Slider::ShSwpRange, Slider::ShSwpRate, Slider::AmplDB};

struct Range {
    int minimum = 0, maximum = 0;
};
Range SliderRange(Slider s);

// Slider -> processor (written at once); processor -> slider (on opening), rounded halves to even.
void Apply(clsDSP &dsp, Slider s, int value);
int Read(const clsDSP &dsp, Slider s);

// Equalizer band sliders: -12 .. 12, -12 at the top; the gain is minus the slider value.
inline constexpr int kBandMinimum = -12;
inline constexpr int kBandMaximum = 12;
void ApplyBand(clsDSP &dsp, int band, int value);
int ReadBand(const clsDSP &dsp, int band);

// "80 Hz" up to 1000 Hz, then the frequency / 1000 cut to a whole number and " kHz" ("14 kHz").
QString BandLabel(std::int32_t frequency);
// The amplification label: "3 dB".
QString AmplLabel(int value);

// Response curve on a surface of width × height: band i (1-based) stands at
// x = i × step - 4 with step = (width - 10) / bands rounded, and
// y = value / maximum × height / 2 + height / 2 (boosts above the centre line).
struct CurvePoint {
    double x = 0, y = 0;
};
int CurveStep(int width, int bands);
std::vector<CurvePoint> CurvePoints(std::span<const int> sliderValues, int sliderMaximum, int width, int height);

// Colours of the curve: red-orange at the top, gold in the middle, green at the bottom.
inline constexpr std::int32_t kCurveTop = 74428;
inline constexpr std::int32_t kCurveMiddle = 2271457;
inline constexpr std::int32_t kCurveBottom = -13312;
inline constexpr std::int32_t kCurveBackground = 0;       // black
inline constexpr std::int32_t kCurveGrid = 0x404040;      // dark grey

// Paints the curve into `image` (already sized): cleared, a grid line at each band's x from the
// top to height - 2, then cosine-interpolated segments between neighbouring bands, five steps a
// pixel, each in BlendColor(height, y, top, middle, bottom).
void DrawCurve(QImage &image, std::span<const int> sliderValues, int sliderMaximum);

} // namespace fxopts
