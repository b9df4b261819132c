#include "dsp/clsDSP.h"
#include "DspTestUtil.h"

using dsptest::throwsNumbered;

namespace {

clsDSP ready(int rate, int channels, std::int32_t effects)
{
    clsDSP d;
    d.setSampleRate(rate);
    d.setChannels(channels);
    d.setEffectsUsed(effects);
    return d;
}

constexpr std::int32_t kAll = clsDSP::EffectAmplify | clsDSP::EffectEcho | clsDSP::EffectPhaseShift |
                              clsDSP::EffectEqualizer;

} // namespace

TEST(clsDSP, StartsWithItsDefaultsAndLeavesSamplesAloneUntilReady)
{
    clsDSP d;
    EXPECT_EQ(d.SampleRate(), 0);
    EXPECT_EQ(d.Channels(), 0);
    EXPECT_EQ(d.EffectsUsed(), 0);
    EXPECT_EQ(d.EchoLength(), 100);
    EXPECT_FLOAT_EQ(d.EchoAmp(), 0.4f);
    EXPECT_EQ(d.AmplifyDB(), 3);
    EXPECT_FLOAT_EQ(d.PhaseShiftWet(), 1.0f);
    EXPECT_FLOAT_EQ(d.PhaseShiftDry(), 1.0f);
    EXPECT_FLOAT_EQ(d.PhaseShiftFeedback(), 0.5f);
    EXPECT_FLOAT_EQ(d.PhaseShiftSweepRate(), 1.0f);
    EXPECT_FLOAT_EQ(d.PhaseShiftSweepRange(), 4.0f);
    EXPECT_FLOAT_EQ(d.PhaseShiftFrequency(), 100.0f);
    EXPECT_EQ(d.EqualizerBands(), 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(d.EqualizerBandGainDB(i), 0.0f);

    const auto input = dsptest::noise(5120);
    auto v = input;
    d.setEffectsUsed(kAll);
    d.ProcessSamples(v); // no rate or channels yet
    EXPECT_EQ(v, input);
    d.setSampleRate(44100);
    d.ProcessSamples(v); // still no channels
    EXPECT_EQ(v, input);

    clsDSP none = ready(44100, 2, 0);
    none.ProcessSamples(v);
    EXPECT_EQ(v, input);
}

TEST(clsDSP, RefusesValuesOutsideTheirRanges)
{
    clsDSP d = ready(44100, 2, 0);
    for (int rate : {0, -1, 96001})
        EXPECT_TRUE(throwsNumbered([&] { d.setSampleRate(rate); }, 32000, "clsDSP", "invalid samplerate"));
    EXPECT_EQ(d.SampleRate(), 44100);
    d.setSampleRate(96000);
    d.setSampleRate(1);
    for (int ch : {0, 3, -1, 65538})
        EXPECT_TRUE(throwsNumbered([&] { d.setChannels(ch); }, 32000, "clsDSP", "invalid channels"));
    EXPECT_EQ(d.Channels(), 2);
    for (int bands : {0, 11})
        EXPECT_TRUE(throwsNumbered([&] { d.setEqualizerBands(bands); }, 32000, "clsDSP", "Out Of Bounds!"));
    EXPECT_EQ(d.EqualizerBands(), 7);
    for (int index : {-1, 7}) {
        EXPECT_TRUE(throwsNumbered([&] { d.setEqualizerBandGainDB(index, 3); }, 32000, "clsDSP", "Out Of Bounds!"));
        EXPECT_TRUE(throwsNumbered([&] { (void)d.EqualizerBandGainDB(index); }, 32000, "clsDSP", "Out Of Bounds!"));
        EXPECT_TRUE(throwsNumbered([&] { (void)d.EqualizerBandFrequency(index); }, 32000, "clsDSP", "Out Of Bounds!"));
    }
    EXPECT_TRUE(throwsNumbered([&] { d.setEchoLength(60001); }, 32000, "clsDSP", "Out Of Bounds!"));
    EXPECT_EQ(d.EchoLength(), 100);
    d.setEchoAmp(1.5f);
    EXPECT_FLOAT_EQ(d.EchoAmp(), 0.9f);
    d.setEchoAmp(0.9f);
    EXPECT_FLOAT_EQ(d.EchoAmp(), 0.9f);
}

TEST(clsDSP, AmplifyClipsAtFullScale)
{
    clsDSP d = ready(44100, 1, clsDSP::EffectAmplify);
    d.setAmplifyDB(6);
    std::vector<std::int16_t> v{20000, -20000, 1000, -1000, 0, 16000};
    d.ProcessSamples(v);
    EXPECT_EQ(v, (std::vector<std::int16_t>{32767, -32768, 1995, -1995, 0, 31924}));
    d.setAmplifyDB(-6);
    std::vector<std::int16_t> w{20000, -32768};
    d.ProcessSamples(w);
    EXPECT_EQ(w, (std::vector<std::int16_t>{10024, -16423}));
}

TEST(clsDSP, EchoLineLengthFollowsRateAndDelay)
{
    clsDSP d = ready(8000, 1, clsDSP::EffectEcho);
    EXPECT_EQ(d.EchoLineLength(), 800u);
    d.setSampleRate(44100);
    d.setChannels(2);
    EXPECT_EQ(d.EchoLineLength(), 4410u);
    d.setEchoLength(7); // 308.7 samples
    EXPECT_EQ(d.EchoLineLength(), 309u);
    d.setEchoLength(0);
    EXPECT_EQ(d.EchoLineLength(), 0u);
    auto v = dsptest::noise(1000);
    const auto input = v;
    d.ProcessSamples(v); // an echo without a line is skipped
    EXPECT_EQ(v, input);
    d.setEchoLength(-5);
    d.ProcessSamples(v);
    EXPECT_EQ(v, input);
}

TEST(clsDSP, EchoRecirculatesAndWrapsWithinABuffer)
{
    clsDSP d = ready(1000, 1, clsDSP::EffectEcho);
    d.setEchoLength(3);
    ASSERT_EQ(d.EchoLineLength(), 3u);
    std::vector<std::int16_t> v(12, 0);
    v[0] = 10000;
    d.ProcessSamples(v);
    EXPECT_EQ(v, (std::vector<std::int16_t>{10000, 0, 0, 4000, 0, 0, 1600, 0, 0, 640, 0, 0}));
    // The line carries on into the next buffer.
    std::vector<std::int16_t> next(4, 0);
    d.ProcessSamples(next);
    EXPECT_EQ(next, (std::vector<std::int16_t>{256, 0, 0, 102}));

    // A sum beyond full scale is clipped, and the clipped value recirculates.
    clsDSP e = ready(1000, 1, clsDSP::EffectEcho);
    e.setEchoLength(2);
    e.setEchoAmp(0.9f);
    std::vector<std::int16_t> w{30000, 0, 30000, 0, 0, 0};
    e.ProcessSamples(w);
    EXPECT_EQ(w, (std::vector<std::int16_t>{30000, 0, 32767, 0, 29490, 0}));
}

TEST(clsDSP, StereoChannelsEchoSeparately)
{
    clsDSP d = ready(1000, 2, clsDSP::EffectEcho);
    d.setEchoLength(3); // three frames
    std::vector<std::int16_t> v(16, 0);
    v[0] = 10000; // left only
    v[3] = -5000; // right, one frame later
    d.ProcessSamples(v);
    EXPECT_EQ(v, (std::vector<std::int16_t>{10000, 0, 0, -5000, 0, 0, 4000, 0, 0, -2000, 0, 0, 1600, 0, 0, -800}));
}

TEST(clsDSP, AmplifyRunsBeforeTheEcho)
{
    // Amplified first, the impulse clips at 32767 and echoes 13107; echoed first it would
    // echo 8000 and be amplified to about 15962.
    clsDSP d = ready(1000, 1, clsDSP::EffectAmplify | clsDSP::EffectEcho);
    d.setAmplifyDB(6);
    d.setEchoLength(2);
    std::vector<std::int16_t> v{20000, 0, 0, 0};
    d.ProcessSamples(v);
    EXPECT_EQ(v, (std::vector<std::int16_t>{32767, 0, 13107, 0}));
}

TEST(clsDSP, EqualizerCentresSpreadFrom80HzToAThirdOfTheRate)
{
    clsDSP d = ready(44100, 2, 0);
    const int expected[] = {80, 191, 455, 1084, 2586, 6165, 14700};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(d.EqualizerBandFrequency(i), expected[i]) << i;
    d.setSampleRate(48000);
    EXPECT_EQ(d.EqualizerBandFrequency(0), 80);
    EXPECT_EQ(d.EqualizerBandFrequency(6), 16000);
    d.setEqualizerBands(10);
    EXPECT_EQ(d.EqualizerBandFrequency(9), 16000);
    d.setEqualizerBands(1);
    EXPECT_EQ(d.EqualizerBandFrequency(0), 80);
}

TEST(clsDSP, EqualizerBoostsItsBandInEachChannelWithoutCrosstalk)
{
    clsDSP d = ready(44100, 2, clsDSP::EffectEqualizer);
    d.setEqualizerBandGainDB(3, 12); // 1084 Hz
    // Left: a 1084 Hz tone; right: silence.
    std::vector<std::int16_t> v(2 * 8820, 0);
    const auto tone = dsptest::sine(8820, 1084, 44100, 1000);
    for (std::size_t i = 0; i < tone.size(); ++i)
        v[2 * i] = tone[i];
    d.ProcessSamples(v);
    const int left = dsptest::peak(v, 4410 * 2, v.size(), 2, 0);
    const int right = dsptest::peak(v, 0, v.size(), 2, 1);
    EXPECT_NEAR(left, 1000 * std::pow(10.0, 12.0 / 20.0), 120); // about 3981
    EXPECT_EQ(right, 0);

    // A tone far from the band passes nearly unchanged.
    clsDSP e = ready(44100, 2, clsDSP::EffectEqualizer);
    e.setEqualizerBandGainDB(3, 12);
    auto far = dsptest::sine(8820, 80, 44100, 1000, 2);
    e.ProcessSamples(far);
    EXPECT_NEAR(dsptest::peak(far, 4410 * 2, far.size()), 1000, 150);
}

TEST(clsDSP, FlatEqualizerChangesNothing)
{
    clsDSP d = ready(44100, 2, clsDSP::EffectEqualizer);
    auto v = dsptest::noise(10240, 32767);
    const auto input = v;
    d.ProcessSamples(v);
    EXPECT_EQ(v, input);
}

TEST(clsDSP, NewBandCountIsBuiltAtOnceAndFlat)
{
    clsDSP d = ready(44100, 2, clsDSP::EffectEqualizer);
    d.setEqualizerBandGainDB(2, 9);
    d.setEqualizerBands(5);
    EXPECT_EQ(d.EqualizerBands(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(d.EqualizerBandGainDB(i), 0.0f);
    auto v = dsptest::noise(4096);
    const auto input = v;
    d.ProcessSamples(v);
    EXPECT_EQ(v, input); // flat, and certainly not silenced by unbuilt filters
    d.setEqualizerBandGainDB(4, 6);
    d.ProcessSamples(v);
    EXPECT_NE(v, input);
}

TEST(clsDSP, EqualizerBandsThatCannotExistAtLowRatesPassTheSound)
{
    // At 200 Hz the lowest band (80 Hz) and a third of the rate leave no usable filter.
    clsDSP d = ready(200, 1, clsDSP::EffectEqualizer);
    for (int i = 0; i < 7; ++i)
        d.setEqualizerBandGainDB(i, 12);
    auto v = dsptest::noise(2000);
    const auto input = v;
    d.ProcessSamples(v);
    EXPECT_EQ(v, input);
}

TEST(clsDSP, PhaseShifterWithoutWetSignalIsTransparent)
{
    clsDSP d = ready(44100, 2, clsDSP::EffectPhaseShift);
    d.setPhaseShiftWet(0);
    auto v = dsptest::noise(10240, 32767);
    const auto input = v;
    d.ProcessSamples(v);
    EXPECT_EQ(v, input);
}

TEST(clsDSP, PhaseShifterKeepsChannelsApartAndRecoversFromRunaway)
{
    clsDSP d = ready(44100, 2, clsDSP::EffectPhaseShift);
    std::vector<std::int16_t> v(2 * 4410, 0);
    const auto tone = dsptest::sine(4410, 440, 44100, 10000);
    for (std::size_t i = 0; i < tone.size(); ++i)
        v[2 * i + 1] = tone[i];
    d.ProcessSamples(v);
    EXPECT_EQ(dsptest::peak(v, 0, v.size(), 2, 0), 0);
    EXPECT_GT(dsptest::peak(v, 0, v.size(), 2, 1), 5000);

    // A feedback far beyond 1 makes the loop run away; sound comes back once it is sane again.
    d.setPhaseShiftFeedback(50);
    for (int i = 0; i < 20; ++i) {
        auto loud = dsptest::noise(5120, 32767, static_cast<unsigned>(i));
        d.ProcessSamples(loud);
    }
    d.setPhaseShiftFeedback(0.5f);
    auto after = dsptest::sine(4410, 440, 44100, 10000, 2);
    d.ProcessSamples(after);
    d.ProcessSamples(after);
    EXPECT_GT(dsptest::peak(after, 0, after.size()), 5000);
}

TEST(clsDSP, OneBufferEqualsTheSameSamplesSplitInTwo)
{
    struct Case {
        const char *name;
        std::int32_t effects;
        int channels;
    };
    const Case cases[] = {
        {"echo", clsDSP::EffectEcho, 2},
        {"phase shifter", clsDSP::EffectPhaseShift, 2},
        {"equalizer", clsDSP::EffectEqualizer, 2},
        {"amplify", clsDSP::EffectAmplify, 2},
        {"all, stereo", kAll, 2},
        {"all, mono", kAll, 1},
    };
    const auto input = dsptest::noise(10240, 12000);
    for (const Case &c : cases) {
        for (std::size_t cut : {std::size_t{5120}, std::size_t{3333}, std::size_t{1}}) {
            SCOPED_TRACE(testing::Message() << c.name << ", cut at " << cut);
            auto setup = [&] {
                clsDSP d = ready(44100, c.channels, c.effects);
                d.setEchoLength(20); // shorter than a buffer: the line wraps inside it
                d.setEqualizerBandGainDB(0, 9);
                d.setEqualizerBandGainDB(4, -6);
                d.setAmplifyDB(4);
                return d;
            };
            clsDSP whole = setup(), split = setup();
            auto a = input, b = input;
            whole.ProcessSamples(a);
            split.ProcessSamples(std::span(b).first(cut));
            split.ProcessSamples(std::span(b).subspan(cut));
            ASSERT_EQ(a, b);
            // And the state carries on identically into the next buffer.
            auto a2 = dsptest::noise(5120, 12000, 99), b2 = a2;
            whole.ProcessSamples(a2);
            split.ProcessSamples(b2);
            ASSERT_EQ(a2, b2);
        }
    }
}
