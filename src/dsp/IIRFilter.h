#pragma once
// One second-order recursive (biquad) filter with the usual cookbook coefficients for
// low-pass, high-pass, band-pass and peaking filters, the bandwidth given in octaves.
// It filters arrays of samples in place and keeps its memory between calls, so consecutive
// buffers form one continuous signal.
//
// Not thread-safe: one thread (the user-interface thread) owns each filter.
#include <cstddef>
#include <cstdint>
#include <span>

class IIRFilter {
public:
    // Filter types (values of IIRType()).
    enum Type : std::int32_t { LowPass = 0, HighPass = 1, BandPass = 2, Peaking = 3 };

    // The normalised coefficients (each already divided by a0).
    struct Coefficients {
        float b0 = 0, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    };

    IIRFilter() = default;

    // Builds the filter: type (0 .. 3), gain in dB (peaking type only), corner or centre
    // frequency and sample rate in Hz, bandwidth in octaves. Stores the values (the sample
    // rate rounded to an integer), computes the coefficients and clears the memory.
    // Throws NumberedError 32000 (source "IIRFilter") when the parameters cannot give a
    // working filter: "invalid filter type", "invalid samplerate", "invalid frequency"
    // (the frequency must lie strictly between 0 and half the sample rate), "invalid bandwidth"
    // (must be above 0) or "invalid filter parameters" (a gain that is not a number or
    // overflows the coefficients). On error nothing changes: the filter keeps its previous
    // values, coefficients and memory.
    void CreateBiquadIIR(std::int32_t IIRType, float dBGain, float freq, float srate, float bandwidth);

    // When false, processing leaves the samples and the memory unchanged. Initially true.
    bool Enabled() const noexcept { return m_enabled; }
    void setEnabled(bool enabled) noexcept { m_enabled = enabled; }

    // The parameters. A write stores the value and, when SampleRate() is above 0, rebuilds the
    // filter through CreateBiquadIIR (which clears the memory). A write the filter cannot be
    // built with throws as CreateBiquadIIR does and leaves the filter as it was.
    std::int32_t SampleRate() const noexcept { return m_sampleRate; }
    void setSampleRate(std::int32_t srate);
    float GainDB() const noexcept { return m_gainDB; }
    void setGainDB(float gainDB);
    float Frequency() const noexcept { return m_frequency; }
    void setFrequency(float freq);
    float Bandwidth() const noexcept { return m_bandwidth; }
    void setBandwidth(float bandwidth);
    // Read only: set by CreateBiquadIIR.
    std::int32_t IIRType() const noexcept { return m_type; }

    // True once CreateBiquadIIR has succeeded. A filter that was never built leaves the samples
    // unchanged.
    bool IsBuilt() const noexcept { return m_built; }
    // The coefficients in use (all 0 before the first build).
    Coefficients GetCoefficients() const noexcept { return m_c; }

    // Filters 16-bit signed samples in place, in array order: intSamples[0], intSamples[stride],
    // intSamples[2 * stride] ... (stride 1: every element). A stride above 1 lets one filter
    // follow one channel of interleaved samples. Output beyond full scale is clipped to
    // -32768 .. 32767; the memory keeps the unclipped value.
    void ProcessSamples_16bit(std::span<std::int16_t> intSamples, std::size_t stride = 1) noexcept;

    // Runs the two channels of interleaved samples through two chains of filters, in place:
    // the elements 0, 2, 4 ... through even[0], then even[1] and so on, the elements 1, 3, 5 ...
    // through odd[0], odd[1] ..., exactly as calling ProcessSamples_16bit(intSamples, 2) of every
    // filter of `even` in turn and ProcessSamples_16bit(intSamples.subspan(1), 2) of every filter
    // of `odd` would. The chains have the same length (the shorter one's length is used) and
    // share no filter. The work runs four recurrences side by side, so it is much faster than
    // those calls.
    static void ProcessStereoChain_16bit(std::span<std::int16_t> intSamples, std::span<IIRFilter> even,
                                         std::span<IIRFilter> odd) noexcept;

    // Filters 8-bit unsigned samples (silence = 128) in place, every element in order.
    void ProcessSamples_8bit(std::span<std::uint8_t> btSamples) noexcept;

private:
    struct Memory {
        float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    };
    bool active() const noexcept { return m_enabled && m_built; }
    static std::int16_t step(const Coefficients &c, Memory &m, float x) noexcept;
    void rebuildAfterWrite(std::int32_t srate, float gainDB, float freq, float bandwidth);

    bool m_enabled = true;
    bool m_built = false;
    std::int32_t m_sampleRate = 0;
    std::int32_t m_type = 0;
    float m_gainDB = 0;
    float m_frequency = 0;
    float m_bandwidth = 0;
    Coefficients m_c;
    Memory m_m;
};
