#include "Mp3Encoder.h"

#include "common/NumberedError.h"
#include "core/Paths.h"
#include "ui/cCommonDialog.h"
#include "ui/Prompts.h"
#include "Mp3EncoderRules.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kWavFilter = QStringLiteral("Fichiers Wave (*.WAV)|*.wav|Tous les fichiers (*.*)|*.*");
const QString kMp3Filter = QStringLiteral("Fichiers MP3 (*.mp3)|*.mp3|Tous les fichiers (*.*)|*.*");

// Height of the strip under the controls that the progress bar uses.
constexpr int kBarStrip = 24;

} // namespace

Mp3Encoder::Mp3Encoder(QWidget *parent, std::string engineName)
    : QWidget(parent), m_cEncoder(std::move(engineName)), m_conversion(m_cEncoder)
{
    setWindowFlag(Qt::Window);
    setWindowTitle(kMp3EncoderTitle);
    buildControls();
    connect(&m_conversion, &Mp3Conversion::Progress, this, &Mp3Encoder::onProgress);
    connect(&m_conversion, &Mp3Conversion::Finished, this, &Mp3Encoder::onFinished);
    Form_Load();
}

Mp3Encoder::~Mp3Encoder() = default;

void Mp3Encoder::buildControls()
{
    const auto label = [this](const QString &text, QWidget *buddy) {
        auto *l = new QLabel(text, this);
        if (buddy)
            l->setBuddy(buddy);
        return l;
    };
    const auto readOnlyBox = [this](const char *name) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        e->setReadOnly(true);
        return e;
    };

    picEncode = new QWidget(this);
    picEncode->setObjectName(QStringLiteral("picEncode"));
    txtSourceFile = new QLineEdit(picEncode);
    txtSourceFile->setObjectName(QStringLiteral("txtSourceFile"));
    txtOutputMp3File = new QLineEdit(picEncode);
    txtOutputMp3File->setObjectName(QStringLiteral("txtOutputMp3File"));
    cmdPickSource = new QPushButton(QStringLiteral("Parcourir..."), picEncode);
    cmdPickSource->setObjectName(QStringLiteral("cmdPickSource"));
    cmdPickMp3File = new QPushButton(QStringLiteral("Parcourir..."), picEncode);
    cmdPickMp3File->setObjectName(QStringLiteral("cmdPickMp3File"));
    cboOption = new QComboBox(picEncode);
    cboOption->setObjectName(QStringLiteral("cboOption"));
    lblSourceFile = label(QStringLiteral("Fichier source Wave :"), txtSourceFile);
    lblMp3File = label(QStringLiteral("Fichier Mp3 :"), txtOutputMp3File);
    lblPreset = label(QStringLiteral("Options d'encodage :"), nullptr);
    lblEncode = label(QStringLiteral("Option d'encodage :"), cboOption);
    for (QLabel *l : {lblSourceFile, lblMp3File, lblPreset, lblEncode})
        l->setParent(picEncode);
    QFont heading = lblPreset->font();
    heading.setBold(true);
    lblPreset->setFont(heading);

    auto *grid = new QGridLayout(picEncode);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(lblSourceFile, 0, 0);
    grid->addWidget(txtSourceFile, 0, 1);
    grid->addWidget(cmdPickSource, 0, 2);
    grid->addWidget(lblMp3File, 1, 0);
    grid->addWidget(txtOutputMp3File, 1, 1);
    grid->addWidget(cmdPickMp3File, 1, 2);
    grid->addWidget(lblPreset, 2, 0, 1, 3);
    grid->addWidget(lblEncode, 3, 0);
    grid->addWidget(cboOption, 3, 1, 1, 2);
    grid->setColumnStretch(1, 1);

    cmdEncode = new QPushButton(kEncodeCaption, this);
    cmdEncode->setObjectName(QStringLiteral("cmdEncode"));
    cmdEncode->setEnabled(false);
    Command1 = new QPushButton(QStringLiteral("Fermer"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdEncode);
    buttons->addWidget(Command1);

    picVersionInfo = new QWidget(this);
    picVersionInfo->setObjectName(QStringLiteral("picVersionInfo"));
    lblVersionDetails = new QLabel(QStringLiteral("Détails de l'encodeur LAME :"), picVersionInfo);
    lblVersionDetails->setFont(heading);
    txtDLLMajorVersion = readOnlyBox("txtDLLMajorVersion");
    txtDLLMinorVersion = readOnlyBox("txtDLLMinorVersion");
    txtMajorVersion = readOnlyBox("txtMajorVersion");
    txtMinorVersion = readOnlyBox("txtMinorVersion");
    txtReleaseDate = readOnlyBox("txtReleaseDate");
    txtHomePage = readOnlyBox("txtHomePage");
    auto *versions = new QGridLayout(picVersionInfo);
    versions->setContentsMargins(0, 0, 0, 0);
    versions->addWidget(lblVersionDetails, 0, 0, 1, 4);
    const std::pair<const char *, QLineEdit *> boxes[] = {
        {"Version majeure de la DLL :", txtDLLMajorVersion},
        {"Version mineure de la DLL :", txtDLLMinorVersion},
        {"Version majeure :", txtMajorVersion},
        {"Version mineure :", txtMinorVersion},
        {"Date de mise à jour :", txtReleaseDate},
        {"Site Internet :", txtHomePage},
    };
    for (int i = 0; i < 6; ++i) {
        boxes[i].second->setParent(picVersionInfo);
        QLabel *l = label(QString::fromUtf8(boxes[i].first), boxes[i].second);
        l->setParent(picVersionInfo);
        const int row = 1 + (i < 4 ? i / 2 : i - 2), col = i < 4 ? (i % 2) * 2 : 0;
        versions->addWidget(l, row, col);
        versions->addWidget(boxes[i].second, row, col + 1, 1, i < 4 ? 1 : 3);
    }

    auto *main = new QVBoxLayout(this);
    main->addWidget(picEncode);
    main->addLayout(buttons);
    main->addSpacing(6);
    main->addWidget(picVersionInfo);
    main->addStretch(1);
    QMargins m = main->contentsMargins();
    m.setBottom(m.bottom() + kBarStrip);
    main->setContentsMargins(m);
    resize(560, sizeHint().height());

    // Keyboard order: each path field, then its picker.
    setTabOrder(txtSourceFile, cmdPickSource);
    setTabOrder(cmdPickSource, txtOutputMp3File);
    setTabOrder(txtOutputMp3File, cmdPickMp3File);
    setTabOrder(cmdPickMp3File, cboOption);
    setTabOrder(cboOption, cmdEncode);
    setTabOrder(cmdEncode, Command1);

    connect(txtSourceFile, &QLineEdit::textChanged, this, &Mp3Encoder::updateEncodeState);
    connect(txtOutputMp3File, &QLineEdit::textChanged, this, &Mp3Encoder::updateEncodeState);
    connect(cmdPickSource, &QPushButton::clicked, this, &Mp3Encoder::cmdPickSource_Click);
    connect(cmdPickMp3File, &QPushButton::clicked, this, &Mp3Encoder::cmdPickMp3File_Click);
    connect(cmdEncode, &QPushButton::clicked, this, &Mp3Encoder::cmdEncode_Click);
    connect(Command1, &QPushButton::clicked, this, &QWidget::close);
    connect(cboOption, &QComboBox::currentIndexChanged, this, &Mp3Encoder::cboOption_Click);
}

void Mp3Encoder::Form_Load()
{
    try {
        const cLameEncoderVersion &v = m_cEncoder.Version();
        txtDLLMajorVersion->setText(QString::number(v.DllMajorVersion()));
        txtDLLMinorVersion->setText(QString::number(v.DllMinorVersion()));
        txtMajorVersion->setText(QString::number(v.MajorVersion()));
        txtMinorVersion->setText(QString::number(v.MinorVersion()));
        txtReleaseDate->setText(ReleaseDateText(v.ReleaseDate()));
        txtHomePage->setText(QString::fromStdString(v.HomePage()));
    } catch (const NumberedError &e) {
        // The window stays usable; told once it is on screen. A conversion would report it again.
        const QString text = Mp3ErrorText(e.Number(), QString::fromStdString(e.Description()));
        QTimer::singleShot(0, this, [this, text] { warn(text); });
    }

    m_bar.SetShowText(true);
    m_bar.SetBackColor(cProgressBar::kWindowBackground);
    m_bar.SetForeColor(cProgressBar::kWindowText);
    m_bar.SetBarColor(cProgressBar::kHighlight);
    m_bar.SetBarForeColor(cProgressBar::kHighlightText);

    for (const Mp3Preset &p : Mp3Presets())
        cboOption->addItem(p.caption, p.code);
    cboOption->setCurrentIndex(kDefaultPresetIndex);
    cboOption_Click(kDefaultPresetIndex); // also when the list already stood there
}

void Mp3Encoder::cboOption_Click(int index)
{
    if (index < 0 || m_conversion.Running())
        return;
    m_cEncoder.SetEncodingPreset(cboOption->itemData(index).toInt());
}

void Mp3Encoder::updateEncodeState()
{
    if (m_conversion.Running())
        return; // the fields are frozen; the encoder belongs to the worker
    const QString source = txtSourceFile->text(), output = txtOutputMp3File->text();
    const bool ok = Mp3EncodeAllowed(source, output);
    if (ok) {
        m_cEncoder.SetWavFile(source.toStdString());
        m_cEncoder.SetMp3File(output.toStdString());
        m_output = output;
    }
    cmdEncode->setEnabled(ok);
}

void Mp3Encoder::cmdPickSource_Click()
{
    OpenFileArgs a;
    a.Filter = kWavFilter;
    a.FilterIndex = 1;
    a.DefaultExt = QStringLiteral("WAV");
    a.FileMustExist = true;
    a.Owner = this;
    if (cCommonDialog().VBGetOpenFileName(a)) {
        txtSourceFile->setText(a.Filename);
        updateEncodeState();
    }
}

void Mp3Encoder::cmdPickMp3File_Click()
{
    SaveFileArgs a;
    a.Filename = SuggestMp3Name(txtSourceFile->text());
    a.Filter = kMp3Filter;
    a.FilterIndex = 1;
    a.DefaultExt = QStringLiteral("MP3");
    a.OverWritePrompt = true;
    a.Owner = this;
    if (cCommonDialog().VBGetSaveFileName(a)) {
        // The user agreed to replace it: it goes now, so that the path can be encoded to.
        if (FileExists(a.Filename))
            QFile::remove(a.Filename);
        txtOutputMp3File->setText(a.Filename);
        updateEncodeState();
    }
}

void Mp3Encoder::cmdEncode_Click()
{
    if (m_conversion.Running()) {
        m_conversion.Cancel(); // handed to the encoder at its next progress step
        return;
    }
    if (m_output.isEmpty() || !cmdEncode->isEnabled())
        return;
    if (!m_conversion.Start(m_output))
        return;
    cmdEncode->setText(kCancelCaption);
    picEncode->setEnabled(false);
}

void Mp3Encoder::onProgress(qint32 position, qint32 length, bool cancelled)
{
    if (cancelled) {
        m_bar.SetText(kMp3CancelledText);
        m_bar.SetMax(length);
        m_bar.SetValue(length);
    } else {
        m_bar.SetMax(length);
        m_bar.SetValue(position);
        m_bar.SetText(Mp3ProgressText(m_bar.Percent()));
    }
    update(ProgressRect());
}

void Mp3Encoder::onFinished(Mp3Conversion::Outcome outcome, long number, const QString &description)
{
    cmdEncode->setText(kEncodeCaption);
    picEncode->setEnabled(true);
    switch (outcome) {
    case Mp3Conversion::Outcome::Done:
        m_bar.SetText(Mp3ProgressText(m_bar.Percent()));
        break;
    case Mp3Conversion::Outcome::Cancelled:
        m_bar.SetText(kMp3CancelledText);
        m_bar.SetValue(m_bar.Max());
        break;
    case Mp3Conversion::Outcome::Failed:
        m_bar.SetText(QString());
        m_bar.SetValue(m_bar.Min());
        break;
    }
    update(ProgressRect());
    // The encoder is the window's again. The button keeps its state, so that the same
    // conversion can be run again over the output just written.
    cboOption_Click(cboOption->currentIndex());
    if (outcome == Mp3Conversion::Outcome::Failed)
        warn(Mp3ErrorText(number, description));
    emit EncodingFinished(outcome);
}

void Mp3Encoder::warn(const QString &text)
{
    Prompts().Message(this, kMp3EncoderTitle, text, UiPrompts::Icon::Exclamation);
}

QRect Mp3Encoder::ProgressRect() const
{
    const int w = width(), h = height();
    return QRect(QPoint(2, h - 22), QPoint(w - 2 - 1, h - 2 - 1));
}

void Mp3Encoder::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const int w = width(), h = height();
    m_bar.DrawToDC(nullptr, p, 2, h - 22, w - 2, h - 2);
}

void Mp3Encoder::closeEvent(QCloseEvent *e)
{
    if (m_conversion.Running()) {
        m_conversion.Cancel();
        m_conversion.Wait(); // at most one buffer's work; the outcome is shown at once
    }
    e->accept();
}
