// The control on a real notification area: Xvfb with a system tray (trayer); clicks go through
// the X server (xdotool).
#include "nimbrel/Nimbrel.h"

#include "TrayTestUtil.h"
#include "TestUtil.h"

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

using namespace nimbrel;
using traytest::EventRecorder;

namespace {

// The widget Qt shows in the tray for an icon.
QWidget *TrayWidget()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->inherits("QSystemTrayIconSys") && w->isVisible())
            return w;
    return nullptr;
}

// Clicks button at the centre of rect, count times.
bool ClickAt(const QRect &rect, int button, int count)
{
    const QPoint p = rect.center();
    return QProcess::execute(QStringLiteral("xdotool"),
                             {QStringLiteral("mousemove"), QString::number(p.x()), QString::number(p.y()),
                              QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(count),
                              QStringLiteral("--delay"), QStringLiteral("80"), QString::number(button)}) == 0;
}

class TraySession : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!tavtest::waitUntil([] { return TaskBarIcon::TrayAvailable(); }, 5000))
            GTEST_SKIP() << "no system tray in this session";
        control.reset(CreateTaskBarIcon(nullptr));
        tray = control->findChild<QSystemTrayIcon *>();
        ASSERT_NE(tray, nullptr);
        recorder.Attach(control.get());
        control->SetToolTipText(QStringLiteral("Tavilune"));
    }

    // Shows the icon and waits until the tray has embedded it (the tray moves it into place).
    bool ShowInTray()
    {
        control->Show();
        return tavtest::waitUntil([&] { return TrayWidget() && tray->geometry().topLeft() != QPoint(0, 0); }, 5000);
    }

    std::unique_ptr<TaskBarIcon> control;
    QSystemTrayIcon *tray = nullptr;
    EventRecorder recorder;
};

} // namespace

TEST_F(TraySession, ShowPutsTheIconInTheTrayAndHideTakesItAway)
{
    ASSERT_TRUE(ShowInTray());
    EXPECT_TRUE(tray->isVisible());
    EXPECT_EQ(tray->toolTip(), QStringLiteral("Tavilune"));
    control->Hide();
    EXPECT_FALSE(tray->isVisible());
    EXPECT_TRUE(tavtest::waitUntil([] { return TrayWidget() == nullptr; }, 5000));
    EXPECT_TRUE(ShowInTray());
    control.reset();
    EXPECT_TRUE(tavtest::waitUntil([] { return TrayWidget() == nullptr; }, 5000)) << "destruction left the icon";
}

TEST_F(TraySession, ClicksOnTheIconRaiseTheShellsSequence)
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "xdotool is not installed";
    ASSERT_TRUE(ShowInTray());
    const QRect place = tray->geometry();
    const auto clicks = [&](int button, int count, int expected) {
        recorder.events.clear();
        EXPECT_TRUE(ClickAt(place, button, count));
        if (expected > 0)
            tavtest::waitUntil([&] { return recorder.Buttons().size() >= expected; }, 3000);
        tavtest::waitUntil([] { return false; }, 300); // nothing more may follow
        return recorder.Buttons();
    };
    // One double click toggles the host's window once: a single DblClick.
    EXPECT_EQ(clicks(1, 2, 5), QStringList({"Down1", "Click1", "Up1", "Dbl1", "Up1"}));
    EXPECT_EQ(clicks(3, 1, 3), QStringList({"Down2", "Click2", "Up2"}));
    EXPECT_EQ(clicks(2, 1, 3), QStringList({"Down4", "Click4", "Up4"}));

    // Once hidden, nothing there reports to the control.
    control->Hide();
    tavtest::waitUntil([] { return TrayWidget() == nullptr; }, 5000);
    EXPECT_EQ(clicks(1, 1, 0), QStringList());
}
