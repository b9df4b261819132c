#include "FrmRadPerso.h"

#include "core/Globals.h"
#include "core/Paths.h"
#include "media/MediaEngine.h"
#include "media/PageFiles.h"
#include "media/StationPage.h"
#include "ui/MainLink.h"
#include "ui/Prompts.h"
#include "ui/WebBrowser.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QStyle>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QLineEdit *field(QWidget *parent, const QString &accessibleName)
{
    auto *e = new QLineEdit(parent);
    e->setAccessibleName(accessibleName);
    return e;
}

QLabel *labelFor(QWidget *parent, const QString &caption, QWidget *buddy)
{
    auto *l = new QLabel(caption, parent);
    l->setBuddy(buddy);
    return l;
}

} // namespace

FrmRadPerso::FrmRadPerso(MainLink &main, QWidget *parent)
    : PagePreviewDialog(main, parent)
{
    setObjectName(QStringLiteral("FrmRadPerso"));
    setWindowTitle(QStringLiteral("Création de radio perso"));

    Frame1 = new QGroupBox(QStringLiteral("Ajouter une radio perso "), this);
    auto *grid = new QGridLayout(Frame1);

    TextNom = field(Frame1, QStringLiteral("Nom du fichier radio :"));
    grid->addWidget(labelFor(Frame1, QStringLiteral("Nom du fichier radio :"), TextNom), 0, 0);
    auto *nameRow = new QHBoxLayout;
    nameRow->addWidget(TextNom);
    nameRow->addWidget(new QLabel(QStringLiteral(".HTM"), Frame1));
    grid->addLayout(nameRow, 0, 1);

    TextLienRadio = field(Frame1, QStringLiteral("Lien Internet de la radio :"));
    grid->addWidget(labelFor(Frame1, QStringLiteral("Lien Internet de la radio :"), TextLienRadio), 1, 0);
    grid->addWidget(TextLienRadio, 1, 1);

    TextTitre = field(Frame1, QStringLiteral("Titre de la radio :"));
    grid->addWidget(labelFor(Frame1, QStringLiteral("Titre de la radio :"), TextTitre), 2, 0);
    grid->addWidget(TextTitre, 2, 1);

    CheckSite = new QCheckBox(QStringLiteral("Lien site de la radio"), Frame1);
    TextSite = field(Frame1, CheckSite->text());
    grid->addWidget(CheckSite, 3, 0);
    grid->addWidget(TextSite, 3, 1);

    CheckLogo = new QCheckBox(QStringLiteral("Fichier Logo"), Frame1);
    TextLogo = field(Frame1, CheckLogo->text());
    grid->addWidget(CheckLogo, 4, 0);
    grid->addWidget(TextLogo, 4, 1);

    FileLogo = new QListWidget(Frame1);
    FileLogo->setAccessibleName(QStringLiteral("Fichiers logos"));
    Image1 = new QLabel(Frame1);
    Image1->setFixedSize(132, 100);
    Image1->setFrameShape(QFrame::Box);
    Image1->setScaledContents(true); // the picture is stretched to the frame
    CommandLogo = new QPushButton(QStringLiteral("Appliquer le logo"), Frame1);
    Command6 = new QToolButton(Frame1);
    Command6->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    Command6->setToolTip(QStringLiteral("Actualiser la liste des fichiers "));
    Command6->setAccessibleName(Command6->toolTip());
    grid->addWidget(labelFor(Frame1, QStringLiteral("Fichiers logos"), FileLogo), 5, 0, Qt::AlignTop);
    auto *logoRow = new QHBoxLayout;
    logoRow->addWidget(FileLogo, 1);
    auto *logoSide = new QVBoxLayout;
    logoSide->addWidget(Image1);
    logoSide->addWidget(CommandLogo);
    logoSide->addWidget(Command6, 0, Qt::AlignLeft);
    logoSide->addStretch();
    logoRow->addLayout(logoSide);
    grid->addLayout(logoRow, 5, 1);

    CheckDescript = new QCheckBox(QStringLiteral("Description "), Frame1);
    TextDescript = field(Frame1, CheckDescript->text());
    grid->addWidget(CheckDescript, 6, 0);
    grid->addWidget(TextDescript, 6, 1);

    CheckInfoRad = new QCheckBox(QStringLiteral("Lien Information"), Frame1);
    TextInfoRad = field(Frame1, CheckInfoRad->text());
    grid->addWidget(CheckInfoRad, 7, 0);
    grid->addWidget(TextInfoRad, 7, 1);

    auto *players = new QGroupBox(QStringLiteral("Lecteur"), Frame1);
    auto *playersRow = new QHBoxLayout(players);
    Option1 = new QRadioButton(QStringLiteral("Windows Média Player"), players);
    Option2 = new QRadioButton(QStringLiteral("Real Player"), players);
    auto *group = new QButtonGroup(this);
    group->addButton(Option1);
    group->addButton(Option2);
    playersRow->addWidget(Option1);
    playersRow->addWidget(Option2);
    playersRow->addStretch();
    grid->addWidget(players, 8, 0, 1, 2);

    makePageViews();
    WebBrowser1->setMinimumHeight(120);

    Command2 = button(QStringLiteral("Générer le fichier HTML"));
    Command5 = button(QStringLiteral("Enregistrer"));
    Command3 = button(QStringLiteral("Tester le fichier"));
    Command1 = button(QStringLiteral("STOP"));
    Command4 = button(QStringLiteral("Fermer"));

    auto *buttons = new QHBoxLayout;
    for (QPushButton *b : {Command2, Command5, Command3, Command1})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(Command4);

    auto *page = new QVBoxLayout;
    page->addWidget(TextHTML);
    page->addWidget(WebBrowser1);
    auto *top = new QVBoxLayout(this);
    top->addWidget(Frame1);
    top->addLayout(page, 1);
    top->addLayout(buttons);
    resize(720, 760);

    connect(TextNom, &QLineEdit::textChanged, this, [this](const QString &t) {
        m_state.NameChanged(t);
        applyState();
    });
    connect(CheckLogo, &QCheckBox::toggled, this, [this](bool on) {
        m_state.LogoSwitched(on);
        applyState();
    });
    connect(FileLogo, &QListWidget::itemClicked, this, &FrmRadPerso::FileLogo_Click);
    connect(FileLogo, &QListWidget::currentItemChanged, this, &FrmRadPerso::FileLogo_Click);
    connect(FileLogo, &QListWidget::itemDoubleClicked, this, &FrmRadPerso::CommandLogo_Click);
    connect(CommandLogo, &QPushButton::clicked, this, &FrmRadPerso::CommandLogo_Click);
    connect(Command6, &QToolButton::clicked, this, &FrmRadPerso::Command6_Click);
    connect(Command2, &QPushButton::clicked, this, &FrmRadPerso::Command2_Click);
    connect(Command5, &QPushButton::clicked, this, &FrmRadPerso::Command5_Click);
    connect(Command3, &QPushButton::clicked, this, &FrmRadPerso::Command3_Click);
    connect(Command1, &QPushButton::clicked, this, &FrmRadPerso::Command1_Click);
    connect(Command4, &QPushButton::clicked, this, &FrmRadPerso::Command4_Click);

    Form_Load();
}

FrmRadPerso::~FrmRadPerso() = default;

void FrmRadPerso::Form_Load()
{
    for (QLineEdit *e : {TextNom, TextLienRadio, TextTitre, TextSite, TextLogo, TextDescript, TextInfoRad})
        e->clear();
    for (QCheckBox *c : {CheckSite, CheckLogo, CheckDescript, CheckInfoRad})
        c->setChecked(false);
    Option1->setChecked(true);
    TextHTML->clear();
    Image1->clear();
    WebBrowser1->Stop();
    m_state = stations::GeneratorState{};
    Command6_Click();
    applyState();
}

void FrmRadPerso::applyState()
{
    Command2->setEnabled(m_state.generate);
    Command5->setEnabled(m_state.save);
    Command3->setEnabled(m_state.test);
    TextLogo->setEnabled(m_state.logo);
    FileLogo->setEnabled(m_state.logo);
    CommandLogo->setEnabled(m_state.logo);
    TextHTML->setVisible(!m_state.preview);
    WebBrowser1->Visible(m_state.preview);
    Command1->setVisible(m_state.preview);
}

QString FrmRadPerso::LogoFolder() const { return WithBackslash(G().radioFolder) + QStringLiteral("logo"); }

QString FrmRadPerso::pagePath(bool *ok) const
{
    QString path;
    *ok = stations::PagePathFor(G().radioFolder, TextNom->text(), &path);
    return path;
}

void FrmRadPerso::Command2_Click()
{
    TextNom->setText(TextNom->text().toUpper());
    stations::PageFields f;
    f.title = TextTitre->text();
    f.stream = TextLienRadio->text();
    f.siteOn = CheckSite->isChecked();
    f.site = TextSite->text();
    f.logoOn = CheckLogo->isChecked();
    f.logo = TextLogo->text();
    f.descriptionOn = CheckDescript->isChecked();
    f.description = TextDescript->text();
    f.infoOn = CheckInfoRad->isChecked();
    f.info = TextInfoRad->text();
    f.player = Option2->isChecked() ? stations::Player::Real : stations::Player::WindowsMedia;
    TextHTML->setPlainText(stations::GeneratePage(f));
    m_state.Generated();
    applyState();
}

void FrmRadPerso::Command5_Click()
{
    bool nameOk = false;
    const QString path = pagePath(&nameOk);
    stations::SaveResult result;
    if (!nameOk) {
        result.status = stations::SaveResult::BadName;
    } else {
        if (FileExists(path)
            && !Prompts().AskYesNo(this, QStringLiteral("Fichier existant"), stations::OverwriteQuestion(path)))
            return;
        result = stations::SavePageText(path, stations::PageTextOf(TextHTML->document()->toRawText()));
    }
    if (!result.ok()) {
        Prompts().Message(this, QStringLiteral("Erreur"), stations::SaveErrorText(path, result),
                          UiPrompts::Icon::Exclamation);
        return;
    }
    m_state.Saved();
    applyState();
}

void FrmRadPerso::Command3_Click()
{
    m_state.PreviewShown();
    applyState();
    bool nameOk = false;
    const QString path = pagePath(&nameOk);
    m_main.StopMainPage();
    WebBrowser1->Navigate(nameOk ? path : QString());
}

void FrmRadPerso::Command1_Click()
{
    m_state.PreviewLeft();
    applyState();
    WebBrowser1->Stop();
}

void FrmRadPerso::Command4_Click()
{
    WebBrowser1->Stop();
    reject();
}

void FrmRadPerso::CommandLogo_Click()
{
    if (QListWidgetItem *item = FileLogo->currentItem())
        TextLogo->setText(item->text());
}

void FrmRadPerso::Command6_Click()
{
    FileLogo->clear();
    FileLogo->addItems(stations::ListFiles(LogoFolder(), QString::fromLatin1(stations::kLogoPatterns)));
}

void FrmRadPerso::FileLogo_Click()
{
    QListWidgetItem *item = FileLogo->currentItem();
    if (!item) {
        Image1->clear();
        return;
    }
    // A file that cannot be decoded as a picture shows nothing.
    QImageReader reader(WithBackslash(LogoFolder()) + item->text());
    const QImage image = reader.read();
    if (image.isNull())
        Image1->clear();
    else
        Image1->setPixmap(QPixmap::fromImage(image));
}

QString FrmRadPerso::PreviewPageName() const { return stations::PageFileName(TextNom->text()); }
