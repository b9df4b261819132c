#include "App.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDBusConnection>

#include "audio/FrmREC.h"
#include "audio/WaveInRecorder.h"
#include "core/Globals.h"
#include "core/Paths.h"
#include "desktop/DesktopRules.h"
#include "desktop/FrmProgrammation.h"
#include "desktop/FrmTitres.h"
#include "desktop/LastMinutesKeeper.h"
#include "desktop/MprisService.h"
#include "desktop/PlayerLink.h"
#include "desktop/TitleNotifier.h"
#include "directory/FrmAnnuaire.h"
#include "dsp/frmFXOpts.h"
#include "mp3/Mp3Encoder.h"
#include "nowplaying/InfoRadio.h"
#include "nowplaying/InfoRefresh.h"
#include "stations/FrmModifRad.h"
#include "stations/FrmRadPerso.h"
#include "tv/FrmAutresTVModif.h"
#include "tv/FrmWMP.h"
#include "ui/Prompts.h"
#include "frmAbout.h"
#include "FrmFav.h"
#include "FrmOptions.h"
#include "ListeningPrefs.h"
#include "Module1.h"
#include "Options.h"

#include <QFileInfo>

namespace {

QStringList listItems(const QComboBox *combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

// The desktop services' view of the main window.
class MainPlayerLink : public QObject, public PlayerLink {
public:
    explicit MainPlayerLink(FrmMain &main) : QObject(&main), m_main(main) {}
    void Listen() override { m_main.Command1_Click(); }
    void StopListening() override { m_main.Command4_Click(); }
    void StepStation(int step) override { m_main.ListenStep(step); }
    bool CanStep() const override { return m_main.CanListenStep(); }
    void RaiseWindow() override { m_main.Affiche_Fenetre(); }
    void Quit() override { m_main.Shutdown(); }
    QString PlayingStation() const override { return m_main.PlayingStation(); }
    QString PlayingLogo() const override { return m_main.PlayingLogo(); }

private:
    FrmMain &m_main;
};

} // namespace

void StartDesktopServices(FrmMain &main, MediaEngine &engine, const QDBusConnection &bus, TitleJournal *journal)
{
    auto *link = new MainPlayerLink(main);
    auto *mpris = new MprisService(&engine, *link, link);
    mpris->Register(bus); // without a session bus (or with another instance on it) nothing is published
    new TitleNotifier(&engine, *link, [] { return options::TitleNotificationsOn(); }, bus, link);
    // "Garder les 5 dernières minutes" names the file it wrote.
    if (main.Keeper)
        QObject::connect(main.Keeper, &LastMinutesKeeper::Kept, link,
                         [link, bus](const QString &path, double seconds, const QString &error) {
                             if (!error.isEmpty() || path.isEmpty())
                                 return;
                             const QString station = link->PlayingStation();
                             TitleNotifier::Post(bus, station.isEmpty() ? QStringLiteral("Tavilune") : station,
                                                 desktop::KeptText(seconds, QFileInfo(path).fileName()));
                         });
    if (journal) {
        const auto write = [journal](const QString &station, const QString &title) {
            if (!journal->Add(station, title) && !journal->LastError().isEmpty())
                qWarning("Tavilune: the title journal %s cannot be written: %s", qPrintable(journal->FileName()),
                         qPrintable(journal->LastError()));
        };
        QObject::connect(&engine, &MediaEngine::streamTitleChanged, link,
                         [link, write](const QString &title) { write(link->PlayingStation(), title); });
        // The newest track of the now-playing data page too, while a station plays.
        if (WindowHub *hub = main.Hub()) {
            const auto follow = [link, write](QWidget *window) {
                auto *info = qobject_cast<InfoRadio *>(window);
                if (!info)
                    return;
                QObject::connect(info, &InfoRadio::refreshed, link, [link, info, write](bool shown) {
                    const QString station = link->PlayingStation();
                    if (shown && !station.isEmpty())
                        write(station, nowplaying::NewestTrack(info->Refresh().Texts()));
                });
            };
            follow(hub->Window(WindowKind::NowPlaying, false));
            QObject::connect(hub, &WindowHub::Created, link, [follow](WindowKind kind, QWidget *window) {
                if (kind == WindowKind::NowPlaying)
                    follow(window);
            });
        }
    }
}

App::App() : m_main(&m_engine), m_hub(m_main)
{
    m_main.SetWindowHub(&m_hub);
    RegisterWindows(m_hub, m_main);
    // The always-on-top preferences reach these two windows once they exist, and apply to each
    // when the hub makes it: nothing is made at start-up for them.
    Topmost().nowPlaying = [this] { return m_hub.Window(WindowKind::NowPlaying, false); };
    Topmost().tvPlayer = [this] { return m_hub.Window(WindowKind::TvPlayer, false); };
    QObject::connect(&m_hub, &WindowHub::Created, [](WindowKind kind, QWidget *w) {
        if (kind == WindowKind::NowPlaying)
            SetWindowTopmost(w, G().fenVisible == 1);
        else if (kind == WindowKind::TvPlayer)
            SetWindowTopmost(w, G().fenVisibleTV == 1);
    });
    // Media keys and panel widgets, title notifications: published with the rest of the
    // start-up that waits for the first frame.
    m_main.AfterStartUp([this] { StartDesktopServices(m_main, m_engine, QDBusConnection::sessionBus(), &m_journal); });
    // The output chosen in the preferences (the server is asked only for another than the default).
    m_main.AfterStartUp([this] { m_main.Ecoute->ApplyOutput(); });
    // Planned events: run while the program runs, missed ones told once.
    m_main.AfterStartUp([this] {
        m_runner = std::make_unique<ProgrammationRunner>(m_main, m_engine);
        const QString missed = m_runner->MissedReport();
        if (!missed.isEmpty())
            QMetaObject::invokeMethod(&m_main, [this, missed] {
                Prompts().Message(&m_main, QStringLiteral("Programmation"), missed, UiPrompts::Icon::Information);
            }, Qt::QueuedConnection);
    });
    m_hub.Register(WindowKind::Programmation, [this] {
        FrmProgrammation::Services s;
        s.fileName = m_runner ? m_runner->FileName() : programmation::DefaultFileName();
        s.program = QCoreApplication::applicationFilePath();
        s.choices = [this] {
            QList<ProgrammationChoice> choices;
            const auto pages = [&choices](const QStringList &names, const QStringList &files, const QString &folder) {
                for (qsizetype i = 0; i < names.size() && i < files.size(); ++i)
                    choices.append({names[i], WithBackslash(folder) + files[i], false});
            };
            pages(listItems(m_main.ComboRad), m_main.Combo1, G().radioFolder.isEmpty() ? ProgramFolder() : G().radioFolder);
            pages(listItems(m_main.ComboTV), m_main.Combo2, G().tvFolder.isEmpty() ? ProgramFolder() : G().tvFolder);
            WaveInRecorder sources;
            for (int i = 0, n = sources.DeviceCount(); i < n; ++i)
                choices.append({QStringLiteral("Source : ") + sources.DeviceName(i), sources.DeviceName(i), true});
            return choices;
        };
        s.changed = [this](const QList<programmation::Event> &) {
            if (m_runner)
                m_runner->Reload();
        };
        return new FrmProgrammation(s);
    });
    // The title journal's window, on the journal of this program.
    m_hub.Register(WindowKind::Titres, [this] { return new FrmTitres(m_journal, [] { return options::SearchAddress(); }); });
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
    hub.Register(WindowKind::TvPlayer, [&main, &hub] {
        auto *tv = new FrmWMP(&main);
        // "Programmer l'enregistrement": a new event of the Programmation window, filled with the
        // programme's link and its broadcast date, at the next full hour (the user sets the time).
        if (hub.IsRegistered(WindowKind::Programmation))
            tv->SetScheduler([&hub](const QString &name, const QString &link, const QDate &date) {
                if (!hub.Open(WindowKind::Programmation))
                    return;
                if (auto *p = qobject_cast<FrmProgrammation *>(hub.Window(WindowKind::Programmation, false)))
                    p->ProposeLink(name, link, programmation::ProposedStart(date, QDateTime::currentDateTime()),
                                   programmation::Action::EnregistrerFlux);
            });
        return tv;
    });
    hub.Register(WindowKind::AutresTVModif, [&main] { return new FrmAutresTVModif(&main); });

    // Preferences, favourites manager, about box. The preferences refill the main window's lists
    // and set its title.
    if (auto *frm = dynamic_cast<FrmMain *>(&main)) {
        hub.Register(WindowKind::Options, [frm] {
            return new FrmOptions({[frm](const QString &f) { frm->RefillStationList(true, f); },
                                   [frm](const QString &f) { frm->RefillStationList(false, f); },
                                   [frm] { frm->setWindowTitle(frm->TitleText()); }, frm->Ecoute},
                                  frm);
        });
    }
    hub.Register(WindowKind::Favourites, [&main] { return new FrmFav(main.MainWindow()); });
    hub.Register(WindowKind::About, [&main] { return new frmAbout(main.MainWindow()); });
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
    // The directory search (modeless, placed by itself).
    hub.Register(WindowKind::Annuaire, [&main] { return new FrmAnnuaire(main, main.MainWindow()); });
}
