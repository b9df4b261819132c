#pragma once
// The recorder's 22-bar spectrum: band levels computed from the first 1024 samples of a
// buffer, with peaks that jump up at once and fall by 0.07 per update. The drawing code paints
// Bar(l) for every band after each Update.
//
// Not thread-safe. Allocates only when constructed.
#include "clsFourier.h"

#include <array>
#include <cstdint>
#include <span>

class SpectrumBands {
public:
    static constexpr int kBands = 22;
    static constexpr int kInputSize = 1024;
    static constexpr double kFall = 0.07;

    // All levels at 0; a 1024-point transform with the Blackman window.
    SpectrumBands();

    // With at least 1024 samples: lets every level fall by 0.07 (not below 0), then raises
    // each band to its new value where that is higher (at most 1), and returns true. With
    // fewer samples nothing changes and the result is false.
    //
    // Band values: bin magnitudes |X(k)| / 256 / 32767, limited to 0.2 and scaled to 0 .. 1;
    // band l adds the four bins 1 + 5l .. 4 + 5l to a running sum carried from band to band,
    // weighted by (g + 1) / 3 with g = 0.5 (1 - cos(2π (l + 3) / 25)).
    bool Update(std::span<const std::int16_t> intSamples);

    // Displayed height of band l (0 .. 21) as a fraction 0 .. 1.
    double Level(int band) const { return m_levels.at(static_cast<std::size_t>(band)); }
    const std::array<double, kBands> &Levels() const noexcept { return m_levels; }

    // Rectangle (right and bottom exclusive) and colour of one spectrum bar on a surface
    // `height` pixels high: 3 pixels wide from x = 4l + 4, from its level's height down to
    // 2 pixels above the bottom; red for low bars through to yellow for full ones.
    struct BarRect {
        int left = 0, top = 0, right = 0, bottom = 0;
        std::int32_t color = 0;
    };
    static BarRect Bar(int band, double level, int height) noexcept;
    BarRect Bar(int band, int height) const { return Bar(band, Level(band), height); }

    // The transform, for its Timing.
    const clsFourier &Fourier() const noexcept { return m_fourier; }

private:
    clsFourier m_fourier;
    std::array<double, kBands> m_levels{};
    std::array<double, kBands> m_weight{};
};
