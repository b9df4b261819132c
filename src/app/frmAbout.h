#pragma once
// The about box: name, version, release date, the details message, the maker's pages and mail,
// and the system information tool. Texts and the tool choice live in About.h.
#include <QDialog>

class QLabel;
class QPushButton;

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget *parent = nullptr);

    void Command1_Click();   // details message
    void cmdSysInfo_Click(); // system information tool
    void Label4_Click();     // help page
    void Label3_Click();     // home page
    void Image2_Click();     // donation page
    void lblDisclaimer_Click(); // new mail to the maker

    QLabel *lblTitle = nullptr;
    QLabel *lblVersion = nullptr;
    QLabel *Label5 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Image2 = nullptr;
    QLabel *lblDisclaimer = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *cmdSysInfo = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *e) override;
};
