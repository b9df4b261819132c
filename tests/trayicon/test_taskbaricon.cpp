// The control on a recording shell: decoding of mouse messages, the notification record and the
// add/modify/delete requests.
#include "TrayTestUtil.h"

#include <QPixmap>
#include <QSignalSpy>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>

using namespace nimbrel;
using traytest::EventRecorder;
using traytest::FakeControl;

namespace {

const QString Emoji = QString::fromUtf8("\xF0\x9F\x98\x80");

QString Tip(const NotifyIconData &data)
{
    return QString::fromLatin1(data.szTip, static_cast<qsizetype>(strnlen(data.szTip, sizeof data.szTip)));
}

QIcon RedIcon()
{
    QPixmap p(16, 16);
    p.fill(Qt::red);
    return QIcon(p);
}

} // namespace

TEST(TaskBarIconDecoding, DoubleClickOfEachButtonInShellOrder)
{
    // The shell reports a double click as down, up, double click, up.
    const int base[] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
    const int buttons[] = {1, 2, 4};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(buttons[i]);
        FakeControl c;
        EventRecorder r;
        r.Attach(c.control.get());
        for (const int m : {base[i], base[i] + 1, base[i] + 2, base[i] + 1})
            c.shell->SendMessage(m);
        const QString b = QString::number(buttons[i]);
        EXPECT_EQ(r.events, QStringList({"Move", "Down" + b, "Move", "Click" + b, "Up" + b, "Move", "Dbl" + b,
                                         "Move", "Up" + b}));
    }
}

TEST(TaskBarIconDecoding, ClickNeedsPressAndReleaseOfTheSameButton)
{
    FakeControl c;
    EventRecorder r;
    r.Attach(c.control.get());
    c.shell->SendMessage(WM_LBUTTONDOWN);
    c.shell->SendMessage(WM_RBUTTONUP);
    c.shell->SendMessage(WM_RBUTTONDOWN);
    c.shell->SendMessage(WM_MBUTTONUP);
    c.shell->SendMessage(WM_MBUTTONDOWN);
    c.shell->SendMessage(WM_LBUTTONUP);
    EXPECT_EQ(r.Buttons(), QStringList({"Down1", "Up2", "Down2", "Up4", "Down4", "Up1"}));

    // A release clears the flags: a second release raises no Click either.
    r.events.clear();
    c.shell->SendMessage(WM_RBUTTONDOWN);
    c.shell->SendMessage(WM_RBUTTONUP);
    c.shell->SendMessage(WM_RBUTTONUP);
    EXPECT_EQ(r.Buttons(), QStringList({"Down2", "Click2", "Up2", "Up2"}));
}

TEST(TaskBarIconDecoding, OtherNumbersOnlyMoveAndClearTheFlags)
{
    const float others[] = {WM_MOUSEMOVE * 15.0f, 0.0f, 522 * 15.0f, 512.4f * 15, -513 * 15.0f, 1e30f,
                            std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()};
    for (const float x : others) {
        SCOPED_TRACE(x);
        FakeControl c;
        EventRecorder r;
        r.Attach(c.control.get());
        c.shell->SendMessage(WM_LBUTTONDOWN);
        c.shell->SendMouseMove(0, 0, x, 0);
        c.shell->SendMessage(WM_LBUTTONUP);
        EXPECT_EQ(r.events, QStringList({"Move", "Down1", "Move", "Move", "Up1"}));
    }
}

TEST(TaskBarIconDecoding, MessageNumberIsXInPixelsRounded)
{
    FakeControl c;
    EventRecorder r;
    r.Attach(c.control.get());
    c.shell->SendMouseMove(0, 0, WM_LBUTTONDOWN * 15 + 7, 0);
    c.shell->SendMouseMove(0, 0, WM_LBUTTONUP * 15 - 7, 0);
    EXPECT_EQ(r.Buttons(), QStringList({"Down1", "Click1", "Up1"}));
}

TEST(TaskBarIconDecoding, ArgumentsPassThroughByReference)
{
    FakeControl c;
    std::vector<std::tuple<short, short, float, float>> seen;
    const auto keep = [&](short &Button, short &Shift, float &X, float &Y) { seen.emplace_back(Button, Shift, X, Y); };
    QObject::connect(c.control.get(), &TaskBarIcon::MouseMove, keep);
    QObject::connect(c.control.get(), &TaskBarIcon::MouseDown, [&](short &Button, short &Shift, float &X, float &Y) {
        keep(Button, Shift, X, Y);
        Shift = 9; // a handler's change reaches the later events of the same notification
    });
    QObject::connect(c.control.get(), &TaskBarIcon::MouseUp, keep);
    c.shell->SendMouseMove(3, 2, WM_RBUTTONDOWN * 15, 40);
    c.shell->SendMouseMove(0, 1, WM_RBUTTONUP * 15, 41);
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0], std::make_tuple(short(3), short(2), float(WM_RBUTTONDOWN * 15), 40.0f));
    EXPECT_EQ(seen[1], std::make_tuple(short(2), short(2), float(WM_RBUTTONDOWN * 15), 40.0f));
    EXPECT_EQ(seen[2], std::make_tuple(short(0), short(1), float(WM_RBUTTONUP * 15), 41.0f));
    EXPECT_EQ(seen[3], std::make_tuple(short(2), short(1), float(WM_RBUTTONUP * 15), 41.0f));
}

TEST(TaskBarIconDecoding, NotificationsDuringAHandlerOnlyMove)
{
    // A handler that runs its own message loop (a context menu) lets notifications in.
    FakeControl c;
    EventRecorder r;
    r.Attach(c.control.get());
    bool nested = false;
    QObject::connect(c.control.get(), &TaskBarIcon::MouseDown, [&](short &, short &, float &, float &) {
        if (nested)
            return;
        nested = true;
        c.shell->SendMessage(WM_RBUTTONDOWN);
        c.shell->SendMessage(WM_LBUTTONUP);
    });
    c.shell->SendMessage(WM_LBUTTONDOWN);
    EXPECT_EQ(r.events, QStringList({"Move", "Down1", "Move", "Move"}));

    // The nested ones changed no flag, and decoding goes on afterwards.
    r.events.clear();
    c.shell->SendMessage(WM_LBUTTONUP);
    EXPECT_EQ(r.events, QStringList({"Move", "Click1", "Up1"}));
}

TEST(TaskBarIconDecoding, AHandlerMayDeleteTheControl)
{
    FakeControl c;
    c.control->Show();
    EventRecorder r;
    r.Attach(c.control.get());
    QObject::connect(c.control.get(), &TaskBarIcon::Click, [&](short &, short &, float &, float &) { c.control.reset(); });
    // The control and its shell go in the Click handler; decoding stops there, without MouseUp.
    c.shell->SendMessage(WM_LBUTTONDOWN);
    c.shell->SendMessage(WM_LBUTTONUP);
    EXPECT_EQ(r.events, QStringList({"Move", "Down1", "Move", "Click1"}));
    EXPECT_EQ(c.control, nullptr);
    EXPECT_EQ(c.log->back().action, NIM_DELETE);
}

TEST(TaskBarIconRecord, ShowFillsTheRecordAndAddsOnce)
{
    FakeControl c;
    EXPECT_FALSE(c.control->IsShowed());
    c.control->SetToolTipText(QStringLiteral("Tavilune"));
    EXPECT_TRUE(c.log->empty());
    c.control->Show();
    c.control->Show();
    ASSERT_EQ(c.log->size(), 1u);
    EXPECT_TRUE(c.control->IsShowed());
    const auto &[action, d, iconNull, tip] = c.log->front();
    EXPECT_EQ(action, NIM_ADD);
    EXPECT_EQ(d.cbSize, 88u);
    EXPECT_NE(d.hWnd, 0u);
    EXPECT_EQ(d.uID, 1u);
    EXPECT_EQ(d.uFlags, 7u);
    EXPECT_EQ(d.uCallbackMessage, 512u);
    EXPECT_EQ(d.hIcon, 0u);
    EXPECT_TRUE(iconNull);
    EXPECT_EQ(Tip(d), QStringLiteral("Tavilune"));
    EXPECT_EQ(tip, QStringLiteral("Tavilune"));

    FakeControl other;
    other.control->Show();
    EXPECT_NE(other.log->front().data.hWnd, d.hWnd);
}

TEST(TaskBarIconRecord, HideDeletesOnlyAShownIcon)
{
    FakeControl c;
    c.control->Hide();
    EXPECT_TRUE(c.log->empty());
    c.control->Show();
    c.control->Hide();
    c.control->Hide();
    ASSERT_EQ(c.log->size(), 2u);
    EXPECT_EQ(c.log->back().action, NIM_DELETE);
    EXPECT_EQ(c.log->back().data.cbSize, 88u);
    EXPECT_FALSE(c.control->IsShowed());
    c.control->Show();
    EXPECT_EQ(c.log->size(), 3u);
    EXPECT_EQ(c.log->back().action, NIM_ADD);
}

TEST(TaskBarIconRecord, TooltipKeepsItsFirst63Characters)
{
    // The notification area gets the first 63 characters as they are; the record holds them in
    // Windows-1252, one byte each, '?' for what that code page cannot hold.
    const QString cyrillic = QStringLiteral("РадиоМаякМосква");
    QString longCyrillic;
    while (longCyrillic.size() < 100)
        longCyrillic += cyrillic;
    QString alphabet;
    for (int i = 0; i < 100; ++i)
        alphabet += QChar('A' + i % 26);
    QString emojis;
    for (int i = 0; i < 70; ++i)
        emojis += Emoji;
    const QString decomposed = QStringLiteral("e\u0301"); // e and a combining acute accent: one character
    const QString x62(62, QLatin1Char('x'));

    struct Case {
        const char *name;
        QString text;
        QString shown;
        QByteArray record;
    };
    const Case cases[] = {
        {"100 letters", alphabet, alphabet.left(63), alphabet.left(63).toLatin1()},
        {"Cyrillic", longCyrillic, longCyrillic.left(63), QByteArray(63, '?')},
        {"accents and signs", QStringLiteral("Écoute € – “Fip” ") + Emoji + QStringLiteral("Ж"),
         QStringLiteral("Écoute € – “Fip” ") + Emoji + QStringLiteral("Ж"),
         QByteArray("\xC9" "coute \x80 \x96 \x93" "Fip\x94 ??")},
        {"emoji are one character each", emojis, emojis.left(126), QByteArray(63, '?')},
        {"an emoji as the 63rd", x62 + Emoji + QStringLiteral("yz"), x62 + Emoji, QByteArray(62, 'x') + '?'},
        {"accent kept with its letter", x62 + decomposed + QStringLiteral("z"), x62 + decomposed,
         QByteArray(62, 'x') + '\xE9'},
        {"Greek with combining accents", QStringLiteral("α\u0301β"), QStringLiteral("α\u0301β"), QByteArray("??")},
        {"empty", QString(), QString(), QByteArray()},
    };
    for (const Case &t : cases) {
        SCOPED_TRACE(t.name);
        FakeControl c;
        c.control->SetToolTipText(t.text);
        c.control->Show();
        ASSERT_EQ(c.log->size(), 1u);
        EXPECT_EQ(c.log->back().tip, t.shown);
        const NotifyIconData &d = c.log->back().data;
        EXPECT_EQ(QByteArray(d.szTip, static_cast<qsizetype>(strnlen(d.szTip, sizeof d.szTip))), t.record);
        EXPECT_EQ(d.szTip[63], '\0');
        EXPECT_EQ(c.control->ToolTipText(), t.text); // the control keeps the whole text
    }
}

TEST(TaskBarIconRecord, PropertyWritesModifyOnlyAShownIcon)
{
    FakeControl c;
    QSignalSpy changed(c.control.get(), &TaskBarIcon::PropertyChanged);
    c.control->SetToolTipText(QStringLiteral("Tavilune"));
    c.control->SetIcon(RedIcon());
    EXPECT_TRUE(c.log->empty());
    EXPECT_EQ(c.control->ToolTipText(), QStringLiteral("Tavilune"));
    EXPECT_FALSE(c.control->Icon().isNull());
    ASSERT_EQ(changed.count(), 2);
    EXPECT_EQ(changed[0][0].toString(), QStringLiteral("ToolTipText"));
    EXPECT_EQ(changed[1][0].toString(), QStringLiteral("Icon"));

    // The stored values apply at the next Show.
    c.control->Show();
    EXPECT_EQ(Tip(c.log->back().data), QStringLiteral("Tavilune"));
    EXPECT_NE(c.log->back().data.hIcon, 0u);
    EXPECT_FALSE(c.log->back().iconNull);

    c.control->SetToolTipText(QStringLiteral("Tavilune : Fip"));
    ASSERT_EQ(c.log->size(), 2u);
    EXPECT_EQ(c.log->back().action, NIM_MODIFY);
    EXPECT_EQ(Tip(c.log->back().data), QStringLiteral("Tavilune : Fip"));
    c.control->SetIcon(QIcon());
    ASSERT_EQ(c.log->size(), 3u);
    EXPECT_EQ(c.log->back().action, NIM_MODIFY);
    EXPECT_EQ(c.log->back().data.hIcon, 0u);
}

TEST(TaskBarIconLifetime, DestructionHidesTheIcon)
{
    FakeControl shown;
    shown.control->Show();
    shown.control.reset();
    ASSERT_EQ(shown.log->size(), 2u);
    EXPECT_EQ(shown.log->back().action, NIM_DELETE);

    FakeControl hidden;
    hidden.control.reset();
    EXPECT_TRUE(hidden.log->empty());
}
