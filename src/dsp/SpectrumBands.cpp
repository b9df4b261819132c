#include "SpectrumBands.h"

#include "SampleMath.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kBinsPerBand = 5; // four shown, every fifth skipped
const double kTwoPi = 8.0 * std::atan(1.0);
} // namespace

SpectrumBands::SpectrumBands()
{
    m_fourier.setNumberOfSamples(kInputSize);
    m_fourier.setWithTimeWindow(true);
    for (int l = 0; l < kBands; ++l)
        m_weight[static_cast<std::size_t>(l)] = 0.5 * (1.0 - std::cos(kTwoPi * (l + 3) / 25.0));
}

bool SpectrumBands::Update(std::span<const std::int16_t> intSamples)
{
    if (intSamples.size() < static_cast<std::size_t>(kInputSize))
        return false;
    for (int i = 0; i < kInputSize; ++i)
        m_fourier.setRealIn(i + 1, intSamples[static_cast<std::size_t>(i)]);
    for (double &level : m_levels)
        level = std::max(0.0, level - kFall);

    double sum = 0.0;
    for (int l = 0; l < kBands; ++l) {
        for (int k = 1 + kBinsPerBand * l; k <= 4 + kBinsPerBand * l; ++k) {
            const double magnitude = m_fourier.ComplexOut(k + 1) / 256.0 / 32767.0;
            sum += std::min(magnitude, 0.2) / 0.2;
        }
        sum = (m_weight[static_cast<std::size_t>(l)] + 1.0) * sum / 3.0;
        double &level = m_levels[static_cast<std::size_t>(l)];
        if (sum > level)
            level = sum;
        if (level > 1.0)
            level = 1.0;
    }
    return true;
}

SpectrumBands::BarRect SpectrumBands::Bar(int band, double level, int height) noexcept
{
    BarRect r;
    r.left = 4 * band + 4;
    r.right = 4 * band + 7;
    const double h = height;
    const double top = std::min(h, tavdsp::RoundEven(h - h * level)) - 2.0;
    r.top = static_cast<int>(std::max(2.0, top));
    r.bottom = height - 2;
    const auto green = static_cast<std::int32_t>(tavdsp::RoundEven(std::clamp(level, 0.0, 1.0) * 255.0));
    r.color = 255 + 256 * green + 65536 * 50;
    return r;
}
