#pragma once
// What planned events do in the program: "Écouter" plays the page on the main window,
// "Enregistrer le flux" plays it and records its stream as received (an event may name a
// programme's address instead of a page: it plays without a page), "Enregistrer la source"
// records a sound source to a WAV file (44100 Hz stereo, the recording window's default format),
// "Réveil" plays it with the sound rising from silence to its volume and a notification whose
// "Arrêter" stops it. An event that starts while the user listens takes over without asking, and
// says so in a notification. At start-up the runner reports the occurrences missed since the
// program last ran (the machine was off), and starts an event the desktop's timer launched it for.
// A source to record is opened a few seconds before its start, so that its first second is kept.
#include "desktop/Programmation.h"
#include "FrmMain.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <memory>

class RecordingSession;

class ProgrammationRunner : public QObject, public ProgrammationActions {
    Q_OBJECT
public:
    ProgrammationRunner(FrmMain &main, MediaEngine &engine, QString fileName = QString(),
                        const QDBusConnection &bus = QDBusConnection::sessionBus(), QObject *parent = nullptr);
    ~ProgrammationRunner() override;

    Scheduler &Events() { return m_scheduler; }
    QString FileName() const { return m_fileName; }
    // Reads the events file again (the window saved it).
    void Reload();
    // The missed occurrences' French report since the last time the program ran; empty when none.
    QString MissedReport(const QDateTime &now = QDateTime::currentDateTime());
    // The source recording of a running "Enregistrer la source" event (tests).
    RecordingSession *SourceRecording() const { return m_source.get(); }

    void Prepare(const programmation::Event &event) override;
    void Start(const programmation::Event &event) override;
    void End(const programmation::Event &event) override;

private slots:
    void onAction(uint id, const QString &action);

private:
    void notify(const QString &summary, const QString &body, bool stopAction);
    void fadeStep();
    // Plays the event's page or programme address on the main window, and stops it.
    void listen(const programmation::Event &event);
    void stopListening(const programmation::Event &event);
    // A new source recording on the device named name; false when there is none of that name.
    bool openSource(const QString &name);

    FrmMain &m_main;
    MediaEngine &m_engine;
    QString m_fileName;
    QDBusConnection m_bus;
    Scheduler m_scheduler;
    std::unique_ptr<RecordingSession> m_source;
    QString m_armed;  // the device m_source keeps open ahead of its event's start
    QTimer m_armEnd;  // ... until a little after that start
    QMetaObject::Connection m_waitPlaying;
    QTimer m_fade;
    QElapsedTimer m_fadeClock;
    programmation::Event m_waking;
    uint m_notification = 0;
};
