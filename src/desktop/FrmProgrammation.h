#pragma once
// FrmProgrammation, "Programmation": the planned events, one per line (what, when, how long, the
// action), and a form to add, change or remove one. What an event plays or records is chosen from
// the station and TV pages and the recording window's sound sources. Each change is saved to the
// events file at once, with the event's systemd user units; where no systemd user session runs,
// the window says that events only run while the program runs.
#include "Programmation.h"

#include <QWidget>
#include <functional>

class QComboBox;
class QDateTimeEdit;
class QLabel;
class QPushButton;
class QSpinBox;
class QTreeWidget;

struct ProgrammationChoice {
    QString text; // as shown
    QString what; // the page's path, or the source's name, or the programme's name (link)
    bool source = false;
    QString link = {}; // a programme's address; empty for pages and sources
};

class FrmProgrammation : public QWidget {
    Q_OBJECT
public:
    struct Services {
        QString fileName;                                     // the events file
        QString program;                                      // what the units start
        std::function<QList<ProgrammationChoice>()> choices;  // pages and sources
        std::function<void(const QList<programmation::Event> &)> changed; // after each save
    };
    explicit FrmProgrammation(Services services, QWidget *parent = nullptr);

    QTreeWidget *lstEvents = nullptr;
    QComboBox *cboQuoi = nullptr, *cboAction = nullptr, *cboRepetition = nullptr, *cboJour = nullptr;
    QDateTimeEdit *txtDebut = nullptr;
    QSpinBox *txtDuree = nullptr, *txtFondu = nullptr, *txtVolume = nullptr;
    QPushButton *cmdAjouter = nullptr, *cmdModifier = nullptr, *cmdSupprimer = nullptr;
    QLabel *lblSystemd = nullptr;

    const QList<programmation::Event> &Events() const { return m_events; }
    // A new event filled with what and when (the TV catalogue's "Programmer l'enregistrement").
    void Propose(const QString &what, const QDateTime &when, programmation::Action action);
    // The same for a programme's address (a dated TV programme), shown under name.
    void ProposeLink(const QString &name, const QString &link, const QDateTime &when, programmation::Action action);
    void Ajouter();
    void Modifier();
    void Supprimer();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void reload();
    void fillList();
    void fillChoices();
    void selectionChanged();
    void formChanged();
    bool formEvent(programmation::Event &event) const;
    bool commit(const QList<programmation::Event> &events, const QList<programmation::Event> &removed);
    // The entry of choice in cboQuoi, added when it is not there.
    int choiceIndex(const ProgrammationChoice &choice);
    void propose(int choice, const QDateTime &when, programmation::Action action);

    Services m_services;
    QList<programmation::Event> m_events;
    QList<ProgrammationChoice> m_choices;
};
