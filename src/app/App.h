#pragma once
// The program's composition root: the media engine of the main page, the main window, the hub
// that creates every other window, and the registration of those windows.
#include "desktop/TitleJournal.h"
#include "media/MediaEngine.h"
#include "FrmMain.h"
#include "ProgrammationRunner.h"

#include <memory>
#include "WindowHub.h"

class App {
public:
    App();
    ~App();

    // Start-up; false on a first run (the program must end without showing the window).
    bool Start();

    MediaEngine &Engine() { return m_engine; }
    FrmMain &Main() { return m_main; }
    WindowHub &Hub() { return m_hub; }

    TitleJournal &Journal() { return m_journal; }
    // The planned events' runner, made with the rest of the start-up that waits for the first frame.
    ProgrammationRunner *Runner() const { return m_runner.get(); }

private:
    TitleJournal m_journal;
    MediaEngine m_engine;
    FrmMain m_main;
    WindowHub m_hub;
    std::unique_ptr<ProgrammationRunner> m_runner;
};

// Registers the factory of every window the program has with the hub. The factories receive the
// main window's link; windows that play make their own engine.
void RegisterWindows(WindowHub &hub, MainLink &main);

// Publishes the program as the session's media player on bus and sends title notifications
// there; writes each new stream title to the journal when one is given. The services live as
// long as the main window.
class QDBusConnection;
void StartDesktopServices(FrmMain &main, MediaEngine &engine, const QDBusConnection &bus,
                          TitleJournal *journal = nullptr);
