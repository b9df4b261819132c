#include "clsDSP.h"

#include "common/NumberedError.h"
#include "SampleMath.h"

#include <algorithm>
#include <cmath>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

[[noreturn]] void fail(const char *text)
{
    throw NumberedError(32000, "clsDSP", text);
}

constexpr int kDefaultBands = 7;
constexpr double kLowestCentre = 80.0;
// Gains are kept within this bound so that a product with a sample is always a finite number.
constexpr float kMaxFactor = 1e30f;

float finiteFactor(double factor)
{
    if (std::isnan(factor))
        return 0.0f;
    return static_cast<float>(std::clamp(factor, -static_cast<double>(kMaxFactor), static_cast<double>(kMaxFactor)));
}

// d[i] = factor × s[i], limited to -32768 .. 32767 and rounded, for n elements; factor is
// finite. Eight at a time where the processor allows it, with the same result.
void scaleClip(const std::int16_t *s, std::int16_t *d, std::size_t n, float factor) noexcept
{
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128 f = _mm_set1_ps(factor);
    const __m128 lowest = _mm_set1_ps(-32768.0f), highest = _mm_set1_ps(32767.0f);
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + i));
        const __m128i lo = _mm_srai_epi32(_mm_unpacklo_epi16(v, v), 16); // sign-extended halves
        const __m128i hi = _mm_srai_epi32(_mm_unpackhi_epi16(v, v), 16);
        const __m128 flo = _mm_min_ps(_mm_max_ps(_mm_mul_ps(f, _mm_cvtepi32_ps(lo)), lowest), highest);
        const __m128 fhi = _mm_min_ps(_mm_max_ps(_mm_mul_ps(f, _mm_cvtepi32_ps(hi)), lowest), highest);
        // Conversion rounds to nearest, halves to even (the default rounding mode).
        _mm_storeu_si128(reinterpret_cast<__m128i *>(d + i),
                         _mm_packs_epi32(_mm_cvtps_epi32(flo), _mm_cvtps_epi32(fhi)));
    }
#endif
    for (; i < n; ++i)
        d[i] = tavdsp::RoundClip16(factor * static_cast<float>(s[i]));
}

// The echo over n samples that use n consecutive slots of the line: each sample gets its slot
// added (clipped), and the slot then holds the new sample × amp, rounded and clipped.
void echoRun(std::int16_t *s, std::int16_t *line, std::size_t n, float amp) noexcept
{
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + i));
        const __m128i l = _mm_loadu_si128(reinterpret_cast<const __m128i *>(line + i));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(s + i), _mm_adds_epi16(l, v)); // saturating sum
    }
    scaleClip(s, line, i, amp);
#endif
    for (; i < n; ++i) {
        s[i] = tavdsp::Clip16(static_cast<std::int32_t>(line[i]) + s[i]);
        line[i] = tavdsp::RoundClip16(static_cast<float>(s[i]) * amp);
    }
}

} // namespace

clsDSP::clsDSP()
    : m_bandGain(kDefaultBands, 0.0f)
{
    for (auto &chain : m_bandFilter)
        chain.assign(kDefaultBands, IIRFilter{});
}

// ---- parameters ---------------------------------------------------------------------------

void clsDSP::setSampleRate(std::int32_t rate)
{
    if (rate < 1 || rate > kMaxSampleRate)
        fail("invalid samplerate");
    m_sampleRate = rate;
    if (ready()) {
        initEcho();
        initPhaseShift();
        initEqualizer();
    }
}

void clsDSP::setChannels(int channels)
{
    if (channels != 1 && channels != 2)
        fail("invalid channels");
    m_channels = static_cast<std::int16_t>(channels);
    m_nextChannel = 0;
    if (ready()) {
        initEcho();
        initPhaseShift();
        initEqualizer();
    }
}

void clsDSP::setEchoLength(std::int32_t ms)
{
    if (ms > kMaxEchoLength)
        fail("Out Of Bounds!");
    m_echoLength = ms;
    initEcho();
}

void clsDSP::setEchoAmp(float amp)
{
    m_echoAmp = amp > 0.9f ? 0.9f : amp;
    initEcho();
}

void clsDSP::setPhaseShiftWet(float v)
{
    m_psWet = v;
    initPhaseShift();
}

void clsDSP::setPhaseShiftDry(float v)
{
    m_psDry = v;
    initPhaseShift();
}

void clsDSP::setPhaseShiftFeedback(float v)
{
    m_psFeedback = v;
    initPhaseShift();
}

void clsDSP::setPhaseShiftSweepRate(float v)
{
    m_psSweepRate = v;
    initPhaseShift();
}

void clsDSP::setPhaseShiftSweepRange(float v)
{
    m_psSweepRange = v;
    initPhaseShift();
}

void clsDSP::setPhaseShiftFrequency(float v)
{
    m_psFrequency = v;
    initPhaseShift();
}

void clsDSP::setEqualizerBands(std::int32_t bands)
{
    if (bands < 1 || bands > kMaxEqualizerBands)
        fail("Out Of Bounds!");
    m_bandGain.assign(static_cast<std::size_t>(bands), 0.0f);
    for (auto &chain : m_bandFilter)
        chain.assign(static_cast<std::size_t>(bands), IIRFilter{});
    initEqualizer();
}

void clsDSP::checkBand(int index) const
{
    if (index < 0 || index >= EqualizerBands())
        fail("Out Of Bounds!");
}

float clsDSP::EqualizerBandGainDB(int index) const
{
    checkBand(index);
    return m_bandGain[static_cast<std::size_t>(index)];
}

void clsDSP::setEqualizerBandGainDB(int index, float dB)
{
    checkBand(index);
    m_bandGain[static_cast<std::size_t>(index)] = dB;
    initEqualizer();
}

double clsDSP::bandCentre(int index) const noexcept
{
    const int bands = EqualizerBands();
    if (bands < 2)
        return kLowestCentre;
    const double top = tavdsp::RoundEven(m_sampleRate / 3.0);
    return kLowestCentre * std::pow(top / kLowestCentre, static_cast<double>(index) / (bands - 1));
}

std::int32_t clsDSP::EqualizerBandFrequency(int index) const
{
    checkBand(index);
    return static_cast<std::int32_t>(tavdsp::RoundEven(bandCentre(index)));
}

std::size_t clsDSP::EchoLineLength() const noexcept
{
    return m_channels ? m_echoLine.size() / static_cast<std::size_t>(m_channels) : 0;
}

// ---- re-initialisation --------------------------------------------------------------------

void clsDSP::initEcho()
{
    if (!ready())
        return;
    const double length = tavdsp::RoundEven(m_sampleRate / 1000.0 * m_echoLength);
    // A delay under one sample leaves no line: the echo is then skipped.
    const std::size_t frames = length >= 1.0 ? static_cast<std::size_t>(length) : 0;
    m_echoLine.assign(frames * static_cast<std::size_t>(m_channels), 0);
    m_echoPos = 0;
    m_echoAmpInUse = finiteFactor(m_echoAmp);
}

void clsDSP::initPhaseShift()
{
    if (m_sampleRate == 0)
        return;
    const double pi = tavdsp::kPiF;
    const double range = std::pow(2.0, static_cast<double>(m_psSweepRange));
    m_minwp = static_cast<float>(m_psFrequency * pi / m_sampleRate);
    m_maxwp = static_cast<float>(m_psFrequency * pi * range / m_sampleRate);
    m_sweepFactor = static_cast<float>(std::pow(range, m_psSweepRate * 2.0 / m_sampleRate));
    m_sweepInverse = 1.0f / m_sweepFactor;
    m_sweepMul = m_sweepFactor;
    m_wp = m_minwp;
}

void clsDSP::initEqualizer()
{
    if (m_sampleRate == 0)
        return;
    const double top = tavdsp::RoundEven(m_sampleRate / 3.0);
    const double bandwidth = std::log(top / kLowestCentre) / 4.0;
    for (int i = 0; i < EqualizerBands(); ++i) {
        IIRFilter built;
        try {
            built.CreateBiquadIIR(IIRFilter::Peaking, m_bandGain[static_cast<std::size_t>(i)],
                                  static_cast<float>(bandCentre(i)),
                                  static_cast<float>(m_sampleRate), static_cast<float>(bandwidth));
        } catch (const NumberedError &) {
            // A band that cannot exist at this rate (its centre at or above half the rate,
            // or no bandwidth left at very low rates) passes the sound unchanged.
            built.setEnabled(false);
        }
        for (auto &chain : m_bandFilter)
            chain[static_cast<std::size_t>(i)] = built;
    }
}

// ---- processing ---------------------------------------------------------------------------

void clsDSP::ProcessSamples(std::span<std::int16_t> intSamples) noexcept
{
    if (!ready() || intSamples.empty())
        return;
    const int first = m_nextChannel;
    if (m_effectsUsed & EffectAmplify)
        amplify(intSamples);
    if (m_effectsUsed & EffectEcho)
        echo(intSamples);
    if (m_effectsUsed & EffectPhaseShift)
        phaseShift(intSamples, first);
    if (m_effectsUsed & EffectEqualizer)
        equalize(intSamples, first);
    m_nextChannel = static_cast<int>((static_cast<std::size_t>(first) + intSamples.size()) %
                                     static_cast<std::size_t>(m_channels));
}

void clsDSP::amplify(std::span<std::int16_t> s) const noexcept
{
    const float factor = finiteFactor(std::pow(10.0, m_amplifyDB / 20.0));
    scaleClip(s.data(), s.data(), s.size(), factor);
}

void clsDSP::echo(std::span<std::int16_t> s) noexcept
{
    const std::size_t length = m_echoLine.size();
    if (length == 0)
        return;
    // Runs of samples up to the end of the line, then the line starts over.
    std::size_t p = m_echoPos;
    std::size_t done = 0;
    while (done < s.size()) {
        const std::size_t run = std::min(s.size() - done, length - p);
        echoRun(s.data() + done, m_echoLine.data() + p, run, m_echoAmpInUse);
        done += run;
        p += run;
        if (p == length)
            p = 0;
    }
    m_echoPos = p;
}

void clsDSP::phaseShift(std::span<std::int16_t> s, int firstChannel) noexcept
{
    const int channels = m_channels;
    const float fb = m_psFeedback, wet = m_psWet, dry = m_psDry;
    const float minwp = m_minwp, maxwp = m_maxwp;
    float wp = m_wp, mul = m_sweepMul;
    const float *unit = tavdsp::UnitScale();
    int ch = firstChannel;
    for (std::int16_t &v : s) {
        auto &st = m_stages[static_cast<std::size_t>(ch)];
        const float d = unit[v]; // v / 32767
        const float a = (1.0f - wp) / (1.0f + wp);
        float x = d + st[3].out * fb;
        for (AllPassStage &stage : st) {
            const float y = a * (x + stage.out) - stage.in;
            stage.in = x;
            stage.out = y;
            x = y;
        }
        const float out = x * wet + d * dry;
        v = tavdsp::RoundClip16(out * 32767.0f);
        // The sweep advances once per frame, after its last channel.
        if (++ch == channels) {
            ch = 0;
            wp *= mul;
            if (wp > maxwp)
                mul = m_sweepInverse;
            else if (wp < minwp)
                mul = m_sweepFactor;
        }
    }
    m_wp = wp;
    m_sweepMul = mul;
    // Parameters far outside the dialog's ranges (a feedback above 1, for instance) can make
    // the loop run away; start again from silence rather than mute the sound for good.
    if (!std::isfinite(m_wp))
        m_wp = m_minwp;
    for (const auto &st : m_stages)
        for (const AllPassStage &stage : st)
            if (!std::isfinite(stage.in) || !std::isfinite(stage.out)) {
                m_stages = {};
                return;
            }
}

void clsDSP::equalize(std::span<std::int16_t> s, int firstChannel) noexcept
{
    // Each channel has its own chain of band filters; the whole buffer passes band 0 first,
    // then band 1, and so on.
    const std::size_t bands = m_bandGain.size();
    if (m_channels == 1) {
        for (std::size_t k = 0; k < bands; ++k)
            m_bandFilter[0][k].ProcessSamples_16bit(s);
        return;
    }
    // Stereo: the buffer may begin with either channel.
    IIRFilter::ProcessStereoChain_16bit(s, m_bandFilter[static_cast<std::size_t>(firstChannel)],
                                        m_bandFilter[static_cast<std::size_t>(1 - firstChannel)]);
}
