// Planned events: when each kind of repeat falls, what counts as missed, the INI file, the systemd
// user units (checked by systemd-analyze), and the scheduler starting and ending events.
#include "desktop/Programmation.h"
#include "TestUtil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace programmation;

namespace {

// Thursday 10 December 2026.
QDateTime T(int day, int h, int m, int s = 0) { return QDateTime(QDate(2026, 12, day), QTime(h, m, s)); }

Event event(Repeat repeat, const QDateTime &start, int minutes = 30, int weekday = 1)
{
    Event e;
    e.id = QStringLiteral("1");
    e.what = QStringLiteral("/radios/FIP.htm");
    e.repeat = repeat;
    e.start = start;
    e.minutes = minutes;
    e.weekday = weekday;
    return e;
}

TEST(Programmation, EachRepeatFallsOnItsDays)
{
    const struct {
        const char *what;
        Event e;
        QDateTime from, next, runningAt, running;
    } cases[] = {
        {"once, ahead", event(Repeat::Once, T(10, 7, 30)), T(10, 7, 0), T(10, 7, 30), T(10, 7, 45), T(10, 7, 30)},
        {"once, gone", event(Repeat::Once, T(10, 7, 30)), T(10, 8, 1), {}, T(10, 8, 0), {}},
        {"every day, later today", event(Repeat::EveryDay, T(1, 7, 30)), T(10, 7, 0), T(10, 7, 30), T(10, 7, 59), T(10, 7, 30)},
        {"every day, tomorrow", event(Repeat::EveryDay, T(1, 7, 30)), T(10, 7, 31), T(11, 7, 30), T(10, 8, 0), {}},
        {"weekdays, Friday to Monday", event(Repeat::Weekdays, T(1, 7, 30)), T(11, 9, 0), T(14, 7, 30), T(12, 7, 40), {}},
        {"weekday Sunday", event(Repeat::Weekday, T(1, 22, 0), 30, 7), T(10, 0, 0), T(13, 22, 0), T(13, 22, 10), T(13, 22, 0)},
        {"past midnight", event(Repeat::EveryDay, T(1, 23, 30), 120), T(11, 0, 0), T(11, 23, 30), T(11, 1, 0), T(10, 23, 30)},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(NextStart(c.e, c.from), c.next) << c.what;
        EXPECT_EQ(RunningStart(c.e, c.runningAt), c.running) << c.what;
    }
    // Missed: what started and was due while nothing ran, not what is still to come or starts now.
    const Event daily = event(Repeat::EveryDay, T(1, 7, 30));
    EXPECT_EQ(Missed(daily, T(8, 12, 0), T(10, 12, 0)), (QList<QDateTime>{T(9, 7, 30), T(10, 7, 30)}));
    EXPECT_TRUE(Missed(daily, T(10, 8, 0), T(10, 12, 0)).isEmpty());
    EXPECT_TRUE(Missed(daily, T(10, 7, 0), T(10, 7, 30, 30)).isEmpty()); // starting now: it runs
    EXPECT_EQ(Missed(daily, T(1, 0, 0), T(10, 23, 0).addYears(1)).size(), 100); // bounded
    EXPECT_EQ(RepeatText(event(Repeat::Weekday, T(1, 7, 0), 30, 3)), QStringLiteral("Chaque mercredi"));
    // The wake-up's sound rises from silence to its volume, never falling.
    int previous = -1;
    for (qint64 ms = -100; ms <= 61000; ms += 250) {
        const int v = FadeInVolume(70, ms, 60000);
        EXPECT_GE(v, previous) << ms;
        previous = v;
    }
    EXPECT_EQ(FadeInVolume(70, 0, 60000), 0);
    EXPECT_EQ(previous, 70);
    EXPECT_EQ(ActionText(Action::EnregistrerSource), QStringLiteral("Enregistrer la source"));
}

TEST(Programmation, TheFileKeepsEveryEventAndSkipsDamagedOnes)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Tavilune/programmation.ini"));
    Event a = event(Repeat::Weekdays, T(10, 6, 45), 15);
    a.action = Action::Reveil;
    a.fadeSeconds = 90;
    a.volume = 40;
    Event b = event(Repeat::Once, T(24, 20, 0), 120);
    b.id = QStringLiteral("2");
    b.what = QStringLiteral("Monitor of Tavilune-null");
    b.source = true;
    b.action = Action::EnregistrerSource;
    // A dated TV programme: its address, under the programme's name.
    Event c = event(Repeat::Once, T(11, 20, 0), 40);
    c.id = QStringLiteral("3");
    c.what = QStringLiteral("Journal TF1 20h");
    c.link = QStringLiteral("http://media.example/FluxJt/jt20d11122026/jt20d11122026.asx");
    c.action = Action::EnregistrerFlux;
    ASSERT_TRUE(Save(file, {a, b, c}));
    EXPECT_EQ(Load(file), (QList<Event>{a, b, c}));
    EXPECT_EQ(NewId({a, b}), QStringLiteral("3"));
    EXPECT_EQ(WhatText(a), QStringLiteral("FIP"));
    EXPECT_EQ(WhatText(c), QStringLiteral("Journal TF1 20h"));

    // Groups written before events named links (no "lien") read as pages; a source with an
    // address is no event this program writes.
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("\n[9]\nquoi=x\naction=nope\nrepetition=une-fois\ndebut=2026-12-10T07:00:00\n"
            "[10]\nquoi=\naction=ecouter\nrepetition=une-fois\ndebut=2026-12-10T07:00:00\n"
            "[11]\nquoi=/radios/Old.htm\nsource=0\naction=ecouter\nrepetition=une-fois\ndebut=2026-12-10T07:00:00\n"
            "jour=1\nduree=60\nfondu=60\nvolume=100\n"
            "[12]\nquoi=Micro\nsource=1\nlien=http://x/\naction=source\nrepetition=une-fois\ndebut=2026-12-10T07:00:00\n");
    f.close();
    Event old = event(Repeat::Once, T(10, 7, 0), 60);
    old.id = QStringLiteral("11");
    old.what = QStringLiteral("/radios/Old.htm");
    EXPECT_EQ(Load(file), (QList<Event>{a, old, b, c})); // in the order of the groups' names
    // The catalogue's button proposes the programme's day at the next full hour.
    EXPECT_EQ(ProposedStart(QDate(2007, 3, 7), T(10, 14, 35)), QDateTime(QDate(2007, 3, 7), QTime(15, 0)));
    EXPECT_TRUE(Load(dir.filePath(QStringLiteral("missing.ini"))).isEmpty());
    EXPECT_FALSE(Save(dir.filePath(QStringLiteral("Tavilune/programmation.ini/x/y.ini")), {a}));
}

TEST(Programmation, EachEventHasATimerAndAServiceSystemdAccepts)
{
    const struct {
        Event e;
        const char *calendar;
    } cases[] = {
        {event(Repeat::Once, T(24, 20, 0)), "2026-12-24 20:00:00"},
        {event(Repeat::EveryDay, T(1, 7, 30)), "*-*-* 07:30:00"},
        {event(Repeat::Weekdays, T(1, 6, 45, 10)), "Mon..Fri *-*-* 06:45:10"},
        {event(Repeat::Weekday, T(1, 22, 0), 30, 6), "Sat *-*-* 22:00:00"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(OnCalendar(c.e), QString::fromLatin1(c.calendar));

    // A programme without a name is described by its address, whose "%" are no specifiers.
    Event e = event(Repeat::Weekdays, T(1, 6, 45));
    e.id = QStringLiteral("4");
    e.what.clear();
    e.link = QStringLiteral("http://portal.example/jt-asx.php?url=mms%253A%252F%252Fhost%252Fx_070307.wmv");
    const QString program = QCoreApplication::applicationFilePath();
    ASSERT_TRUE(InstallUnits(e, program));
    const QString base = UnitsFolder() + QStringLiteral("/tavilune-4");
    ASSERT_TRUE(QFile::exists(base + QStringLiteral(".timer")));
    ASSERT_TRUE(QFile::exists(base + QStringLiteral(".service")));
    EXPECT_TRUE(ServiceUnit(e, program).contains(QStringLiteral("--programmation 4")));
    EXPECT_TRUE(ServiceUnit(e, QStringLiteral("/opt/a b/100% $x")).contains(QStringLiteral("ExecStart=\"/opt/a b/100%% $$x\"")));
    const QString analyze = QStandardPaths::findExecutable(QStringLiteral("systemd-analyze"));
    if (!analyze.isEmpty()) {
        QProcess verify;
        verify.setProcessChannelMode(QProcess::MergedChannels);
        verify.start(analyze, {QStringLiteral("verify"), QStringLiteral("--user"), base + QStringLiteral(".timer"),
                               base + QStringLiteral(".service")});
        ASSERT_TRUE(verify.waitForFinished(30000));
        EXPECT_EQ(verify.exitCode(), 0) << verify.readAll().toStdString();
    }
    RemoveUnits(e);
    EXPECT_FALSE(QFile::exists(base + QStringLiteral(".timer")));
    EXPECT_FALSE(QFile::exists(base + QStringLiteral(".service")));
}

struct Recorded : ProgrammationActions {
    QStringList calls;
    void Prepare(const Event &e) override { calls << QStringLiteral("prepare ") + e.id; }
    void Start(const Event &e) override { calls << QStringLiteral("start ") + e.id; }
    void End(const Event &e) override { calls << QStringLiteral("end ") + e.id; }
};

TEST(Programmation, TheSchedulerStartsEachOccurrenceOnceAndEndsItOnTime)
{
    Recorded actions;
    Scheduler s(actions);
    Event a = event(Repeat::EveryDay, T(1, 7, 30), 30);
    Event b = event(Repeat::Once, T(10, 7, 45), 10);
    b.id = QStringLiteral("2");
    // A source to record: its device is prepared a few seconds ahead, once.
    Event c = event(Repeat::Once, T(10, 7, 50), 1);
    c.id = QStringLiteral("3");
    c.source = true;
    c.action = Action::EnregistrerSource;
    s.SetEvents({a, b, c});
    const struct {
        QDateTime now;
        QStringList calls; // new calls at this check
        QDateTime wake;
    } steps[] = {
        {T(10, 7, 29, 59), {}, T(10, 7, 30)},
        {T(10, 7, 30, 0), {QStringLiteral("start 1")}, T(10, 7, 45)},
        {T(10, 7, 30, 20), {}, T(10, 7, 45)},
        {T(10, 7, 45, 0), {QStringLiteral("start 2")}, T(10, 7, 49, 55)},
        {T(10, 7, 49, 55), {QStringLiteral("prepare 3")}, T(10, 7, 50)},
        {T(10, 7, 49, 57), {}, T(10, 7, 50)},
        {T(10, 7, 50, 0), {QStringLiteral("start 3")}, T(10, 7, 51)},
        {T(10, 7, 51, 0), {QStringLiteral("end 3")}, T(10, 7, 55)},
        {T(10, 7, 55, 0), {QStringLiteral("end 2")}, T(10, 8, 0)},
        {T(10, 8, 0, 0), {QStringLiteral("end 1")}, T(11, 7, 30)},
        {T(10, 8, 0, 5), {}, T(11, 7, 30)},
        // Found late (the machine slept): an occurrence over a minute old is not started.
        {T(11, 7, 32, 0), {}, T(12, 7, 30)},
    };
    for (const auto &st : steps) {
        actions.calls.clear();
        s.Check(st.now);
        EXPECT_EQ(actions.calls, st.calls) << st.now.toString().toStdString();
        EXPECT_EQ(s.NextWake(), st.wake) << st.now.toString().toStdString();
    }
    // Removing a running event ends it.
    s.Check(T(12, 7, 30, 1));
    ASSERT_EQ(s.Running(), QStringList{QStringLiteral("1")});
    actions.calls.clear();
    s.SetEvents({});
    EXPECT_EQ(actions.calls, QStringList{QStringLiteral("end 1")});
}

TEST(Programmation, AnEventASecondAheadStartsWithinASecondOfItsTime)
{
    Recorded actions;
    Scheduler s(actions);
    const QDateTime due = QDateTime::currentDateTime().addMSecs(1500);
    Event e = event(Repeat::Once, QDateTime(due.date(), QTime(due.time().hour(), due.time().minute(), due.time().second())), 1);
    if (e.start < QDateTime::currentDateTime())
        e.start = e.start.addSecs(1);
    s.SetEvents({e});
    ASSERT_TRUE(tavtest::waitUntil([&] { return !actions.calls.isEmpty(); }, 4000));
    const qint64 late = e.start.msecsTo(QDateTime::currentDateTime());
    EXPECT_GE(late, 0);
    EXPECT_LT(late, 1000);
    EXPECT_EQ(actions.calls, QStringList{QStringLiteral("start 1")});
}

} // namespace
