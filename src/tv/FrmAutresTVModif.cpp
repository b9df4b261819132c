#include "FrmAutresTVModif.h"

#include "core/Globals.h"
#include "ui/MainLink.h"
#include "ui/PictureButton.h"
#include "TvDialogs.h"
#include "TvPlayer.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QPushButton *textButton(QWidget *parent, const QString &caption, const QString &tip)
{
    auto *b = new QPushButton(caption, parent);
    b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
}

// The look of the window's picture buttons.
const ui::ButtonLook kButtons{.iconSize = 20};

const QString kError = QStringLiteral("Erreur");

} // namespace

FrmAutresTVModif::FrmAutresTVModif(MainLink *main, QWidget *parent)
    : QDialog(parent), m_main(main)
{
    setObjectName(QStringLiteral("FrmAutresTVModif"));
    ListNomTV = new QListWidget(this);
    LabelList = new QLabel(QStringLiteral("Liste des chaînes TV"), this);
    LabelList->setBuddy(ListNomTV);
    Text1 = new QLineEdit(this);
    Label1 = new QLabel(QStringLiteral("Nom de la chaîne TV"), this);
    Label1->setBuddy(Text1);
    Text2 = new QLineEdit(this);
    Label2 = new QLabel(QStringLiteral("Lien Internet de la chaîne TV"), this);
    Label2->setBuddy(Text2);

    Command11 = textButton(this, QStringLiteral("Nouveau"), QStringLiteral("Créer un nouveau fichier liste de chaînes TV"));
    OvrLst = ui::PictureButton(this, QStyle::SP_DialogOpenButton, QStringLiteral("Ouvrir une liste de chaînes TV"), kButtons);
    Command7 = textButton(this, QStringLiteral("Enregistrer"), QStringLiteral("Enregistre la liste des chaînes TV"));
    Command2 = textButton(this, QStringLiteral("Ajouter"), QStringLiteral("Ajoute une nouvelle chaîne à la liste"));
    Command4 = textButton(this, QStringLiteral("Appliquer..."), QStringLiteral("Ajoute la nouvelle chaîne TV à la liste"));
    Command5 = textButton(this, QStringLiteral("Editer"), QStringLiteral("Edite la chaîne sélectionnée"));
    Command8 = ui::PictureButton(this, QStyle::SP_DialogApplyButton, QStringLiteral("Applique les modifications et ajoute la chaîne"), kButtons);
    Command3 = textButton(this, QStringLiteral("Supprimer"), QStringLiteral("Supprime la chaîne TV sélectionnée"));
    Command9 = ui::PictureButton(this, QStyle::SP_ArrowUp, QStringLiteral("Monter"), kButtons);
    Command10 = ui::PictureButton(this, QStyle::SP_ArrowDown, QStringLiteral("Descendre"), kButtons);
    Command6 = textButton(this, QStringLiteral("Tester"), QStringLiteral("Teste la chaîne TV éditée"));
    Command12 = textButton(this, QStringLiteral("?"), QStringLiteral("Aide"));
    Command1 = textButton(this, QStringLiteral("Fermer"), QStringLiteral("Quitter sans sauvegarde"));
    Command12->setAccessibleName(QStringLiteral("Aide"));

    WMP = new TvPlayer(this);
    WMP->setMinimumSize(320, 200);
    connect(WMP, &TvPlayer::fullScreenRequested, this, &FrmAutresTVModif::setFullScreen);

    // Left: the list and its order; right: the file, the fields and the channel buttons.
    auto *grid = new QGridLayout(this);
    auto *order = new QVBoxLayout;
    order->addStretch(1);
    order->addWidget(Command9);
    order->addWidget(Command10);
    order->addStretch(1);
    grid->addWidget(LabelList, 0, 0, 1, 2);
    grid->addWidget(ListNomTV, 1, 0, 6, 1);
    grid->addLayout(order, 1, 1, 6, 1);
    auto *file = new QHBoxLayout;
    file->addWidget(Command11);
    file->addWidget(OvrLst);
    file->addWidget(Command7);
    file->addStretch(1);
    file->addWidget(Command12);
    grid->addLayout(file, 0, 2);
    grid->addWidget(Label1, 1, 2);
    grid->addWidget(Text1, 2, 2);
    grid->addWidget(Label2, 3, 2);
    grid->addWidget(Text2, 4, 2);
    auto *channel = new QHBoxLayout;
    for (QWidget *w : {static_cast<QWidget *>(Command2), static_cast<QWidget *>(Command4),
                       static_cast<QWidget *>(Command5), static_cast<QWidget *>(Command8),
                       static_cast<QWidget *>(Command3), static_cast<QWidget *>(Command6)})
        channel->addWidget(w);
    channel->addStretch(1);
    grid->addLayout(channel, 5, 2);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(Command1);
    grid->addLayout(bottom, 6, 2, Qt::AlignBottom);
    grid->addWidget(WMP, 7, 0, 1, 3);
    grid->setRowStretch(7, 1);
    grid->setColumnStretch(2, 1);

    connect(Command11, &QPushButton::clicked, this, &FrmAutresTVModif::Command11_Click);
    connect(OvrLst, &QToolButton::clicked, this, &FrmAutresTVModif::OvrLst_Click);
    connect(Command7, &QPushButton::clicked, this, &FrmAutresTVModif::Command7_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmAutresTVModif::Command2_Click);
    connect(Command4, &QPushButton::clicked, this, &FrmAutresTVModif::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &FrmAutresTVModif::Command5_Click);
    connect(Command8, &QToolButton::clicked, this, &FrmAutresTVModif::Command8_Click);
    connect(Command3, &QPushButton::clicked, this, &FrmAutresTVModif::Command3_Click);
    connect(Command9, &QToolButton::clicked, this, &FrmAutresTVModif::Command9_Click);
    connect(Command10, &QToolButton::clicked, this, &FrmAutresTVModif::Command10_Click);
    connect(Command6, &QPushButton::clicked, this, &FrmAutresTVModif::Command6_Click);
    connect(Command12, &QPushButton::clicked, this, &FrmAutresTVModif::Command12_Click);
    connect(Command1, &QPushButton::clicked, this, &FrmAutresTVModif::Command1_Click);
    connect(ListNomTV, &QListWidget::itemSelectionChanged, this, [this] {
        m_editor.selectionChanged(ListNomTV->selectedItems().isEmpty() ? -1 : ListNomTV->currentRow());
        applyButtons();
    });
    connect(Text2, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_editor.linkChanged(text);
        applyButtons();
    });

    resize(640, 560);
    Form_Load();
}

FrmAutresTVModif::~FrmAutresTVModif() = default;

void FrmAutresTVModif::Form_Load()
{
    m_editor = TvListEditor();
    m_editor.loadDefault(ProgramFolder());
    Text1->clear();
    Text2->clear();
    m_editor.linkChanged(QString());
    Command6->setText(QStringLiteral("Tester"));
    WMP->close();
    WMP->hide();
    refreshList(-1);
    setWindowTitle(m_editor.caption());
    applyButtons();
    m_loaded = true;
}

void FrmAutresTVModif::showEvent(QShowEvent *event)
{
    if (!m_loaded)
        Form_Load();
    QDialog::showEvent(event);
}

void FrmAutresTVModif::closeEvent(QCloseEvent *event)
{
    endTest();
    m_loaded = false;
    QDialog::closeEvent(event);
}

void FrmAutresTVModif::reject()
{
    // Escape or the title bar's close button: as "Fermer", and never with a test still playing.
    endTest();
    m_loaded = false;
    QDialog::reject();
}

void FrmAutresTVModif::setFullScreen(bool on)
{
    if (on == WMP->fullScreenShown())
        return;
    WMP->setFullScreenShown(on);
    const QList<QWidget *> all = findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget *w : all)
        if (w != WMP)
            w->setVisible(!on);
    if (on)
        showFullScreen();
    else
        showNormal();
}

void FrmAutresTVModif::keyPressEvent(QKeyEvent *event)
{
    // Escape leaves the full-screen picture first; otherwise it closes the window.
    if (WMP->fullScreenShown() && event->key() == Qt::Key_Escape) {
        setFullScreen(false);
        return;
    }
    QDialog::keyPressEvent(event);
}

void FrmAutresTVModif::endTest()
{
    setFullScreen(false);
    WMP->close();
    if (m_editor.testing()) {
        m_editor.stopTest();
        Command6->setText(QStringLiteral("Tester"));
        WMP->hide();
        applyButtons();
    }
}

void FrmAutresTVModif::refreshList(int select)
{
    const QSignalBlocker block(ListNomTV);
    ListNomTV->clear();
    ListNomTV->addItems(m_editor.list().names);
    if (select >= 0 && select < ListNomTV->count()) {
        ListNomTV->setCurrentRow(select);
    } else {
        ListNomTV->setCurrentRow(-1);
        ListNomTV->clearSelection();
    }
}

void FrmAutresTVModif::applyButtons()
{
    const TvListEditor::Buttons &b = m_editor.buttons();
    Command11->setEnabled(b.nouveau);
    OvrLst->setEnabled(b.ovrLst);
    Command7->setEnabled(b.enregistrer);
    Command2->setEnabled(b.ajouter);
    Command4->setEnabled(b.appliquer);
    Command5->setEnabled(b.editer);
    Command8->setEnabled(b.command8);
    Command3->setEnabled(b.supprimer);
    Command9->setEnabled(b.monter);
    Command10->setEnabled(b.descendre);
    Command6->setEnabled(b.tester);
    Command12->setEnabled(b.aide);
    Command1->setEnabled(b.fermer);
}

static int selectedRow(const QListWidget *list)
{
    return list->selectedItems().isEmpty() ? -1 : list->currentRow();
}

void FrmAutresTVModif::Command11_Click()
{
    const QString title = QStringLiteral("Créer une liste de chaînes TV");
    if (!tvui::AskYesNo(this, title, QStringLiteral("Confirmer la création d'une nouvelle liste de chaînes TV ?")))
        return;
    const QString name = tvui::InputBox(
        this, title, QStringLiteral("Indiquez le nom de la nouvelle liste de chaînes TV\r\n(Sans extension)"));
    const QString path = TvListEditor::newListPath(ProgramFolder(), name);
    if (path.isEmpty())
        return;
    if (QFileInfo::exists(path)) {
        tvui::Message(this, QMessageBox::Warning, kError,
                      QStringLiteral("Le fichier ") + path + QStringLiteral(" existe !\r\nChanger de nom de fichier."));
        return;
    }
    m_editor.startNew(path);
    setWindowTitle(m_editor.caption());
    refreshList(-1);
    m_editor.selectionChanged(-1);
    applyButtons();
}

void FrmAutresTVModif::OvrLst_Click()
{
    const QString file = tvui::OpenFile(this, QStringLiteral("Ouvrir une liste de chaînes TV"),
                                        QString::fromLatin1(TvListFilter), ProgramFolder());
    TvListRead result = TvListRead::CannotOpen;
    if (!file.isEmpty() && QFileInfo(file).isFile()) {
        result = m_editor.open(file);
        setWindowTitle(m_editor.caption());
        refreshList(-1);
        m_editor.selectionChanged(-1);
        applyButtons();
    }
    if (result != TvListRead::Ok)
        tvui::Message(this, QMessageBox::Warning, kError,
                      QStringLiteral("Fichier non compatible ou ouverture de fichier liste annulée!"));
}

void FrmAutresTVModif::Command7_Click()
{
    if (m_editor.save())
        tvui::Message(this, QMessageBox::Warning, QStringLiteral("Sauvegarde liste chaînes TV"),
                      QStringLiteral("Liste des chaînes TV enregistrée avec succès !"));
    else
        tvui::Message(this, QMessageBox::Warning, kError, QStringLiteral("Erreur lors de la sauvegarde !"));
}

void FrmAutresTVModif::Command2_Click()
{
    Text1->clear();
    Text2->clear();
    m_editor.beginAdd();
    applyButtons();
}

void FrmAutresTVModif::Command4_Click()
{
    const int before = selectedRow(ListNomTV);
    if (m_editor.applyAdd(Text1->text(), Text2->text()))
        refreshList(before);
    applyButtons();
}

void FrmAutresTVModif::Command5_Click()
{
    QString name, link;
    if (!m_editor.edit(selectedRow(ListNomTV), name, link))
        return;
    Text1->setText(name);
    Text2->setText(link);
    applyButtons();
}

void FrmAutresTVModif::Command8_Click()
{
    bool yes = false;
    const int edited = m_editor.editedIndex();
    const bool target = edited >= 0 && edited < m_editor.list().size();
    // With no channel to edit there is nothing to confirm.
    if (target && TvListEditor::editNeedsQuestion(Text1->text(), Text2->text()))
        yes = tvui::AskYesNo(this, QStringLiteral("Modifier une chaîne TV"),
                             QStringLiteral("Confirmer la modification de la chaîne <") + Text1->text()
                                 + QStringLiteral("> ?"));
    const int row = selectedRow(ListNomTV);
    if (m_editor.applyEdit(Text1->text(), Text2->text(), yes))
        refreshList(row);
    applyButtons();
}

void FrmAutresTVModif::Command3_Click()
{
    const int row = selectedRow(ListNomTV);
    if (row < 0 || row >= m_editor.list().size())
        return;
    if (!tvui::AskYesNo(this, QStringLiteral("Supprimer une chaîne TV"),
                        QStringLiteral("Confirmer la suppression de la chaîne <") + m_editor.list().names[row]
                            + QStringLiteral("> ?")))
        return;
    m_editor.remove(row);
    refreshList(-1);
    applyButtons();
}

void FrmAutresTVModif::Command9_Click()
{
    const int to = m_editor.moveUp(selectedRow(ListNomTV));
    if (to >= 0)
        refreshList(to);
}

void FrmAutresTVModif::Command10_Click()
{
    const int to = m_editor.moveDown(selectedRow(ListNomTV));
    if (to >= 0)
        refreshList(to);
}

void FrmAutresTVModif::Command6_Click()
{
    if (!m_editor.testing()) {
        if (m_main)
            m_main->StopMainPage();
        Command6->setText(QStringLiteral("STOP"));
        WMP->show();
        WMP->setURL(Text2->text());
        m_editor.startTest();
    } else {
        Command6->setText(QStringLiteral("Tester"));
        WMP->hide();
        WMP->close();
        m_editor.stopTest();
    }
    applyButtons();
}

QString FrmAutresTVModif::HelpText()
{
    const QString add = QStringLiteral(" * - Cliquer sur le bouton <Ajouter>");
    const QString fields = QStringLiteral(" * - Compléter les champs de nom de la chaîne TV et lien Internet");
    const QString apply = QStringLiteral(" * - Cliquer sur le bouton <Appliquer>");
    const QString save = QStringLiteral(" * - Cliquer sur le bouton <Enregistrer> pour valider votre opération");
    const QStringList lines = {
        QStringLiteral("Aide sur la création de liens TV"),
        QString(),
        QStringLiteral("-1- Création de liste TV"),
        QStringLiteral(" * - Cliquer sur le bouton <Nouveau> puis donner un nom au fichier liste"),
        add, fields, apply, save,
        QString(),
        QStringLiteral(" -2- Ajouter une chaîne à une liste "),
        add, fields, apply, save,
        QString(),
        QStringLiteral("Le bouton <Editer> permet d'éditer la chaîne pointée afin de la tester."),
    };
    return lines.join(QStringLiteral("\r\n"));
}

void FrmAutresTVModif::Command12_Click()
{
    tvui::Message(this, QMessageBox::Information, QStringLiteral("Aide simplifiée"), HelpText());
}

void FrmAutresTVModif::Command1_Click() { close(); }
