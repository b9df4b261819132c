#pragma once
// Planned events ("Programmation"): what to play or record, when, for how long.
//
// An event names a station or TV page (or a sound source of the recording window), an action
// ("Écouter", "Enregistrer le flux", "Enregistrer la source", "Réveil"), a start (a date and time,
// or a time of day repeated every day, on weekdays or on one weekday) and a duration. Events are
// kept in "$XDG_CONFIG_HOME/Tavilune/programmation.ini" (an INI file, one group per event, which
// users can read and back up). While the program runs, a Scheduler starts each event within a
// second of its time and ends it on time; when it does not run, the desktop's own scheduler starts
// it: each event has a systemd user timer "tavilune-<id>.timer" with its service, running the
// program with "--programmation <id>". An occurrence that fell while neither ran (the machine was
// off) is reported at the next start, not run late.
//
// Times are local wall-clock times. QtCore only; one thread (the user-interface thread).
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

namespace programmation {

enum class Action { Ecouter, EnregistrerFlux, EnregistrerSource, Reveil };
enum class Repeat { Once, EveryDay, Weekdays, Weekday };

struct Event {
    QString id;             // the event's group in the file and its units' name
    QString what;           // a station or TV page, or a sound source (source true); with a
                            // link, the programme's name
    bool source = false;
    QString link;           // an address to play (a dated TV programme); empty for a page
    Action action = Action::Ecouter;
    Repeat repeat = Repeat::Once;
    QDateTime start;        // Once: the start; otherwise its time of day is the one that counts
    int weekday = 1;        // Repeat::Weekday: 1 Monday .. 7 Sunday
    int minutes = 60;       // duration
    int fadeSeconds = 60;   // Réveil: the sound rises from silence to volume over this time
    int volume = 100;       // Réveil: 0 .. 100
    bool operator==(const Event &) const = default;
};

QString ActionText(Action action);
// What the event plays or records, as shown: the page's name, the source, or the programme's name.
QString WhatText(const Event &event);
QString RepeatText(const Event &event);

// The start proposed for a programme broadcast on `date` (the TV catalogue's "Programmer
// l'enregistrement"): that day, at the full hour after now's time.
QDateTime ProposedStart(const QDate &date, const QDateTime &now);

// Réveil: the volume `elapsedMs` into a fade of fadeMs rising from silence to target; never falls.
int FadeInVolume(int target, qint64 elapsedMs, qint64 fadeMs);

// The start of the first occurrence at or after `from`; invalid when there is none (a single
// event in the past).
QDateTime NextStart(const Event &event, const QDateTime &from);
// The start of the occurrence that runs at `at` (start <= at < end), invalid when none does.
QDateTime RunningStart(const Event &event, const QDateTime &at);
// The occurrences that started after `since` and ended by `now`: missed while nothing ran.
QList<QDateTime> Missed(const Event &event, const QDateTime &since, const QDateTime &now);

// The file and its events (unknown or damaged groups are skipped); Save writes through a
// temporary file, false (with the reason) when it failed.
QString DefaultFileName();
QList<Event> Load(const QString &fileName);
bool Save(const QString &fileName, const QList<Event> &events, QString *error = nullptr);
QString NewId(const QList<Event> &events);

// The systemd user units of an event: the timer (its OnCalendar expression) and the service.
QString UnitName(const Event &event); // "tavilune-<id>"
QString OnCalendar(const Event &event);
QString TimerUnit(const Event &event);
QString ServiceUnit(const Event &event, const QString &program);
// The user units folder ("$XDG_CONFIG_HOME/systemd/user"), and whether a systemd user manager
// runs in this session.
QString UnitsFolder();
bool UserManagerRuns();
// Writes (or removes) an event's two units, then asks the user manager to read them again and
// to start (or stop) the timer; false with the reason when a file could not be written.
bool InstallUnits(const Event &event, const QString &program, QString *error = nullptr);
void RemoveUnits(const Event &event);

} // namespace programmation

// What the scheduler asks of the program when an event starts or ends.
class ProgrammationActions {
public:
    virtual ~ProgrammationActions() = default;
    // Scheduler::kPrepareSecs before an occurrence of an event that records a sound source: its
    // device may be opened now, so that its sound flows at the start.
    virtual void Prepare(const programmation::Event &) {}
    virtual void Start(const programmation::Event &event) = 0;
    virtual void End(const programmation::Event &event) = 0;
};

// Starts each event within a second of its time and ends it on time, while the program runs.
// It wakes only when an event is due to start or end.
class Scheduler : public QObject {
    Q_OBJECT
public:
    static constexpr int kPrepareSecs = 5;

    explicit Scheduler(ProgrammationActions &actions, QObject *parent = nullptr);
    void SetEvents(const QList<programmation::Event> &events);
    // Starts what is due and ends what is over at `now`, then waits for the next of them.
    void Check(const QDateTime &now = QDateTime::currentDateTime());
    QStringList Running() const;
    // When the next check is due (for tests).
    QDateTime NextWake() const { return m_nextWake; }

signals:
    void started(const QString &id);
    void ended(const QString &id);

private:
    struct Run {
        programmation::Event event;
        QDateTime end;
    };
    ProgrammationActions &m_actions;
    QList<programmation::Event> m_events;
    QList<Run> m_running;
    QTimer m_timer;
    QDateTime m_nextWake;
    QHash<QString, QDateTime> m_lastStart; // the last occurrence started, per event
    QHash<QString, QDateTime> m_prepared;  // the last occurrence prepared, per event
};
