#include "FrmMain.h"

#include "common/Twips.h"
#include "core/Globals.h"
#include "core/MixerLauncher.h"
#include "core/Settings.h"
#include "desktop/DesktopRules.h"
#include "desktop/LastMinutesKeeper.h"
#include "desktop/SleepTimer.h"
#include "desktop/StreamRecorder.h"
#include "media/MediaEngine.h"
#include "media/StationPage.h"
#include "nimbrel/Nimbrel.h"
#include "ui/PictureButton.h"
#include "ui/PlainTip.h"
#include "ui/Prompts.h"
#include "ui/WebBrowser.h"
#include "About.h"
#include "Favourites.h"
#include "Icons.h"
#include "ListeningPrefs.h"
#include "Module1.h"
#include "Options.h"
#include "Startup.h"
#include "StationList.h"
#include "WindowHub.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QFileInfo>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <utility>

namespace {


// The look of the window's picture buttons.
const ui::ButtonLook kButtons{.iconSize = 24};

// The main window's size at start-up, in twips, and the least height of its page view in pixels:
// a station page (name, logo, player, description) shows whole, without scrolling.
constexpr long kMainWidthTwips = 5520;
constexpr long kMainHeightTwips = 5100;
constexpr int kPageMinHeight = 190;

} // namespace

QString IntroPagePath() { return WithBackslash(ProgramFolder()) + QStringLiteral("Intro.htm"); }

FrmMain::FrmMain(MediaEngine *engine, QWidget *parent)
    : QMainWindow(parent), m_engine(engine ? engine : new MediaEngine(this))
{
    setObjectName(QStringLiteral("FrmMain"));
    setWindowTitle(startup::kAppTitle);
    buildMenus();
    buildControls();
    Topmost().main = this;

    // The status line under the page: what plays, or why nothing does.
    connect(m_engine, &MediaEngine::stateChanged, this, &FrmMain::updateStatusLine);
    connect(m_engine, &MediaEngine::statusTextChanged, this, &FrmMain::updateStatusLine);
    connect(m_engine, &MediaEngine::streamTitleChanged, this, &FrmMain::updateStatusLine);
    updateTriggers();
    buildDesktopMenus();
}

void FrmMain::buildDesktopMenus()
{
    Mn_Mode->addSeparator();
    Mnu_EnregistreFlux = Mn_Mode->addAction(QStringLiteral("Enregistrer le flux"));
    Mnu_EnregistreFlux->setObjectName(QStringLiteral("Mnu_EnregistreFlux"));
    Mnu_EnregistreFlux->setCheckable(true);
    Mnu_ArretProgramme = Mn_Mode->addMenu(QStringLiteral("Arrêt programmé"));
    Mnu_ArretProgramme->setObjectName(QStringLiteral("Mnu_ArretProgramme"));
    auto *group = new QActionGroup(Mnu_ArretProgramme);
    for (int i = 0; i < 5; ++i) {
        const int minutes = kSleepMinutes[i];
        Mnu_Arret[i] = Mnu_ArretProgramme->addAction(minutes == 0 ? QStringLiteral("Désactivé")
                                                                  : QStringLiteral("%1 minutes").arg(minutes));
        Mnu_Arret[i]->setObjectName(QStringLiteral("Mnu_Arret%1").arg(minutes));
        Mnu_Arret[i]->setCheckable(true);
        group->addAction(Mnu_Arret[i]);
        connect(Mnu_Arret[i], &QAction::triggered, this, [this, minutes] { Mnu_ArretProgramme_Click(minutes); });
    }
    Mnu_Arret[0]->setChecked(true);
    connect(Mnu_EnregistreFlux, &QAction::triggered, this, &FrmMain::Mnu_EnregistreFlux_Click);

    // Live pause and rewind.
    Mn_Mode->addSeparator();
    Mn_Mode->setToolTipsVisible(true);
    const auto shiftAction = [this](const char *name, const QString &caption, const QKeySequence &keys,
                                    const QString &tip) {
        QAction *a = Mn_Mode->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(keys);
        a->setToolTip(tip);
        return a;
    };
    Mnu_Pause = shiftAction("Mnu_Pause", QStringLiteral("Pause"), QKeySequence(Qt::CTRL | Qt::Key_P),
                            QStringLiteral("Met la radio en pause sans couper la réception : l'écoute reprend là "
                                           "où elle s'était arrêtée"));
    Mnu_Pause->setCheckable(true);
    Mnu_Reculer = shiftAction("Mnu_Reculer", QStringLiteral("Reculer de 30 s"), QKeySequence(Qt::CTRL | Qt::Key_Left),
                              QStringLiteral("Réécoute les 30 dernières secondes"));
    Mnu_Avancer = shiftAction("Mnu_Avancer", QStringLiteral("Avancer de 30 s"), QKeySequence(Qt::CTRL | Qt::Key_Right),
                              QStringLiteral("Avance de 30 secondes, sans dépasser le direct"));
    Mnu_Direct = shiftAction("Mnu_Direct", QStringLiteral("Revenir au direct"), QKeySequence(Qt::CTRL | Qt::Key_D),
                             QStringLiteral("Reprend l'écoute de la radio en direct"));
    Mnu_Garder = shiftAction("Mnu_Garder", desktop::KeepMenuText(options::KeepMinutes()), QKeySequence(Qt::CTRL | Qt::Key_G),
                             QStringLiteral("Enregistre dans le dossier des enregistrements ce qui vient d'être "
                                            "écouté, tel que la radio l'a envoyé"));
    // The tray's menu pauses too.
    Mnu_Fichier->insertAction(Mnu_Fichier->actions().value(1), Mnu_Pause);
    connect(Mnu_Pause, &QAction::triggered, this, &FrmMain::Mnu_Pause_Click);
    connect(Mnu_Reculer, &QAction::triggered, this, [this] { StepBuffer(-30); });
    connect(Mnu_Avancer, &QAction::triggered, this, [this] { StepBuffer(30); });
    connect(Mnu_Direct, &QAction::triggered, this, &FrmMain::Mnu_Direct_Click);
    connect(Mnu_Garder, &QAction::triggered, this, &FrmMain::Mnu_Garder_Click);
    connect(Mn_Mode, &QMenu::aboutToShow, this,
            [this] { Mnu_Garder->setText(desktop::KeepMenuText(options::KeepMinutes())); });
    Keeper = new LastMinutesKeeper(m_engine, this);
    // A kept file is announced by a desktop notification (StartDesktopServices); a failure here.
    connect(Keeper, &LastMinutesKeeper::Kept, this, [this](const QString &, double, const QString &error) {
        updateTimeShiftMenus();
        if (!error.isEmpty())
            Prompts().Message(this, QStringLiteral("Garder les dernières minutes"), error, UiPrompts::Icon::Exclamation);
    });
    connect(m_engine, &MediaEngine::timeShiftChanged, this, [this] {
        updateTimeShiftMenus();
        updateStatusLine();
    });
    connect(m_engine, &MediaEngine::pausedChanged, this, [this] {
        updateTimeShiftMenus();
        updateStatusLine();
    });
    connect(m_engine, &MediaEngine::stateChanged, this, &FrmMain::updateTimeShiftMenus);
    updateTimeShiftMenus();

    FluxRecorder = new StreamRecorder(m_engine, this);
    FluxRecorder->setOneFilePerTitle([] { return options::OneFilePerTitleOn(); });
    connect(FluxRecorder, &StreamRecorder::Progress, this, &FrmMain::updateStatusLine);
    connect(FluxRecorder, &StreamRecorder::Ended, this, [this](const QString &, const QString &warning) {
        updateDesktopTriggers();
        updateStatusLine();
        if (!warning.isEmpty())
            Prompts().Message(this, QStringLiteral("Enregistrer le flux"), warning, UiPrompts::Icon::Exclamation);
    });
    Ecoute = new ListeningPrefs(*m_engine, {}, this);
    connect(Ecoute, &ListeningPrefs::message, this, [this](const QString &text) {
        Prompts().Message(this, QStringLiteral("Sortie audio"), text, UiPrompts::Icon::Information);
    }, Qt::QueuedConnection);
    Sleep = new SleepTimer(m_engine, [this] { Command4_Click(); }, this);
    connect(Sleep, &SleepTimer::Changed, this, &FrmMain::updateStatusLine);
    connect(Sleep, &SleepTimer::Finished, this, [this] { Mnu_Arret[0]->setChecked(true); });

    connect(m_engine, &MediaEngine::stateChanged, this, &FrmMain::updateDesktopTriggers);
    connect(m_engine, &MediaEngine::stateChanged, this, &FrmMain::updateTrayTip);
    connect(m_engine, &MediaEngine::streamTitleChanged, this, &FrmMain::updateTrayTip);
    connect(Mnu_RAdio, &QAction::triggered, this, &FrmMain::updateDesktopTriggers);
    connect(Mnu_TV, &QAction::triggered, this, &FrmMain::updateDesktopTriggers);
    updateDesktopTriggers();
}

void FrmMain::updateDesktopTriggers()
{
    if (!Mnu_EnregistreFlux)
        return;
    const bool recording = FluxRecorder && FluxRecorder->IsRecording();
    const bool radioPlays = RadioMode() && m_engine->state() == MediaEngine::State::Playing;
    Mnu_EnregistreFlux->setEnabled(recording || radioPlays);
    Mnu_EnregistreFlux->setChecked(recording);
}

void FrmMain::updateTimeShiftMenus()
{
    if (!Mnu_Pause)
        return;
    const timeshift::Window w = m_engine->timeShiftWindow();
    const desktop::TimeShiftMenu m = desktop::TimeShiftMenuState(
        m_engine->timeShiftActive(), m_engine->isPaused(), m_engine->liveDelay(), timeshift::Behind(w),
        Keeper && Keeper->IsWriting());
    Mnu_Pause->setEnabled(m.pause);
    Mnu_Pause->setChecked(m.paused);
    Mnu_Reculer->setEnabled(m.back);
    Mnu_Avancer->setEnabled(m.forward);
    Mnu_Direct->setEnabled(m.live);
    Mnu_Garder->setEnabled(m.keep);
}

void FrmMain::applyTimeShift(bool radio)
{
    // Radios keep their last minutes; TV pages play as they come.
    m_engine->setTimeShiftMinutes(radio ? options::TimeShiftMinutes() : 0);
}

void FrmMain::Mnu_Pause_Click()
{
    if (m_engine->timeShiftActive())
        m_engine->setPaused(!m_engine->isPaused());
    updateTimeShiftMenus();
}

void FrmMain::StepBuffer(double seconds)
{
    m_engine->seekBy(seconds);
    updateTimeShiftMenus();
    updateStatusLine();
}

void FrmMain::Mnu_Direct_Click()
{
    m_engine->goLive();
    updateTimeShiftMenus();
    updateStatusLine();
}

void FrmMain::Mnu_Garder_Click()
{
    QString error;
    if (!Keeper->Start(PlayingStation(), G().wavFolder, options::KeepMinutes(), QDateTime::currentDateTime(), &error))
        Prompts().Message(this, QStringLiteral("Garder les dernières minutes"), error, UiPrompts::Icon::Exclamation);
    updateTimeShiftMenus();
}

void FrmMain::updateTrayTip()
{
    if (!TaskBarIcon)
        return;
    const QString station = PlayingStation();
    TaskBarIcon->SetToolTipText(station.isEmpty() ? TitleText()
                                                  : desktop::TrayTip(station, m_engine->streamTitle()));
}

void FrmMain::Mnu_EnregistreFlux_Click()
{
    if (FluxRecorder->IsRecording()) {
        FluxRecorder->Stop();
    } else {
        QString error;
        if (!FluxRecorder->Start(PlayingStation(), G().wavFolder, QDateTime::currentDateTime(), &error))
            Prompts().Message(this, QStringLiteral("Enregistrer le flux"), error, UiPrompts::Icon::Exclamation);
    }
    updateDesktopTriggers();
    updateStatusLine();
}

void FrmMain::Mnu_ArretProgramme_Click(int minutes)
{
    Sleep->Start(minutes);
    for (int i = 0; i < 5; ++i)
        if (kSleepMinutes[i] == (Sleep->IsActive() ? minutes : 0))
            Mnu_Arret[i]->setChecked(true);
    updateStatusLine();
}

namespace {
// The entry of a list that the typed text names (see selectedEntry below).
int namedEntry(const QComboBox *combo);
} // namespace

bool FrmMain::CanListenStep() const
{
    return (RadioMode() ? Combo1 : Combo2).size() > 0;
}

void FrmMain::ListenStep(int step)
{
    QComboBox *combo = RadioMode() ? ComboRad : ComboTV;
    const int count = qMin(combo->count(), int((RadioMode() ? Combo1 : Combo2).size()));
    const int next = desktop::StepStation(count, namedEntry(combo), step);
    if (next < 0)
        return;
    combo->setCurrentIndex(next);
    combo->setEditText(combo->itemText(next));
    // The station path follows even when the list already stood on that entry.
    if (RadioMode())
        ComboRad_Select();
    else
        ComboTV_Select();
    Command1_Click();
}

QString FrmMain::PlayingStation() const
{
    switch (m_engine->state()) {
    case MediaEngine::State::Idle:
    case MediaEngine::State::Failed:
        return {};
    default:
        return m_playingName.trimmed();
    }
}

QString FrmMain::PlayingLogo() const
{
    if (PlayingStation().isEmpty())
        return {};
    return desktop::PageLogo(WebBrowser1->PageText(), WebBrowser1->LocationURL());
}

void FrmMain::makeTrayIcon()
{
    if (TaskBarIcon)
        return;
    TaskBarIcon = nimbrel::CreateTaskBarIcon(this);
    if (!TaskBarIcon)
        return;
    connect(TaskBarIcon, &nimbrel::TaskBarIcon::DblClick, this,
            [this](short &button, short &, float &, float &) {
                if (button == 1)
                    Mnu_Affichage_Click();
            });
    connect(TaskBarIcon, &nimbrel::TaskBarIcon::MouseDown, this,
            [this](short &button, short &, float &, float &) {
                // At the icon: the cursor is not kept current over trays the desktop draws.
                if (button == 2)
                    Mnu_Fichier->exec(TaskBarIcon->MenuPosition());
            });
    TaskBarIcon->SetIcon(windowIcon());
    TaskBarIcon->SetToolTipText(startup::kAppTitle);
}

void FrmMain::finishStartUp()
{
    m_listsPending = false;
    // The program icon (drawn at every size the window manager is given) and the desktop's
    // button icons need not be in the first frame.
    setWindowIcon(icons::Program());
    applyThemeIcons();
    makeTrayIcon();
    fillLists();
    // The box "Interdire l'économiseur d'écran" ticked means the screen saver is held off.
    SetScreenSaver(m_screenSaverOn);
    m_startedUp = true;
    for (const auto &step : std::exchange(m_startUpSteps, {}))
        step();
}

void FrmMain::AfterStartUp(std::function<void()> step)
{
    if (m_startedUp)
        step();
    else
        m_startUpSteps.push_back(std::move(step));
}

void FrmMain::applyThemeIcons()
{
    // Looking icons up in the desktop's theme reads the theme's index (several milliseconds), so
    // it waits for the first frame. A name the theme lacks keeps the drawn picture.
    const std::pair<QToolButton *, const char *> themed[] = {{Command1, "media-playback-start"},
                                                             {Command2, "audio-volume-high"},
                                                             {Command4, "media-playback-stop"},
                                                             {Command5, "media-record"}};
    for (const auto &[button, name] : themed)
        button->setIcon(icons::Themed(name, button->icon()));
}

void FrmMain::updateStatusLine()
{
    const MediaEngine &engine = *m_engine;
    QString text;
    switch (engine.state()) {
    case MediaEngine::State::Idle:
        break;
    case MediaEngine::State::Playing:
        text = startup::PlayingStatusText(m_playingName, engine.streamTitle(), engine.statusText());
        break;
    default:
        text = engine.statusText();
        break;
    }
    // Beside what plays: the pause and how far behind live, the size of the stream recording
    // and the sleep timer's time left.
    QStringList extra;
    if (m_engine->timeShiftActive()) {
        if (m_engine->isPaused())
            extra << QStringLiteral("En pause");
        const double delay = m_engine->liveDelay();
        if (delay >= timeshift::LiveTolerance)
            extra << desktop::DelayText(delay);
    }
    if (FluxRecorder && FluxRecorder->IsRecording())
        extra << desktop::RecordSizeText(FluxRecorder->BytesWritten());
    if (Sleep && Sleep->IsActive())
        extra << desktop::SleepRemainingText(Sleep->RemainingMs(), Sleep->IsFading());
    if (!text.isEmpty() && !extra.isEmpty())
        extra.prepend(text);
    if (!extra.isEmpty())
        text = extra.join(QStringLiteral(" \u2014 "));
    StatusLine->setText(text);
    StatusLine->setToolTip(engine.state() == MediaEngine::State::Idle ? QString() : PlainTip(engine.address()));
}

FrmMain::~FrmMain()
{
    // A recording in progress keeps its file; nothing may reach the widgets being destroyed.
    disconnect(m_engine, nullptr, this, nullptr);
    if (FluxRecorder) {
        FluxRecorder->disconnect(this);
        FluxRecorder->Stop();
    }
    if (Keeper)
        Keeper->disconnect(this);
    if (Sleep) {
        Sleep->disconnect(this);
        Sleep->Cancel();
    }
    if (Topmost().main == this)
        Topmost().main = nullptr;
    // The child widgets are destroyed after this window's own members: a list losing the
    // focus (inline completion picks an entry) or the page ending its stream must not reach
    // this window's slots any more.
    for (QObject *sender : {static_cast<QObject *>(ComboRad), static_cast<QObject *>(ComboTV),
                            static_cast<QObject *>(WebBrowser1), static_cast<QObject *>(m_engine)})
        if (sender)
            sender->disconnect(this);
}

void FrmMain::buildMenus()
{
    auto action = [](QMenu *menu, const char *name, const QString &caption) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };

    Mnu_Fichier = menuBar()->addMenu(QStringLiteral("&Fichier"));
    Mnu_Fichier->setObjectName(QStringLiteral("Mnu_Fichier"));
    Mnu_Affichage = action(Mnu_Fichier, "Mnu_Affichage", QStringLiteral("Masquer"));
    Mnu_Fichier->addSeparator();
    Mnu_Options = action(Mnu_Fichier, "Mnu_Options", QStringLiteral("&Préférences..."));
    Mnu_Fichier->addSeparator();
    Mnu_Perso = Mnu_Fichier->addMenu(QStringLiteral("Radios Perso"));
    Mnu_Perso->setObjectName(QStringLiteral("Mnu_Perso"));
    Mnu_RadioPerso = action(Mnu_Perso, "Mnu_RadioPerso", QStringLiteral("Création"));
    Mnu_ModifRAdio = action(Mnu_Perso, "Mnu_ModifRAdio", QStringLiteral("Modification"));
    Mnu_Annuaire = action(Mnu_Perso, "Mnu_Annuaire", QStringLiteral("Rechercher..."));
    Mnu_AutresTVSmenu = Mnu_Fichier->addMenu(QStringLiteral("Autres TV..."));
    Mnu_AutresTVSmenu->setObjectName(QStringLiteral("Mnu_AutresTVSmenu"));
    Mnu_ModifAutresTV = action(Mnu_AutresTVSmenu, "Mnu_ModifAutresTV", QStringLiteral("Ajouter - Créer"));
    Mnu_Fichier->addSeparator();
    Mnu_EnregistreSon = action(Mnu_Fichier, "Mnu_EnregistreSon", QStringLiteral("Enregistrement..."));
    Mnu_EncodeMP3 = action(Mnu_Fichier, "Mnu_EncodeMP3", QStringLiteral("Encodeur Mp3"));
    Mnu_Titres = action(Mnu_Fichier, "Mnu_Titres", QStringLiteral("Titres écoutés..."));
    Mnu_Programmation = action(Mnu_Fichier, "Mnu_Programmation", QStringLiteral("Programmation..."));
    Mnu_Fichier->addSeparator();
    Mnu_Quitter = action(Mnu_Fichier, "Mnu_Quitter", QStringLiteral("&Quitter"));

    Mn_Mode = menuBar()->addMenu(QStringLiteral("&Mode"));
    Mn_Mode->setObjectName(QStringLiteral("Mn_Mode"));
    Mnu_RAdio = action(Mn_Mode, "Mnu_RAdio", QStringLiteral("Radio"));
    Mnu_RAdio->setCheckable(true);
    Mnu_RAdio->setChecked(true);
    Mnu_TV = action(Mn_Mode, "Mnu_TV", QStringLiteral("TV"));
    Mnu_TV->setCheckable(true);
    Mn_Mode->addSeparator();
    Mnu_Stop = action(Mn_Mode, "Mnu_Stop", QStringLiteral("&Stop"));
    Mn_Mode->addSeparator();
    Mnu_AutreTV = action(Mn_Mode, "Mnu_AutreTV", QStringLiteral("&Autres TV..."));

    Mnu_Favoris = menuBar()->addMenu(QStringLiteral("Favoris &Radio"));
    Mnu_Favoris->setObjectName(QStringLiteral("Mnu_Favoris"));
    Mnu_GestionFAV = action(Mnu_Favoris, "Mnu_GestionFAV", QStringLiteral("&Gérer les favoris..."));
    Mnu_Favoris->addSeparator();
    for (int i = 0; i < 20; ++i) {
        Mnu_Fav[i] = action(Mnu_Favoris, QStringLiteral("Mnu_Fav%1").arg(i).toLatin1().constData(),
                            QStringLiteral("FAV%1").arg(i));
        Mnu_Fav[i]->setVisible(false);
        connect(Mnu_Fav[i], &QAction::triggered, this, [this, i] { Mnu_Fav_Click(i); });
    }

    Mnu_HELP = menuBar()->addMenu(QStringLiteral("&?"));
    Mnu_HELP->setObjectName(QStringLiteral("Mnu_HELP"));
    Mnu_Apropos = action(Mnu_HELP, "Mnu_Apropos", QStringLiteral("&A propos"));
    Mnu_HELP->addSeparator();
    Mnu_AideEnLigne = action(Mnu_HELP, "Mnu_AideEnLigne", QStringLiteral("Aide en ligne - Mises à jour"));
    Mnu_Don = action(Mnu_HELP, "Mnu_Don", QStringLiteral("Faire un don..."));

    connect(Mnu_Affichage, &QAction::triggered, this, &FrmMain::Mnu_Affichage_Click);
    connect(Mnu_Options, &QAction::triggered, this, [this] { open(WindowKind::Options); });
    connect(Mnu_RadioPerso, &QAction::triggered, this, [this] { open(WindowKind::RadioPerso); });
    connect(Mnu_ModifRAdio, &QAction::triggered, this, [this] { open(WindowKind::ModifRadio); });
    connect(Mnu_Annuaire, &QAction::triggered, this, [this] { open(WindowKind::Annuaire); });
    connect(Mnu_ModifAutresTV, &QAction::triggered, this, [this] { open(WindowKind::AutresTVModif); });
    connect(Mnu_EnregistreSon, &QAction::triggered, this, [this] { open(WindowKind::Recording); });
    connect(Mnu_EncodeMP3, &QAction::triggered, this, [this] { open(WindowKind::Mp3Encoder); });
    connect(Mnu_Titres, &QAction::triggered, this, [this] { open(WindowKind::Titres); });
    connect(Mnu_Programmation, &QAction::triggered, this, [this] { open(WindowKind::Programmation); });
    connect(Mnu_Quitter, &QAction::triggered, this, &FrmMain::Shutdown);
    connect(Mnu_RAdio, &QAction::triggered, this, &FrmMain::Mnu_RAdio_Click);
    connect(Mnu_TV, &QAction::triggered, this, &FrmMain::Mnu_TV_Click);
    connect(Mnu_Stop, &QAction::triggered, this, &FrmMain::Command4_Click);
    connect(Mnu_AutreTV, &QAction::triggered, this, &FrmMain::Mnu_AutreTV_Click);
    connect(Mnu_GestionFAV, &QAction::triggered, this, [this] { open(WindowKind::Favourites); });
    connect(Mnu_Apropos, &QAction::triggered, this, [this] { open(WindowKind::About); });
    connect(Mnu_AideEnLigne, &QAction::triggered, this,
            [this] { openWebPage(QStringLiteral("/Tavilune/Index.htm")); });
    connect(Mnu_Don, &QAction::triggered, this, [this] { openWebPage(QStringLiteral("/Don/Don.htm")); });
}

void FrmMain::buildControls()
{
    auto *central = new QWidget(this);
    auto *v = new QVBoxLayout(central);
    v->setContentsMargins(4, 4, 4, 2);
    v->setSpacing(3);

    auto *top = new QHBoxLayout;
    auto makeCombo = [central](const char *name, const QString &placeholder) {
        auto *c = new QComboBox(central);
        c->setObjectName(QString::fromLatin1(name));
        c->setEditable(true);
        c->setInsertPolicy(QComboBox::NoInsert);
        c->setMaxVisibleItems(20);
        c->completer()->setCaseSensitivity(Qt::CaseInsensitive);
        c->completer()->setCompletionMode(QCompleter::InlineCompletion);
        c->setEditText(placeholder);
        c->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        // The window sets the width: no pass over thousands of station names to size the list.
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        c->setMinimumContentsLength(12);
        return c;
    };
    ComboRad = makeCombo("ComboRad", QStringLiteral("Sélectionner une radio"));
    ComboTV = makeCombo("ComboTV", QStringLiteral("Sélectionner une TV"));
    ComboTV->setVisible(false);
    top->addWidget(ComboRad);
    top->addWidget(ComboTV);

    Image1 = new QLabel(central);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(icons::RadioMode(28));
    setMode1Tip(QStringLiteral("Passe en mode TV"));
    Image1->setCursor(Qt::PointingHandCursor);
    Image1->setFocusPolicy(Qt::StrongFocus); // Space or Enter switches, as a click does
    Image1->installEventFilter(this);
    top->addWidget(Image1);
    v->addLayout(top);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    // The program's own pictures first; the desktop's icons replace them after the first frame
    // (applyThemeIcons).
    Command1 = ui::PictureButton(central, icons::Listen(), QStringLiteral("Ecouter la radio ou TV sélectionnée"), kButtons);
    Command2 = ui::PictureButton(central, icons::Volume(), QStringLiteral("Réglage du volume"), kButtons);
    Command3 = ui::PictureButton(central, icons::HideToTray(), QStringLiteral("Masquer dans la barre des tâches"), kButtons);
    Command4 = ui::PictureButton(central, icons::Stop(), QStringLiteral("Stop - Arrêt Radio ou TV"), kButtons);
    Command5 = ui::PictureButton(central, icons::Record(), QStringLiteral("Enregistrement"), kButtons);
    const char *names[] = {"Command1", "Command2", "Command3", "Command4", "Command5"};
    QToolButton *all[] = {Command1, Command2, Command3, Command4, Command5};
    for (int i = 0; i < 5; ++i) {
        all[i]->setObjectName(QString::fromLatin1(names[i]));
        buttons->addWidget(all[i]);
    }
    buttons->addStretch(1);
    v->addLayout(buttons);

    WebBrowser1 = new WebBrowser(m_engine, central);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setMinimumHeight(kPageMinHeight);
    // A TV page's picture: the window grows to hold it while it shows, and shrinks back after.
    connect(WebBrowser1, &WebBrowser::VideoAreaShown, this, [this](bool shown) {
        if (isMaximized() || isFullScreen())
            return;
        resize(width(), height() + (shown ? 1 : -1) * WebBrowser::VideoAreaHeight);
    });
    v->addWidget(WebBrowser1, 1);

    StatusLine = new QLabel(central);
    StatusLine->setObjectName(QStringLiteral("StatusLine"));
    StatusLine->setTextFormat(Qt::PlainText);
    StatusLine->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    v->addWidget(StatusLine);
    setCentralWidget(central);

    connect(Command1, &QToolButton::clicked, this, &FrmMain::Command1_Click);
    // The player is loaded on the first Listen; the pointer or the focus on Listen, or a station
    // taken from a list, starts loading it in the background so that Listen does not wait.
    Command1->installEventFilter(this);
    for (QComboBox *combo : {ComboRad, ComboTV})
        connect(combo, &QComboBox::activated, this, [] { MediaEngine::PreloadPlayer(); });
    connect(Command2, &QToolButton::clicked, this, &FrmMain::Command2_Click);
    connect(Command3, &QToolButton::clicked, this, &FrmMain::Command3_Click);
    connect(Command4, &QToolButton::clicked, this, &FrmMain::Command4_Click);
    connect(Command5, &QToolButton::clicked, this, [this] { open(WindowKind::Recording); });

    // Click, text change, scroll and key press all give the hidden list the same position.
    connect(ComboRad, &QComboBox::activated, this, &FrmMain::ComboRad_Select);
    connect(ComboRad, &QComboBox::currentIndexChanged, this, &FrmMain::ComboRad_Select);
    connect(ComboRad, &QComboBox::editTextChanged, this, &FrmMain::ComboRad_Select);
    connect(ComboTV, &QComboBox::activated, this, &FrmMain::ComboTV_Select);
    connect(ComboTV, &QComboBox::currentIndexChanged, this, &FrmMain::ComboTV_Select);
    connect(ComboTV, &QComboBox::editTextChanged, this, &FrmMain::ComboTV_Select);

    connect(WebBrowser1, &WebBrowser::BeforeNavigate2, this, &FrmMain::onBeforeNavigate);
    connect(WebBrowser1, &WebBrowser::NavigateError, this,
            [](const QString &, int, bool &cancel) { cancel = true; });
}

bool FrmMain::Form_Load()
{
    // 2. Window size (twips): the width as always; tall enough for a station page and the
    // status line under it.
    resize(TwipsToPixels(kMainWidthTwips), TwipsToPixels(kMainHeightTwips));
    // 3-4. Refresh period and station folders.
    startup::ReadFolderSettings();
    // A damaged settings file was set aside as it was first read: the user hears of it once.
    if (const QString notice = settings::TakeFileNotice(); !notice.isEmpty())
        Prompts().Message(this, startup::kAppTitle, notice, UiPrompts::Icon::Exclamation);
    // 5. First run: configure the folders, unpack them if needed, and end.
    const bool firstRun = startup::HandleFirstRun(
        [this] {
            QMessageBox box(QMessageBox::Information, startup::kFirstRunTitle,
                            startup::FirstRunText().replace(QChar(13), QChar(10)), QMessageBox::Ok, this);
            box.exec();
        },
        [](const QString &archive) {
            QProcess::startDetached(archive, {}, ProgramFolder());
        });
    if (firstRun)
        return false;
    // 6. Recordings folder.
    startup::PrepareRecordingsFolder();
    // 7. Saved position.
    if (const auto pos = startup::SavedPosition())
        move(static_cast<int>(pos->left / kTwipsPerPixel), static_cast<int>(pos->top / kTwipsPerPixel));
    // 9. Idle page.
    navigateIntro();
    // 8, 10-11. Tray icon (hidden until the window is) and station lists (nothing in them
    // shows before a list is opened); done with the screen saver below, or after the first
    // frame when asked.
    m_listsPending = m_listsAfterPaint && !isVisible();
    // 12-15. Preferences.
    const int ecoEcran = startup::ReadFlags();
    ApplyTopmost();
    if (G().derRadio == 1) {
        G().nomDerRadio = settings::GetSetting(QStringLiteral("NomDerRadio"), QString());
        ComboRad->setEditText(G().nomDerRadio);
        Text1 = startup::LastStationPath(G().nomDerRadio);
    }
    setWindowTitle(TitleText());
    m_screenSaverOn = ecoEcran != 1;
    if (!m_listsPending)
        finishStartUp();
    // 16. Favourites.
    ListFav = startup::ReadFavourites();
    return true;
}

void FrmMain::fillLists()
{
    const auto fill = [](QComboBox *combo, QStringList &files, const QString &folder) {
        const QString text = combo->currentText();
        const QSignalBlocker block(combo);
        combo->clear();
        files.clear();
        QStringList names;
        for (const StationEntry &e : ListStations(WithBackslash(folder))) {
            files.append(e.fileName);
            names.append(e.displayName);
        }
        combo->addItems(names); // one insertion: long lists fill at once
        combo->setCurrentIndex(-1);
        combo->setEditText(text);
    };
    fill(ComboRad, Combo1, G().radioFolder);
    fill(ComboTV, Combo2, G().tvFolder);
}

void FrmMain::navigateIntro() { WebBrowser1->Navigate(IntroPagePath()); }

bool FrmMain::RadioMode() const { return Mnu_RAdio->isChecked(); }

QString FrmMain::TitleText() const
{
    return startup::TitleFor(G().nomRadio == 1, RadioMode(), ComboRad->currentText(), ComboTV->currentText());
}

namespace {
// The entry of a list that the typed text names: the current entry when its text matches, else
// the first entry equal to the text ignoring case, else none (-1).
int selectedEntry(const QComboBox *combo)
{
    const QString text = combo->currentText();
    const int cur = combo->currentIndex();
    if (cur >= 0 && combo->itemText(cur) == text)
        return cur;
    return combo->findText(text, Qt::MatchFixedString);
}
int namedEntry(const QComboBox *combo) { return selectedEntry(combo); }
} // namespace

void FrmMain::ComboRad_Select()
{
    const int i = selectedEntry(ComboRad);
    if (i >= 0 && i < Combo1.size())
        Text1 = WithBackslash(G().radioFolder) + Combo1[i];
    // A text that names no entry leaves the current station path as it was.
}

void FrmMain::ComboTV_Select()
{
    const int i = selectedEntry(ComboTV);
    if (i >= 0 && i < Combo2.size())
        Text1 = WithBackslash(G().tvFolder) + Combo2[i];
}

void FrmMain::Command1_Click()
{
    // The player's libraries load while the station's page is read (a Listen from the keyboard
    // or the desktop's media controls comes without the pointer on the button).
    MediaEngine::PreloadPlayer();
    m_playingName = RadioMode() ? ComboRad->currentText() : ComboTV->currentText();
    Ecoute->Listening(m_playingName, RadioMode(), true);
    applyTimeShift(RadioMode());
    WebBrowser1->Navigate(Text1);
    setWindowTitle(TitleText());
}

void FrmMain::ListenPage(const QString &page)
{
    Text1 = page;
    m_playingName = QFileInfo(page).completeBaseName();
    const bool radio = !G().radioFolder.isEmpty() &&
                       QFileInfo(QFileInfo(page).absolutePath()) == QFileInfo(G().radioFolder);
    Ecoute->Listening(m_playingName, radio, false);
    applyTimeShift(radio);
    WebBrowser1->Navigate(Text1);
    setWindowTitle(TitleText());
}

void FrmMain::ListenLink(const QString &address, const QString &name)
{
    Command4_Click();
    m_playingName = name;
    Ecoute->Listening(name, false, false);
    m_engine->play(address);
    setWindowTitle(TitleText());
}

void FrmMain::Command4_Click()
{
    WebBrowser1->Stop();
    navigateIntro();
}

void FrmMain::Command2_Click()
{
    if (!mixer::StartMixer())
        QMessageBox::warning(this, mixer::kMixerTitle, mixer::MixerMissingText());
}

void FrmMain::Command3_Click()
{
    if (TaskBarIcon)
        TaskBarIcon->SetToolTipText(TitleText());
    updateTrayTip();
    Mnu_Affichage_Click();
}

void FrmMain::Mnu_Affichage_Click()
{
    if (TaskBarIcon && TaskBarIcon->IsShowed())
        Affiche_Fenetre();
    else
        Masque_Fenetre();
}

void FrmMain::Masque_Fenetre()
{
    if (!TaskBarIcon || !nimbrel::TaskBarIcon::TrayAvailable()) {
        // No notification area on this desktop: a hidden window could not be brought back.
        showMinimized();
        return;
    }
    Mnu_Affichage->setText(QStringLiteral("Afficher"));
    TaskBarIcon->Show();
    hide();
}

void FrmMain::Affiche_Fenetre()
{
    Mnu_Affichage->setText(QStringLiteral("Masquer"));
    if (TaskBarIcon)
        TaskBarIcon->Hide();
    showNormal();
    raise();
    activateWindow();
}

void FrmMain::Mnu_RAdio_Click()
{
    Mnu_TV->setChecked(false);
    Mnu_RAdio->setChecked(true);
    Image1->setPixmap(icons::RadioMode(28));
    setMode1Tip(QStringLiteral("Passer en mode TV"));
    Mnu_Favoris->menuAction()->setVisible(true);
    ComboTV->setVisible(false);
    ComboRad->setVisible(true);
    WebBrowser1->setShowsVideo(false);
}

void FrmMain::Mnu_TV_Click()
{
    Mnu_TV->setChecked(true);
    Mnu_RAdio->setChecked(false);
    Image1->setPixmap(icons::TvMode(28));
    setMode1Tip(QStringLiteral("Passer en mode Radio"));
    Mnu_Favoris->menuAction()->setVisible(false);
    ComboTV->setVisible(true);
    ComboRad->setVisible(false);
    WebBrowser1->setShowsVideo(true);
}

void FrmMain::setMode1Tip(const QString &tip)
{
    Image1->setToolTip(tip);
    Image1->setAccessibleName(tip);
}

void FrmMain::Image1_Click()
{
    if (RadioMode())
        Mnu_TV_Click();
    else
        Mnu_RAdio_Click();
}

void FrmMain::Mnu_AutreTV_Click()
{
    Mnu_Favoris->menuAction()->setVisible(false);
    WebBrowser1->Stop();
    navigateIntro();
    open(WindowKind::TvPlayer); // placed at top 100, left 100
}

void FrmMain::onBeforeNavigate(const QString &url, bool &cancel)
{
    QString address;
    if (!stations::InfoLinkAddress(url, &address))
        return;
    cancel = true;
    OpenNowPlaying(false, QStringLiteral("Information titre en cours : ") + ComboRad->currentText(), address);
}

void FrmMain::SetWindowHub(WindowHub *hub)
{
    if (m_hub)
        disconnect(m_hub, nullptr, this, nullptr);
    m_hub = hub;
    if (m_hub)
        connect(m_hub, &WindowHub::Registered, this, &FrmMain::updateTriggers);
    updateTriggers();
}

WindowHub *FrmMain::Hub() const { return m_hub; }

void FrmMain::updateTriggers()
{
    const auto can = [this](WindowKind k) { return m_hub && m_hub->IsRegistered(k); };
    Mnu_Options->setEnabled(can(WindowKind::Options));
    Mnu_RadioPerso->setEnabled(can(WindowKind::RadioPerso));
    Mnu_ModifRAdio->setEnabled(can(WindowKind::ModifRadio));
    Mnu_Annuaire->setEnabled(can(WindowKind::Annuaire));
    Mnu_ModifAutresTV->setEnabled(can(WindowKind::AutresTVModif));
    Mnu_EnregistreSon->setEnabled(can(WindowKind::Recording));
    Command5->setEnabled(can(WindowKind::Recording));
    Mnu_EncodeMP3->setEnabled(can(WindowKind::Mp3Encoder));
    Mnu_Titres->setEnabled(can(WindowKind::Titres));
    Mnu_Programmation->setEnabled(can(WindowKind::Programmation));
    Mnu_AutreTV->setEnabled(can(WindowKind::TvPlayer));
    Mnu_GestionFAV->setEnabled(can(WindowKind::Favourites));
    Mnu_Apropos->setEnabled(can(WindowKind::About));
}

void FrmMain::open(WindowKind which)
{
    if (m_hub)
        m_hub->Open(which);
}

void FrmMain::StopMainPage() { Command4_Click(); }

void FrmMain::OpenNowPlaying(bool modal, const QString &caption, const QString &address)
{
    // The now-playing window reads the address at each refresh.
    G().infoAddress = address;
    if (!m_hub)
        return;
    if (QWidget *w = m_hub->Window(WindowKind::NowPlaying)) {
        w->setWindowTitle(caption);
        m_hub->Open(WindowKind::NowPlaying, modal);
    }
}

QRect FrmMain::MainGeometryTwips() const
{
    const QRect f = frameGeometry();
    return {static_cast<int>(PixelsToTwips(f.left())), static_cast<int>(PixelsToTwips(f.top())),
            static_cast<int>(PixelsToTwips(f.width())), static_cast<int>(PixelsToTwips(f.height()))};
}

void FrmMain::RefreshStationLists()
{
    const QString path = Text1;
    fillLists();
    Text1 = path;
}

void FrmMain::openWebPage(const QString &path) { QDesktopServices::openUrl(QUrl(about::kMakerSite + path)); }

void FrmMain::Shutdown()
{
    if (m_shuttingDown)
        return;
    m_shuttingDown = true;
    const QPoint p = pos();
    startup::SaveOnShutdown(ComboRad->currentText(), static_cast<long>(p.y()) * kTwipsPerPixel,
                            static_cast<long>(p.x()) * kTwipsPerPixel,
                            !QGuiApplication::platformName().startsWith(QLatin1String("wayland")));
    WebBrowser1->Stop();
    if (TaskBarIcon)
        TaskBarIcon->Hide();
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

void FrmMain::closeEvent(QCloseEvent *e)
{
    if (!m_shuttingDown) {
        Masque_Fenetre();
        Shutdown();
    }
    e->accept();
}

void FrmMain::changeEvent(QEvent *e)
{
    if (e->type() == QEvent::ActivationChange && isActiveWindow()) {
        if (FileExists(favourites::FilePath()))
            Ajout_Menu();
        Mnu_Favoris->menuAction()->setVisible(RadioMode());
    }
    QMainWindow::changeEvent(e);
}

void FrmMain::paintEvent(QPaintEvent *e)
{
    QMainWindow::paintEvent(e);
    // The first frame is on its way to the screen: the lists are filled from the event loop.
    if (m_listsPending)
        QTimer::singleShot(0, this, [this] {
            if (m_listsPending)
                finishStartUp();
        });
}

bool FrmMain::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == Command1 && (e->type() == QEvent::Enter || e->type() == QEvent::FocusIn))
        MediaEngine::PreloadPlayer();
    if (watched == Image1 && e->type() == QEvent::MouseButtonRelease) {
        Image1_Click();
        return true;
    }
    if (watched == Image1 && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(e)->key();
        if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Select) {
            Image1_Click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

void FrmMain::Ajout_Menu()
{
    // The entry keeps its line as data; the caption shows it with '&' doubled so that it reads
    // as written instead of marking a shortcut.
    favourites::Menu menu;
    for (int i = 0; i < favourites::kMenuEntries; ++i) {
        const QVariant line = Mnu_Fav[i]->data();
        menu[i] = {line.isValid() ? line.toString() : Mnu_Fav[i]->text(), Mnu_Fav[i]->isVisible()};
    }
    favourites::RebuildMenu(ListFav, menu);
    for (int i = 0; i < favourites::kMenuEntries; ++i) {
        Mnu_Fav[i]->setData(menu[i].caption);
        Mnu_Fav[i]->setText(QString(menu[i].caption).replace(QLatin1Char('&'), QStringLiteral("&&")));
        Mnu_Fav[i]->setVisible(menu[i].visible);
    }
}

void FrmMain::Mnu_Fav_Click(int index)
{
    if (index < 0 || index >= favourites::kMenuEntries)
        return;
    MediaEngine::PreloadPlayer();
    const QVariant line = Mnu_Fav[index]->data();
    const QString caption = line.isValid() ? line.toString() : Mnu_Fav[index]->text();
    ComboRad->setEditText(caption);
    // The page is looked up in the radio folder the lists and the manager show, whatever the
    // letter case of its name. Nothing plays until Listen.
    Text1 = favourites::PagePath(G().radioFolder, caption);
}

void FrmMain::RefillStationList(bool radio, const QString &folder)
{
    QComboBox *combo = radio ? ComboRad : ComboTV;
    QStringList &files = radio ? Combo1 : Combo2;
    const QSignalBlocker block(combo);
    combo->clear();
    files.clear();
    QStringList names;
    for (const StationEntry &e : ListStations(WithBackslash(folder), false)) {
        files.append(e.fileName);
        names.append(e.displayName);
    }
    combo->addItems(names);
    combo->setCurrentIndex(-1);
    combo->setEditText(radio ? QStringLiteral("Selectionner une radio") : QStringLiteral("Selectionner une TV"));
}
