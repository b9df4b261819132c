#pragma once
// The recorder's live effects, applied in place to each captured buffer of 16-bit samples:
// amplification in dB, a recirculating echo, a four-stage phase shifter with a swept frequency
// and a graphic equalizer of peaking filters. The owner sets SampleRate and Channels before
// the first buffer, chooses the effects with EffectsUsed and calls ProcessSamples on every
// buffer; the effects dialog reads and writes the other parameters between buffers.
//
// Each channel of an interleaved stereo buffer has its own echo line, phase shifter memory and
// band filter memory, so the two channels never bleed into each other and every delay and
// frequency is measured in frames of SampleRate per second. The state carries over from one
// buffer to the next, even when a buffer ends in the middle of a frame.
//
// Not thread-safe: the recording window's buffer handler and the effects dialog both run on
// the user-interface thread. ProcessSamples never allocates.
#include "IIRFilter.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

class clsDSP {
public:
    // Bits of EffectsUsed. The effects run in this order: amplify, echo, phase shifter,
    // equalizer.
    enum Effect : std::int32_t {
        EffectEcho = 1,
        EffectPhaseShift = 2,
        EffectAmplify = 4,
        EffectEqualizer = 8,
    };
    static constexpr int kMaxChannels = 2;
    static constexpr std::int32_t kMaxSampleRate = 96000;
    static constexpr std::int32_t kMaxEqualizerBands = 10;
    // The longest echo accepted, in milliseconds (a minute).
    static constexpr std::int32_t kMaxEchoLength = 60000;

    // Default parameters, no sample rate or channel count yet, 7 equalizer bands at 0 dB.
    clsDSP();

    // Errors are NumberedError 32000 with the source "clsDSP"; a refused value is not stored.

    // Sample rate in Hz, 1 .. 96000, else "invalid samplerate". A write re-initialises the
    // echo, the phase shifter and the equalizer once both SampleRate and Channels are set.
    std::int32_t SampleRate() const noexcept { return m_sampleRate; }
    void setSampleRate(std::int32_t rate);

    // 1 or 2, else "invalid channels". Re-initialises like SampleRate.
    std::int16_t Channels() const noexcept { return m_channels; }
    void setChannels(int channels);

    // Bit set of Effect values. No side effect.
    std::int32_t EffectsUsed() const noexcept { return m_effectsUsed; }
    void setEffectsUsed(std::int32_t effects) noexcept { m_effectsUsed = effects; }

    // Echo delay in milliseconds, at most kMaxEchoLength (above: "Out Of Bounds!").
    // Re-initialises the echo (its line restarts silent). A delay that rounds to less than one
    // sample turns the echo off.
    std::int32_t EchoLength() const noexcept { return m_echoLength; }
    void setEchoLength(std::int32_t ms);

    // Echo amplitude per pass; values above 0.9 are stored as 0.9. Re-initialises the echo.
    float EchoAmp() const noexcept { return m_echoAmp; }
    void setEchoAmp(float amp);

    // Amplification in dB. No side effect.
    std::int32_t AmplifyDB() const noexcept { return m_amplifyDB; }
    void setAmplifyDB(std::int32_t dB) noexcept { m_amplifyDB = dB; }

    // Phase shifter parameters; each write re-initialises the sweep (not the stage memories).
    float PhaseShiftWet() const noexcept { return m_psWet; }
    void setPhaseShiftWet(float v);
    float PhaseShiftDry() const noexcept { return m_psDry; }
    void setPhaseShiftDry(float v);
    float PhaseShiftFeedback() const noexcept { return m_psFeedback; }
    void setPhaseShiftFeedback(float v);
    float PhaseShiftSweepRate() const noexcept { return m_psSweepRate; }
    void setPhaseShiftSweepRate(float v);
    // In octaves.
    float PhaseShiftSweepRange() const noexcept { return m_psSweepRange; }
    void setPhaseShiftSweepRange(float v);
    // In Hz.
    float PhaseShiftFrequency() const noexcept { return m_psFrequency; }
    void setPhaseShiftFrequency(float v);

    // Number of equalizer bands, 1 .. 10, else "Out Of Bounds!". A write creates new band
    // filters with every band at 0 dB and builds them at once when the sample rate is known.
    std::int32_t EqualizerBands() const noexcept { return static_cast<std::int32_t>(m_bandGain.size()); }
    void setEqualizerBands(std::int32_t bands);

    // Gain of band index (0 .. bands-1, else "Out Of Bounds!") in dB. A write rebuilds every
    // band filter.
    float EqualizerBandGainDB(int index) const;
    void setEqualizerBandGainDB(int index, float dB);

    // Centre frequency of band index in Hz, rounded: spaced evenly on a logarithmic scale from
    // 80 Hz to a third of the sample rate (a single band sits at 80 Hz). Index as above.
    std::int32_t EqualizerBandFrequency(int index) const;

    // Applies the effects chosen in EffectsUsed to every element, in place. Does nothing while
    // SampleRate or Channels is 0.
    void ProcessSamples(std::span<std::int16_t> intSamples) noexcept;

    // Length of the echo line in samples per channel (0: echo off). For inspection.
    std::size_t EchoLineLength() const noexcept;

private:
    bool ready() const noexcept { return m_sampleRate != 0 && m_channels != 0; }
    double bandCentre(int index) const noexcept;
    void checkBand(int index) const;
    void initEcho();
    void initPhaseShift();
    void initEqualizer();

    void amplify(std::span<std::int16_t> s) const noexcept;
    void echo(std::span<std::int16_t> s) noexcept;
    void phaseShift(std::span<std::int16_t> s, int firstChannel) noexcept;
    void equalize(std::span<std::int16_t> s, int firstChannel) noexcept;

    std::int32_t m_sampleRate = 0;
    std::int16_t m_channels = 0;
    std::int32_t m_effectsUsed = 0;
    std::int32_t m_echoLength = 100;
    float m_echoAmp = 0.4f;
    std::int32_t m_amplifyDB = 3;
    float m_psWet = 1.0f;
    float m_psDry = 1.0f;
    float m_psFeedback = 0.5f;
    float m_psSweepRate = 1.0f;
    float m_psSweepRange = 4.0f;
    float m_psFrequency = 100.0f;

    // Channel of the next sample to process (a buffer may end inside a frame).
    int m_nextChannel = 0;

    // Echo: one line per channel, interleaved like the samples, so one position serves both.
    std::vector<std::int16_t> m_echoLine;
    std::size_t m_echoPos = 0;
    float m_echoAmpInUse = 0.4f;

    // Phase shifter: sweep state shared by the channels, all-pass memories per channel.
    float m_wp = 0, m_minwp = 0, m_maxwp = 0;
    float m_sweepFactor = 1, m_sweepInverse = 1, m_sweepMul = 1;
    struct AllPassStage {
        float in = 0, out = 0;
    };
    std::array<std::array<AllPassStage, 4>, kMaxChannels> m_stages{};

    // Equalizer: per band its gain; per channel the chain of band filters.
    std::vector<float> m_bandGain;
    std::array<std::vector<IIRFilter>, kMaxChannels> m_bandFilter;
};
