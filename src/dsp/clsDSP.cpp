#include "clsDSP.h"

#include "NumberedError.h"
#include "SampleMath.h"

#include <cmath>

namespace {

[[noreturn]] void fail(const char *text)
{
    throw NumberedError(32000, "clsDSP", text);
}

constexpr int kDefaultBands = 7;
constexpr double kLowestCentre = 80.0;

} // namespace

clsDSP::clsDSP()
    : m_bandGain(kDefaultBands, 0.0f), m_bandFilter(kDefaultBands)
{
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
    m_bandFilter.assign(static_cast<std::size_t>(bands), {});
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
    m_echoAmpInUse = m_echoAmp;
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
        auto &filters = m_bandFilter[static_cast<std::size_t>(i)];
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
        filters.fill(built);
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
    const float factor = static_cast<float>(std::pow(10.0, m_amplifyDB / 20.0));
    for (std::int16_t &v : s)
        v = tavdsp::RoundClip16(factor * static_cast<float>(v));
}

void clsDSP::echo(std::span<std::int16_t> s) noexcept
{
    const std::size_t length = m_echoLine.size();
    if (length == 0)
        return;
    std::int16_t *line = m_echoLine.data();
    const float amp = m_echoAmpInUse;
    std::size_t p = m_echoPos;
    for (std::int16_t &v : s) {
        v = tavdsp::Clip16(static_cast<std::int32_t>(line[p]) + v);
        line[p] = tavdsp::RoundClip16(static_cast<float>(v) * amp);
        if (++p == length)
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
    int ch = firstChannel;
    for (std::int16_t &v : s) {
        auto &st = m_stages[static_cast<std::size_t>(ch)];
        const float d = static_cast<float>(v) / 32767.0f;
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
    const auto channels = static_cast<std::size_t>(m_channels);
    for (auto &filters : m_bandFilter) {
        for (std::size_t ch = 0; ch < channels; ++ch) {
            // Index in this buffer of the first sample of channel ch.
            const std::size_t offset = (ch + channels - static_cast<std::size_t>(firstChannel)) % channels;
            if (offset < s.size())
                filters[ch].ProcessSamples_16bit(s.subspan(offset), channels);
        }
    }
}
