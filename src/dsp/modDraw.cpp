#include "modDraw.h"

#include "SampleMath.h"

#include <algorithm>
#include <cstdlib>

namespace {

struct Rgb {
    std::int32_t r, g, b;
};

Rgb split(std::int32_t c)
{
    return {c & 255, (c / 256) & 255, (c / 65536) & 255};
}

std::int32_t channel(std::int32_t from, std::int32_t to, float half, float t)
{
    const float v = static_cast<float>(to - from) / half * t + static_cast<float>(from);
    if (!(v >= 0.0f))
        return 0;
    if (v > 255.0f)
        return 255;
    return static_cast<std::int32_t>(tavdsp::RoundEven(v));
}

} // namespace

std::int32_t BlendColor(float m, float v, std::int32_t c1, std::int32_t c2, std::int32_t c3) noexcept
{
    const float half = m / 2.0f;
    if (!(half > 0.0f))
        return half > v ? c1 : c3;
    Rgb from, to;
    float t;
    if (half > v) {
        from = split(c1);
        to = split(c2);
        t = v;
    } else {
        from = split(c2);
        to = split(c3);
        t = v - half;
    }
    return channel(from.r, to.r, half, t) + 256 * channel(from.g, to.g, half, t) +
           65536 * channel(from.b, to.b, half, t);
}

std::int32_t LevelBarColor(float level) noexcept
{
    return BlendColor(1.0f, level, kLevelGreen, kLevelOrange, kLevelRed);
}

int LevelBarWidth(int width, double level) noexcept
{
    if (width <= 0 || !(level > 0.0))
        return 0;
    const double w = tavdsp::RoundEven(width * level);
    return w >= width ? width : static_cast<int>(w);
}

MeterPeakValues MeterPeaks(std::span<const std::int16_t> samples, bool stereo) noexcept
{
    std::int32_t peak[2] = {0, 0};
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const std::int32_t a = std::abs(static_cast<std::int32_t>(samples[i]));
        std::int32_t &p = peak[stereo ? (i & 1u) : 0];
        if (a > p)
            p = a;
    }
    if (!stereo)
        peak[1] = peak[0];
    return {peak[0] == 0 ? 1 : peak[0], peak[1] == 0 ? 1 : peak[1]};
}

std::size_t WaveformPoints(std::span<const std::int16_t> data, int width, int height,
                           std::span<DrawPoint> points) noexcept
{
    if (width < 1 || height < 1 || points.size() < 3)
        return 0;
    const int mid = height / 2;
    const double lastIndex = static_cast<double>(data.size()) - 1.0;
    double rounded = tavdsp::RoundEven(lastIndex / width);
    const std::size_t step = rounded >= 1.0 ? static_cast<std::size_t>(rounded) : 1;

    std::size_t n = 0;
    points[n++] = {0, mid};
    const std::size_t room = points.size() - 3;
    std::size_t next = 0;
    int x = 1;
    for (; x <= width - 3 && static_cast<std::size_t>(x) <= room; ++x) {
        if (data.size() - next < step)
            break;
        double sum = 0.0;
        for (std::size_t i = 0; i < step; ++i)
            sum += data[next + i];
        next += step;
        double a = sum / static_cast<double>(step) / 32767.0;
        a = std::clamp(a, -1.0, 1.0);
        points[n++] = {x, static_cast<int>(tavdsp::RoundEven((mid - 2) * a + mid))};
    }
    points[n++] = {x, mid};
    points[n++] = {x + 1, mid};
    return n;
}
