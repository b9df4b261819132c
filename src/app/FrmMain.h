#pragma once
// The main window: start-up and shutdown, the radio and TV lists, the page view that plays the
// chosen station page, the mode switch, the tray icon and the menus that open every other window.
// The window-free steps live in Startup.h, Paths.h, StationList.h.
#include "ui/MainLink.h"
#include "WindowRules.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QToolButton;
class MediaEngine;
class ListeningPrefs;
class SleepTimer;
class StreamRecorder;
class LastMinutesKeeper;
class WebBrowser;
class WindowHub;
namespace nimbrel {
class TaskBarIcon;
}

class FrmMain : public QMainWindow, public MainLink {
    Q_OBJECT
public:
    // engine: the program's media engine, which plays the main page (not owned); without one the
    // window makes its own.
    explicit FrmMain(MediaEngine *engine = nullptr, QWidget *parent = nullptr);
    ~FrmMain() override;

    // Start-up after the single-instance check. False on a first run: the program must end
    // without showing the window.
    bool Form_Load();
    // With on, Form_Load leaves the station lists empty, the tray icon unmade and the screen
    // saver as it is until the window's first frame has been drawn, and does them right after:
    // a long list or a slow session bus does not hold back the first paint. The program asks
    // for it; by default Form_Load does them itself.
    void SetListsFilledAfterFirstPaint(bool on) { m_listsAfterPaint = on; }
    bool ListsPending() const { return m_listsPending; }
    // A further start-up step for that same moment (at once if it has passed).
    void AfterStartUp(std::function<void()> step);

    // Hide to / show from the notification area.
    void Masque_Fenetre();
    void Affiche_Fenetre();
    // Shutdown: saves the last station and the position, then ends the program.
    void Shutdown();

    // The hub that creates and opens the other windows. A menu entry or button whose window the
    // hub cannot make is disabled.
    void SetWindowHub(WindowHub *hub);
    WindowHub *Hub() const;

    // MainLink: what the other windows may ask of this one.
    void StopMainPage() override;
    void OpenNowPlaying(bool modal, const QString &caption, const QString &address) override;
    QRect MainGeometryTwips() const override;
    void RefreshStationLists() override;
    QWidget *MainWindow() override { return this; }

    // Controls reached by the other windows and the tests.
    QComboBox *ComboRad = nullptr;   // radio display names
    QComboBox *ComboTV = nullptr;    // TV display names
    QStringList Combo1;              // radio file names, parallel to ComboRad
    QStringList Combo2;              // TV file names, parallel to ComboTV
    QString Text1;                   // current station path
    QStringList ListFav;             // favourites file lines
    WebBrowser *WebBrowser1 = nullptr;
    QLabel *Image1 = nullptr;        // mode switch picture
    QToolButton *Command1 = nullptr; // Listen
    QToolButton *Command2 = nullptr; // volume
    QToolButton *Command3 = nullptr; // hide to tray
    QToolButton *Command4 = nullptr; // stop
    QToolButton *Command5 = nullptr; // recording
    QLabel *StatusLine = nullptr;    // what is playing, under the page
    nimbrel::TaskBarIcon *TaskBarIcon = nullptr;

    QMenu *Mnu_Fichier = nullptr;
    QMenu *Mn_Mode = nullptr;
    QMenu *Mnu_Favoris = nullptr;
    QMenu *Mnu_HELP = nullptr;
    QMenu *Mnu_Perso = nullptr;
    QMenu *Mnu_AutresTVSmenu = nullptr;
    QAction *Mnu_Affichage = nullptr, *Mnu_Options = nullptr, *Mnu_RadioPerso = nullptr,
            *Mnu_ModifRAdio = nullptr, *Mnu_ModifAutresTV = nullptr, *Mnu_EnregistreSon = nullptr,
            *Mnu_EncodeMP3 = nullptr, *Mnu_Titres = nullptr, *Mnu_Programmation = nullptr, *Mnu_Quitter = nullptr, *Mnu_RAdio = nullptr, *Mnu_TV = nullptr,
            *Mnu_Stop = nullptr, *Mnu_AutreTV = nullptr, *Mnu_GestionFAV = nullptr,
            *Mnu_Apropos = nullptr, *Mnu_AideEnLigne = nullptr, *Mnu_Don = nullptr;
    QAction *Mnu_Fav[20] = {};
    QAction *Mnu_Annuaire = nullptr;
    // Mode menu: recording the stream as it arrives, and the sleep timer (Désactivé, 15, 30, 60,
    // 90 minutes).
    QAction *Mnu_EnregistreFlux = nullptr;
    QMenu *Mnu_ArretProgramme = nullptr;
    QAction *Mnu_Arret[5] = {};
    static constexpr int kSleepMinutes[5] = {0, 15, 30, 60, 90};
    StreamRecorder *FluxRecorder = nullptr;
    SleepTimer *Sleep = nullptr;
    // The output device, the even loudness of radios and the volume kept per station.
    ListeningPrefs *Ecoute = nullptr;
    // Live pause and rewind (Mode menu; "Pause" also in the Fichier menu, the tray's): pause,
    // 30 s back and forward, back to live, and keeping the last minutes.
    QAction *Mnu_Pause = nullptr, *Mnu_Reculer = nullptr, *Mnu_Avancer = nullptr, *Mnu_Direct = nullptr,
            *Mnu_Garder = nullptr;
    LastMinutesKeeper *Keeper = nullptr;

    bool RadioMode() const;

    // Operations of the window (also reached from the menus and buttons).
    void Command1_Click();   // Listen
    // Listen to a station or TV page named by its path (a planned event), under its file's name.
    void ListenPage(const QString &page);
    // Plays an address (a planned event's programme link) under name, without a page.
    void ListenLink(const QString &address, const QString &name);
    void Command2_Click();   // volume control
    void Command3_Click();   // hide button
    void Command4_Click();   // stop
    void Mnu_Affichage_Click();
    void Mnu_RAdio_Click();
    void Mnu_TV_Click();
    void Image1_Click();
    void Mnu_AutreTV_Click();
    void ComboRad_Select();  // click, text change, scroll or key press in the radio list
    void ComboTV_Select();
    QString TitleText() const;

    // Favourites: the menu entries rebuilt from ListFav, and the choice of entry index.
    void Ajout_Menu();
    void Mnu_Fav_Click(int index);
    // Empties the radio (or TV) list and its file list and fills them again from the folder,
    // pop-up pages included; the list then reads "Selectionner une radio" / "Selectionner une TV".
    void RefillStationList(bool radio, const QString &folder);

    // "Enregistrer le flux": starts recording the radio that plays into the recordings folder,
    // or stops the recording.
    void Mnu_EnregistreFlux_Click();
    // Live pause and rewind: pause or resume the radio that plays, step seconds within what is
    // kept, go back to live, keep the last minutes ("DureeGarder") in the recordings folder.
    void Mnu_Pause_Click();
    void StepBuffer(double seconds);
    void Mnu_Direct_Click();
    void Mnu_Garder_Click();
    // "Arrêt programmé": minutes 0 turns the sleep timer off.
    void Mnu_ArretProgramme_Click(int minutes);
    // The station step places away in the current list (going round), selected and listened to.
    void ListenStep(int step);
    bool CanListenStep() const;
    // The station that plays (as the list named it at Listen) and its page's logo file; empty
    // texts when nothing plays.
    QString PlayingStation() const;
    QString PlayingLogo() const;

protected:
    void closeEvent(QCloseEvent *e) override;
    void changeEvent(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void paintEvent(QPaintEvent *e) override;

private:
    void buildMenus();
    void buildControls();
    void fillLists();
    void navigateIntro();
    void onBeforeNavigate(const QString &url, bool &cancel);
    void open(WindowKind which);
    void updateTriggers();
    void setMode1Tip(const QString &tip);
    void openWebPage(const QString &path);
    void updateStatusLine();
    void buildDesktopMenus();
    void updateDesktopTriggers();
    void updateTimeShiftMenus();
    void applyTimeShift(bool radio); // the live buffer for the next Listen
    void updateTrayTip();
    void makeTrayIcon();
    void finishStartUp(); // the start-up steps that may wait for the first frame
    void applyThemeIcons();

    QPointer<WindowHub> m_hub;
    MediaEngine *m_engine = nullptr;
    QString m_playingName; // the list text at the last Listen: the station the status line names
    bool m_shuttingDown = false;
    bool m_listsAfterPaint = false;
    bool m_listsPending = false; // finishStartUp() waits for the first frame
    bool m_startedUp = false;    // finishStartUp() has run
    std::vector<std::function<void()>> m_startUpSteps;
    bool m_screenSaverOn = true;
};

// Program folder helpers used by FrmMain and the tests.
QString IntroPagePath();
