#include "dsp/IIRFilter.h"
#include "dsp/SampleMath.h"
#include "DspTestUtil.h"

#include <complex>
#include <limits>

using dsptest::throwsNumbered;

namespace {

struct Ref {
    double b0, b1, b2, a1, a2;
};

// The cookbook formulas, written independently in double precision with the exact 2π.
Ref cookbook(int type, double gainDB, double f0, double fs, double bwOctaves)
{
    const double A = std::pow(10.0, gainDB / 40.0);
    const double w0 = 2.0 * std::numbers::pi * f0 / fs;
    const double alpha = std::sin(w0) * std::sinh(std::log(2.0) / 2.0 * bwOctaves * w0 / std::sin(w0));
    const double c = std::cos(w0);
    double b[3], a[3];
    switch (type) {
    case 0: b[0] = (1 - c) / 2; b[1] = 1 - c; b[2] = (1 - c) / 2; a[0] = 1 + alpha; a[1] = -2 * c; a[2] = 1 - alpha; break;
    case 1: b[0] = (1 + c) / 2; b[1] = -(1 + c); b[2] = (1 + c) / 2; a[0] = 1 + alpha; a[1] = -2 * c; a[2] = 1 - alpha; break;
    case 2: b[0] = alpha; b[1] = 0; b[2] = -alpha; a[0] = 1 + alpha; a[1] = -2 * c; a[2] = 1 - alpha; break;
    default: b[0] = 1 + alpha * A; b[1] = -2 * c; b[2] = 1 - alpha * A; a[0] = 1 + alpha / A; a[1] = -2 * c; a[2] = 1 - alpha / A; break;
    }
    return {b[0] / a[0], b[1] / a[0], b[2] / a[0], a[1] / a[0], a[2] / a[0]};
}

// Magnitude of the filter's response at f Hz.
double response(const IIRFilter::Coefficients &c, double f, double fs)
{
    const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * f / fs);
    const std::complex<double> num = double(c.b0) + double(c.b1) * z1 + double(c.b2) * z1 * z1;
    const std::complex<double> den = 1.0 + double(c.a1) * z1 + double(c.a2) * z1 * z1;
    return std::abs(num / den);
}

IIRFilter made(int type, float gain, float freq, float rate, float bw)
{
    IIRFilter f;
    f.CreateBiquadIIR(type, gain, freq, rate, bw);
    return f;
}

} // namespace

TEST(IIRFilter, CoefficientsFollowTheCookbook)
{
    struct Case {
        int type;
        float gain, freq, rate, bw;
    };
    const Case cases[] = {
        {0, 0, 1000, 44100, 1}, {0, 0, 80, 44100, 1.3f}, {1, 0, 2500, 48000, 0.5f}, {1, 0, 100, 8000, 2},
        {2, 0, 1084, 44100, 1.3f}, {2, 0, 3000, 22050, 0.25f}, {3, 12, 80, 44100, 1.3034f},
        {3, -12, 14700, 44100, 1.3034f}, {3, 6, 455, 44100, 1.3034f}, {3, 3.5f, 2000, 96000, 3},
    };
    for (const Case &k : cases) {
        SCOPED_TRACE(testing::Message() << "type " << k.type << " f " << k.freq << " fs " << k.rate);
        const IIRFilter f = made(k.type, k.gain, k.freq, k.rate, k.bw);
        const auto c = f.GetCoefficients();
        const Ref r = cookbook(k.type, k.gain, k.freq, k.rate, k.bw);
        const double tol = 2e-6;
        EXPECT_NEAR(c.b0, r.b0, tol * std::max(1.0, std::abs(r.b0)));
        EXPECT_NEAR(c.b1, r.b1, tol * std::max(1.0, std::abs(r.b1)));
        EXPECT_NEAR(c.b2, r.b2, tol * std::max(1.0, std::abs(r.b2)));
        EXPECT_NEAR(c.a1, r.a1, tol * std::max(1.0, std::abs(r.a1)));
        EXPECT_NEAR(c.a2, r.a2, tol * std::max(1.0, std::abs(r.a2)));
        EXPECT_EQ(f.IIRType(), k.type);
        EXPECT_EQ(f.SampleRate(), static_cast<int>(k.rate));
    }
}

TEST(IIRFilter, ResponsesHaveTheirShape)
{
    const double fs = 44100;
    const auto lp = made(0, 0, 1000, 44100, 1).GetCoefficients();
    EXPECT_NEAR(response(lp, 0, fs), 1.0, 1e-4);
    EXPECT_LT(response(lp, 20000, fs), 0.01);
    const auto hp = made(1, 0, 1000, 44100, 1).GetCoefficients();
    EXPECT_NEAR(response(hp, fs / 2, fs), 1.0, 1e-4);
    EXPECT_LT(response(hp, 20, fs), 0.01);
    const auto bp = made(2, 0, 1000, 44100, 1).GetCoefficients();
    EXPECT_NEAR(response(bp, 1000, fs), 1.0, 1e-4);
    EXPECT_LT(response(bp, 50, fs), 0.1);
    const auto peak = made(3, 12, 1000, 44100, 1).GetCoefficients();
    EXPECT_NEAR(response(peak, 1000, fs), std::pow(10.0, 12.0 / 20.0), 1e-3);
    EXPECT_NEAR(response(peak, 20, fs), 1.0, 0.01);
}

TEST(IIRFilter, PeakingAtZeroDecibelsLeavesTheSignalUnchanged)
{
    for (float freq : {80.0f, 1084.0f, 14700.0f}) {
        IIRFilter f = made(3, 0, freq, 44100, 1.3034f);
        auto v = dsptest::noise(20000, 32767);
        const auto before = v;
        f.ProcessSamples_16bit(v);
        EXPECT_EQ(v, before) << freq;
    }
}

TEST(IIRFilter, SplitBuffersGiveTheSameOutput)
{
    const auto input = dsptest::noise(5000, 30000);
    for (int type = 0; type <= 3; ++type) {
        IIRFilter whole = made(type, 9, 700, 44100, 1.5f);
        IIRFilter split = whole;
        auto a = input, b = input;
        whole.ProcessSamples_16bit(a);
        split.ProcessSamples_16bit(std::span(b).first(1777));
        split.ProcessSamples_16bit(std::span(b).subspan(1777));
        EXPECT_EQ(a, b) << type;
    }
    std::vector<std::uint8_t> bytes(3000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 37) % 256);
    IIRFilter whole = made(0, 0, 2000, 22050, 1), split = whole;
    auto a = bytes, b = bytes;
    whole.ProcessSamples_8bit(a);
    split.ProcessSamples_8bit(std::span(b).first(1001));
    split.ProcessSamples_8bit(std::span(b).subspan(1001));
    EXPECT_EQ(a, b);
}

TEST(IIRFilter, StrideFollowsOneChannel)
{
    const auto left = dsptest::noise(3000, 20000, 1);
    const auto right = dsptest::noise(3000, 20000, 2);
    std::vector<std::int16_t> both(6000);
    for (std::size_t i = 0; i < 3000; ++i) {
        both[2 * i] = left[i];
        both[2 * i + 1] = right[i];
    }
    IIRFilter mono = made(3, 12, 1000, 44100, 1), fl = mono, fr = mono;
    auto l = left, r = right;
    mono.ProcessSamples_16bit(l);
    IIRFilter mono2 = made(3, 12, 1000, 44100, 1);
    mono2.ProcessSamples_16bit(r);
    fl.ProcessSamples_16bit(both, 2);
    fr.ProcessSamples_16bit(std::span(both).subspan(1), 2);
    for (std::size_t i = 0; i < 3000; ++i) {
        ASSERT_EQ(both[2 * i], l[i]) << i;
        ASSERT_EQ(both[2 * i + 1], r[i]) << i;
    }
}

TEST(IIRFilter, StereoChainEqualsEachFilterInTurn)
{
    // Two chains of filters with different settings, a few of them disabled or never built,
    // one channel's band active where the other's is not.
    auto chain = [](float shift) {
        std::vector<IIRFilter> c(7);
        const float freqs[] = {80, 191, 455, 1084, 2586, 6165, 14700};
        for (int k = 0; k < 7; ++k)
            c[static_cast<std::size_t>(k)].CreateBiquadIIR(k % 4, 12.0f - 4.0f * k + shift, freqs[k], 44100, 1.3f);
        return c;
    };
    std::vector<IIRFilter> even = chain(0), odd = chain(3);
    even[2].setEnabled(false);
    odd[2].setEnabled(false);
    odd[4].setEnabled(false);
    even[6] = IIRFilter{};

    for (std::size_t n : {0u, 1u, 2u, 3u, 17u, 33u, 5120u, 5121u}) {
        SCOPED_TRACE(n);
        std::vector<IIRFilter> e1 = even, o1 = odd, e2 = even, o2 = odd;
        auto a = dsptest::noise(n, 32767, static_cast<unsigned>(n)), b = a;
        IIRFilter::ProcessStereoChain_16bit(a, e1, o1);
        for (std::size_t k = 0; k < 7; ++k) {
            e2[k].ProcessSamples_16bit(b, 2);
            if (n > 1)
                o2[k].ProcessSamples_16bit(std::span(b).subspan(1), 2);
        }
        ASSERT_EQ(a, b);
        // The memories moved on alike: the next buffer comes out the same too.
        auto c = dsptest::noise(64, 32767, 5), d = c;
        IIRFilter::ProcessStereoChain_16bit(c, e1, o1);
        for (std::size_t k = 0; k < 7; ++k) {
            e2[k].ProcessSamples_16bit(d, 2);
            o2[k].ProcessSamples_16bit(std::span(d).subspan(1), 2);
        }
        ASSERT_EQ(c, d);
    }
}

TEST(IIRFilter, ClipsTheOutputButRemembersTheUnclippedValue)
{
    // A 12 dB boost of a full-scale tone at the centre frequency must clip.
    IIRFilter f = made(3, 12, 1000, 44100, 1);
    auto v = dsptest::sine(4000, 1000, 44100, 32767);
    const auto input = v;
    f.ProcessSamples_16bit(v);
    EXPECT_EQ(*std::max_element(v.begin(), v.end()), 32767);
    EXPECT_EQ(*std::min_element(v.begin(), v.end()), -32768);

    // A double-precision run whose memory holds the unclipped output agrees within one step;
    // a memory holding the clipped value would soon drift far away.
    const auto c = f.GetCoefficients();
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (std::size_t i = 0; i < input.size(); ++i) {
        const double x = input[i] / 32767.0;
        const double y = c.b0 * x + c.b1 * x1 + c.b2 * x2 - c.a1 * y1 - c.a2 * y2;
        x2 = x1; x1 = x; y2 = y1; y1 = y;
        const double expected = y > 1 ? 32767 : (y < -1 ? -32768 : std::nearbyint(y * 32767));
        ASSERT_NEAR(v[i], expected, 1.0) << i;
    }

    std::vector<std::uint8_t> bytes(2000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(128 + std::lround(127 * std::sin(2 * std::numbers::pi * 1000 * i / 44100.0)));
    IIRFilter g = made(3, 12, 1000, 44100, 1);
    g.ProcessSamples_8bit(bytes);
    EXPECT_EQ(*std::max_element(bytes.begin(), bytes.end()), 255);
    EXPECT_EQ(*std::min_element(bytes.begin(), bytes.end()), 0);
}

TEST(IIRFilter, EightBitSilenceStaysAt128)
{
    IIRFilter f = made(1, 0, 300, 8000, 1);
    std::vector<std::uint8_t> v(500, 128);
    f.ProcessSamples_8bit(v);
    EXPECT_EQ(v, std::vector<std::uint8_t>(500, 128));
}

TEST(IIRFilter, DisabledOrUnbuiltFiltersLeaveSamplesAndMemoryAlone)
{
    const auto input = dsptest::noise(2000);
    IIRFilter reference = made(0, 0, 500, 44100, 1);
    IIRFilter f = reference;
    auto a = input, b = input;
    reference.ProcessSamples_16bit(std::span(a).first(1000));
    f.ProcessSamples_16bit(std::span(b).first(1000));

    // A buffer processed while disabled is untouched and does not disturb the memory.
    f.setEnabled(false);
    auto skipped = input;
    f.ProcessSamples_16bit(skipped);
    EXPECT_EQ(skipped, input);
    f.setEnabled(true);
    reference.ProcessSamples_16bit(std::span(a).subspan(1000));
    f.ProcessSamples_16bit(std::span(b).subspan(1000));
    EXPECT_EQ(a, b);

    IIRFilter unbuilt;
    EXPECT_FALSE(unbuilt.IsBuilt());
    auto c = input;
    unbuilt.ProcessSamples_16bit(c);
    EXPECT_EQ(c, input);
}

TEST(IIRFilter, PropertyWritesRebuildOnlyOnceTheRateIsKnown)
{
    IIRFilter f;
    f.setFrequency(1000);
    f.setBandwidth(1);
    f.setGainDB(6);
    EXPECT_FALSE(f.IsBuilt());
    EXPECT_EQ(f.Frequency(), 1000);
    EXPECT_EQ(f.GainDB(), 6);
    f.setSampleRate(44100); // builds a low-pass, the stored type
    ASSERT_TRUE(f.IsBuilt());
    EXPECT_EQ(f.IIRType(), 0);
    const auto lp = cookbook(0, 6, 1000, 44100, 1);
    EXPECT_NEAR(f.GetCoefficients().b0, lp.b0, 1e-6);

    // A write rebuilds and clears the memory: the output equals that of a fresh filter.
    IIRFilter g = made(3, 3, 1000, 44100, 1);
    auto warm = dsptest::noise(500);
    g.ProcessSamples_16bit(warm);
    g.setGainDB(6);
    IIRFilter fresh = made(3, 6, 1000, 44100, 1);
    auto a = dsptest::noise(500, 20000, 3), b = a;
    g.ProcessSamples_16bit(a);
    fresh.ProcessSamples_16bit(b);
    EXPECT_EQ(a, b);
    EXPECT_EQ(g.GainDB(), 6);
}

TEST(IIRFilter, ParametersThatCannotMakeAFilterAreRefusedAndChangeNothing)
{
    IIRFilter f = made(3, 6, 1000, 44100, 1);
    const auto before = f.GetCoefficients();
    auto bad = [&](auto call, const char *text) {
        EXPECT_TRUE(throwsNumbered(call, 32000, "IIRFilter", text)) << text;
        const auto now = f.GetCoefficients();
        EXPECT_EQ(now.b0, before.b0);
        EXPECT_EQ(now.a1, before.a1);
        EXPECT_EQ(f.IIRType(), 3);
        EXPECT_EQ(f.Frequency(), 1000);
        EXPECT_EQ(f.SampleRate(), 44100);
        EXPECT_EQ(f.GainDB(), 6);
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    bad([&] { f.CreateBiquadIIR(4, 0, 1000, 44100, 1); }, "invalid filter type");
    bad([&] { f.CreateBiquadIIR(-1, 0, 1000, 44100, 1); }, "invalid filter type");
    bad([&] { f.CreateBiquadIIR(3, 0, 0, 44100, 1); }, "invalid frequency");
    bad([&] { f.CreateBiquadIIR(3, 0, 22050, 44100, 1); }, "invalid frequency");
    bad([&] { f.CreateBiquadIIR(3, 0, -50, 44100, 1); }, "invalid frequency");
    bad([&] { f.CreateBiquadIIR(3, 0, nan, 44100, 1); }, "invalid frequency");
    bad([&] { f.CreateBiquadIIR(3, 0, 1000, 0, 1); }, "invalid samplerate");
    bad([&] { f.CreateBiquadIIR(3, 0, 1000, 44100, 0); }, "invalid bandwidth");
    bad([&] { f.CreateBiquadIIR(3, 0, 1000, 44100, -1); }, "invalid bandwidth");
    bad([&] { f.CreateBiquadIIR(3, nan, 1000, 44100, 1); }, "invalid filter parameters");
    bad([&] { f.CreateBiquadIIR(3, 1e6f, 1000, 44100, 1); }, "invalid filter parameters");
    bad([&] { f.setFrequency(0); }, "invalid frequency");
    bad([&] { f.setSampleRate(1500); }, "invalid frequency");
    bad([&] { f.setBandwidth(0); }, "invalid bandwidth");

    // The filter still works as before.
    auto v = dsptest::noise(1000);
    f.ProcessSamples_16bit(v);
    IIRFilter g = made(3, 6, 1000, 44100, 1);
    auto w = dsptest::noise(1000);
    g.ProcessSamples_16bit(w);
    EXPECT_EQ(v, w);
}

TEST(SampleMath, RoundsHalvesToEvenAndClips)
{
    EXPECT_EQ(tavdsp::RoundClip16(2.5f), 2);
    EXPECT_EQ(tavdsp::RoundClip16(3.5f), 4);
    EXPECT_EQ(tavdsp::RoundClip16(-2.5f), -2);
    EXPECT_EQ(tavdsp::RoundClip16(32767.4f), 32767);
    EXPECT_EQ(tavdsp::RoundClip16(40000.0f), 32767);
    EXPECT_EQ(tavdsp::RoundClip16(-32768.6f), -32768);
    EXPECT_EQ(tavdsp::RoundClip16(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(tavdsp::Clip16(40000), 32767);
    EXPECT_EQ(tavdsp::Clip16(-40000), -32768);
}

TEST(SampleMath, UnitValuesBecomeSamples)
{
    EXPECT_EQ(tavdsp::UnitToSample16(1.0f), 32767);
    EXPECT_EQ(tavdsp::UnitToSample16(1.00001f), 32767);
    EXPECT_EQ(tavdsp::UnitToSample16(-1.0f), -32767);
    EXPECT_EQ(tavdsp::UnitToSample16(-1.00001f), -32768); // below -1, not -32767.3 rounded
    EXPECT_EQ(tavdsp::UnitToSample16(-5.0f), -32768);
    EXPECT_EQ(tavdsp::UnitToSample16(0.5f), 16384); // 16383.5 to the even neighbour
    EXPECT_EQ(tavdsp::UnitToSample16(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(tavdsp::UnitToSample16(std::numeric_limits<float>::infinity()), 32767);
    for (int s : {-32768, -12345, -1, 0, 1, 777, 32767})
        EXPECT_EQ(tavdsp::UnitScale()[s], static_cast<float>(s) / 32767.0f);
}
