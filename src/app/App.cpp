#include "App.h"

#include "FrmAutresTVModif.h"
#include "FrmModifRad.h"
#include "FrmRadPerso.h"
#include "FrmWMP.h"
#include "InfoRadio.h"
#include "Module1.h"
#include "Mp3Encoder.h"
#include "FrmREC.h"
#include "frmFXOpts.h"

App::App() : m_main(&m_engine), m_hub(m_main)
{
    m_main.SetWindowHub(&m_hub);
    RegisterWindows(m_hub, m_main);
    // The always-on-top preferences create these two windows hidden at start-up.
    Topmost().nowPlaying = [this] { return m_hub.Window(WindowKind::NowPlaying); };
    Topmost().tvPlayer = [this] { return m_hub.Window(WindowKind::TvPlayer); };
}

App::~App()
{
    Topmost().nowPlaying = nullptr;
    Topmost().tvPlayer = nullptr;
}

bool App::Start() { return m_main.Form_Load(); }

void RegisterWindows(WindowHub &hub, MainLink &main)
{
    // Each window of the program adds its factory here:
    //   hub.Register(WindowKind::Options, [&main] { return new FrmOptions(main); });
    // TV: the player window (modeless) and the list editor (modal).
    hub.Register(WindowKind::TvPlayer, [&main] { return new FrmWMP(&main); });
    hub.Register(WindowKind::AutresTVModif, [&main] { return new FrmAutresTVModif(&main); });

    // Station pages: the generator and the editor (modal, placed by themselves).
    hub.Register(WindowKind::RadioPerso, [&main] { return new FrmRadPerso(main, main.MainWindow()); });
    hub.Register(WindowKind::ModifRadio, [&main] { return new FrmModifRad(main, main.MainWindow()); });
    // The now-playing window destroys itself when it closes; the next use makes a new one.
    hub.Register(WindowKind::NowPlaying, [&main] { return new InfoRadio(main.MainWindow()); });
    hub.Register(WindowKind::Mp3Encoder, [&main] { return new Mp3Encoder(main.MainWindow()); });
    hub.Register(WindowKind::Recording, [] {
        FrmREC::Services services;
        // One effects dialog per recording window, made on first use and kept with its band
        // controls.
        services.openEffects = [](clsDSP &dsp, QWidget *owner) {
            auto *dialog = owner->findChild<frmFXOpts *>();
            if (!dialog)
                dialog = new frmFXOpts(owner);
            dialog->ShowEx(dsp, owner);
        };
        return new FrmREC(services);
    });
}
