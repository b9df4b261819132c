// What the main window costs before its first frame, checked in a process of its own: no image
// file is read (the first one loads every image format plugin), and the drawn pictures are drawn
// when asked, at the size asked.
#include "app/FrmMain.h"
#include "app/Icons.h"
#include "app/ProgramStyle.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPaintEvent>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>
#include <gtest/gtest.h>

namespace {

bool imagePluginLoaded()
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/imageformats/");
}

// Notes, once the first frame has been drawn, whether an image plugin was loaded by then.
class FirstFrameWatch : public QObject {
public:
    std::optional<bool> pluginAtFirstFrame;

protected:
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, this, [this] { pluginAtFirstFrame = imagePluginLoaded(); });
        }
        return false;
    }

private:
    bool m_seen = false;
};

int opaquePixels(const QImage &image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qAlpha(image.pixel(x, y)) > 128;
    return n;
}

} // namespace

// Declared first: when the whole binary runs in one process, nothing has read an image yet (ctest
// runs each case in a process of its own).
TEST(FirstFrame, TheMainWindowReadsNoImageFileBeforeItsFirstFrame)
{
    ASSERT_FALSE(imagePluginLoaded());
    QApplication::setStyle(new ProgramStyle(QApplication::style()->name()));
    FrmMain w;
    FirstFrameWatch watch;
    w.installEventFilter(&watch);
    w.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return watch.pluginAtFirstFrame.has_value(); }, 5000));
    EXPECT_FALSE(*watch.pluginAtFirstFrame);
    // The menu bar's chevron is the program's own.
    const QImage chevron = QApplication::style()->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton).pixmap(16).toImage();
    EXPECT_EQ(chevron, icons::MoreItems(Qt::Horizontal).pixmap(16).toImage());
    // Other pictures stay the style's.
    EXPECT_FALSE(QApplication::style()->standardIcon(QStyle::SP_DialogOkButton).isNull());
}

TEST(FirstFrame, DrawnPicturesComeAtTheSizeAskedAndGreyedWhenDisabled)
{
    const std::pair<const char *, QIcon> pictures[] = {
        {"Listen", icons::Listen()},   {"Volume", icons::Volume()}, {"HideToTray", icons::HideToTray()},
        {"Stop", icons::Stop()},       {"Record", icons::Record()}, {"Program", icons::Program()},
        {"MoreItems", icons::MoreItems(Qt::Horizontal)}, {"MoreItemsVertical", icons::MoreItems(Qt::Vertical)},
    };
    for (const auto &[name, icon] : pictures) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(icon.isNull());
        EXPECT_FALSE(icon.availableSizes().isEmpty()); // a themed icon's fallback must be usable
        for (int side : {16, 24, 40, 64}) {
            const QImage normal = icon.pixmap(side).toImage();
            ASSERT_EQ(normal.size(), QSize(side, side));
            // Something is drawn, and not the whole square.
            const int opaque = opaquePixels(normal);
            EXPECT_GT(opaque, side * side / 20) << side;
            EXPECT_LT(opaque, side * side) << side;
            // Twice the pixels for a screen of twice the density.
            EXPECT_EQ(icon.pixmap(QSize(side, side), 2.0).size(), QSize(2 * side, 2 * side));
        }
        // Disabled: the style's greyed look, no colour left.
        const QImage disabled = icon.pixmap(QSize(32, 32), QIcon::Disabled).toImage();
        ASSERT_EQ(disabled.size(), QSize(32, 32));
        EXPECT_NE(disabled, icon.pixmap(32).toImage());
        int coloured = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const QColor c = disabled.pixelColor(x, y);
                coloured += c.alpha() > 128 && c.hsvSaturation() > 60;
            }
        EXPECT_EQ(coloured, 0);
    }
}
