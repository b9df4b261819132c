#pragma once
// Helpers shared by the effects and analysis tests.
#include "common/NumberedError.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <string>
#include <vector>

namespace dsptest {

// Runs f and checks that it throws the numbered error (number, source, description).
template <typename F>
::testing::AssertionResult throwsNumbered(F &&f, long number, const std::string &source,
                                          const std::string &text)
{
    try {
        f();
    } catch (const NumberedError &e) {
        if (e.Number() == number && e.Source() == source && e.Description() == text)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "got " << e.Number() << " " << e.Source() << " \""
                                             << e.Description() << "\"";
    }
    return ::testing::AssertionFailure() << "nothing thrown";
}

// Reproducible noise in -amplitude .. amplitude.
inline std::vector<std::int16_t> noise(std::size_t n, int amplitude = 20000, unsigned seed = 7)
{
    std::mt19937 gen(seed);
    std::uniform_int_distribution<int> dist(-amplitude, amplitude);
    std::vector<std::int16_t> v(n);
    for (auto &s : v)
        s = static_cast<std::int16_t>(dist(gen));
    return v;
}

// A sine of `freq` Hz at `rate`, `channels` interleaved copies per frame.
inline std::vector<std::int16_t> sine(std::size_t frames, double freq, double rate, double amplitude,
                                      int channels = 1)
{
    std::vector<std::int16_t> v(frames * static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            v[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] = static_cast<std::int16_t>(
                std::lround(amplitude * std::sin(2 * std::numbers::pi * freq * static_cast<double>(i) / rate)));
    return v;
}

// Largest absolute value among samples [from, to) taken every `stride`-th element from `first`.
inline int peak(const std::vector<std::int16_t> &v, std::size_t from, std::size_t to, std::size_t stride = 1,
                std::size_t first = 0)
{
    int p = 0;
    for (std::size_t i = from + first; i < to; i += stride)
        p = std::max(p, std::abs(static_cast<int>(v[i])));
    return p;
}

} // namespace dsptest
