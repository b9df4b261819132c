#pragma once
// The directory search window ("Rechercher une radio"): a name field and country, language and
// tag filters whose results arrive while the user types, a result list sorted by votes, and
// two actions on the selected result: "Ecouter" plays it with this window's own engine (the main
// page stops first), "Ajouter" writes its station page into the radio folder with the
// generator's page writer, its logo beside it when the directory has a picture for it.
// Modeless; closing it stops what it plays.
#include "DirectoryStation.h"

#include <QDialog>

class DirectoryClient;
class MainLink;
class MediaEngine;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

class FrmAnnuaire : public QDialog {
    Q_OBJECT
public:
    // Columns of the result list.
    enum Column { ColName, ColCountry, ColCodec, ColBitrate, ColVotes };

    // main: stopped before a result plays, asked to read the station folders again once a page
    // was added. The base addresses come from the settings ("AnnuaireURL").
    explicit FrmAnnuaire(MainLink &main, QWidget *parent = nullptr);
    ~FrmAnnuaire() override;

    // Operations of the buttons (also reached by the tests).
    void CommandEcouter_Click();
    void CommandStop_Click();
    void CommandAjouter_Click();

    // The result shown on a row of the list (in its current order); nullptr when out of range.
    const directory::DirectoryStation *Result(int row) const;
    DirectoryClient &Client() { return *m_client; }
    MediaEngine &Engine() { return *m_engine; }
    const directory::WindowState &State() const { return m_state; }

    QLineEdit *TextNom = nullptr, *TextPays = nullptr, *TextLangue = nullptr, *TextGenre = nullptr;
    QTreeWidget *ListeRadios = nullptr;
    QLabel *LabelEtat = nullptr;
    QPushButton *CommandEcouter = nullptr, *CommandStop = nullptr, *CommandAjouter = nullptr,
                *CommandFermer = nullptr;

protected:
    void done(int result) override;

private:
    directory::SearchQuery query() const;
    const directory::DirectoryStation *selected() const;
    void showResults(const QList<directory::DirectoryStation> &stations);
    void writePage(const directory::DirectoryStation &station, const QString &name, const QString &path,
                   const QString &logo);
    void applyState();

    MainLink &m_main;
    MediaEngine *m_engine = nullptr;
    DirectoryClient *m_client = nullptr;
    QList<directory::DirectoryStation> m_results;
    directory::WindowState m_state;
};
