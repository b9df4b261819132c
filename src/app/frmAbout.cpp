#include "frmAbout.h"

#include "ui/Prompts.h"
#include "About.h"
#include "Icons.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

QLabel *linkLabel(QWidget *parent, const char *name, const QString &text)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setCursor(Qt::PointingHandCursor);
    l->setStyleSheet(QStringLiteral("color: #1a4fb0; text-decoration: underline;"));
    l->setFocusPolicy(Qt::TabFocus);
    return l;
}

// The donation picture: a heart on a coin.
QPixmap donationPicture()
{
    QPixmap pm(48, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(150, 110, 20), 1.5));
    p.setBrush(QColor(245, 200, 60));
    p.drawRoundedRect(QRectF(1, 1, 46, 30), 6, 6);
    QPainterPath heart;
    heart.moveTo(24, 26);
    heart.cubicTo(6, 15, 14, 2, 24, 11);
    heart.cubicTo(34, 2, 42, 15, 24, 26);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 40, 50));
    p.drawPath(heart);
    return pm;
}

} // namespace

frmAbout::frmAbout(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setModal(true);
    setWindowTitle(about::Caption());

    auto *logo = new QLabel(this);
    logo->setPixmap(icons::Program().pixmap(48, 48));
    lblTitle = new QLabel(QStringLiteral("Tavilune"), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont big = lblTitle->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    lblTitle->setFont(big);
    lblVersion = new QLabel(about::VersionText(), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    Label5 = new QLabel(about::kReleaseLabel, this);
    Label5->setObjectName(QStringLiteral("Label5"));

    Label4 = linkLabel(this, "Label4", QStringLiteral("Aide en ligne"));
    Label3 = linkLabel(this, "Label3", about::HomeUrl());
    lblDisclaimer = linkLabel(this, "lblDisclaimer", about::kMakerMail);
    Image2 = new QLabel(this);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setPixmap(donationPicture());
    Image2->setCursor(Qt::PointingHandCursor);
    Image2->setToolTip(QStringLiteral("Faire un don avec PayPal - Un solution gratuite, rapide et sécurisée."));
    Image2->setAccessibleName(Image2->toolTip());
    for (QLabel *l : {Label4, Label3, lblDisclaimer, Image2})
        l->installEventFilter(this);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    Command1 = new QPushButton(QStringLiteral("Détails..."), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    cmdSysInfo = new QPushButton(QStringLiteral("&Système Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setToolTip(QStringLiteral("Informations système"));

    auto *head = new QGridLayout;
    head->addWidget(logo, 0, 0, 3, 1, Qt::AlignTop);
    head->addWidget(lblTitle, 0, 1);
    head->addWidget(lblVersion, 1, 1);
    head->addWidget(Label5, 2, 1);
    head->setColumnStretch(1, 1);
    auto *links = new QGridLayout;
    links->addWidget(Label4, 0, 0);
    links->addWidget(Label3, 1, 0);
    links->addWidget(lblDisclaimer, 2, 0);
    links->addWidget(Image2, 0, 1, 3, 1, Qt::AlignRight | Qt::AlignVCenter);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(Command1);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch(1);
    auto *left = new QVBoxLayout;
    left->addLayout(head);
    left->addSpacing(12);
    left->addLayout(links);
    left->addStretch(1);
    auto *h = new QHBoxLayout(this);
    h->addLayout(left, 1);
    h->addLayout(buttons);

    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(Command1, &QPushButton::clicked, this, &frmAbout::Command1_Click);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
}

bool frmAbout::eventFilter(QObject *watched, QEvent *e)
{
    if (e->type() == QEvent::MouseButtonRelease ||
        (e->type() == QEvent::KeyPress && watched != Image2)) {
        if (e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(e)->key();
            if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Space)
                return QDialog::eventFilter(watched, e);
        }
        if (watched == Label4)
            Label4_Click();
        else if (watched == Label3)
            Label3_Click();
        else if (watched == Image2)
            Image2_Click();
        else if (watched == lblDisclaimer)
            lblDisclaimer_Click();
        else
            return QDialog::eventFilter(watched, e);
        return true;
    }
    return QDialog::eventFilter(watched, e);
}

void frmAbout::Command1_Click()
{
    QString text = about::DetailsText();
    text.replace(QChar(13), QChar(10));
    Prompts().Message(this, about::kDetailsTitle, text, UiPrompts::Icon::Information);
}

void frmAbout::cmdSysInfo_Click()
{
    const auto tool = about::FindSystemInfoTool();
    if (tool && QProcess::startDetached(tool->program, tool->arguments))
        return;
    Prompts().Message(this, QStringLiteral("Tavilune"), about::kNoSystemInfo, UiPrompts::Icon::None);
}

void frmAbout::Label4_Click() { QDesktopServices::openUrl(QUrl(about::HelpUrl())); }
void frmAbout::Label3_Click() { QDesktopServices::openUrl(QUrl(about::HomeUrl())); }
void frmAbout::Image2_Click() { QDesktopServices::openUrl(QUrl(about::DonationUrl())); }
void frmAbout::lblDisclaimer_Click() { QDesktopServices::openUrl(QUrl(about::MailUrl())); }
