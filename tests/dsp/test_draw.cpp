// The displays painted into images: level meters, waveform and spectrum pixels at the positions
// the geometry gives, and a display tick that allocates nothing.
#include "dsp/clsDraw.h"
#include "DspTestUtil.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<long> g_allocations{0};
} // namespace

// Every allocation of the test program is counted.
void *operator new(std::size_t n)
{
    ++g_allocations;
    if (void *p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void *operator new[](std::size_t n) { return operator new(n); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }

namespace {

std::int32_t px(const DrawSurface &s, int x, int y) { return FromQRgb(s.Image().pixel(x, y)); }
std::int32_t rgb(int r, int g, int b) { return r + 256 * g + 65536 * b; }

TEST(DrawLevelBar, BarWidthAndColourOnTheMeter)
{
    const std::int32_t background = 0x202020;
    const struct {
        double level;
        int width;
        std::int32_t colour;
    } cases[] = {{0.0, 0, kLevelGreen},  {0.5, 100, kLevelOrange}, {1.0, 200, rgb(255, 0, 0)},
                 {0.25, 50, rgb(112, 212, 17)}, {1.7, 200, rgb(255, 0, 0)}};
    DrawSurface meter(QSize(200, 10), background);
    for (const auto &c : cases) {
        DrawLevelBar(meter, c.level);
        for (int y : {0, 9}) {
            if (c.width > 0) { // the bar
                EXPECT_EQ(px(meter, 0, y), c.colour) << c.level;
                EXPECT_EQ(px(meter, c.width - 1, y), c.colour) << c.level;
            }
            if (c.width < 200) {
                EXPECT_EQ(px(meter, c.width, y), background) << c.level;
            }
        }
    }
}

TEST(DrawAmplitudes, SilenceIsAFlatWhiteLineFullScaleReachesTwoPixelsFromTheEdges)
{
    clsDraw draw;
    DrawSurface wave(QSize(240, 64), 0x123456);
    const struct {
        std::int16_t value;
        int y; // row of the line in the middle columns
    } cases[] = {{0, 32}, {32767, 62}, {-32767, 2}, {16384, 47}};
    for (const auto &c : cases) {
        const std::vector<std::int16_t> buffer(5120, c.value);
        draw.DrawAmplitudes(buffer, wave);
        EXPECT_EQ(px(wave, 0, 0), 0) << "painted black first";
        EXPECT_EQ(px(wave, 0, 32), 0xFFFFFF) << "starts at mid height";
        for (int x : {2, 100, 236})
            EXPECT_EQ(px(wave, x, c.y), 0xFFFFFF) << c.value << " at " << x;
        EXPECT_EQ(px(wave, 100, c.y == 32 ? 31 : 32), 0) << c.value;
        EXPECT_EQ(px(wave, 239, 32), 0xFFFFFF) << "ends back at mid height";
    }
    // Columns are means: half the buffer at full scale, half silent.
    std::vector<std::int16_t> halves(5120, 0);
    std::fill(halves.begin(), halves.begin() + 2560, 32767);
    draw.DrawAmplitudes(halves, wave);
    EXPECT_EQ(px(wave, 20, 62), 0xFFFFFF);  // 21 samples a column: column 20 is in the loud half
    EXPECT_EQ(px(wave, 200, 32), 0xFFFFFF); // and column 200 in the silent one
    EXPECT_EQ(px(wave, 200, 62), 0);
}

TEST(DrawFrequencies, BarsAtTheirColumnsFallingPeaksShortBuffersIgnored)
{
    clsDraw draw;
    DrawSurface spectrum(QSize(96, 64), 0);
    const auto tone = dsptest::sine(5120, 44100.0 * 52 / 1024, 44100, 32767); // band 10 full
    draw.DrawFrequencies(tone, spectrum);
    ASSERT_EQ(draw.Bands().Level(10), 1.0);
    const int left = 4 * 10 + 4;
    for (int x = left; x < left + 3; ++x) {
        EXPECT_EQ(px(spectrum, x, 2), rgb(255, 255, 50)) << x;  // full bar from y = 2
        EXPECT_EQ(px(spectrum, x, 61), rgb(255, 255, 50)) << x;
        EXPECT_EQ(px(spectrum, x, 62), 0) << x;                  // bottom exclusive
    }
    EXPECT_EQ(px(spectrum, left + 3, 30), 0); // the gap
    EXPECT_EQ(px(spectrum, left, 1), 0);
    EXPECT_EQ(px(spectrum, 4, 40), 0);        // band 0 stays dark

    // Silence: the bar falls by 0.07 a call; its top follows.
    const std::vector<std::int16_t> silent(5120, 0);
    draw.DrawFrequencies(silent, spectrum);
    const int top = std::max(2, std::min(64, int(std::nearbyint(64 - 64 * 0.93))) - 2);
    EXPECT_EQ(px(spectrum, left, top), FromQRgb(ToQColor(SpectrumBands::Bar(10, 0.93, 64).color).rgb()));
    EXPECT_EQ(px(spectrum, left, top - 1), 0);

    // Fewer than 1024 samples: nothing drawn, nothing falls.
    clsDraw::DrawRect(spectrum.Painter(), 0, 0, 96, 64, 0x00FF00);
    const std::vector<std::int16_t> shortBuffer(1023, 20000);
    draw.DrawFrequencies(shortBuffer, spectrum);
    EXPECT_EQ(px(spectrum, left, 30), 0x00FF00);
    EXPECT_NEAR(draw.Bands().Level(10), 0.93, 1e-12);
}

TEST(DisplayTick, AllocatesNothingOnceTheSurfacesExist)
{
    clsDraw draw;
    DrawSurface wave(QSize(240, 64)), spectrum(QSize(96, 64)), left(QSize(240, 10)), right(QSize(240, 10));
    const auto buffer = dsptest::noise(5120);
    auto tick = [&] {
        draw.DrawAmplitudes(buffer, wave);
        draw.DrawFrequencies(buffer, spectrum);
        DrawLevelBar(left, 0.4);
        DrawLevelBar(right, 0.8);
    };
    tick();
    const long before = g_allocations.load();
    for (int i = 0; i < 20; ++i)
        tick();
    EXPECT_EQ(g_allocations.load() - before, 0);
}

} // namespace
