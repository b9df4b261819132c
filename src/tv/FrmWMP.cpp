#include "FrmWMP.h"

#include "core/Globals.h"
#include "core/Settings.h"
#include "ui/MainLink.h"
#include "ui/PictureButton.h"
#include "TvDialogs.h"
#include "TvPlayer.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QStyle>
#include <QToolButton>

using tvplayer::Source;

namespace {

constexpr int kMargin = 8;
constexpr int kGap = 6;
constexpr int kGoWidth = 40;

// The look of the window's picture buttons.
const ui::ButtonLook kButtons{.iconSize = 22};

QComboBox *dropDown(QWidget *parent, const QString &initialText, const QStringList &items)
{
    auto *c = new QComboBox(parent);
    c->addItems(items);
    c->setPlaceholderText(initialText);
    c->setCurrentIndex(-1);
    return c;
}

QLineEdit *dateField(QWidget *parent, int maxLength, QObject *filter)
{
    auto *e = new QLineEdit(parent);
    e->setMaxLength(maxLength);
    e->setAlignment(Qt::AlignCenter);
    e->installEventFilter(filter);
    return e;
}

} // namespace

FrmWMP::FrmWMP(MainLink *main, QWidget *parent)
    : QWidget(parent, Qt::Window), m_main(main),
      m_hosts(tvlinks::ServerHosts::fromLookup(
          [](const QString &key, const QString &def) { return settings::GetSetting(key, def); }))
{
    setObjectName(QStringLiteral("FrmWMP"));
    setWindowTitle(QStringLiteral("Autres chaînes ou émissions"));

    Check1 = new QCheckBox(QStringLiteral("Journaux régionaux FR3"), this);
    Check2 = new QCheckBox(QStringLiteral("Journaux TV"), this);
    Check3 = new QCheckBox(QStringLiteral("Autres TV"), this);
    Check4 = new QCheckBox(QStringLiteral("M6 Edition locale"), this);
    const std::pair<QCheckBox *, Source> boxes[] = {
        {Check1, Source::Regional}, {Check2, Source::National}, {Check3, Source::TvList}, {Check4, Source::Local}};
    for (const auto &[box, source] : boxes) {
        const Source s = source;
        // The state change, not the click: a box ticked from the keyboard or by assistive
        // technology (its toggle action) runs the same rule.
        connect(box, &QCheckBox::toggled, this, [this, s] {
            if (!m_settingBoxes)
                Check_Click(s);
        });
    }

    AutresChaines = dropDown(this, QStringLiteral("Journaux TV"), tvlinks::NationalNames());
    ComboFR3Region = dropDown(this, QStringLiteral("Journaux régionaux France 3"), tvlinks::RegionNames());
    ComboM6LOcal = dropDown(this, QStringLiteral("M6 Editions locales"), tvlinks::LocalNames());
    AutresTV = dropDown(this, QStringLiteral("Autres TV"), {});

    Frame2 = new QGroupBox(this);
    Frame2->setFlat(true);
    Option1 = new QRadioButton(QStringLiteral("12-13"), Frame2);
    Option2 = new QRadioButton(QStringLiteral("19-20"), Frame2);
    Option1->setChecked(true);
    auto *editions = new QHBoxLayout(Frame2);
    editions->setContentsMargins(2, 0, 2, 0);
    editions->addWidget(Option1);
    editions->addWidget(Option2);

    OvrLst = ui::PictureButton(this, QStyle::SP_DialogOpenButton, QStringLiteral("Ouvrir une liste de chaînes TV"), kButtons);
    connect(OvrLst, &QToolButton::clicked, this, &FrmWMP::OvrLst_Click);

    Frame1 = new QGroupBox(QStringLiteral("Emission du "), this);
    TJ = dateField(Frame1, 2, this);
    TM = dateField(Frame1, 2, this);
    TA = dateField(Frame1, 4, this);
    TJ->setAccessibleName(QStringLiteral("Jour"));
    TM->setAccessibleName(QStringLiteral("Mois"));
    TA->setAccessibleName(QStringLiteral("Année"));
    Label4 = new QLabel(QStringLiteral("Date Jour"), Frame1);
    Label4->setToolTip(QStringLiteral("Aujourd'hui"));
    auto *dateRow = new QHBoxLayout(Frame1);
    dateRow->setContentsMargins(6, 2, 6, 4);
    dateRow->addWidget(TJ);
    for (QLineEdit *field : {TM, TA}) {
        auto *slash = new QLabel(QStringLiteral("/"), Frame1);
        Slashes << slash;
        dateRow->addWidget(slash);
        dateRow->addWidget(field);
    }
    dateRow->addSpacing(12);
    dateRow->addWidget(Label4);
    dateRow->addStretch(1);
    TJ->setFixedWidth(34);
    TM->setFixedWidth(34);
    TA->setFixedWidth(54);

    Go = ui::PictureButton(this, QStyle::SP_MediaPlay, QStringLiteral("Appliquer la chaîne TV..."), kButtons);
    connect(Go, &QToolButton::clicked, this, &FrmWMP::Go_Click);

    LabelURL = new QLabel(QStringLiteral("URL :"), this);
    Text1 = new QLineEdit(this);
    LabelURL->setBuddy(Text1);
    Command1 = ui::PictureButton(this, QStyle::SP_DialogApplyButton, QStringLiteral("Appliquer le lien... "), kButtons);
    connect(Command1, &QToolButton::clicked, this, &FrmWMP::Command1_Click);

    cmdProgrammer = new QPushButton(QStringLiteral("Programmer l'enregistrement"), this);
    cmdProgrammer->setObjectName(QStringLiteral("cmdProgrammer"));
    cmdProgrammer->setToolTip(QStringLiteral("Enregistrer cette émission à l'heure choisie (Programmation)"));
    cmdProgrammer->hide();
    connect(cmdProgrammer, &QPushButton::clicked, this, &FrmWMP::cmdProgrammer_Click);

    WMP = new TvPlayer(this);
    connect(WMP, &TvPlayer::fullScreenRequested, this, &FrmWMP::SetFullScreen);

    resize(660, 620);
    Form_Load();
}

FrmWMP::~FrmWMP() = default;

void FrmWMP::Form_Load()
{
    TvList list;
    const QString path = QDir(ProgramFolder()).filePath(QString::fromLatin1(DefaultTvListName));
    // A default list that is not valid gives the channels read before the fault, silently.
    if (QFileInfo(path).isFile())
        ReadTvList(path, list);
    fillList(list);

    m_boxes = {};
    showBoxes();
    applyVisibility(tvplayer::InitialVisibility());

    const tvplayer::TodayFields today = tvplayer::FieldsFor(QDate::currentDate());
    TJ->setText(today.day);
    TM->setText(today.month);
    TA->setText(today.year);
    Label4->setText(today.label);
    relayout();
    m_loaded = true;
}

void FrmWMP::showEvent(QShowEvent *event)
{
    // The default list is read again at each opening.
    if (!m_loaded)
        Form_Load();
    QWidget::showEvent(event);
}

void FrmWMP::fillList(const TvList &list)
{
    m_list = list;
    AutresTV->clear();
    AutresTV->addItems(m_list.names);
    AutresTV->setCurrentIndex(-1);
}

void FrmWMP::applyVisibility(const tvplayer::Visibility &v)
{
    m_shown = v;
    if (m_fullScreen)
        return;
    AutresChaines->setVisible(v.autresChaines);
    ComboFR3Region->setVisible(v.comboFR3Region);
    Frame2->setVisible(v.comboFR3Region);
    ComboM6LOcal->setVisible(v.comboM6Local);
    AutresTV->setVisible(v.autresTV);
    OvrLst->setVisible(v.autresTV);
    Frame1->setVisible(v.frame1);
    cmdProgrammer->setVisible(v.frame1 && m_scheduler);
}

void FrmWMP::Check_Click(Source source)
{
    QCheckBox *box = source == Source::Regional ? Check1
                     : source == Source::National ? Check2
                     : source == Source::TvList   ? Check3
                                                  : Check4;
    tvplayer::Visibility v = m_shown;
    tvplayer::ClickSource(source, box->isChecked(), m_boxes, v);
    showBoxes();
    applyVisibility(v);
}

void FrmWMP::showBoxes()
{
    const QScopedValueRollback guard(m_settingBoxes, true);
    Check1->setChecked(m_boxes.check1);
    Check2->setChecked(m_boxes.check2);
    Check3->setChecked(m_boxes.check3);
    Check4->setChecked(m_boxes.check4);
}

tvlinks::DateFields FrmWMP::Date() const { return {TJ->text(), TM->text(), TA->text()}; }

QString FrmWMP::comboText(const QComboBox *combo)
{
    return combo->currentIndex() < 0 ? combo->placeholderText() : combo->currentText();
}

void FrmWMP::play(const QString &address)
{
    if (m_main)
        m_main->StopMainPage();
    WMP->setURL(address);
}

void FrmWMP::Go_Click()
{
    const Source source = tvplayer::GoSource(m_boxes);
    if (source == Source::TvList) {
        const int i = AutresTV->currentIndex();
        // No channel chosen: nothing to play, nothing changes.
        if (i < 0 || i >= m_list.size())
            return;
        WMP->setURL(QString());
        Text1->clear();
        setWindowTitle(QString());
        setWindowTitle(tvplayer::TvListCaption(comboText(AutresTV)));
        Text1->setText(m_list.links[i]);
        play(m_list.links[i]);
        return;
    }
    playBuiltIn(source);
}

void FrmWMP::playBuiltIn(Source source)
{
    WMP->setVisible(true);
    TJ->setText(tvplayer::ZeroFill(TJ->text()));
    TM->setText(tvplayer::ZeroFill(TM->text()));
    WMP->setURL(QString());
    Text1->clear();
    setWindowTitle(QString());

    QString link;
    QString caption;
    builtIn(source, link, caption);
    if (!link.isEmpty())
        play(link);
    Text1->setText(WMP->URL());
    setWindowTitle(caption);
}

void FrmWMP::builtIn(Source source, QString &link, QString &caption) const
{
    const tvlinks::DateFields date = Date();
    const tvlinks::Edition edition = Option1->isChecked() ? tvlinks::Edition::Midday : tvlinks::Edition::Evening;
    switch (source) {
    case Source::Regional:
        link = tvlinks::RegionalLink(ComboFR3Region->currentIndex(), edition, date, m_hosts);
        caption = tvplayer::RegionalCaption(comboText(ComboFR3Region), edition);
        break;
    case Source::Local:
        link = tvlinks::LocalLink(ComboM6LOcal->currentIndex(), date, m_hosts);
        caption = tvplayer::LocalCaption(comboText(ComboM6LOcal));
        break;
    default:
        link = tvlinks::NationalLink(AutresChaines->currentIndex(), date, m_hosts);
        caption = tvplayer::NationalCaption(comboText(AutresChaines));
        break;
    }
}

void FrmWMP::SetScheduler(Scheduler scheduler)
{
    m_scheduler = std::move(scheduler);
    applyVisibility(m_shown);
}

void FrmWMP::cmdProgrammer_Click()
{
    const Source source = tvplayer::GoSource(m_boxes);
    if (!m_scheduler || source == Source::TvList)
        return;
    TJ->setText(tvplayer::ZeroFill(TJ->text()));
    TM->setText(tvplayer::ZeroFill(TM->text()));
    QString link, caption;
    builtIn(source, link, caption);
    const QDate date = tvplayer::ProgrammeDate(TJ->text(), TM->text(), TA->text());
    if (link.isEmpty() || !date.isValid()) {
        tvui::Message(this, QMessageBox::Information, QStringLiteral("Programmation"),
                      link.isEmpty() ? QStringLiteral("Choisissez d'abord une émission.")
                                     : QStringLiteral("La date de l'émission n'est pas une date du calendrier."));
        return;
    }
    // The caption without the program's name: the programme's own name.
    const QString prefix = QStringLiteral("Tavilune : ");
    const QString name = (caption.startsWith(prefix) ? caption.mid(prefix.size()) : caption).trimmed();
    m_scheduler(name, link, date);
}

void FrmWMP::Command1_Click() { play(Text1->text()); }

void FrmWMP::OvrLst_Click()
{
    const QString file = tvui::OpenFile(this, QStringLiteral("Ouvrir une liste de chaînes TV"),
                                        QString::fromLatin1(TvListFilter), ProgramFolder());
    TvListRead result = TvListRead::CannotOpen;
    if (!file.isEmpty() && QFileInfo(file).isFile()) {
        TvList list;
        result = ReadTvList(file, list);
        fillList(list);
        AutresTV->setPlaceholderText(QFileInfo(file).fileName());
    }
    if (result != TvListRead::Ok)
        tvui::Message(this, QMessageBox::Warning, QStringLiteral("Erreur"),
                      QStringLiteral("Fichier non compatible ou ouverture de fichier liste annulée!"));
}

void FrmWMP::SetFullScreen(bool on)
{
    if (on == m_fullScreen)
        return;
    m_fullScreen = on;
    WMP->setFullScreenShown(on);
    const QList<QWidget *> others = {Check1, Check2, Check3, Check4, AutresChaines, ComboFR3Region,
                                     Frame2, ComboM6LOcal, AutresTV, OvrLst, Frame1, Go, LabelURL,
                                     Text1, Command1, cmdProgrammer};
    if (on) {
        m_wasMaximized = isMaximized();
        for (QWidget *w : others)
            w->hide();
        showFullScreen();
    } else {
        const QList<QWidget *> always = {Check1, Check2, Check3, Check4, Go, LabelURL, Text1, Command1};
        for (QWidget *w : always)
            w->show();
        applyVisibility(m_shown);
        if (m_wasMaximized)
            showMaximized();
        else
            showNormal();
    }
    relayout();
}

void FrmWMP::relayout()
{
    const int w = width();
    const int h = height();
    if (m_fullScreen) {
        WMP->setGeometry(0, 0, w, h);
        return;
    }
    int x = kMargin;
    for (QCheckBox *box : {Check1, Check2, Check3, Check4}) {
        const int bw = box->sizeHint().width();
        box->setGeometry(x, kMargin, bw, 22);
        x += bw + 14;
    }
    const int playerTop = 168;
    const tvplayer::WmpGeometry g = tvplayer::LayoutFor(w, h, 10, playerTop, kGoWidth, kGap);
    if (g.playerValid)
        WMP->setGeometry(g.player);
    if (g.goValid) {
        Go->setGeometry(g.goLeft, 76, kGoWidth, 40);
        Command1->setGeometry(g.goLeft, 128, kGoWidth, 28);
    }
    if (!g.stretchValid)
        return; // too small: the rest keeps its place
    const int lineY = 40, lineH = 28;
    const int right = g.stretchRight;
    const int mid = (kMargin + right) / 2;
    // Left half: the TV list with its open button, or the regions with their edition frame.
    OvrLst->setGeometry(kMargin, lineY, lineH, lineH);
    AutresTV->setGeometry(kMargin + lineH + 4, lineY, qMax(40, mid - kMargin - lineH - 8), lineH);
    const int frame2W = Frame2->sizeHint().width();
    Frame2->setGeometry(kMargin, lineY, frame2W, lineH);
    ComboFR3Region->setGeometry(kMargin + frame2W + 4, lineY, qMax(40, mid - kMargin - frame2W - 8), lineH);
    // Right half: the national programmes, or the local editions at the same place.
    AutresChaines->setGeometry(mid + 4, lineY, qMax(40, right - mid - 4), lineH);
    ComboM6LOcal->setGeometry(AutresChaines->geometry());
    Frame1->setGeometry(kMargin, 72, qMin(320, qMax(200, right - kMargin)), 50);
    const int programmerLeft = Frame1->geometry().right() + kGap;
    cmdProgrammer->setGeometry(programmerLeft, 84, qMax(40, qMin(cmdProgrammer->sizeHint().width(), right - programmerLeft)), 30);
    LabelURL->setGeometry(kMargin, 130, 44, 24);
    Text1->setGeometry(kMargin + 48, 130, qMax(40, right - kMargin - 48), 24);
}

void FrmWMP::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    relayout();
}

void FrmWMP::closeEvent(QCloseEvent *event)
{
    if (m_fullScreen)
        SetFullScreen(false);
    WMP->close();
    m_loaded = false;
    QWidget::closeEvent(event);
}

void FrmWMP::keyPressEvent(QKeyEvent *event)
{
    if (m_fullScreen && event->key() == Qt::Key_Escape) {
        SetFullScreen(false);
        return;
    }
    QWidget::keyPressEvent(event);
}

bool FrmWMP::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && (watched == TJ || watched == TM || watched == TA)) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (!tvplayer::DateKeyAccepted(key->key(), key->text()))
            return true; // discarded
    }
    return QWidget::eventFilter(watched, event);
}
