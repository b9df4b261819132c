#pragma once
// Rounding and clipping shared by the effects, the filter and the display computations.
// Rounding is to the nearest integer with halves going to the even neighbour (the default
// floating-point rounding mode, which the program never changes).
#include <cmath>
#include <cstdint>
#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace tavdsp {

// The circle constants as 32-bit floats, as the effects use them.
inline constexpr float kPiF = 3.1415927f;
inline constexpr float kTwoPiF = 6.2831855f;

// Rounds v to the nearest integer, halves to even.
inline double RoundEven(double v) { return std::nearbyint(v); }
inline float RoundEven(float v) { return std::nearbyint(v); }

// Rounds v (within the range of int) to the nearest integer, halves to even. On x86 this is a
// single conversion instruction instead of a library call.
inline std::int32_t RoundToInt(float v)
{
#if defined(__SSE__) || defined(__x86_64__)
    return _mm_cvtss_si32(_mm_set_ss(v));
#else
    return static_cast<std::int32_t>(std::nearbyint(v));
#endif
}

// Rounds v and limits it to -32768 .. 32767. A value that is not a number gives 0, so a
// faulty parameter can never turn into an undefined conversion. Free of branches on x86, where
// clipping is frequent in loud passages.
inline std::int16_t RoundClip16(float v)
{
#if defined(__SSE__) || defined(__x86_64__)
    // max and min keep a NaN (the constant comes first); its conversion gives 0x80000000,
    // whose low 16 bits are 0.
    __m128 x = _mm_max_ss(_mm_set_ss(-32768.0f), _mm_set_ss(v));
    x = _mm_min_ss(_mm_set_ss(32767.0f), x);
    return static_cast<std::int16_t>(_mm_cvtss_si32(x));
#else
    if (v > 32767.0f)
        return 32767;
    if (v < -32768.0f)
        return -32768;
    if (v != v)
        return 0;
    return static_cast<std::int16_t>(RoundToInt(v));
#endif
}

// A value y on the scale -1 .. 1 as a 16-bit sample: 32767 when y > 1, -32768 when y < -1,
// else y × 32767 rounded (0 for a value that is not a number).
inline std::int16_t UnitToSample16(float y)
{
#if defined(__SSE__) || defined(__x86_64__)
    const __m128 vy = _mm_set_ss(y);
    const __m128 below = _mm_cmplt_ss(vy, _mm_set_ss(-1.0f));
    __m128 x = _mm_mul_ss(vy, _mm_set_ss(32767.0f));
    x = _mm_or_ps(_mm_and_ps(below, _mm_set_ss(-32768.0f)), _mm_andnot_ps(below, x));
    x = _mm_min_ss(_mm_set_ss(32767.0f), x);
    return static_cast<std::int16_t>(_mm_cvtss_si32(x));
#else
    if (y > 1.0f)
        return 32767;
    if (y < -1.0f)
        return -32768;
    if (y != y)
        return 0;
    return static_cast<std::int16_t>(RoundToInt(y * 32767.0f));
#endif
}

// s / 32767 as a 32-bit float for every 16-bit sample s: the table holds exactly the quotient
// a division would give, and a look-up is far cheaper than a division in the per-sample loops.
// Returns the entry of sample 0; valid indices are -32768 .. 32767.
const float *UnitScale() noexcept;

// Limits an integer to -32768 .. 32767.
inline std::int16_t Clip16(std::int32_t v)
{
    return static_cast<std::int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
}

} // namespace tavdsp
