// Persisted properties "Icon" and "ToolTipText" through the property bags.
#include "TrayTestUtil.h"

#include "nimbrel/PropertyBag.h"

#include <QColor>
#include <QImage>
#include <QPixmap>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace nimbrel;
using traytest::FakeControl;

namespace {

QIcon ColourIcon(const QColor &colour)
{
    QPixmap p(24, 24);
    p.fill(colour);
    return QIcon(p);
}

QColor CentreColour(const QIcon &icon)
{
    return icon.pixmap(24, 24).toImage().pixelColor(12, 12);
}

} // namespace

TEST(TaskBarIconProperties, NewInstanceGetsDefaultsAndShows)
{
    FakeControl c;
    c.control->InitProperties();
    EXPECT_TRUE(c.control->Icon().isNull());
    EXPECT_EQ(c.control->ToolTipText(), QStringLiteral("---"));
    EXPECT_TRUE(c.control->IsShowed());
    ASSERT_EQ(c.log->size(), 1u);
    EXPECT_EQ(c.log->front().action, NIM_ADD);
    EXPECT_STREQ(c.log->front().data.szTip, "---");
}

TEST(TaskBarIconProperties, LoadingAnEmptyLayoutGivesDefaultsWithoutShowing)
{
    FakeControl c;
    c.control->SetIcon(ColourIcon(Qt::red));
    c.control->SetToolTipText(QStringLiteral("x"));
    MemoryPropertyBag empty;
    c.control->ReadProperties(empty);
    EXPECT_TRUE(c.control->Icon().isNull());
    EXPECT_EQ(c.control->ToolTipText(), QStringLiteral("---"));
    EXPECT_FALSE(c.control->IsShowed());
    EXPECT_TRUE(c.log->empty());

    // Defaults are not stored.
    c.control->WriteProperties(empty);
    EXPECT_TRUE(empty.Values().isEmpty());
}

TEST(TaskBarIconProperties, RoundTripInMemoryAndInSettings)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("layout.ini"));
    const QString text = QStringLiteral("Tavilune : Fip, Radio \"Nova\" = 1; é");

    FakeControl source;
    source.control->SetIcon(ColourIcon(QColor(10, 200, 30)));
    source.control->SetToolTipText(text);
    MemoryPropertyBag memory;
    source.control->WriteProperties(memory);
    {
        QSettings settings(file, QSettings::IniFormat);
        SettingsPropertyBag bag(settings, QStringLiteral("FrmMain.TaskBarIcon"));
        source.control->WriteProperties(bag);
    }

    QSettings settings(file, QSettings::IniFormat);
    SettingsPropertyBag stored(settings, QStringLiteral("FrmMain.TaskBarIcon"));
    for (const PropertyBag *bag : {static_cast<const PropertyBag *>(&memory), static_cast<const PropertyBag *>(&stored)}) {
        FakeControl loaded;
        loaded.control->ReadProperties(*bag);
        EXPECT_EQ(loaded.control->ToolTipText(), text);
        ASSERT_FALSE(loaded.control->Icon().isNull());
        EXPECT_EQ(CentreColour(loaded.control->Icon()), QColor(10, 200, 30));
        EXPECT_FALSE(loaded.control->IsShowed());
    }

    // Back to the defaults: the stored values go.
    source.control->SetIcon(QIcon());
    source.control->SetToolTipText(QStringLiteral("---"));
    SettingsPropertyBag bag(settings, QStringLiteral("FrmMain.TaskBarIcon"));
    source.control->WriteProperties(bag);
    EXPECT_FALSE(settings.contains(QStringLiteral("FrmMain.TaskBarIcon/Icon")));
    EXPECT_FALSE(settings.contains(QStringLiteral("FrmMain.TaskBarIcon/ToolTipText")));
}

TEST(TaskBarIconProperties, UnreadableIconLoadsAsNone)
{
    MemoryPropertyBag bag;
    bag.WriteProperty(QStringLiteral("Icon"), QByteArray("\x89PNG\r\n\x1a\n garbage"), QVariant());
    FakeControl c;
    c.control->ReadProperties(bag);
    EXPECT_TRUE(c.control->Icon().isNull());

    bag.WriteProperty(QStringLiteral("Icon"), QStringLiteral("not a picture"), QVariant());
    c.control->ReadProperties(bag);
    EXPECT_TRUE(c.control->Icon().isNull());
}

TEST(TaskBarIconProperties, LoadingWhileShownUpdatesTheIcon)
{
    FakeControl c;
    c.control->Show();
    MemoryPropertyBag bag;
    bag.WriteProperty(QStringLiteral("ToolTipText"), QStringLiteral("Tavilune"), QStringLiteral("---"));
    c.control->ReadProperties(bag);
    ASSERT_EQ(c.log->size(), 2u);
    EXPECT_EQ(c.log->back().action, NIM_MODIFY);
    EXPECT_STREQ(c.log->back().data.szTip, "Tavilune");
}
