#pragma once
// The TV list editor "Création - Suppression": creates lists, adds, edits, reorders, tests and
// deletes channels and saves the list. The rules (button states, the list, the file) live in
// TvListEditor; this window asks the questions, shows the messages and plays the tests.
#include "TvListEditor.h"

#include <QDialog>

class MainLink;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QToolButton;
class TvPlayer;

class FrmAutresTVModif : public QDialog {
    Q_OBJECT
public:
    // main: the main window, stopped before anything plays (one stream at a time); may be
    // null (tests).
    explicit FrmAutresTVModif(MainLink *main = nullptr, QWidget *parent = nullptr);
    ~FrmAutresTVModif() override;

    void Form_Load();

    // Operations of the window.
    void Command11_Click(); // "Nouveau"
    void OvrLst_Click();
    void Command7_Click();  // "Enregistrer"
    void Command2_Click();  // "Ajouter"
    void Command4_Click();  // "Appliquer..."
    void Command5_Click();  // "Editer"
    void Command8_Click();  // apply the modification
    void Command3_Click();  // "Supprimer"
    void Command9_Click();  // up
    void Command10_Click(); // down
    void Command6_Click();  // "Tester" / "STOP"
    void Command12_Click(); // help
    void Command1_Click();  // "Fermer"

    const TvListEditor &Editor() const { return m_editor; }
    // The help text.
    static QString HelpText();

    QListWidget *ListNomTV = nullptr;
    QLineEdit *Text1 = nullptr, *Text2 = nullptr;
    QLabel *LabelList = nullptr, *Label1 = nullptr, *Label2 = nullptr;
    QPushButton *Command11 = nullptr, *Command7 = nullptr, *Command2 = nullptr, *Command4 = nullptr,
                *Command5 = nullptr, *Command3 = nullptr, *Command6 = nullptr, *Command12 = nullptr,
                *Command1 = nullptr;
    QToolButton *OvrLst = nullptr, *Command8 = nullptr, *Command9 = nullptr, *Command10 = nullptr;
    TvPlayer *WMP = nullptr;

protected:
    void showEvent(QShowEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void refreshList(int select);
    void applyButtons();
    void endTest();
    void setFullScreen(bool on);

    MainLink *m_main = nullptr;
    TvListEditor m_editor;
    bool m_loaded = false;
};
