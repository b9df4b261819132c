#include "dsp/clsFourier.h"
#include "dsp/clsSmooth.h"
#include "DspTestUtil.h"

#include <chrono>
#include <complex>
#include <limits>

using dsptest::throwsNumbered;

namespace {

const char *const k380 = "Number of samples must be a positive value of the form 2 ^ n";
const char *const k381 = "Index out of range or number of samples unknown";

} // namespace

TEST(clsFourier, AcceptsOnlyPowersOfTwo)
{
    clsFourier f;
    EXPECT_EQ(f.NumberOfSamples(), 0);
    for (std::int32_t n : {1, 0, 6, -4, 1000, std::numeric_limits<std::int32_t>::min()})
        EXPECT_TRUE(throwsNumbered([&] { f.setNumberOfSamples(n); }, 380, "clsFourier", k380)) << n;
    f.setNumberOfSamples(2);
    EXPECT_EQ(f.NumberOfSamples(), 2);
    f.setNumberOfSamples(1024);
    EXPECT_EQ(f.NumberOfSamples(), 1024);
}

TEST(clsFourier, IndicesOutsideTheBufferOrBeforeTheSizeAreRefused)
{
    clsFourier f;
    EXPECT_TRUE(throwsNumbered([&] { f.setRealIn(1, 1.0); }, 381, "clsFourier", k381));
    EXPECT_TRUE(throwsNumbered([&] { (void)f.RealOut(1); }, 381, "clsFourier", k381));
    f.setNumberOfSamples(8);
    EXPECT_TRUE(throwsNumbered([&] { f.setRealIn(0, 1.0); }, 381, "clsFourier", k381));
    EXPECT_TRUE(throwsNumbered([&] { f.setRealIn(9, 1.0); }, 381, "clsFourier", k381));
    EXPECT_TRUE(throwsNumbered([&] { f.setImagIn(0, 1.0); }, 381, "clsFourier", k381));
    EXPECT_TRUE(throwsNumbered([&] { f.setImagIn(9, 1.0); }, 381, "clsFourier", k381));
    EXPECT_TRUE(throwsNumbered([&] { (void)f.RealOut(0); }, 381, "clsFourier", k381));
    EXPECT_TRUE(throwsNumbered([&] { (void)f.ImagOut(9); }, 381, "clsFourier", k381));
    EXPECT_TRUE(throwsNumbered([&] { (void)f.ComplexOut(-1); }, 381, "clsFourier", k381));
    f.setRealIn(8, 1.0);
    EXPECT_NO_THROW((void)f.ComplexOut(8));
}

TEST(clsFourier, ConstantInputSumsIntoTheFirstBin)
{
    clsFourier f;
    f.setNumberOfSamples(8);
    for (int i = 1; i <= 8; ++i)
        f.setRealIn(i, 2.0);
    EXPECT_DOUBLE_EQ(f.RealOut(1), 8.0); // each input halved, then summed
    EXPECT_DOUBLE_EQ(f.ImagOut(1), 0.0);
    for (int i = 2; i <= 8; ++i)
        EXPECT_NEAR(f.ComplexOut(i), 0.0, 1e-12) << i;
}

TEST(clsFourier, CosineAtBinKPeaksAtBothMirrorBins)
{
    const int n = 64;
    for (int k : {1, 5, 13, 31}) {
        clsFourier f;
        f.setNumberOfSamples(n);
        for (int i = 0; i < n; ++i)
            f.setRealIn(i + 1, std::cos(2 * std::numbers::pi * k * i / n));
        for (int bin = 1; bin <= n; ++bin) {
            const double expected = (bin == k + 1 || bin == n - k + 1) ? n / 4.0 : 0.0;
            EXPECT_NEAR(f.ComplexOut(bin), expected, 1e-9) << "k " << k << " bin " << bin;
        }
    }
}

TEST(clsFourier, MatchesADirectTransformOfComplexInput)
{
    // Direct sum X(k) = sum x(n) e^(+2 pi i k n / N) with the real parts halved on input.
    const int n = 256;
    std::mt19937 gen(11);
    std::uniform_real_distribution<double> dist(-1000, 1000);
    std::vector<double> re(n), im(n);
    clsFourier f;
    f.setNumberOfSamples(n);
    for (int i = 0; i < n; ++i) {
        re[static_cast<std::size_t>(i)] = dist(gen);
        im[static_cast<std::size_t>(i)] = dist(gen);
        f.setRealIn(i + 1, re[static_cast<std::size_t>(i)]);
        f.setImagIn(i + 1, im[static_cast<std::size_t>(i)]);
    }
    for (int k = 0; k < n; ++k) {
        std::complex<double> sum = 0;
        for (int j = 0; j < n; ++j)
            sum += std::complex<double>(re[static_cast<std::size_t>(j)] / 2, im[static_cast<std::size_t>(j)]) *
                   std::polar(1.0, 2 * std::numbers::pi * k * j / n);
        ASSERT_NEAR(f.RealOut(k + 1), sum.real(), 1e-7) << k;
        ASSERT_NEAR(f.ImagOut(k + 1), sum.imag(), 1e-7) << k;
        ASSERT_NEAR(f.ComplexOut(k + 1), std::abs(sum), 1e-7) << k;
    }
}

TEST(clsFourier, BlackmanWindowWeightsEachInput)
{
    const int n = 1024;
    clsFourier f;
    f.setNumberOfSamples(n);
    f.setWithTimeWindow(true);
    EXPECT_TRUE(f.WithTimeWindow());
    // A single input shows its weighted value in the first bin.
    for (int k : {0, 100, 511, 1023}) {
        for (int i = 1; i <= n; ++i)
            f.setRealIn(i, i == k + 1 ? 1000.0 : 0.0);
        const double w = 0.42 - 0.5 * std::cos(2 * std::numbers::pi * k / (n - 1)) +
                         0.08 * std::cos(4 * std::numbers::pi * k / (n - 1));
        EXPECT_NEAR(f.RealOut(1), 1000.0 * w, 1e-9) << k;
    }
}

TEST(clsFourier, TimingIsTheDurationOfTheLastTransform)
{
    using Clock = std::chrono::steady_clock;
    const auto elapsedMs = [](Clock::time_point since) {
        return std::chrono::duration<float, std::milli>(Clock::now() - since).count();
    };
    clsFourier f;
    EXPECT_EQ(f.Timing(), 0.0f); // no transform yet
    const int n = 65536;
    f.setNumberOfSamples(n);
    for (int i = 1; i <= n; ++i)
        f.setRealIn(i, double(i % 7));
    EXPECT_EQ(f.Timing(), 0.0f); // input alone does not transform

    // The first read transforms and times it: within the time the read took.
    auto start = Clock::now();
    f.RealOut(2);
    const float outer = elapsedMs(start);
    const float first = f.Timing();
    EXPECT_GT(first, 0.0f);
    EXPECT_LE(first, outer);

    // Further reads use the same transform: the timing stays the same.
    f.ImagOut(3);
    f.ComplexOut(n);
    EXPECT_EQ(f.Timing(), first);

    // New input: the next read times a new transform, again within its read.
    f.setRealIn(1, 1.0);
    EXPECT_EQ(f.Timing(), first);
    start = Clock::now();
    f.ComplexOut(1);
    EXPECT_LE(f.Timing(), elapsedMs(start));
    EXPECT_GT(f.Timing(), 0.0f);
}

TEST(clsFourier, RealInClearsTheImaginaryPartAndNewInputRedoesTheTransform)
{
    clsFourier f;
    f.setNumberOfSamples(4);
    f.setImagIn(1, 5.0);
    f.setRealIn(1, 2.0); // clears the imaginary part just given
    EXPECT_DOUBLE_EQ(f.RealOut(1), 1.0);
    EXPECT_DOUBLE_EQ(f.ImagOut(1), 0.0);
    f.setImagIn(1, 3.0);
    EXPECT_DOUBLE_EQ(f.ImagOut(1), 3.0);
    EXPECT_DOUBLE_EQ(f.ComplexOut(2), std::sqrt(1.0 + 9.0));
    f.setNumberOfSamples(4); // back to zeros
    EXPECT_DOUBLE_EQ(f.ComplexOut(1), 0.0);
}

TEST(clsSmooth, AveragesTheLastValues)
{
    clsSmooth s;
    EXPECT_EQ(s.SmoothGetMax(), 0.0f);
    s.SmoothAdd(5); // ignored: no ring yet
    EXPECT_EQ(s.SmoothGetMax(), 0.0f);
    s.SmoothNew(3);
    EXPECT_EQ(s.SmoothGetMax(), 0.0f); // empty ring
    s.SmoothAdd(3);
    s.SmoothAdd(6);
    EXPECT_FLOAT_EQ(s.SmoothGetMax(), 4.5f);
    s.SmoothAdd(9);
    s.SmoothAdd(12);
    EXPECT_FLOAT_EQ(s.SmoothGetMax(), 9.0f);
    s.SmoothAdd(15);
    s.SmoothAdd(18);
    EXPECT_FLOAT_EQ(s.SmoothGetMax(), 15.0f);
    s.SmoothNew(2); // restarts empty
    EXPECT_EQ(s.SmoothGetMax(), 0.0f);
    s.SmoothAdd(1);
    EXPECT_FLOAT_EQ(s.SmoothGetMax(), 1.0f);
    for (int size : {0, -3})
        EXPECT_TRUE(throwsNumbered([&] { s.SmoothNew(size); }, 32000, "clsSmooth", "Out Of Bounds!"));
    EXPECT_FLOAT_EQ(s.SmoothGetMax(), 1.0f);
}
