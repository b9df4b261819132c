#include "FrmTitres.h"

#include "ui/Prompts.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTableView>
#include <QVBoxLayout>

namespace {
const QString kTitle = QStringLiteral("Titres écoutés");
}

FrmTitres::FrmTitres(TitleJournal &journal, std::function<QString()> searchAddress, QWidget *parent)
    : QWidget(parent), m_journal(&journal), m_searchAddress(std::move(searchAddress))
{
    setObjectName(QStringLiteral("FrmTitres"));
    setWindowTitle(kTitle);
    auto *outer = new QVBoxLayout(this);

    auto *searchRow = new QHBoxLayout;
    auto *label = new QLabel(QStringLiteral("Rechercher :"), this);
    txtRecherche = new QLineEdit(this);
    txtRecherche->setObjectName(QStringLiteral("txtRecherche"));
    txtRecherche->setClearButtonEnabled(true);
    txtRecherche->setToolTip(QStringLiteral("Radio, artiste ou titre (sans tenir compte des majuscules ni des accents)"));
    label->setBuddy(txtRecherche);
    searchRow->addWidget(label);
    searchRow->addWidget(txtRecherche, 1);
    outer->addLayout(searchRow);

    lstTitres = new QTableView(this);
    lstTitres->setObjectName(QStringLiteral("lstTitres"));
    lstTitres->setAccessibleName(kTitle);
    lstTitres->setModel(&m_model);
    lstTitres->setSelectionBehavior(QAbstractItemView::SelectRows);
    lstTitres->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstTitres->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstTitres->verticalHeader()->hide();
    lstTitres->horizontalHeader()->setStretchLastSection(true);
    lstTitres->setWordWrap(false);
    outer->addWidget(lstTitres, 1);

    auto *buttons = new QHBoxLayout;
    cmdCopier = new QPushButton(QStringLiteral("Copier"), this);
    cmdCopier->setObjectName(QStringLiteral("cmdCopier"));
    cmdCopier->setToolTip(QStringLiteral("Copier « Artiste - Titre » des lignes choisies"));
    cmdWeb = new QPushButton(QStringLiteral("Chercher sur le web"), this);
    cmdWeb->setObjectName(QStringLiteral("cmdWeb"));
    cmdWeb->setToolTip(QStringLiteral("Chercher le titre choisi avec le navigateur"));
    cmdExporter = new QPushButton(QStringLiteral("Exporter..."), this);
    cmdExporter->setObjectName(QStringLiteral("cmdExporter"));
    cmdExporter->setToolTip(QStringLiteral("Enregistrer les lignes affichées dans un fichier CSV"));
    buttons->addWidget(cmdCopier);
    buttons->addWidget(cmdWeb);
    buttons->addStretch(1);
    buttons->addWidget(cmdExporter);
    outer->addLayout(buttons);
    resize(640, 420);

    connect(txtRecherche, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_model.SetFilter(text);
        selectionChanged();
    });
    connect(lstTitres->selectionModel(), &QItemSelectionModel::selectionChanged, this, &FrmTitres::selectionChanged);
    connect(&m_model, &QAbstractItemModel::modelReset, this, &FrmTitres::selectionChanged);
    connect(cmdCopier, &QPushButton::clicked, this, &FrmTitres::Copier);
    connect(cmdWeb, &QPushButton::clicked, this, &FrmTitres::ChercherSurLeWeb);
    connect(cmdExporter, &QPushButton::clicked, this, &FrmTitres::Exporter);
    connect(&journal, &TitleJournal::added, this, [this](const journal::Entry &e) {
        if (isVisible())
            m_model.Prepend(e);
    });
    selectionChanged();
}

void FrmTitres::showEvent(QShowEvent *event)
{
    if (m_journal)
        m_model.SetEntries(m_journal->Load());
    lstTitres->resizeColumnToContents(0);
    QWidget::showEvent(event);
}

void FrmTitres::selectionChanged()
{
    const bool chosen = lstTitres->selectionModel()->hasSelection();
    cmdCopier->setEnabled(chosen);
    cmdWeb->setEnabled(chosen);
    cmdExporter->setEnabled(m_model.rowCount() > 0);
}

QStringList FrmTitres::SelectedTexts() const
{
    QModelIndexList rows = lstTitres->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex &a, const QModelIndex &b) { return a.row() < b.row(); });
    QStringList texts;
    for (const QModelIndex &row : rows)
        texts << journal::ArtistTitle(m_model.EntryAt(row.row()));
    return texts;
}

void FrmTitres::Copier()
{
    const QStringList texts = SelectedTexts();
    if (!texts.isEmpty())
        QApplication::clipboard()->setText(texts.join(QLatin1Char('\n')));
}

void FrmTitres::ChercherSurLeWeb()
{
    const QModelIndexList rows = lstTitres->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    const QUrl url = journal::SearchUrl(m_searchAddress ? m_searchAddress() : QString(), m_model.EntryAt(rows.first().row()));
    if (url.isEmpty() || !QDesktopServices::openUrl(url))
        Prompts().Message(this, kTitle, QStringLiteral("Le navigateur n'a pas pu être ouvert."), UiPrompts::Icon::Exclamation);
}

void FrmTitres::Exporter()
{
    const QString name = Prompts().SaveFileName(this, QStringLiteral("Exporter les titres"),
                                                QDir::homePath() + QStringLiteral("/titres.csv"),
                                                QStringLiteral("Fichiers CSV (*.csv)"));
    if (name.isEmpty())
        return;
    QSaveFile out(name);
    const QByteArray text = journal::CsvText(m_model.Shown());
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit())
        Prompts().Message(this, kTitle,
                          QStringLiteral("Les titres n'ont pas pu être enregistrés dans « %1 » : %2")
                              .arg(QDir::toNativeSeparators(name), out.errorString()),
                          UiPrompts::Icon::Exclamation);
}
