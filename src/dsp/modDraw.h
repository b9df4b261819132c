#pragma once
// The arithmetic behind the recorder's displays: the colour blend, the level meters and the
// waveform view. The drawing code only paints what these functions compute.
//
// Colours are 24-bit values with red in the low byte, green in the middle byte and blue in
// the high byte. Coordinates are pixels, origin at the top left, y downwards.
#include <cstddef>
#include <cstdint>
#include <span>

// Three-stop linear gradient over the range 0 .. m: c1 at 0, c2 at m / 2 and c3 at m.
// Each channel is interpolated in 32-bit floating point and rounded (halves to even).
// A position outside the range extrapolates, each channel held within 0 .. 255 so that it
// never spills into its neighbour; a range of 0 or less gives c1 below 0 and c3 from 0 on.
std::int32_t BlendColor(float m, float v, std::int32_t c1, std::int32_t c2, std::int32_t c3) noexcept;

// Level meters. Colours of the gradient: green at 0, orange at 0.5, red at 1.
inline constexpr std::int32_t kLevelGreen = 65280;
inline constexpr std::int32_t kLevelOrange = 2271457;
inline constexpr std::int32_t kLevelRed = 255;

// Colour of a meter showing level (0 .. 1).
std::int32_t LevelBarColor(float level) noexcept;
// Width in pixels of the bar of a meter `width` pixels wide showing level: width × level,
// rounded, kept within 0 .. width.
int LevelBarWidth(int width, double level) noexcept;

// Peak values of a buffer for the two meters: with `stereo` the largest absolute value of the
// samples at even indices (left) and at odd indices (right), otherwise the largest absolute
// value of all samples for both. A peak of 0 becomes 1.
struct MeterPeakValues {
    std::int32_t left = 1, right = 1;
};
MeterPeakValues MeterPeaks(std::span<const std::int16_t> samples, bool stereo) noexcept;

// Waveform view of a buffer on a surface of width × height pixels: a white polyline on black.
struct DrawPoint {
    int x = 0, y = 0;
};
// Room WaveformPoints needs for a surface `width` pixels wide.
constexpr std::size_t WaveformPointCount(int width) noexcept
{
    return width < 1 ? 0 : (width < 3 ? 3 : static_cast<std::size_t>(width));
}
// Fills `points` with the polyline and returns how many points it holds. The line starts at
// (0, mid) with mid = height / 2; columns x = 1 .. width - 3 each show the mean of the next
// `step` samples (step = last index / width, rounded), scaled so full scale reaches 2 pixels
// from the edge; the line ends back at mid height on the two columns after the last one.
// A buffer narrower than the view uses one sample per column, and the columns stop where the
// samples run out. Returns 0 for a surface without width or height, or fewer than 3 points of
// room; with less room than WaveformPointCount(width) the columns stop early.
std::size_t WaveformPoints(std::span<const std::int16_t> data, int width, int height,
                           std::span<DrawPoint> points) noexcept;
