#pragma once
// Rounding and clipping shared by the effects, the filter and the display computations.
// Rounding is to the nearest integer with halves going to the even neighbour (the default
// floating-point rounding mode, which the program never changes).
#include <cmath>
#include <cstdint>

namespace tavdsp {

// The circle constants as 32-bit floats, as the effects use them.
inline constexpr float kPiF = 3.1415927f;
inline constexpr float kTwoPiF = 6.2831855f;

// Rounds v to the nearest integer, halves to even.
inline double RoundEven(double v) { return std::nearbyint(v); }
inline float RoundEven(float v) { return std::nearbyint(v); }

// Rounds v and limits it to -32768 .. 32767. A value that is not a number gives 0, so a
// faulty parameter can never turn into an undefined conversion.
inline std::int16_t RoundClip16(float v)
{
    if (v > 32767.0f)
        return 32767;
    if (v < -32768.0f)
        return -32768;
    if (v != v)
        return 0;
    return static_cast<std::int16_t>(std::nearbyint(v));
}

// Limits an integer to -32768 .. 32767.
inline std::int16_t Clip16(std::int32_t v)
{
    return static_cast<std::int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
}

} // namespace tavdsp
