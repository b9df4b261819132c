// The effects dialog: every slider's range and mapping both ways, the band labels, the response
// curve's geometry and pixels, and the dialog writing to the processor at once.
#include "dsp/clsDraw.h"
#include "dsp/frmFXOpts.h"
#include "dsp/FxOptions.h"
#include "DspTestUtil.h"

#include <QLabel>
#include <QSlider>
#include <QTabBar>
#include <QTest>

using fxopts::Slider;

namespace {

TEST(FxOptions, SliderRangesAndMappingsBothWays)
{
    const struct {
        Slider slider;
        int minimum, maximum;
        int onOpening; // with the processor's defaults
        int set;
        double property; // what `set` writes
        std::function<double(const clsDSP &)> read;
    } cases[] = {
        {Slider::ReverbAmp, 1, 9, 4, 9, 0.9, [](const clsDSP &d) { return d.EchoAmp(); }},
        {Slider::ReverbLen, 1, 1000, 100, 750, 750, [](const clsDSP &d) { return d.EchoLength(); }},
        {Slider::ShDry, -10, 10, 10, -3, -0.3, [](const clsDSP &d) { return d.PhaseShiftDry(); }},
        {Slider::ShWet, -10, 10, 10, 7, 0.7, [](const clsDSP &d) { return d.PhaseShiftWet(); }},
        {Slider::ShFb, -9, 9, 5, -9, -0.9, [](const clsDSP &d) { return d.PhaseShiftFeedback(); }},
        {Slider::ShFreq, -10, 150, 100, -10, -10, [](const clsDSP &d) { return d.PhaseShiftFrequency(); }},
        {Slider::ShSwpRange, 30, 60, 40, 55, 5.5, [](const clsDSP &d) { return d.PhaseShiftSweepRange(); }},
        {Slider::ShSwpRate, 1, 15, 10, 3, 0.3, [](const clsDSP &d) { return d.PhaseShiftSweepRate(); }},
        {Slider::AmplDB, -12, 12, 3, -12, -12, [](const clsDSP &d) { return d.AmplifyDB(); }},
    };
    for (const auto &c : cases) {
        clsDSP dsp;
        dsp.setSampleRate(44100);
        dsp.setChannels(2);
        const fxopts::Range r = fxopts::SliderRange(c.slider);
        EXPECT_EQ(r.minimum, c.minimum) << int(c.slider);
        EXPECT_EQ(r.maximum, c.maximum) << int(c.slider);
        EXPECT_EQ(fxopts::Read(dsp, c.slider), c.onOpening) << int(c.slider);
        fxopts::Apply(dsp, c.slider, c.set);
        EXPECT_NEAR(c.read(dsp), c.property, 1e-6) << int(c.slider);
        EXPECT_EQ(fxopts::Read(dsp, c.slider), c.set) << int(c.slider);
        // Every value of the range survives the round trip.
        for (int v = r.minimum; v <= r.maximum; ++v) {
            fxopts::Apply(dsp, c.slider, v);
            ASSERT_EQ(fxopts::Read(dsp, c.slider), v) << int(c.slider);
        }
    }
}

TEST(FxOptions, BandLabelsAndBandMapping)
{
    clsDSP dsp;
    dsp.setSampleRate(44100);
    dsp.setChannels(2);
    const char *labels[] = {"80 Hz", "191 Hz", "455 Hz", "1 kHz", "2 kHz", "6 kHz", "14 kHz"};
    ASSERT_EQ(dsp.EqualizerBands(), 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(fxopts::BandLabel(dsp.EqualizerBandFrequency(i)), QString::fromLatin1(labels[i])) << i;
    EXPECT_EQ(fxopts::BandLabel(1000), QStringLiteral("1000 Hz"));
    EXPECT_EQ(fxopts::BandLabel(1001), QStringLiteral("1 kHz"));
    EXPECT_EQ(fxopts::BandLabel(14999), QStringLiteral("14 kHz"));
    EXPECT_EQ(fxopts::AmplLabel(-4), QStringLiteral("-4 dB"));

    fxopts::ApplyBand(dsp, 2, -6); // slider above the middle: a boost
    EXPECT_EQ(dsp.EqualizerBandGainDB(2), 6.0f);
    EXPECT_EQ(fxopts::ReadBand(dsp, 2), -6);
    dsp.setEqualizerBandGainDB(4, -2.5f);
    EXPECT_EQ(fxopts::ReadBand(dsp, 4), 2); // 2.5 to the even neighbour
}

TEST(FxOptions, ResponseCurveGeometryAndColours)
{
    const std::vector<int> flat(7, 0);
    const auto points = fxopts::CurvePoints(flat, 12, 220, 80);
    ASSERT_EQ(points.size(), 7u);
    EXPECT_EQ(fxopts::CurveStep(220, 7), 30);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(points[std::size_t(i)].x, (i + 1) * 30 - 4);
        EXPECT_EQ(points[std::size_t(i)].y, 40);
    }
    std::vector<int> boosted = flat;
    boosted[0] = -12;
    boosted[6] = 12;
    const auto b = fxopts::CurvePoints(boosted, 12, 220, 80);
    EXPECT_EQ(b[0].y, 0);  // +12 dB at the top
    EXPECT_EQ(b[6].y, 80); // -12 dB at the bottom

    QImage img(220, 80, QImage::Format_RGB32);
    fxopts::DrawCurve(img, flat, 12);
    auto at = [&](int x, int y) { return FromQRgb(img.pixel(x, y)); };
    // Flat: the line at y = 40 - 0.5 rounded (to even: 40), gold as the middle of the blend.
    EXPECT_EQ(at(40, 40), fxopts::kCurveMiddle);
    EXPECT_EQ(at(40, 39), fxopts::kCurveBackground);
    EXPECT_EQ(at(26, 10), fxopts::kCurveGrid); // grid line of band 1
    EXPECT_EQ(at(26, 78), fxopts::kCurveBackground); // the grid stops at height - 2
    EXPECT_EQ(at(5, 10), fxopts::kCurveBackground);

    // A boost at the first band: red-orange near the top, green where it reaches the bottom.
    fxopts::DrawCurve(img, boosted, 12);
    EXPECT_EQ(at(26, 0), BlendColor(80, 0, fxopts::kCurveTop, fxopts::kCurveMiddle, fxopts::kCurveBottom));
    EXPECT_EQ(at(26, 0), fxopts::kCurveTop);
}

TEST(frmFXOpts, PagesSlidersAndBandsWriteToTheProcessorAtOnce)
{
    clsDSP dsp;
    dsp.setSampleRate(44100);
    dsp.setChannels(2);
    frmFXOpts d;
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Configuration effets"));
    const char *keys[] = {"ECHO", "SHIFT", "EQ", "AMPL"};
    const char16_t *captions[] = {u"Echo", u"Déphasage", u"Egaliseur", u"Amplificateur"};
    ASSERT_EQ(d.strip->count(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(d.strip->tabText(i), QString::fromUtf16(captions[i]));
        EXPECT_EQ(d.strip->tabData(i).toString(), QString::fromLatin1(keys[i]));
    }
    d.Load(dsp);
    d.show();
    QWidget *pages[] = {d.picReverb, d.picShift, d.picEQ, d.picAmpl};
    for (int t = 0; t < 4; ++t) {
        d.strip->setCurrentIndex(t);
        for (int p = 0; p < 4; ++p)
            EXPECT_EQ(pages[p]->isVisible(), p == t) << t << " " << p;
    }
    const int opening[] = {4, 100, 10, 10, 5, 100, 40, 10, 3};
    for (std::size_t i = 0; i < std::size(fxopts::kAllSliders); ++i)
        EXPECT_EQ(d.SliderFor(fxopts::kAllSliders[i])->value(), opening[i]) << i;
    EXPECT_EQ(d.lblAmplDB->text(), QStringLiteral("3 dB"));
    EXPECT_EQ(d.sldReverbLen->tickInterval(), 100);

    d.sldReverbAmp->setValue(9);
    EXPECT_FLOAT_EQ(dsp.EchoAmp(), 0.9f);
    d.sldAmplDB->setValue(-5);
    EXPECT_EQ(dsp.AmplifyDB(), -5);
    EXPECT_EQ(d.lblAmplDB->text(), QStringLiteral("-5 dB"));

    ASSERT_EQ(d.sldEQ.size(), 7);
    EXPECT_EQ(d.lblEQID[0]->text(), QStringLiteral("80 Hz"));
    EXPECT_EQ(d.lblEQID[6]->text(), QStringLiteral("14 kHz"));
    EXPECT_TRUE(d.sldEQ[0]->invertedAppearance()); // -12 at the top
    d.sldEQ[3]->setValue(-6);
    EXPECT_EQ(dsp.EqualizerBandGainDB(3), 6.0f);
    const QImage boosted = d.CurveImage();
    const int x4 = 4 * fxopts::CurveStep(220, 7) - 4;
    EXPECT_EQ(FromQRgb(boosted.pixel(x4, 40 - 20)), BlendColor(80, 20, fxopts::kCurveTop, fxopts::kCurveMiddle,
                                                                 fxopts::kCurveBottom));

    // Opened again: the same band controls, the values read back from the processor.
    QSlider *first = d.sldEQ[0];
    d.Load(dsp);
    EXPECT_EQ(d.sldEQ[0], first);
    EXPECT_EQ(d.sldEQ[3]->value(), -6);
    EXPECT_EQ(d.sldReverbAmp->value(), 9);
    EXPECT_EQ(d.sldAmplDB->value(), -5);

    // A right click puts a band back to 0 dB and flattens its part of the curve.
    d.strip->setCurrentIndex(2);
    QTest::mouseClick(d.sldEQ[3], Qt::RightButton);
    EXPECT_EQ(d.sldEQ[3]->value(), 0);
    EXPECT_EQ(dsp.EqualizerBandGainDB(3), 0.0f);
    EXPECT_EQ(FromQRgb(d.CurveImage().pixel(x4, 40)), fxopts::kCurveMiddle);
}

} // namespace
