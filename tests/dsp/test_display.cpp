#include "dsp/modDraw.h"
#include "dsp/SpectrumBands.h"
#include "DspTestUtil.h"

namespace {

std::int32_t rgb(int r, int g, int b) { return r + 256 * g + 65536 * b; }

} // namespace

TEST(BlendColor, EndPointsMidpointAndRounding)
{
    EXPECT_EQ(BlendColor(1, 0.0f, kLevelGreen, kLevelOrange, kLevelRed), kLevelGreen);
    EXPECT_EQ(BlendColor(1, 0.5f, kLevelGreen, kLevelOrange, kLevelRed), kLevelOrange);
    EXPECT_EQ(BlendColor(1, 1.0f, kLevelGreen, kLevelOrange, kLevelRed), kLevelRed);
    EXPECT_EQ(BlendColor(200, 0, 74428, 2271457, 1234567), 74428);
    EXPECT_EQ(BlendColor(200, 100, 74428, 2271457, 1234567), 2271457);
    EXPECT_EQ(BlendColor(200, 200, 74428, 2271457, 1234567), 1234567);
    // A quarter of the way: green (0, 255, 0) half-way to orange (225, 168, 34); the
    // halves 112.5 and 211.5 go to the even neighbours.
    EXPECT_EQ(BlendColor(1, 0.25f, kLevelGreen, kLevelOrange, kLevelRed), rgb(112, 212, 17));
    // A colour with the top bits set keeps only its three low bytes: -13312 is (0, 204, 0).
    EXPECT_EQ(BlendColor(100, 100, 74428, 2271457, -13312), rgb(0, 204, 0));
}

TEST(BlendColor, OutsideTheRangeChannelsStayWithinABytes)
{
    // Beyond the range the blend extrapolates, each channel held within 0 .. 255.
    EXPECT_EQ(BlendColor(1, 2.0f, kLevelGreen, kLevelOrange, kLevelRed), rgb(255, 0, 0));
    EXPECT_EQ(BlendColor(1, -1.0f, kLevelGreen, kLevelOrange, kLevelRed), rgb(0, 255, 0));
    // No range at all: c1 below it, c3 from it on.
    EXPECT_EQ(BlendColor(0, -1, 1, 2, 3), 1);
    EXPECT_EQ(BlendColor(0, 0, 1, 2, 3), 3);
}

TEST(LevelMeter, ColourWidthAndPeaks)
{
    EXPECT_EQ(LevelBarColor(0.5f), kLevelOrange);
    EXPECT_EQ(LevelBarColor(0.0f), kLevelGreen);
    EXPECT_EQ(LevelBarWidth(200, 0.5), 100);
    EXPECT_EQ(LevelBarWidth(101, 0.5), 50); // 50.5 to the even neighbour
    EXPECT_EQ(LevelBarWidth(200, 1.7), 200);
    EXPECT_EQ(LevelBarWidth(200, -0.2), 0);
    EXPECT_EQ(LevelBarWidth(0, 0.5), 0);

    const std::vector<std::int16_t> v{100, -32768, -300, 2000, 5, 7};
    const auto stereo = MeterPeaks(v, true);
    EXPECT_EQ(stereo.left, 300);
    EXPECT_EQ(stereo.right, 32768);
    const auto mono = MeterPeaks(v, false);
    EXPECT_EQ(mono.left, 32768);
    EXPECT_EQ(mono.right, 32768);
    const std::vector<std::int16_t> silent(10, 0);
    EXPECT_EQ(MeterPeaks(silent, true).left, 1);
    EXPECT_EQ(MeterPeaks(silent, true).right, 1);
    EXPECT_EQ(MeterPeaks({}, false).left, 1);
}

TEST(Waveform, SilenceIsAFlatLineAtMidHeight)
{
    const std::vector<std::int16_t> silent(5120, 0);
    std::vector<DrawPoint> p(WaveformPointCount(100));
    ASSERT_EQ(WaveformPoints(silent, 100, 51, p), 100u);
    for (std::size_t i = 0; i < 100; ++i) {
        EXPECT_EQ(p[i].x, static_cast<int>(i));
        EXPECT_EQ(p[i].y, 25);
    }
}

TEST(Waveform, ColumnsShowTheMeanOfTheirSamples)
{
    // 1001 samples on a 100-pixel view: 10 samples per column.
    std::vector<std::int16_t> data(1001, 0);
    for (std::size_t i = 0; i < 10; ++i)
        data[i] = 32767; // column 1: full scale
    for (std::size_t i = 10; i < 20; ++i)
        data[i] = i < 15 ? -32767 : 0; // column 2: half of negative full scale
    for (std::size_t i = 20; i < 30; ++i)
        data[i] = -32768; // column 3: just beyond full scale, limited
    std::vector<DrawPoint> p(WaveformPointCount(100));
    const std::size_t n = WaveformPoints(data, 100, 100, p);
    ASSERT_EQ(n, 100u);
    EXPECT_EQ(p[0].y, 50);
    EXPECT_EQ(p[1].x, 1);
    EXPECT_EQ(p[1].y, 98); // (50 - 2) * 1 + 50
    EXPECT_EQ(p[2].y, 26); // (50 - 2) * -0.5 + 50
    EXPECT_EQ(p[3].y, 2);
    EXPECT_EQ(p[4].y, 50);
    EXPECT_EQ(p[97].x, 97); // last column, width - 3
    EXPECT_EQ(p[98].x, 98);
    EXPECT_EQ(p[98].y, 50);
    EXPECT_EQ(p[99].x, 99);
}

TEST(Waveform, ShortBuffersAndSmallRoomNeverReadOrWriteTooFar)
{
    // Fewer samples than columns: one sample per column until they run out.
    const std::vector<std::int16_t> few{32767, 32767, 32767};
    std::vector<DrawPoint> p(WaveformPointCount(50));
    ASSERT_EQ(WaveformPoints(few, 50, 20, p), 6u);
    EXPECT_EQ(p[3].y, 18);
    EXPECT_EQ(p[4].x, 4);
    EXPECT_EQ(p[5].x, 5);
    // A step that rounds up would want more samples than there are: columns stop in time.
    const std::vector<std::int16_t> data(5122, 100);
    std::vector<DrawPoint> q(WaveformPointCount(3414));
    EXPECT_EQ(WaveformPoints(data, 3414, 100, q), 2561u + 3u);
    // No buffer, no width, little room.
    EXPECT_EQ(WaveformPoints({}, 50, 20, p), 3u);
    EXPECT_EQ(WaveformPoints(data, 0, 20, p), 0u);
    std::vector<DrawPoint> small(5);
    EXPECT_EQ(WaveformPoints(data, 100, 20, small), 5u);
    EXPECT_EQ(small[4].x, 4);
}

TEST(SpectrumBands, SilenceLetsBarsFallAndShortBuffersChangeNothing)
{
    SpectrumBands s;
    const auto loud = dsptest::sine(1024, 44100.0 * 30 / 1024, 44100, 32767); // bin 30
    ASSERT_TRUE(s.Update(loud));
    const double raised = s.Level(5); // band 5 covers bins 26 .. 29, leaning on bin 30
    ASSERT_GT(raised, 0.3);

    const std::vector<std::int16_t> shortBuffer(1023, 30000);
    EXPECT_FALSE(s.Update(shortBuffer));
    EXPECT_EQ(s.Level(5), raised);

    // Silence lets every bar fall by 0.07 per update until all are empty.
    const std::vector<std::int16_t> silent(5120, 0);
    int updates = 0;
    for (auto previous = s.Levels(); *std::max_element(previous.begin(), previous.end()) > 0; previous = s.Levels()) {
        ASSERT_LT(++updates, 16);
        ASSERT_TRUE(s.Update(silent));
        for (int l = 0; l < SpectrumBands::kBands; ++l)
            ASSERT_NEAR(s.Level(l), std::max(0.0, previous[static_cast<std::size_t>(l)] - 0.07), 1e-12) << l;
    }
    EXPECT_GE(updates, 5);
}

TEST(SpectrumBands, ToneLightsItsBandAndTheBarsToItsRight)
{
    SpectrumBands s;
    const auto tone = dsptest::sine(2048, 44100.0 * 52 / 1024, 44100, 32767); // bin 52, band 10
    ASSERT_TRUE(s.Update(tone));
    for (int l = 0; l < 9; ++l)
        EXPECT_LT(s.Level(l), 0.01) << l;
    EXPECT_EQ(s.Level(10), 1.0);
    EXPECT_GT(s.Level(11), 0.3); // the running sum leans on the bars to the left
    for (double level : s.Levels()) {
        EXPECT_GE(level, 0.0);
        EXPECT_LE(level, 1.0);
    }
}

TEST(SpectrumBands, BarGeometryAndColour)
{
    auto full = SpectrumBands::Bar(0, 1.0, 100);
    EXPECT_EQ(full.left, 4);
    EXPECT_EQ(full.right, 7);
    EXPECT_EQ(full.top, 2);
    EXPECT_EQ(full.bottom, 98);
    EXPECT_EQ(full.color, rgb(255, 255, 50));
    auto empty = SpectrumBands::Bar(21, 0.0, 100);
    EXPECT_EQ(empty.left, 88);
    EXPECT_EQ(empty.right, 91);
    EXPECT_EQ(empty.top, 98);
    EXPECT_EQ(empty.color, rgb(255, 0, 50));
    auto half = SpectrumBands::Bar(3, 0.5, 101); // 50.5 rounds to 50
    EXPECT_EQ(half.top, 48);
    EXPECT_EQ(half.color, rgb(255, 128, 50)); // 127.5 to the even neighbour
    SpectrumBands s;
    EXPECT_EQ(s.Bar(2, 60).top, 58);
}
