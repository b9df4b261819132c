#include "App.h"

#include "FrmAutresTVModif.h"
#include "FrmWMP.h"
#include "Module1.h"

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
    hub.Register(WindowKind::TvPlayer, [&main] { return new FrmWMP(&main); });
    hub.Register(WindowKind::AutresTVModif, [&main] { return new FrmAutresTVModif(&main); });
}
