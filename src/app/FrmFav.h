#pragma once
// The favourites manager: the stations of the radio folder on the left, the favourites being
// edited on the right, the buttons between them. Its only output is the favourites file; the
// editing rules live in Favourites.h.
#include "Favourites.h"

#include <QDialog>

class QGroupBox;
class QLabel;
class QListWidget;
class QToolButton;

class FrmFav : public QDialog {
    Q_OBJECT
public:
    explicit FrmFav(QWidget *parent = nullptr);

    // Opening: fills both lists (the stations of the radio folder, the favourites file) and the
    // count; the buttons take their creation state. Runs each time the window is shown.
    void Form_Load();

    void Command1_Click(); // add the selected station
    void Command2_Click(); // remove the selected favourite
    void Command5_Click(); // clear
    void Command6_Click(); // move up
    void Command7_Click(); // move down
    void Command3_Click(); // save and close
    void Command4_Click(); // close without saving
    void ListDisp_DblClick();
    void ListFav_Click();

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QListWidget *ListDisp = nullptr;
    QListWidget *ListFav = nullptr;
    QGroupBox *Frame1 = nullptr;
    QToolButton *Command1 = nullptr, *Command2 = nullptr, *Command5 = nullptr, *Command6 = nullptr,
                *Command7 = nullptr, *Command3 = nullptr, *Command4 = nullptr;

protected:
    void showEvent(QShowEvent *e) override;

private:
    void add();
    // Mirrors the editor's list, count and button states, with the given row selected (-1: none).
    void showEditor(int select);

    favourites::Editor m_editor;
};
