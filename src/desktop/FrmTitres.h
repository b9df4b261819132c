#pragma once
// FrmTitres, "Titres écoutés": the title journal, newest first, narrowed as the user types in
// "Rechercher :"; "Copier" puts "Artiste - Titre" of the chosen lines on the clipboard, "Chercher
// sur le web" opens the browser on a search for the chosen title, "Exporter..." writes the lines
// shown to a CSV file of the user's choice. New titles appear as they are heard.
//
// The window reads the journal when it is shown; it owns nothing but its widgets and model.
#include "TitleJournal.h"

#include <QPointer>
#include <QWidget>
#include <functional>

class QLineEdit;
class QPushButton;
class QTableView;

class FrmTitres : public QWidget {
    Q_OBJECT
public:
    // searchAddress: the web search address of the preferences ("%s" for the words).
    FrmTitres(TitleJournal &journal, std::function<QString()> searchAddress, QWidget *parent = nullptr);

    QLineEdit *txtRecherche = nullptr;
    QTableView *lstTitres = nullptr;
    QPushButton *cmdCopier = nullptr, *cmdWeb = nullptr, *cmdExporter = nullptr;

    journal::JournalModel &Model() { return m_model; }
    // "Artiste - Titre" of each chosen line, newest first.
    QStringList SelectedTexts() const;
    void Copier();
    void ChercherSurLeWeb();
    void Exporter();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void selectionChanged();

    QPointer<TitleJournal> m_journal;
    std::function<QString()> m_searchAddress;
    journal::JournalModel m_model;
};
