#include "FrmModifRad.h"

#include "core/Globals.h"
#include "core/Paths.h"
#include "media/MediaEngine.h"
#include "media/PageFiles.h"
#include "media/StationPage.h"
#include "ui/MainLink.h"
#include "ui/Prompts.h"
#include "ui/WebBrowser.h"

#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTextDocument>
#include <QVBoxLayout>

FrmModifRad::FrmModifRad(MainLink &main, QWidget *parent)
    : PagePreviewDialog(main, parent)
{
    setObjectName(QStringLiteral("FrmModifRad"));
    setWindowTitle(QStringLiteral("Modifier une radio "));

    File1 = new QListWidget(this);
    auto *listLabel = new QLabel(QStringLiteral("Liste des radios "), this);
    listLabel->setBuddy(File1);
    File1->setAccessibleName(listLabel->text());
    Label2 = new QLabel(this);
    Label2->setTextInteractionFlags(Qt::TextSelectableByMouse);
    makePageViews();

    Command1 = button(QStringLiteral("Editer"), QStringLiteral("Edite le fichier HTM de la radio sélectionnée"));
    Command3 = button(QStringLiteral("Enregistrer"), QStringLiteral("Enregistre le fichier radio HTM"));
    Command4 = button(QStringLiteral("Tester"), QStringLiteral("Teste le fichier HTM et le réactualise"));
    Command5 = button(QStringLiteral("STOP"), QStringLiteral("Arrêt de la ardio"));
    Command6 = button(QStringLiteral("Supprimer"), QStringLiteral("Supprime la radio sélectionnée"));
    Command2 = button(QStringLiteral("Fermer"), QStringLiteral("Quitter l'utilitaire de modification"));

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

QString FrmModifRad::PreviewPageName() const { return FileNameOf(m_pagePath); }
