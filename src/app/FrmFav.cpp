#include "FrmFav.h"

#include "core/Globals.h"
#include "ui/PictureButton.h"
#include "ui/Prompts.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QShowEvent>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kTwipsPerPixel = 15;

// The look of the window's picture buttons.
const ui::ButtonLook kButtons{.iconSize = 20, .minimumSize = QSize(30, 28)};

} // namespace

FrmFav::FrmFav(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmFav"));
    setWindowTitle(QStringLiteral("Gestion des Favoris radios"));
    setModal(true);

    Label1 = new QLabel(QStringLiteral("Radios disponibles :"), this);
    ListDisp = new QListWidget(this);
    ListDisp->setObjectName(QStringLiteral("ListDisp"));
    ListDisp->setSelectionMode(QAbstractItemView::SingleSelection);
    Label1->setBuddy(ListDisp);

    Label2 = new QLabel(QStringLiteral("Liste des Favoris"), this);
    ListFav = new QListWidget(this);
    ListFav->setObjectName(QStringLiteral("ListFav"));
    ListFav->setSelectionMode(QAbstractItemView::SingleSelection);
    Label2->setBuddy(ListFav);

    Frame1 = new QGroupBox(QStringLiteral("Gestion des favoris "), this);
    Command1 = ui::PictureButton(Frame1, QStyle::SP_ArrowRight, QStringLiteral("Ajoute la radio sélectionnée aux favoris"), kButtons, QStringLiteral("Command1"));
    Command2 = ui::PictureButton(Frame1, QStyle::SP_ArrowLeft, QStringLiteral("Supprime la radio sélectionnée des favoris"), kButtons, QStringLiteral("Command2"));
    Command5 = ui::PictureButton(Frame1, QStyle::SP_TrashIcon, QStringLiteral("Efface la liste des favoris"), kButtons, QStringLiteral("Command5"));
    Command6 = ui::PictureButton(Frame1, QStyle::SP_ArrowUp, QStringLiteral("Monter"), kButtons, QStringLiteral("Command6"));
    Command7 = ui::PictureButton(Frame1, QStyle::SP_ArrowDown, QStringLiteral("Descendre"), kButtons, QStringLiteral("Command7"));
    Command2->setEnabled(false);
    auto *frameLayout = new QVBoxLayout(Frame1);
    for (QToolButton *b : {Command1, Command2, Command5, Command6, Command7})
        frameLayout->addWidget(b, 0, Qt::AlignHCenter);
    frameLayout->addStretch(1);

    Command3 = ui::PictureButton(this, QStyle::SP_DialogSaveButton, QString(), kButtons, QStringLiteral("Command3"));
    Command3->setAccessibleName(QStringLiteral("Enregistrer et fermer"));
    Command4 = ui::PictureButton(this, QStyle::SP_DialogCloseButton, QString(), kButtons, QStringLiteral("Command4"));
    Command4->setAccessibleName(QStringLiteral("Fermer"));

    auto *left = new QVBoxLayout;
    left->addWidget(Label1);
    left->addWidget(ListDisp, 1);
    auto *right = new QVBoxLayout;
    right->addWidget(Label2);
    right->addWidget(ListFav, 1);
    auto *lists = new QHBoxLayout;
    lists->addLayout(left, 1);
    lists->addWidget(Frame1);
    lists->addLayout(right, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(Command3);
    bottom->addWidget(Command4);
    auto *v = new QVBoxLayout(this);
    v->addLayout(lists, 1);
    v->addLayout(bottom);
    resize(6600 / kTwipsPerPixel, 5055 / kTwipsPerPixel);

    connect(Command1, &QToolButton::clicked, this, &FrmFav::Command1_Click);
    connect(Command2, &QToolButton::clicked, this, &FrmFav::Command2_Click);
    connect(Command5, &QToolButton::clicked, this, &FrmFav::Command5_Click);
    connect(Command6, &QToolButton::clicked, this, &FrmFav::Command6_Click);
    connect(Command7, &QToolButton::clicked, this, &FrmFav::Command7_Click);
    connect(Command3, &QToolButton::clicked, this, &FrmFav::Command3_Click);
    connect(Command4, &QToolButton::clicked, this, &FrmFav::Command4_Click);
    connect(ListDisp, &QListWidget::itemDoubleClicked, this, &FrmFav::ListDisp_DblClick);
    connect(ListFav, &QListWidget::itemClicked, this, &FrmFav::ListFav_Click);
}

void FrmFav::showEvent(QShowEvent *e)
{
    if (!e->spontaneous())
        Form_Load();
    QDialog::showEvent(e);
}

void FrmFav::Form_Load()
{
    resize(width(), 5055 / kTwipsPerPixel);
    ListDisp->clear();
    ListDisp->addItems(favourites::AvailableStations(G().radioFolder));
    m_editor.Open(favourites::Read());
    showEditor(-1);
}

void FrmFav::showEditor(int select)
{
    const QStringList &lines = m_editor.Lines();
    bool same = ListFav->count() == lines.size();
    for (int i = 0; same && i < lines.size(); ++i)
        same = ListFav->item(i)->text() == lines[i];
    if (!same) {
        ListFav->clear();
        ListFav->addItems(lines);
    }
    if (select >= 0 && select < ListFav->count()) {
        ListFav->setCurrentRow(select);
    } else {
        ListFav->setCurrentRow(-1);
        ListFav->clearSelection();
    }
    Label2->setText(m_editor.Count());
    Command1->setEnabled(m_editor.AddEnabled());
    Command2->setEnabled(m_editor.RemoveEnabled());
}

void FrmFav::add()
{
    QStringList selected;
    for (int i = 0; i < ListDisp->count(); ++i)
        if (ListDisp->item(i)->isSelected())
            selected << ListDisp->item(i)->text();
    const int keep = ListFav->currentRow();
    m_editor.Add(selected);
    showEditor(keep);
}

void FrmFav::Command1_Click() { add(); }

// A double click adds even when the add button is disabled.
void FrmFav::ListDisp_DblClick() { add(); }

void FrmFav::Command2_Click()
{
    const QListWidgetItem *item = ListFav->currentItem();
    m_editor.Remove(item && item->isSelected() ? ListFav->currentRow() : -1);
    showEditor(-1);
}

void FrmFav::Command5_Click()
{
    m_editor.Clear();
    showEditor(-1);
}

void FrmFav::Command6_Click()
{
    showEditor(m_editor.MoveUp(ListFav->currentRow()));
}

void FrmFav::Command7_Click()
{
    showEditor(m_editor.MoveDown(ListFav->currentRow()));
}

void FrmFav::ListFav_Click()
{
    m_editor.ClickList();
    Command2->setEnabled(m_editor.RemoveEnabled());
}

void FrmFav::Command3_Click()
{
    if (!favourites::Save(m_editor.Lines())) {
        // The old file is still there, untouched: say so and leave the manager open.
        Prompts().Message(this, QStringLiteral("Modification des favoris"),
                          QStringLiteral("Les favoris n'ont pas pu être enregistrés dans « Favoris.lst ».\n"
                                         "Le fichier précédent est conservé tel quel."),
                          UiPrompts::Icon::Exclamation);
        return;
    }
    Prompts().Message(this, QStringLiteral("Modification des favoris"),
                      QStringLiteral("Les modifications seront prises après le redémarrage de Tavilune."),
                      UiPrompts::Icon::Information);
    accept();
}

void FrmFav::Command4_Click() { reject(); }
