#pragma once
// The now-playing window: the title, album, performer, release and label of the five tracks a
// station played last, with the cover of the one on display, refreshed on a timer. The refresh
// itself (downloads and page reading) is InfoRefresh; this window starts it, shows its result,
// steps through the five tracks, copies the cover and keeps the refresh period.
//
// Files live in the program folder: "info.html", "info2.html", "Info1.jpg"..."Info5.jpg". The
// covers come from the address in the setting "AdressePochettes" when it is a web address, else
// from the server of the information address.
#include <QDialog>
#include <QImage>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace nowplaying {
class InfoRefresh;
}

class InfoRadio : public QDialog {
    Q_OBJECT
public:
    // Creating the window loads it: slot 5, the timer started, a first refresh. Its message goes
    // through Prompts().
    explicit InfoRadio(QWidget *parent = nullptr);
    ~InfoRadio() override;

    QPushButton *Command1 = nullptr; // hidden: the refresh
    QPushButton *Command2 = nullptr; // "Fermer"
    QPushButton *Command3 = nullptr; // "C": copy the cover
    QPushButton *Command4 = nullptr; // "<"
    QPushButton *Command5 = nullptr; // ">"
    QLineEdit *Text2 = nullptr;      // refresh period in seconds
    QLabel *Label16 = nullptr;
    QLabel *Label7 = nullptr;
    QTimer *Timer1 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *LabelTitre = nullptr, *LabelAlbum = nullptr, *LabelAuteur = nullptr, *LabelSortie = nullptr,
           *LabelEditeur = nullptr;
    QLabel *LabelIMG[5] = {};        // hidden: cover paths of entries 1..5

    int Slot() const { return m_slot; }
    // The cover on display (null before the first one).
    const QImage &Picture() const { return m_picture; }
    nowplaying::InfoRefresh &Refresh() { return *m_refresh; }

    void Command1_Click(); // the refresh; skipped while one runs
    void Command3_Click(); // copy the cover to the clipboard
    void Command4_Click(); // previous slot
    void Command5_Click(); // next slot
    void AfficheInfoRadio();

signals:
    // A refresh ended (shown: the slot was shown again).
    void refreshed(bool shown);

protected:
    void closeEvent(QCloseEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void reject() override;

private:
    void Form_Load();
    void Form_Unload();
    void Text2_Change();
    void onRefreshed(bool shown);
    void showPicture();

    nowplaying::InfoRefresh *m_refresh = nullptr;
    QImage m_picture;
    int m_slot = 5;
    bool m_unloaded = false;
    bool m_writeWarned = false; // the write failure was told during this opening
};

// The setting that holds the cover base address.
inline QString CoverBaseKey() { return QStringLiteral("AdressePochettes"); }

// The refresh period the window starts with: 10 when the stored one is 0, or out of the range
// the timer can hold (1 to 65 seconds).
int StartPeriod(int stored);
