// The drawn progress bar: range arithmetic, geometry of bar, segments and border, caption
// colours either side of the bar's edge, pictures, the off-screen image, the platform look.
#include "ui/cProgressBar.h"
#include "ui/cProgressBarQtStyle.h"

#include <QGuiApplication>
#include <QPainter>
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <vector>

namespace {

constexpr int32_t kWhite = 0xFFFFFF;
constexpr int32_t kRed = 0x0000FF; // red in the low byte
constexpr int32_t kGreen = 0x00FF00;
constexpr int32_t kBlue = 0xFF0000;

QColor sys(int32_t colour) { return cProgressBar::ToQColor(colour, QGuiApplication::palette()); }

// Draws the bar into a grey image of the given size at (0, 0)-(w, h).
QImage render(cProgressBar &bar, int w, int h, const cProgressBarStyle *style = nullptr)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(QColor(128, 128, 128));
    QPainter p(&img);
    bar.DrawToDC(style, p, 0, 0, w, h);
    return img;
}

TEST(ProgressBar, DefaultsAndPercent)
{
    cProgressBar b;
    EXPECT_EQ(b.Min(), 0);
    EXPECT_EQ(b.Max(), 100);
    EXPECT_EQ(b.Value(), 0);
    EXPECT_TRUE(b.Text().isEmpty());
    EXPECT_FALSE(b.ShowText());
    EXPECT_EQ(b.TextAlignX(), 1);
    EXPECT_EQ(b.TextAlignY(), 1);
    EXPECT_EQ(b.Font().family(), QStringLiteral("Tahoma"));
    EXPECT_EQ(b.Font().pointSize(), 8);
    EXPECT_EQ(b.BackColor(), -1);
    EXPECT_EQ(b.ForeColor(), 0);
    EXPECT_EQ(b.BarColor(), -1);
    EXPECT_EQ(b.BarForeColor(), 16777215);
    EXPECT_EQ(b.BorderStyle(), 1);
    EXPECT_EQ(b.Appearance(), 1);
    EXPECT_FALSE(b.Segments());
    EXPECT_FALSE(b.XpStyle());
    EXPECT_TRUE(b.Picture().isNull());
    EXPECT_TRUE(b.BarPicture().isNull());
    EXPECT_EQ(b.BackPictureMode(), 1);
    EXPECT_EQ(b.BarPictureMode(), 1);
    EXPECT_EQ(b.DrawObject(), nullptr);

    struct Case {
        int32_t min, max, value;
        double percent;
    };
    const Case cases[] = {
        {0, 100, 42, 42.0},
        {0, 100, 250, 100.0},          // above Max: full
        {0, 100, -5, 0.0},             // below Min: empty
        {10, 10, 10, 100.0},           // empty range at its end counts as complete
        {10, 10, 9, 0.0},
        {100, 0, 25, 75.0},            // reversed range
        {0, 400, 170, 42.5},
        {INT_MIN, INT_MAX, 0, 50.0},   // no overflow on the widest range
    };
    for (const Case &c : cases) {
        b.SetMin(c.min);
        b.SetMax(c.max);
        b.SetValue(c.value);
        EXPECT_NEAR(b.Percent(), c.percent, 1e-6) << c.min << ".." << c.max << " at " << c.value;
    }
}

TEST(ProgressBar, ColourValues)
{
    const QPalette pal = QGuiApplication::palette();
    EXPECT_EQ(cProgressBar::ToQColor(kRed, pal), QColor(255, 0, 0));
    EXPECT_EQ(cProgressBar::ToQColor(0x336699, pal), QColor(0x99, 0x66, 0x33));
    EXPECT_EQ(cProgressBar::ToQColor(int32_t(0x80000005), pal), pal.color(QPalette::Base));
    EXPECT_EQ(cProgressBar::ToQColor(cProgressBar::kHighlight, pal), pal.color(QPalette::Highlight));
    EXPECT_EQ(cProgressBar::ToQColor(cProgressBar::kButtonShadow, pal), pal.color(QPalette::Dark));
    EXPECT_FALSE(cProgressBar::ToQColor(-1, pal).isValid());
    EXPECT_FALSE(cProgressBar::ToQColor(int32_t(0x80000019), pal).isValid()); // names nothing
}

// Pixel checks on a bar 102 × 20 pixels: with the default border the inner rectangle is
// x 1 … 100, y 1 … 18.
TEST(ProgressBar, Geometry)
{
    struct Pixel {
        int x, y;
        QColor colour;
    };
    const QColor red(255, 0, 0), white(255, 255, 255), grey(128, 128, 128);
    struct Case {
        const char *name;
        std::function<void(cProgressBar &)> setup;
        int w, h;
        std::vector<Pixel> expect;
    };
    const auto colours = [](cProgressBar &b) {
        b.SetBackColor(kWhite);
        b.SetBarColor(kRed);
    };
    const std::vector<Case> cases = {
        {"default border one pixel in, sunken",
         [&](cProgressBar &b) { colours(b); b.SetValue(100); }, 102, 20,
         {{0, 0, sys(cProgressBar::kButtonShadow)}, {0, 10, sys(cProgressBar::kButtonShadow)},
          {50, 0, sys(cProgressBar::kButtonShadow)}, {50, 19, sys(cProgressBar::kButtonHighlight)},
          {101, 10, sys(cProgressBar::kButtonHighlight)}, {1, 1, red}, {100, 18, red}}},
        {"raised border",
         [&](cProgressBar &b) { colours(b); b.SetBorderStyle(2); }, 102, 20,
         {{50, 0, sys(cProgressBar::kButtonHighlight)}, {50, 19, sys(cProgressBar::kButtonShadow)},
          {1, 1, white}}},
        {"flat border black",
         [&](cProgressBar &b) { colours(b); b.SetAppearance(0); }, 102, 20,
         {{0, 0, Qt::black}, {101, 19, Qt::black}, {1, 1, white}}},
        {"two-pixel edge shrinks by two",
         [&](cProgressBar &b) { colours(b); b.SetAppearance(2); b.SetValue(100); }, 102, 20,
         {{0, 5, sys(cProgressBar::kButtonShadow)}, {1, 5, sys(cProgressBar::kDarkShadow)},
          {2, 5, red}, {99, 5, red}, {100, 5, sys(cProgressBar::kLight)}}},
        {"no border: bar from the edge",
         [&](cProgressBar &b) { colours(b); b.SetBorderStyle(0); b.SetValue(50); }, 100, 20,
         {{0, 0, red}, {49, 19, red}, {50, 0, white}}},
        {"value above max: full",
         [&](cProgressBar &b) { colours(b); b.SetValue(150); }, 102, 20, {{1, 5, red}, {100, 5, red}}},
        {"value below min: empty",
         [&](cProgressBar &b) { colours(b); b.SetValue(-20); }, 102, 20, {{1, 5, white}, {100, 5, white}}},
        {"57 per cent plain",
         [&](cProgressBar &b) { colours(b); b.SetValue(57); }, 102, 20, {{57, 5, red}, {58, 5, white}}},
        {"57 per cent in segments ends 50 pixels in",
         [&](cProgressBar &b) { colours(b); b.SetSegments(true); b.SetValue(57); }, 102, 20,
         {{1, 5, red}, {8, 5, red}, {9, 5, white}, {10, 5, white}, {11, 5, red}, {48, 5, red},
          {49, 5, white}, {50, 5, white}, {51, 5, white}, {57, 5, white}}},
        {"vertical bar fills from the bottom",
         [&](cProgressBar &b) { colours(b); b.SetValue(50); }, 20, 102,
         {{5, 100, red}, {5, 51, red}, {5, 50, white}, {5, 1, white}}},
        {"vertical segments: first gap 8 pixels above the bottom",
         [&](cProgressBar &b) { colours(b); b.SetSegments(true); b.SetValue(100); }, 20, 102,
         {{5, 100, red}, {5, 93, red}, {5, 92, white}, {5, 91, white}, {5, 90, red}}},
        {"fill colour -1 paints nothing",
         [&](cProgressBar &b) { b.SetValue(50); }, 102, 20, {{10, 5, grey}, {90, 5, grey}}},
    };
    for (const Case &c : cases) {
        cProgressBar b;
        c.setup(b);
        const QImage img = render(b, c.w, c.h);
        for (const Pixel &px : c.expect)
            EXPECT_EQ(img.pixelColor(px.x, px.y).name(), px.colour.name())
                << c.name << " at " << px.x << "," << px.y;
    }
}

// A caption across the bar's edge: BarForeColor over the bar, ForeColor beyond it.
TEST(ProgressBar, CaptionColoursEitherSideOfTheEdge)
{
    cProgressBar b;
    b.SetBackColor(kWhite);
    b.SetBarColor(kGreen);
    b.SetForeColor(kRed);
    b.SetBarForeColor(kBlue);
    QFont font(QStringLiteral("DejaVu Sans"), 14, QFont::Bold);
    font.setStyleStrategy(QFont::NoAntialias);
    b.SetFont(font);
    b.SetText(QStringLiteral("MMMMMMMMMMMMMMMM"));
    b.SetShowText(true);
    b.SetValue(50);
    const QImage img = render(b, 302, 30);
    const int edge = 1 + 150;
    int redLeft = 0, blueLeft = 0, redRight = 0, blueRight = 0;
    for (int y = 1; y < 29; ++y)
        for (int x = 1; x < 301; ++x) {
            const QColor c = img.pixelColor(x, y);
            const bool red = c == QColor(255, 0, 0), blue = c == QColor(0, 0, 255);
            (x < edge ? redLeft : redRight) += red;
            (x < edge ? blueLeft : blueRight) += blue;
        }
    EXPECT_GT(blueLeft, 50);
    EXPECT_EQ(redLeft, 0);
    EXPECT_GT(redRight, 50);
    EXPECT_EQ(blueRight, 0);

    // Without ShowText nothing of the caption is drawn.
    b.SetShowText(false);
    const QImage plain = render(b, 302, 30);
    EXPECT_EQ(plain.pixelColor(edge - 20, 15), QColor(0, 255, 0));
    EXPECT_EQ(plain.pixelColor(edge + 20, 15), QColor(255, 255, 255));
}

TEST(ProgressBar, OffscreenImageOnlyGrowsAndEmptyRectangleIsDrawnStraight)
{
    cProgressBar b;
    b.SetBackColor(kWhite);
    QImage target(80, 40, QImage::Format_ARGB32);
    target.fill(QColor(128, 128, 128));
    const QImage before = target;
    {
        QPainter p(&target);
        b.DrawToDC(nullptr, p, 10, 5, 10, 25); // zero width
        b.DrawToDC(nullptr, p, 10, 5, 60, 5);  // zero height
    }
    EXPECT_EQ(b.MemDC().Width(), 0);
    EXPECT_EQ(b.MemDC().Height(), 0);
    EXPECT_EQ(target, before);

    struct Step {
        int w, h, memW, memH;
    };
    const Step steps[] = {{50, 10, 50, 10}, {30, 8, 50, 10}, {50, 10, 50, 10}, {60, 5, 60, 5}};
    for (const Step &s : steps) {
        QPainter p(&target);
        b.DrawToDC(nullptr, p, 0, 0, s.w, s.h);
        p.end();
        EXPECT_EQ(b.MemDC().Width(), s.memW) << s.w << "x" << s.h;
        EXPECT_EQ(b.MemDC().Height(), s.memH) << s.w << "x" << s.h;
    }

    // The block lands at (left, top) of the target, also when the corners come reversed.
    target.fill(QColor(128, 128, 128));
    {
        QPainter p(&target);
        b.DrawToDC(nullptr, p, 70, 30, 20, 10);
    }
    EXPECT_EQ(target.pixelColor(19, 20), QColor(128, 128, 128));
    EXPECT_EQ(target.pixelColor(21, 20), QColor(255, 255, 255));
    EXPECT_EQ(target.pixelColor(68, 20), QColor(255, 255, 255));
    EXPECT_EQ(target.pixelColor(70, 20), QColor(128, 128, 128));
}

TEST(ProgressBar, DrawPaintsItsDrawObjectOnEveryChange)
{
    QImage surface(40, 10, QImage::Format_ARGB32);
    surface.fill(Qt::black);
    cProgressBar b;
    b.SetBorderStyle(0);
    b.SetDrawObject(&surface);
    b.SetBarColor(kRed);
    EXPECT_EQ(surface.pixelColor(0, 5), Qt::black); // value 0: no bar yet
    b.SetValue(50);
    EXPECT_EQ(surface.pixelColor(19, 5), QColor(255, 0, 0));
    EXPECT_EQ(surface.pixelColor(20, 5), Qt::black);
    b.SetTag(QStringLiteral("x")); // the tag alone does not draw
    b.SetDrawObject(nullptr);
    b.SetValue(100); // nothing to paint: no effect
    EXPECT_EQ(surface.pixelColor(30, 5), Qt::black);
}

TEST(ProgressBar, PicturesTiledOrStretched)
{
    QImage pic(2, 2, QImage::Format_ARGB32);
    pic.setPixelColor(0, 0, Qt::red);
    pic.setPixelColor(1, 0, Qt::green);
    pic.setPixelColor(0, 1, Qt::blue);
    pic.setPixelColor(1, 1, Qt::yellow);

    cProgressBar b;
    b.SetBorderStyle(0);
    b.SetPicture(pic);
    QImage img = render(b, 10, 10);
    EXPECT_EQ(img.pixelColor(2, 2), QColor(Qt::red)); // tiled
    EXPECT_EQ(img.pixelColor(3, 2), QColor(Qt::green));
    b.SetBackPictureMode(0);
    img = render(b, 10, 10);
    EXPECT_EQ(img.pixelColor(2, 2), QColor(Qt::red)); // stretched: a quarter each
    EXPECT_EQ(img.pixelColor(3, 2), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(7, 7), QColor(Qt::yellow));

    b.SetBarPicture(pic);
    b.SetBarPictureMode(0);
    b.SetValue(40);
    img = render(b, 20, 10); // bar 8 pixels wide: the picture stretched over it
    EXPECT_EQ(img.pixelColor(1, 1), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(6, 1), QColor(Qt::green));
    EXPECT_EQ(img.pixelColor(6, 8), QColor(Qt::yellow));
}

// A platform look that draws plain colours and records what it was asked.
class FakeStyle : public cProgressBarStyle {
public:
    void DrawBar(QPainter &p, const QRect &r, bool) const override { p.fillRect(r, Qt::white); }
    void DrawChunk(QPainter &p, const QRect &r, bool) const override
    {
        chunk = r;
        p.fillRect(r, Qt::blue);
    }
    int ChunkSize() const override { return 6; }
    int SpaceSize() const override { return 2; }
    QRect ContentRect(const QRect &bar) const override { return bar; }
    void DrawText(QPainter &, const QRect &, const QString &text) const override { drawn = text; }
    mutable QRect chunk;
    mutable QString drawn;
};

TEST(ProgressBar, PlatformLook)
{
    FakeStyle style;
    cProgressBar b;
    b.SetBackColor(kRed);
    b.SetBarColor(kGreen);
    b.SetValue(57);
    b.SetText(QStringLiteral("57%"));
    b.SetShowText(true);

    // Without the flag, or without a look to use, the bar draws itself.
    const QImage own = render(b, 102, 20, &style);
    b.SetXpStyle(true);
    EXPECT_EQ(render(b, 102, 20, nullptr), own);
    EXPECT_TRUE(style.drawn.isEmpty());

    const QImage styled = render(b, 102, 20, &style);
    // Chunk = 6 + 2, space 2: steps of 10 from the start; 57 pulled back to 50; one pixel in.
    EXPECT_EQ(style.chunk, QRect(1, 1, 50, 18));
    EXPECT_EQ(style.drawn, QStringLiteral("57%")); // the style draws the bare caption
    EXPECT_EQ(styled.pixelColor(0, 0), QColor(Qt::white)); // no border of our own
}

} // namespace

// With the Qt style as the platform look: the filled part is drawn by the style's contents and
// the rest by its groove, the caption by its label.
TEST(ProgressBar, QtStyleLook)
{
    const cProgressBarQtStyle look;
    cProgressBar b;
    b.SetXpStyle(true);
    b.SetValue(50);
    b.SetText(QStringLiteral("50%"));
    b.SetShowText(true);
    const QImage img = render(b, 202, 20, &look);
    const QImage empty = [&] {
        b.SetValue(0);
        return render(b, 202, 20, &look);
    }();
    EXPECT_NE(img.pixelColor(30, 10), empty.pixelColor(30, 10)); // filled part
    EXPECT_EQ(img.pixelColor(190, 10), empty.pixelColor(190, 10)); // groove beyond the edge
    EXPECT_GE(look.ChunkSize(), 1);
    // An empty rectangle draws nothing and needs no surface.
    QImage target(10, 10, QImage::Format_ARGB32);
    target.fill(Qt::gray);
    const QImage before = target;
    QPainter p(&target);
    b.DrawToDC(&look, p, 5, 5, 5, 9);
    p.end();
    EXPECT_EQ(target, before);
}
