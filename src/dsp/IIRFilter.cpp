#include "IIRFilter.h"

#include "NumberedError.h"
#include "SampleMath.h"

#include <cmath>

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
    m_x1 = m_x2 = m_y1 = m_y2 = 0;
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

// The recurrence y = b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2 is summed in pairs so that a filter
// whose b and a coefficients are equal (a peaking filter at 0 dB) gives y = x exactly.
void IIRFilter::ProcessSamples_16bit(std::span<std::int16_t> intSamples, std::size_t stride) noexcept
{
    if (!m_enabled || !m_built || stride == 0)
        return;
    const float b0 = m_c.b0, b1 = m_c.b1, b2 = m_c.b2, a1 = m_c.a1, a2 = m_c.a2;
    float x1 = m_x1, x2 = m_x2, y1 = m_y1, y2 = m_y2;
    const std::size_t n = intSamples.size();
    std::int16_t *s = intSamples.data();
    for (std::size_t i = 0; i < n; i += stride) {
        const float x = static_cast<float>(s[i]) / 32767.0f;
        const float y = (b1 * x1 - a1 * y1) + (b0 * x + (b2 * x2 - a2 * y2));
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        if (y > 1.0f)
            s[i] = 32767;
        else if (y < -1.0f)
            s[i] = -32768;
        else
            s[i] = tavdsp::RoundClip16(y * 32767.0f);
    }
    m_x1 = x1;
    m_x2 = x2;
    m_y1 = y1;
    m_y2 = y2;
}

void IIRFilter::ProcessSamples_8bit(std::span<std::uint8_t> btSamples) noexcept
{
    if (!m_enabled || !m_built)
        return;
    const float b0 = m_c.b0, b1 = m_c.b1, b2 = m_c.b2, a1 = m_c.a1, a2 = m_c.a2;
    float x1 = m_x1, x2 = m_x2, y1 = m_y1, y2 = m_y2;
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
    m_x1 = x1;
    m_x2 = x2;
    m_y1 = y1;
    m_y2 = y2;
}
