#pragma once
// The preferences window: the six flags, starting with the session, the two station folders.
// Saving and closing follow Options.h; what they change in the main window goes through
// OptionsLink.
#include <QDialog>
#include <functional>

class ListeningPrefs;
class QCheckBox;
class QComboBox;
class QLabel;
class QGroupBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QToolButton;

// What the preferences reach in the main window.
struct OptionsLink {
    // Empty the radio / TV list and fill it again from the folder.
    std::function<void(const QString &folder)> refillRadio;
    std::function<void(const QString &folder)> refillTv;
    // Set the main window's title from the current flags.
    std::function<void()> updateTitle;
    // The output device and the even loudness (none: their controls are disabled).
    ListeningPrefs *listening = nullptr;
};

class FrmOptions : public QDialog {
    Q_OBJECT
public:
    explicit FrmOptions(OptionsLink link, QWidget *parent = nullptr);

    // Opening: the boxes and folders from the settings, the autostart box from the entry (an
    // existing entry is written again for the program as it runs now). Runs each time the
    // window is shown.
    void Form_Load();

    void Command1_Click();       // browse for the radio folder
    void Command4_Click();       // browse for the TV folder
    void chkStartOnWin_Click();  // write or remove the autostart entry
    void Command2_Click();       // save
    void Command3_Click();       // close
    void cboSortie_Change();     // the output chosen
    void chkVolumeEgal_Change(); // even loudness on or off

    QCheckBox *Check[6] = {};    // Check1 .. Check6
    QCheckBox *chkStartOnWin = nullptr;
    QCheckBox *chkNotifTitre = nullptr; // a desktop notification at each new stream title
    // "Sortie audio :" and "Égaliser le volume des stations", applied at once.
    QLabel *lblSortie = nullptr;
    QComboBox *cboSortie = nullptr;
    QCheckBox *chkVolumeEgal = nullptr;
    QCheckBox *chkFichierTitre = nullptr; // stream recordings: one file per title
    // Live pause and rewind: the minutes kept ("DureeDiffere", 0 = off) and the minutes "Garder"
    // writes ("DureeGarder"), each with its label.
    QSpinBox *txtDiffere = nullptr, *txtGarder = nullptr;
    QLabel *lblDiffere = nullptr, *lblGarder = nullptr;
    QGroupBox *Frame1 = nullptr; // "Dossier radios : (Fichiers HTM) "
    QGroupBox *Frame2 = nullptr; // "Dossier TV : (Fichiers HTM) "
    QLineEdit *Text1 = nullptr;  // radio folder
    QLineEdit *Text2 = nullptr;  // TV folder
    QToolButton *Command1 = nullptr, *Command4 = nullptr, *Command2 = nullptr, *Command3 = nullptr;

    // The program file the autostart entry starts (tests point it elsewhere).
    QString programPath;

protected:
    void showEvent(QShowEvent *e) override;

private:
    OptionsLink m_link;
    QString m_previousRadio;
    QString m_previousTv;
    bool m_loading = false; // Form_Load is setting the boxes
};
