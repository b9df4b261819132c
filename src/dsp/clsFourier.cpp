#include "clsFourier.h"

#include "common/NumberedError.h"

#include <bit>
#include <cmath>

namespace {

const double kPi = 4.0 * std::atan(1.0);
const double kTwoPi = 2.0 * kPi;

[[noreturn]] void fail(long number, const char *text)
{
    throw NumberedError(number, "clsFourier", text);
}

[[noreturn]] void failIndex()
{
    fail(381, "Index out of range or number of samples unknown");
}

} // namespace

clsFourier::clsFourier() : m_input(1), m_output(1) {}

void clsFourier::setNumberOfSamples(std::int32_t nuNumSam)
{
    if (nuNumSam < 2 || (nuNumSam & (nuNumSam - 1)) != 0)
        fail(380, "Number of samples must be a positive value of the form 2 ^ n");
    const auto n = static_cast<std::size_t>(nuNumSam);
    m_input.assign(n, Complex{});
    m_output.assign(n, Complex{});
    // The window depends only on N: work it out once instead of on every input.
    m_window.resize(n);
    const double span = static_cast<double>(nuNumSam - 1);
    for (std::size_t k = 0; k < n; ++k) {
        const double phase = kTwoPi * static_cast<double>(k) / span;
        m_window[k] = 0.42 - 0.5 * std::cos(phase) + 0.08 * std::cos(2.0 * phase);
    }
    m_last = nuNumSam - 1;
    m_bits = std::countr_zero(static_cast<std::uint32_t>(nuNumSam));
    m_sizeKnown = true;
    m_dirty = true;
}

std::size_t clsFourier::position(std::int32_t index) const
{
    if (!m_sizeKnown || index < 1 || index > m_last + 1)
        failIndex();
    // Bit reversal of the lowest `bits` bits of index - 1.
    auto k = static_cast<std::uint32_t>(index - 1);
    std::uint32_t r = 0;
    for (int b = 0; b < m_bits; ++b) {
        r = (r << 1) | (k & 1u);
        k >>= 1;
    }
    return r;
}

void clsFourier::setRealIn(std::int32_t index, double nuValueIn)
{
    Complex &c = m_input[position(index)];
    c.re = m_withTimeWindow ? nuValueIn * m_window[static_cast<std::size_t>(index - 1)] : nuValueIn / 2.0;
    c.im = 0.0;
    m_dirty = true;
}

void clsFourier::setImagIn(std::int32_t index, double nuValueIn)
{
    m_input[position(index)].im = nuValueIn;
    m_dirty = true;
}

const clsFourier::Complex &clsFourier::output(std::int32_t index)
{
    if (!m_sizeKnown || index < 1 || index > m_last + 1)
        failIndex();
    if (m_dirty) {
        m_dirty = false;
        const auto start = std::chrono::steady_clock::now();
        transform();
        m_lastDuration = std::chrono::steady_clock::now() - start;
    }
    return m_output[static_cast<std::size_t>(index - 1)];
}

double clsFourier::RealOut(std::int32_t index) { return output(index).re; }

double clsFourier::ImagOut(std::int32_t index) { return output(index).im; }

double clsFourier::ComplexOut(std::int32_t index)
{
    const Complex &c = output(index);
    return std::sqrt(c.re * c.re + c.im * c.im);
}

float clsFourier::Timing() const noexcept
{
    return std::chrono::duration<float, std::milli>(m_lastDuration).count();
}

void clsFourier::transform() noexcept
{
    // Iterative radix-2 decimation in time on the bit-reversed inputs; the twiddle factor is
    // advanced by a rotation recurrence rather than a sine and cosine per butterfly.
    m_output = m_input; // same size: no allocation
    const std::size_t n = m_output.size();
    Complex *x = m_output.data();
    for (std::size_t s = 2; s <= n; s *= 2) {
        const std::size_t h = s / 2;
        const double theta = kPi / static_cast<double>(h);
        const double half = std::sin(theta / 2.0);
        const double alpha = 2.0 * half * half;
        const double beta = std::sin(theta);
        for (std::size_t b = 0; b < n; b += s) {
            double wr = 1.0, wi = 0.0;
            for (std::size_t j = b; j < b + h; ++j) {
                Complex &lo = x[j];
                Complex &hi = x[j + h];
                const double tr = wr * hi.re - wi * hi.im;
                const double ti = wr * hi.im + wi * hi.re;
                hi.re = lo.re - tr;
                hi.im = lo.im - ti;
                lo.re += tr;
                lo.im += ti;
                const double nr = wr - (alpha * wr + beta * wi);
                wi = wi - (alpha * wi - beta * wr);
                wr = nr;
            }
        }
    }
}
