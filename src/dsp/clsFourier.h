#pragma once
// Complex fast Fourier transform (radix 2, no scaling) of a power-of-two number of samples,
// with an optional Blackman time window on input. Inputs are stored in bit-reversed order as
// they arrive; the first output read after an input runs the transform, and the same transform
// serves every read until the next input. The inputs are kept apart from the transform, so a
// caller may change a few of them and read the outputs again. Indices are 1-based.
// The transform uses the positive exponent: X(k) = sum of x(n) e^(+2 pi i k n / N).
//
// Errors are NumberedError with the source "clsFourier":
//   380 "Number of samples must be a positive value of the form 2 ^ n"
//   381 "Index out of range or number of samples unknown"
//
// Not thread-safe. Only NumberOfSamples allocates.
#include <chrono>
#include <cstdint>
#include <vector>

class clsFourier {
public:
    clsFourier();

    // N, a power of two of at least 2 (else 380). Resets the buffer to N zero samples.
    void setNumberOfSamples(std::int32_t nuNumSam);
    // 0 until set.
    std::int32_t NumberOfSamples() const noexcept { return m_sizeKnown ? m_last + 1 : 0; }

    // Apply the Blackman window to the real inputs given from now on. Initially false.
    void setWithTimeWindow(bool nuTimeWindow) noexcept { m_withTimeWindow = nuTimeWindow; }
    bool WithTimeWindow() const noexcept { return m_withTimeWindow; }

    // Sets sample index (1 .. N): its real part (windowed, or halved without the window) and
    // an imaginary part of 0, so the imaginary part of an index is given after its real part.
    void setRealIn(std::int32_t index, double nuValueIn);
    // Sets the imaginary part of sample index.
    void setImagIn(std::int32_t index, double nuValueIn);

    // Real part, imaginary part and magnitude of bin index - 1 (index 1 .. N).
    double RealOut(std::int32_t index);
    double ImagOut(std::int32_t index);
    double ComplexOut(std::int32_t index);

    // Duration of the last transform in milliseconds (0 before the first).
    float Timing() const noexcept;

private:
    struct Complex {
        double re = 0, im = 0;
    };
    std::size_t position(std::int32_t index) const;
    const Complex &output(std::int32_t index);
    void transform() noexcept;

    std::vector<Complex> m_input;  // the inputs, in bit-reversed order
    std::vector<Complex> m_output; // the transform of m_input
    std::vector<double> m_window; // Blackman window factor of each input index
    bool m_sizeKnown = false;
    std::int32_t m_last = 0;
    int m_bits = 0;
    bool m_dirty = false;
    bool m_withTimeWindow = false;
    std::chrono::steady_clock::duration m_lastDuration{};
};
