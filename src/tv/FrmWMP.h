#pragma once
// The TV player window "Autres chaînes ou émissions": the built-in programmes of the catalogue
// (national, regional, local, on a chosen date), the channels of a TV list file, or an address
// typed in, played in the window's own player with the picture. The rules live in
// TvPlayerState.h, TvLinks.h and TvList.h.
#include "TvLinks.h"
#include "TvList.h"
#include "TvPlayerState.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class MainLink;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class TvPlayer;

class FrmWMP : public QWidget {
    Q_OBJECT
public:
    // main: the main window, stopped before anything plays (one stream at a time); may be
    // null (tests).
    explicit FrmWMP(MainLink *main = nullptr, QWidget *parent = nullptr);
    ~FrmWMP() override;

    // Loading: the default TV list, the selector line, today's date.
    void Form_Load();

    // Operations of the window.
    void Check_Click(tvplayer::Source source); // after the box's state changed
    void Go_Click();
    void Command1_Click();
    void OvrLst_Click();
    // "Programmer l'enregistrement": hands the chosen dated programme (its name, its link and its
    // broadcast date) to the scheduler given here; the button shows with the date fields, and
    // only when a scheduler is given.
    using Scheduler = std::function<void(const QString &name, const QString &link, const QDate &date)>;
    void SetScheduler(Scheduler scheduler);
    void cmdProgrammer_Click();

    // The rules' view of the window.
    tvplayer::SourceBoxes Boxes() const { return m_boxes; }
    tvplayer::Visibility Shown() const { return m_shown; }
    const TvList &List() const { return m_list; }
    tvlinks::DateFields Date() const;
    void SetHosts(const tvlinks::ServerHosts &hosts) { m_hosts = hosts; }
    void SetFullScreen(bool on);

    QCheckBox *Check1 = nullptr, *Check2 = nullptr, *Check3 = nullptr, *Check4 = nullptr;
    QComboBox *AutresChaines = nullptr, *ComboFR3Region = nullptr, *ComboM6LOcal = nullptr,
              *AutresTV = nullptr;
    // The hidden channel names and addresses of the loaded list are List().
    QGroupBox *Frame1 = nullptr, *Frame2 = nullptr;
    QRadioButton *Option1 = nullptr, *Option2 = nullptr;
    QToolButton *OvrLst = nullptr, *Go = nullptr, *Command1 = nullptr;
    QPushButton *cmdProgrammer = nullptr;
    QLineEdit *TJ = nullptr, *TM = nullptr, *TA = nullptr, *Text1 = nullptr;
    QLabel *Label4 = nullptr, *LabelURL = nullptr;
    QList<QLabel *> Slashes;
    TvPlayer *WMP = nullptr;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void applyVisibility(const tvplayer::Visibility &v);
    void showBoxes(); // the boxes as m_boxes says, without running their rule
    void fillList(const TvList &list);
    void relayout();
    void playBuiltIn(tvplayer::Source source);
    // The link and caption of the chosen built-in programme (an empty link when none is chosen).
    void builtIn(tvplayer::Source source, QString &link, QString &caption) const;
    void play(const QString &address);
    static QString comboText(const QComboBox *combo);

    MainLink *m_main = nullptr;
    tvlinks::ServerHosts m_hosts;
    Scheduler m_scheduler;
    TvList m_list;
    tvplayer::SourceBoxes m_boxes;
    tvplayer::Visibility m_shown;
    bool m_fullScreen = false;
    bool m_settingBoxes = false; // showBoxes() is setting the boxes
    bool m_wasMaximized = false;
    bool m_loaded = false; // Form_Load ran since the last close
};
