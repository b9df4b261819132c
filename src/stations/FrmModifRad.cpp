#include "FrmModifRad.h"

#include "Globals.h"
#include "MainLink.h"
#include "MediaEngine.h"
#include "PageFiles.h"
#include "Prompts.h"
#include "Paths.h"
#include "StationPage.h"
#include "WebBrowser.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTextDocument>
#include <QVBoxLayout>

namespace {

QPushButton *button(QWidget *parent, const QString &caption, const QString &tip)
{
    auto *b = new QPushButton(caption, parent);
    b->setToolTip(tip);
    b->setAutoDefault(false);
    return b;
}

} // namespace

FrmModifRad::FrmModifRad(MainLink &main, QWidget *parent)
    : QDialog(parent), m_main(main), m_engine(new MediaEngine(this))
{
    setObjectName(QStringLiteral("FrmModifRad"));
    setWindowTitle(QStringLiteral("Modifier une radio "));

    File1 = new QListWidget(this);
    auto *listLabel = new QLabel(QStringLiteral("Liste des radios "), this);
    listLabel->setBuddy(File1);
    File1->setAccessibleName(listLabel->text());
    Label2 = new QLabel(this);
    Label2->setTextInteractionFlags(Qt::TextSelectableByMouse);
    TextHTML = new QPlainTextEdit(this);
    TextHTML->setLineWrapMode(QPlainTextEdit::NoWrap);
    TextHTML->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TextHTML->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TextHTML->setAccessibleName(QStringLiteral("Page HTML"));
    WebBrowser1 = new WebBrowser(m_engine, this);

    Command1 = button(this, QStringLiteral("Editer"), QStringLiteral("Edite le fichier HTM de la radio sélectionnée"));
    Command3 = button(this, QStringLiteral("Enregistrer"), QStringLiteral("Enregistre le fichier radio HTM"));
    Command4 = button(this, QStringLiteral("Tester"), QStringLiteral("Teste le fichier HTM et le réactualise"));
    Command5 = button(this, QStringLiteral("STOP"), QStringLiteral("Arrêt de la ardio"));
    Command6 = button(this, QStringLiteral("Supprimer"), QStringLiteral("Supprime la radio sélectionnée"));
    Command2 = button(this, QStringLiteral("Fermer"), QStringLiteral("Quitter l'utilitaire de modification"));

    auto *left = new QVBoxLayout;
    left->addWidget(listLabel);
    left->addWidget(File1, 1);
    for (QPushButton *b : {Command1, Command3, Command4, Command5, Command6, Command2})
        left->addWidget(b);
    auto *right = new QVBoxLayout;
    right->addWidget(Label2);
    right->addWidget(TextHTML, 1);
    right->addWidget(WebBrowser1, 1);
    auto *top = new QHBoxLayout(this);
    top->addLayout(left);
    top->addLayout(right, 1);
    resize(900, 600);

    connect(File1, &QListWidget::itemDoubleClicked, this, &FrmModifRad::Command1_Click);
    connect(TextHTML, &QPlainTextEdit::textChanged, this, [this] {
        m_state.TextChanged(!TextHTML->document()->isEmpty());
        applyState();
    });
    connect(Command1, &QPushButton::clicked, this, &FrmModifRad::Command1_Click);
    connect(Command3, &QPushButton::clicked, this, &FrmModifRad::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &FrmModifRad::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &FrmModifRad::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &FrmModifRad::Command6_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmModifRad::Command2_Click);
    connect(WebBrowser1, &WebBrowser::BeforeNavigate2, this, &FrmModifRad::onBeforeNavigate);
    connect(WebBrowser1, &WebBrowser::NavigateError, this,
            [](const QString &, int, bool &cancel) { cancel = true; });

    Form_Load();
}

FrmModifRad::~FrmModifRad() = default;

void FrmModifRad::Form_Load()
{
    WebBrowser1->Stop();
    TextHTML->clear();
    m_state = stations::EditorState{};
    m_pagePath.clear();
    Label2->clear();
    readFolder();
    applyState();
}

void FrmModifRad::showEvent(QShowEvent *e)
{
    if (m_fresh && !e->spontaneous()) {
        Form_Load();
        m_fresh = false;
    }
    QDialog::showEvent(e);
}

void FrmModifRad::done(int result)
{
    WebBrowser1->Stop();
    m_fresh = true;
    QDialog::done(result);
    // A page made or deleted shows in the main window's list at once.
    m_main.RefreshStationLists();
}

void FrmModifRad::applyState()
{
    Command1->setEnabled(m_state.edit);
    Command3->setEnabled(m_state.save);
    Command4->setEnabled(m_state.test);
    Command5->setEnabled(m_state.stop);
    Command2->setEnabled(m_state.close);
    File1->setEnabled(m_state.fileList);
    TextHTML->setVisible(!m_state.preview);
    WebBrowser1->Visible(m_state.preview);
}

void FrmModifRad::readFolder()
{
    File1->clear();
    File1->addItems(stations::ListFiles(G().radioFolder, QString::fromLatin1(stations::kPagePatterns)));
}

QString FrmModifRad::selectedPath() const
{
    const QListWidgetItem *item = File1->currentItem();
    return WithBackslash(G().radioFolder) + (item ? item->text() : QString());
}

void FrmModifRad::Command1_Click()
{
    TextHTML->clear();
    m_pagePath = selectedPath();
    Label2->setText(m_pagePath);
    TextHTML->setPlainText(stations::LoadPageText(m_pagePath));
}

void FrmModifRad::Command3_Click()
{
    if (FileExists(m_pagePath)
        && !Prompts().AskYesNo(this, QStringLiteral("Fichier existant"), stations::OverwriteQuestion(m_pagePath)))
        return;
    const stations::SaveResult result =
        stations::SavePageText(m_pagePath, stations::PageTextOf(TextHTML->document()->toRawText()));
    if (!result.ok())
        Prompts().Message(this, QStringLiteral("Erreur"), stations::SaveErrorText(m_pagePath, result),
                          UiPrompts::Icon::Exclamation);
}

void FrmModifRad::Command4_Click()
{
    m_main.StopMainPage();
    m_state.PreviewShown();
    applyState();
    WebBrowser1->Navigate(m_pagePath);
}

void FrmModifRad::Command5_Click()
{
    m_state.PreviewLeft();
    applyState();
    WebBrowser1->Stop();
}

void FrmModifRad::Command6_Click()
{
    TextHTML->clear();
    // Nothing selected: there is no file to delete.
    if (!File1->currentItem())
        return;
    m_pagePath = selectedPath();
    if (!Prompts().AskYesNo(this, QStringLiteral("Supprimer un fichier radio"), stations::DeleteQuestion(m_pagePath)))
        return;
    if (!QFile::remove(m_pagePath) && QFile::exists(m_pagePath))
        Prompts().Message(this, QStringLiteral("Erreur"), stations::DeleteErrorText(m_pagePath),
                          UiPrompts::Icon::Exclamation);
    readFolder();
}

void FrmModifRad::Command2_Click()
{
    WebBrowser1->Stop();
    reject();
}

void FrmModifRad::onBeforeNavigate(const QString &url, bool &cancel)
{
    QString address;
    if (!stations::InfoLinkAddress(url, &address))
        return;
    cancel = true;
    G().infoAddress = address;
    m_main.OpenNowPlaying(true, stations::InfoCaption(FileNameOf(m_pagePath)));
}
