// The control on the system's notification area (QSystemTrayIcon), without a tray: clicks on the
// icon as Qt reports them become the mouse messages of the shell.
#include "nimbrel/Nimbrel.h"

#include "TrayTestUtil.h"
#include "TestUtil.h"

#include <QEventLoop>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTextDocument>
#include <QTimer>
#include <gtest/gtest.h>
#include <initializer_list>
#include <memory>

using namespace nimbrel;

// Texts in failure messages as text.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os) { *os << s.toStdString(); }
QT_END_NAMESPACE
using traytest::EventRecorder;

namespace {

struct RealControl {
    std::unique_ptr<TaskBarIcon> control{CreateTaskBarIcon(nullptr)};
    QSystemTrayIcon *tray = control->findChild<QSystemTrayIcon *>();
    EventRecorder recorder;

    RealControl() { recorder.Attach(control.get()); }

    QStringList Activate(std::initializer_list<QSystemTrayIcon::ActivationReason> reasons, int expected)
    {
        recorder.events.clear();
        for (const auto reason : reasons)
            emit tray->activated(reason);
        if (expected > 0)
            tavtest::waitUntil([&] { return recorder.Buttons().size() >= expected; }, 2000);
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        return recorder.Buttons();
    }
};

} // namespace

TEST(QtTrayShell, ActivationsBecomeMouseMessages)
{
    RealControl c;
    ASSERT_NE(c.tray, nullptr);
    EXPECT_EQ(c.Activate({QSystemTrayIcon::Trigger}, 3), QStringList({"Down1", "Click1", "Up1"}));
    // Qt reports a double click as Trigger for the first press and DoubleClick for the second.
    EXPECT_EQ(c.Activate({QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick}, 5),
              QStringList({"Down1", "Click1", "Up1", "Dbl1", "Up1"}));
    EXPECT_EQ(c.Activate({QSystemTrayIcon::Context}, 3), QStringList({"Down2", "Click2", "Up2"}));
    EXPECT_EQ(c.Activate({QSystemTrayIcon::MiddleClick}, 3), QStringList({"Down4", "Click4", "Up4"}));
    EXPECT_EQ(c.Activate({QSystemTrayIcon::Unknown}, 0), QStringList());
    // No context menu of the tray's own: the host pops its menu on MouseDown.
    EXPECT_EQ(c.tray->contextMenu(), nullptr);
}

TEST(QtTrayShell, MenuLoopInMouseDownSeesOnlyMoves)
{
    // The host opens its menu on a right press; clicks on the icon meanwhile are not decoded.
    RealControl c;
    QObject::connect(c.control.get(), &TaskBarIcon::MouseDown, [&](short &Button, short &, float &, float &) {
        if (Button != 2)
            return;
        QEventLoop menu;
        QTimer::singleShot(0, c.tray, [&] { emit c.tray->activated(QSystemTrayIcon::Trigger); });
        QTimer::singleShot(100, &menu, &QEventLoop::quit);
        menu.exec();
    });
    EXPECT_EQ(c.Activate({QSystemTrayIcon::Context}, 3), QStringList({"Down2", "Click2", "Up2"}));
    EXPECT_EQ(c.recorder.events.count(QStringLiteral("Move")), 4);
}

TEST(QtTrayShell, ShowsTheRecordsTooltipAndHides)
{
    RealControl c;
    QString text = QStringLiteral("Écoute € ");
    while (text.size() < 100)
        text += QLatin1Char('a' + text.size() % 26);
    c.control->SetToolTipText(text);
    c.control->Show();
    EXPECT_TRUE(c.tray->isVisible());
    EXPECT_EQ(c.tray->toolTip(), text.left(63));
    // An empty picture still takes its place: a transparent square, then the picture given.
    const auto pixel = [&] { return c.tray->icon().pixmap(16, 16).toImage().pixelColor(8, 8); };
    ASSERT_FALSE(c.tray->icon().availableSizes().isEmpty());
    EXPECT_EQ(pixel().alpha(), 0);
    QPixmap red(16, 16);
    red.fill(Qt::red);
    c.control->SetIcon(QIcon(red));
    EXPECT_EQ(pixel(), QColor(Qt::red));
    c.control->SetIcon(QIcon());
    EXPECT_EQ(pixel().alpha(), 0);
    c.control->SetToolTipText(QStringLiteral("Tavilune"));
    EXPECT_EQ(c.tray->toolTip(), QStringLiteral("Tavilune"));
    // Characters beyond Windows-1252 are shown as they are.
    const QString station = QStringLiteral("Tavilune : Радио Маяк — Ελληνικά 😀");
    c.control->SetToolTipText(station);
    EXPECT_EQ(c.tray->toolTip(), station);
    c.control->Hide();
    EXPECT_FALSE(c.tray->isVisible());
}

TEST(QtTrayShell, TitlesThatLookLikeMarkupAreShownAsWritten)
{
    // The tray's tooltip is shown by Qt, as rich text whenever it looks like markup: a stream
    // title of a station is never markup.
    RealControl c;
    c.control->Show();
    const char *const titles[] = {
        "Tavilune : <b>Radio</b> - <i>Titre</i>",
        "<img src=\"http://127.0.0.1:1/x.png\">",
        "<font color=red>Rouge</font> & co",
        "Fip &amp; <br> deux",
        "Radio Jazz - Miles Davis",
    };
    for (const char *title : titles) {
        const QString text = QString::fromUtf8(title);
        c.control->SetToolTipText(text);
        QString shown = c.tray->toolTip();
        if (Qt::mightBeRichText(shown)) {
            QTextDocument doc;
            doc.setHtml(shown);
            shown = doc.toPlainText();
        }
        EXPECT_EQ(shown, text) << title;
    }
    c.control->Hide();
}

TEST(QtTrayShell, DeletingTheControlDropsPendingMessages)
{
    RealControl c;
    c.control->Show();
    QObject::connect(c.control.get(), &TaskBarIcon::Click, [&](short &, short &, float &, float &) { c.control.reset(); });
    emit c.tray->activated(QSystemTrayIcon::Trigger);
    tavtest::waitUntil([&] { return !c.control; }, 2000);
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(c.recorder.Buttons(), QStringList({"Down1", "Click1"}));
}
