#include "FrmAnnuaire.h"

#include "core/Globals.h"
#include "core/Paths.h"
#include "core/Settings.h"
#include "media/MediaEngine.h"
#include "media/PageFiles.h"
#include "media/StationPage.h"
#include "ui/MainLink.h"
#include "ui/PlainTip.h"
#include "ui/Prompts.h"
#include "DirectoryClient.h"
#include "DirectoryLogo.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

using directory::DirectoryStation;

namespace {

constexpr int kIndexRole = Qt::UserRole;
constexpr int kSortRole = Qt::UserRole + 1;

// Rows compare numbers as numbers (bitrate, votes) and names ignoring case.
class ResultItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem &other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        const QVariant a = data(column, kSortRole), b = other.data(column, kSortRole);
        if (a.typeId() == QMetaType::Int && b.typeId() == QMetaType::Int)
            return a.toInt() < b.toInt();
        return text(column).compare(other.text(column), Qt::CaseInsensitive) < 0;
    }
};

QLineEdit *field(QWidget *parent, QGridLayout *grid, int row, const QString &caption)
{
    auto *edit = new QLineEdit(parent);
    edit->setAccessibleName(caption);
    edit->setClearButtonEnabled(true);
    auto *label = new QLabel(caption, parent);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

} // namespace

FrmAnnuaire::FrmAnnuaire(MainLink &main, QWidget *parent)
    : QDialog(parent), m_main(main), m_engine(new MediaEngine(this))
{
    setObjectName(QStringLiteral("FrmAnnuaire"));
    setWindowTitle(QStringLiteral("Rechercher une radio"));

    const QString mirrors = settings::GetSetting(QString::fromLatin1(directory::kMirrorsKey),
                                                 QString::fromLatin1(directory::kDefaultMirrors));
    m_client = new DirectoryClient(directory::MirrorList(mirrors),
                                   !settings::HasSetting(QString::fromLatin1(directory::kMirrorsKey)), this);

    auto *grid = new QGridLayout;
    TextNom = field(this, grid, 0, QStringLiteral("Nom de la radio :"));
    TextPays = field(this, grid, 1, QStringLiteral("Pays :"));
    TextLangue = field(this, grid, 2, QStringLiteral("Langue :"));
    TextGenre = field(this, grid, 3, QStringLiteral("Genre :"));

    ListeRadios = new QTreeWidget(this);
    ListeRadios->setAccessibleName(QStringLiteral("Radios trouvées"));
    ListeRadios->setRootIsDecorated(false);
    ListeRadios->setUniformRowHeights(true);
    ListeRadios->setAllColumnsShowFocus(true);
    ListeRadios->setHeaderLabels({QStringLiteral("Nom"), QStringLiteral("Pays"), QStringLiteral("Codec"),
                                  QStringLiteral("Débit"), QStringLiteral("Votes")});
    ListeRadios->header()->setSectionResizeMode(ColName, QHeaderView::Stretch);
    ListeRadios->header()->setStretchLastSection(false);
    ListeRadios->setColumnWidth(ColCountry, 130);
    ListeRadios->setColumnWidth(ColCodec, 60);
    ListeRadios->setColumnWidth(ColBitrate, 80);
    ListeRadios->setColumnWidth(ColVotes, 70);
    ListeRadios->setSortingEnabled(true);
    ListeRadios->sortByColumn(ColVotes, Qt::DescendingOrder);

    LabelEtat = new QLabel(this);
    LabelEtat->setTextFormat(Qt::PlainText);

    CommandEcouter = new QPushButton(QStringLiteral("Ecouter"), this);
    CommandStop = new QPushButton(QStringLiteral("STOP"), this);
    CommandAjouter = new QPushButton(QStringLiteral("Ajouter"), this);
    CommandFermer = new QPushButton(QStringLiteral("Fermer"), this);
    for (QPushButton *b : {CommandEcouter, CommandStop, CommandAjouter, CommandFermer})
        b->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(CommandEcouter);
    buttons->addWidget(CommandStop);
    buttons->addWidget(CommandAjouter);
    buttons->addStretch();
    buttons->addWidget(CommandFermer);

    auto *top = new QVBoxLayout(this);
    top->addLayout(grid);
    top->addWidget(ListeRadios, 1);
    top->addWidget(LabelEtat);
    top->addLayout(buttons);
    resize(640, 480);

    for (QLineEdit *e : {TextNom, TextPays, TextLangue, TextGenre}) {
        connect(e, &QLineEdit::textChanged, this, [this] { m_client->SearchSoon(query()); });
        connect(e, &QLineEdit::returnPressed, this, [this] { m_client->Search(query()); });
    }
    connect(m_client, &DirectoryClient::SearchStarted, this,
            [this] { LabelEtat->setText(directory::SearchingText()); });
    connect(m_client, &DirectoryClient::SearchDone, this,
            [this](const directory::SearchQuery &q, const QList<DirectoryStation> &stations, int) {
                showResults(stations);
                if (q.isEmpty())
                    LabelEtat->clear(); // the fields were emptied: nothing was asked
            });
    connect(m_client, &DirectoryClient::SearchFailed, this,
            [this](const directory::SearchQuery &, const QString &text) {
                showResults({});
                LabelEtat->setText(text);
            });
    connect(ListeRadios, &QTreeWidget::itemSelectionChanged, this, [this] {
        m_state.selected = selected() != nullptr;
        applyState();
    });
    connect(ListeRadios, &QTreeWidget::itemActivated, this, [this] { CommandEcouter_Click(); });
    connect(m_engine, &MediaEngine::stateChanged, this, [this](MediaEngine::State s) {
        m_state.playing = s != MediaEngine::State::Idle;
        applyState();
    });
    connect(m_engine, &MediaEngine::statusTextChanged, LabelEtat, &QLabel::setText);
    connect(CommandEcouter, &QPushButton::clicked, this, &FrmAnnuaire::CommandEcouter_Click);
    connect(CommandStop, &QPushButton::clicked, this, &FrmAnnuaire::CommandStop_Click);
    connect(CommandAjouter, &QPushButton::clicked, this, &FrmAnnuaire::CommandAjouter_Click);
    connect(CommandFermer, &QPushButton::clicked, this, &QDialog::reject);
    applyState();
}

FrmAnnuaire::~FrmAnnuaire() = default;

directory::SearchQuery FrmAnnuaire::query() const
{
    return {TextNom->text(), TextPays->text(), TextLangue->text(), TextGenre->text()};
}

const DirectoryStation *FrmAnnuaire::Result(int row) const
{
    const QTreeWidgetItem *item = ListeRadios->topLevelItem(row);
    if (!item)
        return nullptr;
    const int index = item->data(ColName, kIndexRole).toInt();
    return index >= 0 && index < m_results.size() ? &m_results[index] : nullptr;
}

const DirectoryStation *FrmAnnuaire::selected() const
{
    QTreeWidgetItem *item = ListeRadios->currentItem();
    if (!item || !item->isSelected())
        return nullptr;
    return Result(ListeRadios->indexOfTopLevelItem(item));
}

void FrmAnnuaire::showResults(const QList<DirectoryStation> &stations)
{
    ListeRadios->setSortingEnabled(false);
    ListeRadios->clear();
    m_results = stations;
    const QLocale locale;
    for (int i = 0; i < m_results.size(); ++i) {
        const DirectoryStation &s = m_results[i];
        auto *item = new ResultItem;
        item->setText(ColName, s.name);
        item->setToolTip(ColName, PlainTip(s.stream));
        item->setData(ColName, kIndexRole, i);
        item->setText(ColCountry, s.country);
        item->setText(ColCodec, s.codec);
        item->setText(ColBitrate, s.bitrate > 0 ? locale.toString(s.bitrate) + QStringLiteral(" kbit/s") : QString());
        item->setData(ColBitrate, kSortRole, s.bitrate);
        item->setText(ColVotes, locale.toString(s.votes));
        item->setData(ColVotes, kSortRole, s.votes);
        item->setTextAlignment(ColBitrate, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(ColVotes, Qt::AlignRight | Qt::AlignVCenter);
        ListeRadios->addTopLevelItem(item);
    }
    ListeRadios->setSortingEnabled(true);
    // The most voted result is the selected one until the user picks another.
    if (QTreeWidgetItem *first = ListeRadios->topLevelItem(0))
        ListeRadios->setCurrentItem(first);
    LabelEtat->setText(directory::ResultText(static_cast<int>(m_results.size())));
    m_state.selected = selected() != nullptr;
    applyState();
}

void FrmAnnuaire::applyState()
{
    CommandEcouter->setEnabled(m_state.listen());
    CommandAjouter->setEnabled(m_state.add());
    CommandStop->setEnabled(m_state.stop());
}

void FrmAnnuaire::CommandEcouter_Click()
{
    const DirectoryStation *s = selected();
    if (!s)
        return;
    m_main.StopMainPage();
    m_engine->play(s->stream);
    m_client->ReportClick(s->uuid);
}

void FrmAnnuaire::CommandStop_Click() { m_engine->stop(); }

void FrmAnnuaire::CommandAjouter_Click()
{
    const DirectoryStation *current = selected();
    if (!current || m_state.adding)
        return;
    const DirectoryStation s = *current;
    const QString name = directory::CleanFileName(s.name);
    QString path;
    if (!stations::PagePathFor(G().radioFolder, name, &path)) {
        stations::SaveResult refused;
        refused.status = stations::SaveResult::BadName;
        Prompts().Message(this, QStringLiteral("Erreur"), stations::SaveErrorText(path, refused),
                          UiPrompts::Icon::Exclamation);
        return;
    }
    if (FileExists(path)
        && !Prompts().AskYesNo(this, QStringLiteral("Fichier existant"), stations::OverwriteQuestion(path)))
        return;
    if (s.favicon.isEmpty()) {
        writePage(s, name, path, QString());
        return;
    }
    m_state.adding = true;
    applyState();
    m_client->FetchLogo(s.favicon, this, [this, s, name, path](const QByteArray &bytes) {
        m_state.adding = false;
        applyState();
        QString logo;
        const directory::LogoPicture picture = directory::LogoPictureOf(bytes);
        if (!picture.bytes.isEmpty()) {
            logo = directory::LogoFileName(name.toUpper(), picture.suffix);
            const QString folder = WithBackslash(G().radioFolder) + QStringLiteral("logo");
            if (!directory::SaveLogo(folder, logo, picture.bytes)) {
                Prompts().Message(this, QStringLiteral("Erreur"),
                                  directory::LogoNotSavedText(WithBackslash(folder) + logo),
                                  UiPrompts::Icon::Exclamation);
                logo.clear();
            }
        }
        writePage(s, name, path, logo);
    });
}

void FrmAnnuaire::writePage(const DirectoryStation &station, const QString &name, const QString &path,
                            const QString &logo)
{
    const stations::SaveResult result =
        stations::SavePageText(path, stations::GeneratePage(directory::PageFieldsFor(station, logo)));
    if (!result.ok()) {
        Prompts().Message(this, QStringLiteral("Erreur"), stations::SaveErrorText(path, result),
                          UiPrompts::Icon::Exclamation);
        return;
    }
    LabelEtat->setText(directory::AddedText(stations::PageFileName(name)));
    m_main.RefreshStationLists();
}

void FrmAnnuaire::done(int result)
{
    // Whatever the way the window closes, what it plays stops and its search ends.
    m_engine->stop();
    m_client->Cancel();
    QDialog::done(result);
}
