#include "IIRFilter.h"

#include "common/NumberedError.h"
#include "SampleMath.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

[[noreturn]] void fail(const char *text)
{
    throw NumberedError(32000, "IIRFilter", text);
}

} // namespace

void IIRFilter::CreateBiquadIIR(std::int32_t IIRType, float dBGain, float freq, float srate,
                                float bandwidth)
{
    if (IIRType < LowPass || IIRType > Peaking)
        fail("invalid filter type");
    // The rate is kept as a whole number of Hz; refuse what does not round to 1 or more.
    if (!(srate >= 0.5f && srate < 2147483520.0f))
        fail("invalid samplerate");
    const auto rate = static_cast<std::int32_t>(tavdsp::RoundEven(srate));
    if (rate < 1)
        fail("invalid samplerate");
    if (!(freq > 0.0f && static_cast<double>(freq) < rate / 2.0))
        fail("invalid frequency");
    if (!(bandwidth > 0.0f) || !std::isfinite(bandwidth))
        fail("invalid bandwidth");

    const double A = std::pow(10.0, static_cast<double>(dBGain) / 40.0);
    const double omega = static_cast<double>(tavdsp::kTwoPiF) * freq / rate;
    const double sn = std::sin(omega);
    const double cs = std::cos(omega);
    const double alpha = sn * std::sinh(0.3465736 * bandwidth * omega / sn);

    double b0 = 0, b1 = 0, b2 = 0, a0 = 0, a1 = 0, a2 = 0;
    switch (IIRType) {
    case LowPass:
        b0 = (1 - cs) / 2;
        b1 = 1 - cs;
        b2 = (1 - cs) / 2;
        a0 = 1 + alpha;
        a1 = -2 * cs;
        a2 = 1 - alpha;
        break;
    case HighPass:
        b0 = (1 + cs) / 2;
        b1 = -(1 + cs);
        b2 = (1 + cs) / 2;
        a0 = 1 + alpha;
        a1 = -2 * cs;
        a2 = 1 - alpha;
        break;
    case BandPass:
        b0 = alpha;
        b1 = 0;
        b2 = -alpha;
        a0 = 1 + alpha;
        a1 = -2 * cs;
        a2 = 1 - alpha;
        break;
    default: // Peaking
        b0 = 1 + alpha * A;
        b1 = -2 * cs;
        b2 = 1 - alpha * A;
        a0 = 1 + alpha / A;
        a1 = -2 * cs;
        a2 = 1 - alpha / A;
        break;
    }

    Coefficients c;
    c.b0 = static_cast<float>(b0 / a0);
    c.b1 = static_cast<float>(b1 / a0);
    c.b2 = static_cast<float>(b2 / a0);
    c.a1 = static_cast<float>(a1 / a0);
    c.a2 = static_cast<float>(a2 / a0);
    for (float v : {c.b0, c.b1, c.b2, c.a1, c.a2})
        if (!std::isfinite(v))
            fail("invalid filter parameters");

    m_type = IIRType;
    m_gainDB = dBGain;
    m_frequency = freq;
    m_sampleRate = rate;
    m_bandwidth = bandwidth;
    m_c = c;
    m_m = Memory{};
    m_built = true;
}

void IIRFilter::rebuildAfterWrite(std::int32_t srate, float gainDB, float freq, float bandwidth)
{
    if (srate > 0) {
        // CreateBiquadIIR stores everything, or nothing when it throws.
        CreateBiquadIIR(m_type, gainDB, freq, static_cast<float>(srate), bandwidth);
        return;
    }
    m_sampleRate = srate;
    m_gainDB = gainDB;
    m_frequency = freq;
    m_bandwidth = bandwidth;
}

void IIRFilter::setSampleRate(std::int32_t srate)
{
    rebuildAfterWrite(srate, m_gainDB, m_frequency, m_bandwidth);
}

void IIRFilter::setGainDB(float gainDB)
{
    rebuildAfterWrite(m_sampleRate, gainDB, m_frequency, m_bandwidth);
}

void IIRFilter::setFrequency(float freq)
{
    rebuildAfterWrite(m_sampleRate, m_gainDB, freq, m_bandwidth);
}

void IIRFilter::setBandwidth(float bandwidth)
{
    rebuildAfterWrite(m_sampleRate, m_gainDB, m_frequency, bandwidth);
}

// One sample through the recurrence y = b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2, summed in pairs so
// that a filter whose b and a coefficients are equal (a peaking filter at 0 dB) gives y = x
// exactly. The memory keeps the unclipped y.
inline std::int16_t IIRFilter::step(const Coefficients &c, Memory &m, float x) noexcept
{
    const float y = (c.b1 * m.x1 - c.a1 * m.y1) + (c.b0 * x + (c.b2 * m.x2 - c.a2 * m.y2));
    m.x2 = m.x1;
    m.x1 = x;
    m.y2 = m.y1;
    m.y1 = y;
    return tavdsp::UnitToSample16(y);
}

void IIRFilter::ProcessSamples_16bit(std::span<std::int16_t> intSamples, std::size_t stride) noexcept
{
    if (!active() || stride == 0)
        return;
    const float *unit = tavdsp::UnitScale();
    const Coefficients c = m_c;
    Memory m = m_m;
    const std::size_t n = intSamples.size();
    std::int16_t *s = intSamples.data();
    for (std::size_t i = 0; i < n; i += stride)
        s[i] = step(c, m, unit[s[i]]);
    m_m = m;
}

#if defined(__SSE2__)
namespace {

// Four filters side by side, one per lane of a vector, with the arithmetic of step().
struct LaneCoefficients {
    __m128 b0, b1, b2, a1, a2;
};
struct LaneMemory {
    __m128 x1, x2, y1, y2;
};

inline __m128 stepLanes(const LaneCoefficients &c, LaneMemory &m, __m128 x)
{
    const __m128 y = _mm_add_ps(_mm_sub_ps(_mm_mul_ps(c.b1, m.x1), _mm_mul_ps(c.a1, m.y1)),
                                _mm_add_ps(_mm_mul_ps(c.b0, x), _mm_sub_ps(_mm_mul_ps(c.b2, m.x2), _mm_mul_ps(c.a2, m.y2))));
    m.x2 = m.x1;
    m.x1 = x;
    m.y2 = m.y1;
    m.y1 = y;
    return y;
}

// Samples (32-bit lanes) to the scale -1 .. 1: the same quotient as s / 32767.
inline __m128 unitLanes(__m128i s) { return _mm_div_ps(_mm_cvtepi32_ps(s), _mm_set1_ps(32767.0f)); }

// The lanes of y as samples, as tavdsp::UnitToSample16 gives them.
inline __m128i sampleLanes(__m128 y)
{
    const __m128 below = _mm_cmplt_ps(y, _mm_set1_ps(-1.0f));
    __m128 v = _mm_mul_ps(y, _mm_set1_ps(32767.0f));
    v = _mm_or_ps(_mm_and_ps(below, _mm_set1_ps(-32768.0f)), _mm_andnot_ps(below, v));
    v = _mm_min_ps(_mm_set1_ps(32767.0f), v);
    v = _mm_and_ps(v, _mm_cmpord_ps(v, v)); // not a number: 0
    return _mm_cvtps_epi32(v);
}

// Keeps the lanes of `now` where mask is set and those of `before` elsewhere.
inline __m128 select(__m128 mask, __m128 now, __m128 before)
{
    return _mm_or_ps(_mm_and_ps(mask, now), _mm_andnot_ps(mask, before));
}

inline void keepLanes(LaneMemory &m, const LaneMemory &before, __m128 mask)
{
    m.x1 = select(mask, m.x1, before.x1);
    m.x2 = select(mask, m.x2, before.x2);
    m.y1 = select(mask, m.y1, before.y1);
    m.y2 = select(mask, m.y2, before.y2);
}

// Two interleaved samples as two sign-extended 32-bit lanes (the low two).
inline __m128i loadPair(const std::int16_t *p)
{
    std::int32_t two;
    std::memcpy(&two, p, sizeof two);
    const __m128i v = _mm_cvtsi32_si128(two);
    return _mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16);
}

// Two 32-bit lanes (the low two, within range) as two interleaved samples.
inline void storePair(std::int16_t *p, __m128i lanes)
{
    const std::int32_t two = _mm_cvtsi128_si32(_mm_packs_epi32(lanes, lanes));
    std::memcpy(p, &two, sizeof two);
}

} // namespace
#endif

void IIRFilter::ProcessStereoChain_16bit(std::span<std::int16_t> intSamples, std::span<IIRFilter> even,
                                         std::span<IIRFilter> odd) noexcept
{
    const std::size_t bands = std::min(even.size(), odd.size());
    const std::size_t frames = intSamples.size() / 2;
    std::int16_t *s = intSamples.data();
#if defined(__SSE2__)
    // Bands are taken two at a time. In round i, lanes 0 and 1 run band k (even and odd
    // channel) on frame i, and lanes 2 and 3 run band k2 (the next active band) on frame
    // i - kLag, whose band k output is already in place. That makes four independent
    // recurrences per round; the lag leaves time for each output to reach the band after.
    // A lane without an active filter passes its input through unchanged (b0 = 1, the rest 0)
    // and keeps no memory; a lane with nothing to do in a round keeps its memory as it was.
    constexpr std::size_t kLag = 8;
    const __m128 lowLanes = _mm_castsi128_ps(_mm_setr_epi32(-1, -1, 0, 0));
    const __m128 highLanes = _mm_castsi128_ps(_mm_setr_epi32(0, 0, -1, -1));
    auto nextActive = [&](std::size_t from) {
        while (from < bands && !even[from].active() && !odd[from].active())
            ++from;
        return from;
    };
    for (std::size_t k = nextActive(0); frames > 0 && k < bands;) {
        const std::size_t k2 = nextActive(k + 1);
        IIRFilter *lane[4] = {even[k].active() ? &even[k] : nullptr, odd[k].active() ? &odd[k] : nullptr,
                              k2 < bands && even[k2].active() ? &even[k2] : nullptr,
                              k2 < bands && odd[k2].active() ? &odd[k2] : nullptr};
        alignas(16) float c[5][4];
        alignas(16) float mem[4][4];
        for (int l = 0; l < 4; ++l) {
            const Coefficients cl = lane[l] ? lane[l]->m_c : Coefficients{1, 0, 0, 0, 0};
            const Memory ml = lane[l] ? lane[l]->m_m : Memory{};
            c[0][l] = cl.b0, c[1][l] = cl.b1, c[2][l] = cl.b2, c[3][l] = cl.a1, c[4][l] = cl.a2;
            mem[0][l] = ml.x1, mem[1][l] = ml.x2, mem[2][l] = ml.y1, mem[3][l] = ml.y2;
        }
        const LaneCoefficients lc{_mm_load_ps(c[0]), _mm_load_ps(c[1]), _mm_load_ps(c[2]), _mm_load_ps(c[3]),
                                  _mm_load_ps(c[4])};
        LaneMemory m{_mm_load_ps(mem[0]), _mm_load_ps(mem[1]), _mm_load_ps(mem[2]), _mm_load_ps(mem[3])};

        // One round; `low` and `high` tell which halves have a frame to work on.
        auto round = [&](std::size_t i, bool low, bool high) {
            const __m128i in = _mm_unpacklo_epi64(low ? loadPair(s + 2 * i) : _mm_setzero_si128(),
                                                  high ? loadPair(s + 2 * (i - kLag)) : _mm_setzero_si128());
            const LaneMemory before = m;
            const __m128i out = sampleLanes(stepLanes(lc, m, unitLanes(in)));
            if (!low)
                keepLanes(m, before, highLanes);
            if (!high)
                keepLanes(m, before, lowLanes);
            if (low)
                storePair(s + 2 * i, out);
            if (high)
                storePair(s + 2 * (i - kLag), _mm_unpackhi_epi64(out, out));
        };
        const std::size_t rounds = frames + kLag;
        std::size_t i = 0;
        for (; i < std::min(kLag, frames); ++i)
            round(i, true, false);
        for (; i < frames; ++i) { // both halves busy: the bulk of the work
            const __m128i in = _mm_unpacklo_epi64(loadPair(s + 2 * i), loadPair(s + 2 * (i - kLag)));
            const __m128i out = sampleLanes(stepLanes(lc, m, unitLanes(in)));
            storePair(s + 2 * i, out);
            storePair(s + 2 * (i - kLag), _mm_unpackhi_epi64(out, out));
        }
        for (; i < rounds; ++i)
            round(i, false, i >= kLag);

        _mm_store_ps(mem[0], m.x1);
        _mm_store_ps(mem[1], m.x2);
        _mm_store_ps(mem[2], m.y1);
        _mm_store_ps(mem[3], m.y2);
        for (int l = 0; l < 4; ++l)
            if (lane[l])
                lane[l]->m_m = Memory{mem[0][l], mem[1][l], mem[2][l], mem[3][l]};
        k = k2 < bands ? nextActive(k2 + 1) : bands;
    }
#else
    for (std::size_t k = 0; k < bands; ++k) {
        even[k].ProcessSamples_16bit(intSamples.first(2 * frames), 2);
        odd[k].ProcessSamples_16bit(intSamples.subspan(1), 2);
    }
#endif
    // A buffer ending inside a frame: its last (even) element goes through the even chain.
    if (intSamples.size() % 2 != 0)
        for (std::size_t k = 0; k < bands; ++k)
            even[k].ProcessSamples_16bit(intSamples.subspan(2 * frames));
}

void IIRFilter::ProcessSamples_8bit(std::span<std::uint8_t> btSamples) noexcept
{
    if (!m_enabled || !m_built)
        return;
    const float b0 = m_c.b0, b1 = m_c.b1, b2 = m_c.b2, a1 = m_c.a1, a2 = m_c.a2;
    float x1 = m_m.x1, x2 = m_m.x2, y1 = m_m.y1, y2 = m_m.y2;
    for (std::uint8_t &s : btSamples) {
        const float x = static_cast<float>(static_cast<int>(s) - 128) / 127.0f;
        const float y = (b1 * x1 - a1 * y1) + (b0 * x + (b2 * x2 - a2 * y2));
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        if (y > 1.0f)
            s = 255;
        else if (y < -1.0f)
            s = 0;
        else if (y != y)
            s = 128;
        else
            s = static_cast<std::uint8_t>(tavdsp::RoundEven(y * 127.0f + 128.0f));
    }
    m_m = {x1, x2, y1, y2};
}
