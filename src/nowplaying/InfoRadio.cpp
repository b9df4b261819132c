#include "InfoRadio.h"

#include "core/Globals.h"
#include "core/Settings.h"
#include "ui/Prompts.h"
#include "DownloadToFile.h"
#include "InfoRefresh.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

using namespace nowplaying;

namespace {

constexpr int kCoverSide = 150;

QLabel *Line(const QString &caption, QWidget *parent)
{
    auto *label = new QLabel(caption, parent);
    label->setTextFormat(Qt::PlainText); // texts from the data page are never markup
    label->setMinimumWidth(320);
    return label;
}

QPushButton *Button(const QString &caption, const QString &tip, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setToolTip(tip);
    b->setAccessibleName(tip.isEmpty() ? caption : tip);
    b->setAutoDefault(false);
    return b;
}

} // namespace

int StartPeriod(int stored) { return stored < 1 || stored >= 66 ? 10 : stored; }

InfoRadio::InfoRadio(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Information : "));
    setAttribute(Qt::WA_DeleteOnClose);

    Command1 = new QPushButton(this);
    Command1->setVisible(false);
    Command2 = Button(QStringLiteral("Fermer"), QString(), this);
    Command3 = Button(QStringLiteral("C"), QStringLiteral("Copier la pochette dans le presse papier"), this);
    Command4 = Button(QStringLiteral("<"), QStringLiteral("Titre précédent"), this);
    Command5 = Button(QStringLiteral(">"), QStringLiteral("Titre suivant"), this);
    Command5->setEnabled(false);
    for (QPushButton *b : {Command3, Command4, Command5})
        b->setFixedWidth(32);

    Image1 = new QLabel(this);
    Image1->setFixedSize(kCoverSide, kCoverSide);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setFrameShape(QFrame::StyledPanel);

    LabelTitre = Line(QStringLiteral("Titre :"), this);
    LabelAlbum = Line(QStringLiteral("Album :"), this);
    LabelAuteur = Line(QStringLiteral("Auteur :"), this);
    LabelSortie = Line(QStringLiteral("Sortie :"), this);
    LabelEditeur = Line(QStringLiteral("Editeur :"), this);
    for (int k = 0; k < 5; ++k) {
        LabelIMG[k] = new QLabel(this);
        LabelIMG[k]->setVisible(false);
    }

    Label16 = new QLabel(QStringLiteral("Actualiser toutes les "), this);
    Label7 = new QLabel(QStringLiteral("secondes"), this);
    Text2 = new QLineEdit(this);
    Text2->setFixedWidth(40);
    Text2->setMaxLength(5);
    Label16->setBuddy(Text2);
    Text2->installEventFilter(this);

    Timer1 = new QTimer(this);

    auto *lines = new QVBoxLayout;
    for (QLabel *l : {LabelTitre, LabelAlbum, LabelAuteur, LabelSortie, LabelEditeur})
        lines->addWidget(l);
    lines->addStretch();
    auto *top = new QHBoxLayout;
    top->addWidget(Image1, 0, Qt::AlignTop);
    top->addLayout(lines, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(Command4);
    bottom->addWidget(Command3);
    bottom->addWidget(Command5);
    bottom->addSpacing(12);
    bottom->addWidget(Label16);
    bottom->addWidget(Text2);
    bottom->addWidget(Label7);
    bottom->addStretch();
    bottom->addWidget(Command2);
    auto *all = new QVBoxLayout(this);
    all->addLayout(top);
    all->addLayout(bottom);

    m_refresh = new InfoRefresh(NewNetwork(this), SavedTracks(), this);
    connect(m_refresh, &InfoRefresh::finished, this, &InfoRadio::onRefreshed);
    connect(Command1, &QPushButton::clicked, this, &InfoRadio::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &InfoRadio::close);
    connect(Command3, &QPushButton::clicked, this, &InfoRadio::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &InfoRadio::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &InfoRadio::Command5_Click);
    connect(Timer1, &QTimer::timeout, this, &InfoRadio::Command1_Click);
    connect(Text2, &QLineEdit::textChanged, this, &InfoRadio::Text2_Change);

    Form_Load();
}

InfoRadio::~InfoRadio()
{
    delete m_refresh; // before the network manager that carries its download
}

void InfoRadio::Form_Load()
{
    m_writeWarned = false;
    m_slot = 5;
    G().tempoRadio = StartPeriod(G().tempoRadio);
    Text2->setText(QString::number(G().tempoRadio).trimmed());
    Timer1->start(G().tempoRadio * 1000);
    Command1_Click();
}

void InfoRadio::Command1_Click()
{
    // A refresh still downloading keeps the files and texts: this tick is skipped.
    if (m_refresh->IsRunning())
        return;
    const QString address = G().infoAddress;
    m_refresh->Start(address, ProgramFolder(), CoverBase(settings::GetSetting(CoverBaseKey()), address));
}

void InfoRadio::onRefreshed(bool shown)
{
    // Told once while the window is open: the timer goes on refreshing behind the message.
    if (!m_refresh->WriteFailed()) {
        m_writeWarned = false;
    } else if (!m_writeWarned) {
        m_writeWarned = true;
        Prompts().Message(this, windowTitle(), WriteFailedText(ProgramFolder()), UiPrompts::Icon::Exclamation);
    }
    if (shown) {
        for (int k = 1; k <= 5; ++k)
            LabelIMG[k - 1]->setText(m_refresh->Covers().at(k));
        AfficheInfoRadio();
    }
    emit refreshed(shown);
}

void InfoRadio::AfficheInfoRadio()
{
    const QString cover = QDir(ProgramFolder()).filePath(CoverFileName(6 - m_slot));
    if (QFileInfo::exists(cover)) {
        QImageReader reader(cover);
        reader.setDecideFormatFromContent(true);
        const QImage image = reader.read();
        if (!image.isNull()) { // a cover that cannot be decoded leaves the previous one
            m_picture = image;
            showPicture();
        }
    }
    const TrackTexts &t = SavedTracks();
    LabelTitre->setText(t.at(m_slot, Title));
    LabelAlbum->setText(t.at(m_slot, Album));
    LabelAuteur->setText(t.at(m_slot, Performer));
    LabelSortie->setText(t.at(m_slot, Release));
    LabelEditeur->setText(t.at(m_slot, Label));
}

void InfoRadio::showPicture()
{
    Image1->setPixmap(QPixmap::fromImage(
        m_picture.scaled(Image1->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void InfoRadio::Command4_Click()
{
    if (m_slot > 1)
        --m_slot;
    Command4->setEnabled(m_slot > 1);
    Command5->setEnabled(m_slot < 5);
    AfficheInfoRadio();
}

void InfoRadio::Command5_Click()
{
    if (m_slot < 5)
        ++m_slot;
    Command5->setEnabled(m_slot < 5);
    Command4->setEnabled(m_slot > 1);
    AfficheInfoRadio();
}

void InfoRadio::Command3_Click()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    if (!m_picture.isNull())
        clipboard->setImage(m_picture);
}

void InfoRadio::Text2_Change()
{
    const double value = Val(Text2->text());
    if (value < 66) {
        const int seconds = static_cast<int>(value);
        if (seconds <= 0)
            Timer1->stop(); // an empty text or 0: no automatic refresh
        else
            Timer1->start(seconds * 1000);
        return;
    }
    Prompts().Message(this, QStringLiteral("Avertissement !"), QStringLiteral("La valeur doit être inférieure à 66"),
                      UiPrompts::Icon::Information);
}

bool InfoRadio::eventFilter(QObject *watched, QEvent *e)
{
    // Text2_KeyPress: only digits and backspace are typed.
    if (watched == Text2 && e->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(e);
        const QString text = key->text();
        const int k = key->key();
        // Keys that type nothing (arrows, Delete) and the window's own keys pass.
        const bool passes = k == Qt::Key_Backspace || k == Qt::Key_Delete || k == Qt::Key_Tab ||
                            k == Qt::Key_Backtab || k == Qt::Key_Escape;
        if (!text.isEmpty() && !passes) {
            const QChar c = text.at(0);
            if (text.size() != 1 || c < QLatin1Char('0') || c > QLatin1Char('9'))
                return true;
        }
    }
    return QDialog::eventFilter(watched, e);
}

void InfoRadio::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    const QString period = Text2->text().trimmed();
    if (!settings::SaveSetting(QStringLiteral("TempoRadio"), period))
        Prompts().Message(this, windowTitle(), PeriodNotSavedText(settings::FilePath()), UiPrompts::Icon::Exclamation);
    G().tempoRadio = ValInt16(period);
    Timer1->stop();
}

void InfoRadio::closeEvent(QCloseEvent *e)
{
    Form_Unload();
    QDialog::closeEvent(e);
}

void InfoRadio::reject() { close(); }
