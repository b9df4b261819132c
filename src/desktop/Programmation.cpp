#include "Programmation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>

namespace programmation {

namespace {

constexpr qint64 kStartGraceSecs = 60; // a start found this late still runs (the desktop's timer was slow)
constexpr int kMaxMissed = 100;

const char *const kActionKeys[] = {"ecouter", "flux", "source", "reveil"};
const char *const kRepeatKeys[] = {"une-fois", "tous-les-jours", "semaine", "jour"};

bool occursOn(const Event &e, const QDate &date)
{
    switch (e.repeat) {
    case Repeat::Once: return date == e.start.date();
    case Repeat::EveryDay: return true;
    case Repeat::Weekdays: return date.dayOfWeek() <= 5;
    case Repeat::Weekday: return date.dayOfWeek() == e.weekday;
    }
    return false;
}

QDateTime at(const Event &e, const QDate &date)
{
    const QTime t = e.start.time();
    return QDateTime(date, QTime(t.hour(), t.minute(), t.second()));
}

template <class Enum, std::size_t N> Enum fromKey(const QString &key, const char *const (&keys)[N], bool &ok)
{
    for (std::size_t i = 0; i < N; ++i)
        if (key == QLatin1String(keys[i]))
            return Enum(i);
    ok = false;
    return Enum(0);
}

// An argument of a unit's command line: quoted, with systemd's specifiers and variables escaped.
QString unitArgument(const QString &text)
{
    QString q = text;
    q.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('"'), QStringLiteral("\\\""));
    q.replace(QLatin1Char('%'), QStringLiteral("%%")).replace(QLatin1Char('$'), QStringLiteral("$$"));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

// A description line holds no line end, and no systemd specifier ("%" stands for itself).
QString oneLine(const QString &text)
{
    return QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('%'), QStringLiteral("%%"));
}

bool writeFile(const QString &name, const QString &text, QString *error)
{
    QSaveFile f(name);
    const QByteArray bytes = text.toUtf8();
    if (f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit())
        return true;
    if (error)
        *error = QStringLiteral("%1 : %2").arg(QDir::toNativeSeparators(name), f.errorString());
    return false;
}

} // namespace

QString ActionText(Action action)
{
    switch (action) {
    case Action::Ecouter: return QStringLiteral("Écouter");
    case Action::EnregistrerFlux: return QStringLiteral("Enregistrer le flux");
    case Action::EnregistrerSource: return QStringLiteral("Enregistrer la source");
    case Action::Reveil: return QStringLiteral("Réveil");
    }
    return {};
}

QString WhatText(const Event &e)
{
    if (!e.link.isEmpty())
        return e.what.isEmpty() ? e.link : e.what;
    if (e.source)
        return e.what;
    const QString name = QFileInfo(e.what).completeBaseName();
    return name.isEmpty() ? e.what : name;
}

QString RepeatText(const Event &e)
{
    static const char16_t *days[] = {u"lundi", u"mardi", u"mercredi", u"jeudi", u"vendredi", u"samedi", u"dimanche"};
    switch (e.repeat) {
    case Repeat::Once: return QStringLiteral("Une fois");
    case Repeat::EveryDay: return QStringLiteral("Tous les jours");
    case Repeat::Weekdays: return QStringLiteral("Du lundi au vendredi");
    case Repeat::Weekday: return QStringLiteral("Chaque ") + QString::fromUtf16(days[std::clamp(e.weekday, 1, 7) - 1]);
    }
    return {};
}

QDateTime ProposedStart(const QDate &date, const QDateTime &now)
{
    const QTime next = QTime(now.time().hour(), 0).addSecs(3600);
    return QDateTime(date, next);
}

int FadeInVolume(int target, qint64 elapsedMs, qint64 fadeMs)
{
    target = std::clamp(target, 0, 100);
    if (fadeMs <= 0 || elapsedMs >= fadeMs)
        return target;
    return int(qint64(target) * std::max<qint64>(0, elapsedMs) / fadeMs);
}

QDateTime NextStart(const Event &e, const QDateTime &from)
{
    if (!e.start.isValid())
        return {};
    if (e.repeat == Repeat::Once)
        return e.start >= from ? e.start : QDateTime();
    for (int d = 0; d <= 8; ++d) {
        const QDate date = from.date().addDays(d);
        if (occursOn(e, date) && at(e, date) >= from)
            return at(e, date);
    }
    return {};
}

QDateTime RunningStart(const Event &e, const QDateTime &now)
{
    if (!e.start.isValid() || e.minutes <= 0)
        return {};
    const int days = e.minutes / (24 * 60) + 2;
    for (int d = 0; d <= days; ++d) {
        const QDate date = now.date().addDays(-d);
        if (!occursOn(e, date))
            continue;
        const QDateTime s = e.repeat == Repeat::Once ? e.start : at(e, date);
        if (s <= now && now < s.addSecs(qint64(e.minutes) * 60))
            return s;
    }
    return {};
}

QList<QDateTime> Missed(const Event &e, const QDateTime &since, const QDateTime &now)
{
    QList<QDateTime> missed;
    QDateTime t = since.addSecs(1);
    while (missed.size() < kMaxMissed) {
        const QDateTime s = NextStart(e, t);
        if (!s.isValid() || s.secsTo(now) <= kStartGraceSecs)
            break;
        missed << s;
        t = s.addSecs(1);
    }
    return missed;
}

QString DefaultFileName()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/Tavilune/programmation.ini");
}

QList<Event> Load(const QString &fileName)
{
    QList<Event> events;
    if (!QFileInfo(fileName).isFile())
        return events;
    QSettings s(fileName, QSettings::IniFormat);
    for (const QString &group : s.childGroups()) {
        s.beginGroup(group);
        Event e;
        bool ok = true;
        e.id = group;
        e.what = s.value(QStringLiteral("quoi")).toString();
        e.link = s.value(QStringLiteral("lien")).toString(); // absent from files of page events only
        e.source = s.value(QStringLiteral("source")).toString() == QLatin1String("1");
        e.action = fromKey<Action>(s.value(QStringLiteral("action")).toString(), kActionKeys, ok);
        e.repeat = fromKey<Repeat>(s.value(QStringLiteral("repetition")).toString(), kRepeatKeys, ok);
        e.start = QDateTime::fromString(s.value(QStringLiteral("debut")).toString(), Qt::ISODate);
        e.weekday = s.value(QStringLiteral("jour"), 1).toInt();
        e.minutes = s.value(QStringLiteral("duree"), 60).toInt();
        e.fadeSeconds = s.value(QStringLiteral("fondu"), 60).toInt();
        e.volume = s.value(QStringLiteral("volume"), 100).toInt();
        s.endGroup();
        if (ok && !(e.what.isEmpty() && e.link.isEmpty()) && !(e.source && !e.link.isEmpty()) && e.start.isValid() && e.minutes > 0 && e.weekday >= 1 && e.weekday <= 7)
            events << e;
    }
    return events;
}

bool Save(const QString &fileName, const QList<Event> &events, QString *error)
{
    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QSettings s(fileName, QSettings::IniFormat);
    s.clear();
    for (const Event &e : events) {
        s.beginGroup(e.id);
        s.setValue(QStringLiteral("quoi"), e.what);
        s.setValue(QStringLiteral("source"), e.source ? QStringLiteral("1") : QStringLiteral("0"));
        if (!e.link.isEmpty())
            s.setValue(QStringLiteral("lien"), e.link);
        s.setValue(QStringLiteral("action"), QLatin1String(kActionKeys[int(e.action)]));
        s.setValue(QStringLiteral("repetition"), QLatin1String(kRepeatKeys[int(e.repeat)]));
        s.setValue(QStringLiteral("debut"), e.start.toString(Qt::ISODate));
        s.setValue(QStringLiteral("jour"), e.weekday);
        s.setValue(QStringLiteral("duree"), e.minutes);
        s.setValue(QStringLiteral("fondu"), e.fadeSeconds);
        s.setValue(QStringLiteral("volume"), e.volume);
        s.endGroup();
    }
    s.sync();
    if (s.status() == QSettings::NoError)
        return true;
    if (error)
        *error = QStringLiteral("%1 ne peut pas être écrit").arg(QDir::toNativeSeparators(fileName));
    return false;
}

QString NewId(const QList<Event> &events)
{
    int highest = 0;
    for (const Event &e : events)
        highest = std::max(highest, e.id.toInt());
    return QString::number(highest + 1);
}

QString UnitName(const Event &e)
{
    // The id goes into file names and a command line: digits and letters only.
    QString safe;
    for (QChar c : e.id)
        if (c.isLetterOrNumber() && c.unicode() < 0x80)
            safe += c;
    return QStringLiteral("tavilune-") + safe;
}

QString OnCalendar(const Event &e)
{
    static const char *days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    const QString time = e.start.time().toString(QStringLiteral("HH:mm:ss"));
    switch (e.repeat) {
    case Repeat::Once: return e.start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    case Repeat::EveryDay: return QStringLiteral("*-*-* ") + time;
    case Repeat::Weekdays: return QStringLiteral("Mon..Fri *-*-* ") + time;
    case Repeat::Weekday: return QLatin1String(days[std::clamp(e.weekday, 1, 7) - 1]) + QStringLiteral(" *-*-* ") + time;
    }
    return {};
}

QString TimerUnit(const Event &e)
{
    return QStringLiteral("[Unit]\nDescription=Tavilune : %1 (%2)\n\n[Timer]\nOnCalendar=%3\nAccuracySec=1s\nUnit=%4.service\n\n"
                          "[Install]\nWantedBy=timers.target\n")
        .arg(oneLine(ActionText(e.action)), oneLine(WhatText(e)),
             OnCalendar(e), UnitName(e));
}

QString ServiceUnit(const Event &e, const QString &program)
{
    return QStringLiteral("[Unit]\nDescription=Tavilune : programmation %1\n\n[Service]\nType=simple\nExecStart=%2 --programmation %3\n")
        .arg(UnitName(e), unitArgument(program), UnitName(e).mid(9));
}

QString UnitsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/systemd/user");
}

bool UserManagerRuns()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/systemd/private"));
}

bool InstallUnits(const Event &e, const QString &program, QString *error)
{
    const QString base = UnitsFolder() + QLatin1Char('/') + UnitName(e);
    QDir().mkpath(UnitsFolder());
    if (!writeFile(base + QStringLiteral(".service"), ServiceUnit(e, program), error) ||
        !writeFile(base + QStringLiteral(".timer"), TimerUnit(e), error))
        return false;
    if (UserManagerRuns())
        QProcess::startDetached(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("systemctl --user daemon-reload && "
                                                                                             "systemctl --user enable --now %1.timer")
                                                                                  .arg(UnitName(e))});
    return true;
}

void RemoveUnits(const Event &e)
{
    const QString base = UnitsFolder() + QLatin1Char('/') + UnitName(e);
    if (UserManagerRuns())
        QProcess::execute(QStringLiteral("systemctl"), {QStringLiteral("--user"), QStringLiteral("disable"), QStringLiteral("--now"),
                                                        UnitName(e) + QStringLiteral(".timer")});
    QFile::remove(base + QStringLiteral(".timer"));
    QFile::remove(base + QStringLiteral(".service"));
    if (UserManagerRuns())
        QProcess::startDetached(QStringLiteral("systemctl"), {QStringLiteral("--user"), QStringLiteral("daemon-reload")});
}

} // namespace programmation

using namespace programmation;

Scheduler::Scheduler(ProgrammationActions &actions, QObject *parent) : QObject(parent), m_actions(actions)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] { Check(); });
}

void Scheduler::SetEvents(const QList<Event> &events)
{
    m_events = events;
    // A running event that was removed or changed ends now.
    for (qsizetype i = m_running.size() - 1; i >= 0; --i) {
        if (!m_events.contains(m_running[i].event)) {
            const Run run = m_running.takeAt(i);
            m_actions.End(run.event);
            emit ended(run.event.id);
        }
    }
    Check();
}

QStringList Scheduler::Running() const
{
    QStringList ids;
    for (const Run &r : m_running)
        ids << r.event.id;
    return ids;
}

void Scheduler::Check(const QDateTime &now)
{
    for (qsizetype i = m_running.size() - 1; i >= 0; --i) {
        if (m_running[i].end <= now) {
            const Run run = m_running.takeAt(i);
            m_actions.End(run.event);
            emit ended(run.event.id);
        }
    }
    QDateTime wake;
    const auto sooner = [&wake](const QDateTime &t) {
        if (t.isValid() && (!wake.isValid() || t < wake))
            wake = t;
    };
    for (const Event &e : m_events) {
        const bool running = std::any_of(m_running.begin(), m_running.end(), [&](const Run &r) { return r.event.id == e.id; });
        const QDateTime s = RunningStart(e, now);
        // An occurrence starts once, and only near its time: later it counts as missed.
        if (!running && s.isValid() && s.secsTo(now) <= kStartGraceSecs
            && (!m_lastStart.contains(e.id) || s > m_lastStart.value(e.id))) {
            m_lastStart.insert(e.id, s);
            m_running.append({e, s.addSecs(qint64(e.minutes) * 60)});
            m_actions.Start(e);
            emit started(e.id);
        }
        const QDateTime next = NextStart(e, now.addMSecs(1));
        sooner(next);
        // A source's device opens a little ahead, once per occurrence.
        if (e.source && next.isValid()) {
            const QDateTime prepareAt = next.addSecs(-kPrepareSecs);
            if (prepareAt > now)
                sooner(prepareAt);
            else if (m_prepared.value(e.id) != next) {
                m_prepared.insert(e.id, next);
                m_actions.Prepare(e);
            }
        }
    }
    for (const Run &r : m_running)
        sooner(r.end);
    m_nextWake = wake;
    if (!wake.isValid()) {
        m_timer.stop();
        return;
    }
    const qint64 ms = std::clamp<qint64>(now.msecsTo(wake), 0, 3600 * 1000);
    m_timer.start(int(ms));
}
