#pragma once
// The station page generator window ("Création de radio perso"): a form whose fields build a
// station page into an editable text box, a save into the radio folder and a preview of the saved
// page in the window's own page view. Opened modally; every opening starts from a blank form.
// The page text and the file rules live in StationPage.h and PageFiles.h.
#include "PageWindowState.h"

#include "PagePreviewDialog.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;
class QToolButton;

class FrmRadPerso : public PagePreviewDialog {
    Q_OBJECT
public:
    // main: stopped before a preview plays, asked for the now-playing window, and told to read
    // the station folders again when this window closes. The preview plays with an engine of
    // this window's own.
    explicit FrmRadPerso(MainLink &main, QWidget *parent = nullptr);
    ~FrmRadPerso() override;

    // The state of a fresh opening: blank fields, the logo folder listed.
    void Form_Load() override;

    // Operations of the buttons (also reached by the tests).
    void Command2_Click();    // "Générer le fichier HTML"
    void Command5_Click();    // "Enregistrer"
    void Command3_Click();    // "Tester le fichier"
    void Command1_Click();    // "STOP"
    void Command4_Click();    // "Fermer"
    void CommandLogo_Click(); // "Appliquer le logo"
    void Command6_Click();    // re-read the logo folder
    void FileLogo_Click();    // preview of the logo file selected

    // The logo folder: the "logo" subfolder of the radio folder.
    QString LogoFolder() const;
    const stations::GeneratorState &State() const { return m_state; }

    QGroupBox *Frame1 = nullptr;
    QLineEdit *TextNom = nullptr, *TextLienRadio = nullptr, *TextTitre = nullptr, *TextSite = nullptr,
              *TextLogo = nullptr, *TextDescript = nullptr, *TextInfoRad = nullptr;
    QCheckBox *CheckSite = nullptr, *CheckLogo = nullptr, *CheckDescript = nullptr, *CheckInfoRad = nullptr;
    QListWidget *FileLogo = nullptr;
    QLabel *Image1 = nullptr;
    QPushButton *CommandLogo = nullptr;
    QToolButton *Command6 = nullptr;
    QRadioButton *Option1 = nullptr, *Option2 = nullptr;
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr, *Command4 = nullptr,
                *Command5 = nullptr;

protected:
    QString PreviewPageName() const override;

private:
    void applyState();
    QString pagePath(bool *ok) const;

    stations::GeneratorState m_state;
};
