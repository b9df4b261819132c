#include "FrmREC.h"

#include "common/NumberedError.h"
#include "core/Globals.h"
#include "core/MixerLauncher.h"
#include "core/Paths.h"
#include "core/Settings.h"
#include "media/MediaEngine.h"
#include "ui/FileDialogRules.h"
#include "ui/PictureButton.h"
#include "ui/Prompts.h"
#include "FrmFormatChooser.h"
#include "RecordingRules.h"
#include "WaveInRecorder.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

using namespace recording;

namespace {

// Sizes of the drawing surfaces, in pixels.
constexpr QSize kWaveSize(240, 64);
constexpr QSize kSpectrumSize(96, 64);
constexpr QSize kMeterSize(240, 10);
constexpr std::int32_t kMeterBackground = 0x202020;

const QString kChooserTitle = QStringLiteral("Selection du format WAV en sortie");

// The look of the window's picture buttons.
const ui::ButtonLook kButtons{.autoRaise = true};

} // namespace

SurfaceView::SurfaceView(QSize size, std::int32_t background, QWidget *parent)
    : QWidget(parent), m_surface(size, background)
{
    setFixedSize(size);
}

void SurfaceView::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawImage(QPoint(0, 0), m_surface.Image());
}

FrmREC::FrmREC(Services services, QWidget *parent) : QWidget(parent), m_services(std::move(services))
{
    setObjectName(QStringLiteral("FrmREC"));
    setWindowTitle(QStringLiteral("Enregistrement WAV"));
    buildControls();
    tmrVis = new QTimer(this);
    tmrVis->setObjectName(QStringLiteral("tmrVis"));
    tmrVis->setInterval(kTickMs);
    connect(tmrVis, &QTimer::timeout, this, &FrmREC::tmrVis_Timer);
}

FrmREC::~FrmREC()
{
    release();
}

void FrmREC::buildControls()
{
    auto *outer = new QVBoxLayout(this);

    // Input.
    frmInp = new QGroupBox(QStringLiteral("Entrée "), this);
    frmInp->setObjectName(QStringLiteral("frmInp"));
    auto *inp = new QGridLayout(frmInp);
    cboDev = new QComboBox(frmInp);
    cboDev->setObjectName(QStringLiteral("cboDev"));
    cboDev->setMinimumContentsLength(28);
    cboRecLine = new QComboBox(frmInp);
    cboRecLine->setObjectName(QStringLiteral("cboRecLine"));
    sldVol = new QSlider(Qt::Horizontal, frmInp);
    sldVol->setObjectName(QStringLiteral("sldVol"));
    sldVol->setRange(0, kVolumeMaximum);
    sldVol->setPageStep(2000);
    lblVolPer = new QLabel(QStringLiteral("0%"), frmInp);
    lblVolPer->setObjectName(QStringLiteral("lblVolPer"));
    lblVolPer->setMinimumWidth(40);
    const struct {
        const char16_t *caption;
        QWidget *field;
    } inputs[] = {{u"Dispositif  :", cboDev}, {u"Ligne :", cboRecLine}, {u"Volume :", sldVol}};
    for (int row = 0; row < 3; ++row) {
        auto *label = new QLabel(QString::fromUtf16(inputs[row].caption), frmInp);
        label->setBuddy(inputs[row].field);
        inp->addWidget(label, row, 0);
        inp->addWidget(inputs[row].field, row, 1);
    }
    inp->addWidget(lblVolPer, 2, 2);
    outer->addWidget(frmInp);

    // Output.
    frmOut = new QGroupBox(QStringLiteral("Sortie "), this);
    frmOut->setObjectName(QStringLiteral("frmOut"));
    auto *out = new QGridLayout(frmOut);
    txtFile = new QLineEdit(frmOut);
    txtFile->setObjectName(QStringLiteral("txtFile"));
    txtFile->setAccessibleName(QStringLiteral("Fichier d'enregistrement"));
    cmdBrowse = new QPushButton(QStringLiteral("..."), frmOut);
    cmdBrowse->setObjectName(QStringLiteral("cmdBrowse"));
    cmdBrowse->setToolTip(QStringLiteral("Modifier le nom du fichier d'enregistrement"));
    cmdBrowse->setAccessibleName(cmdBrowse->toolTip());
    Check1 = new QCheckBox(QStringLiteral("Incrém."), frmOut);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setToolTip(QStringLiteral("Incrémentation du nom de fichier d'enregistrement"));
    out->addWidget(txtFile, 0, 0, 1, 2);
    out->addWidget(cmdBrowse, 0, 2);
    out->addWidget(Check1, 0, 3);

    cboSamplerate = new QComboBox(frmOut);
    cboSamplerate->setObjectName(QStringLiteral("cboSamplerate"));
    cboSamplerate->setEditable(true);
    cboSamplerate->setInsertPolicy(QComboBox::NoInsert);
    cboSamplerate->addItems({QStringLiteral("44100"), QStringLiteral("22050"), QStringLiteral("11025"),
                             QStringLiteral("8000")});
    cboSamplerate->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), cboSamplerate));
    cboSamplerate->lineEdit()->installEventFilter(this);
    auto *rateLabel = new QLabel(QStringLiteral("Taux de compression :"), frmOut);
    rateLabel->setBuddy(cboSamplerate);
    chkStereo = new QCheckBox(QStringLiteral("Stéréo"), frmOut);
    chkStereo->setObjectName(QStringLiteral("chkStereo"));
    out->addWidget(rateLabel, 1, 0);
    out->addWidget(cboSamplerate, 1, 1);
    out->addWidget(chkStereo, 1, 2, 1, 2);

    txtWAVFmt = new QLineEdit(frmOut);
    txtWAVFmt->setObjectName(QStringLiteral("txtWAVFmt"));
    txtWAVFmt->setReadOnly(true);
    txtWAVFmt->setMinimumWidth(220);
    auto *fmtLabel = new QLabel(QStringLiteral("Format WAV :"), frmOut);
    fmtLabel->setBuddy(txtWAVFmt);
    cmdSelFmt = new QPushButton(QStringLiteral("..."), frmOut);
    cmdSelFmt->setObjectName(QStringLiteral("cmdSelFmt"));
    cmdSelFmt->setAccessibleName(kChooserTitle);
    cmdBrowse->setFixedWidth(32);
    cmdSelFmt->setFixedWidth(32);
    out->addWidget(fmtLabel, 2, 0);
    out->addWidget(txtWAVFmt, 2, 1);
    out->addWidget(cmdSelFmt, 2, 2);
    outer->addWidget(frmOut);

    // Effects.
    frmEffects = new QGroupBox(QStringLiteral("Effects /Filtres "), this);
    frmEffects->setObjectName(QStringLiteral("frmEffects"));
    auto *fx = new QHBoxLayout(frmEffects);
    const char16_t *fxNames[] = {u"Echo", u"Déphasage", u"Amplificateur", u"Egaliseur"};
    for (int i = 0; i < 4; ++i) {
        chkFX[i] = new QCheckBox(QString::fromUtf16(fxNames[i]), frmEffects);
        chkFX[i]->setObjectName(QStringLiteral("chkFX_%1").arg(i));
        fx->addWidget(chkFX[i]);
        connect(chkFX[i], &QCheckBox::toggled, this, [this, i] { chkFX_Click(i); });
    }
    cmdFXOpts = new QPushButton(QStringLiteral("Configuration..."), frmEffects);
    cmdFXOpts->setObjectName(QStringLiteral("cmdFXOpts"));
    fx->addWidget(cmdFXOpts);
    outer->addWidget(frmEffects);

    // Displays.
    auto *displays = new QGridLayout;
    picAmpl = new SurfaceView(kWaveSize, 0, this);
    picAmpl->setObjectName(QStringLiteral("picAmpl"));
    picFreq = new SurfaceView(kSpectrumSize, 0, this);
    picFreq->setObjectName(QStringLiteral("picFreq"));
    picVUL = new SurfaceView(kMeterSize, kMeterBackground, this);
    picVUL->setObjectName(QStringLiteral("picVUL"));
    picVUR = new SurfaceView(kMeterSize, kMeterBackground, this);
    picVUR->setObjectName(QStringLiteral("picVUR"));
    displays->addWidget(picAmpl, 0, 0, 1, 2);
    displays->addWidget(picFreq, 0, 2);
    displays->addWidget(new QLabel(QStringLiteral("Canal gauche :"), this), 1, 0);
    displays->addWidget(picVUL, 1, 1, 1, 2);
    displays->addWidget(new QLabel(QStringLiteral("Canal droit :"), this), 2, 0);
    displays->addWidget(picVUR, 2, 1, 1, 2);
    picVUL->setAccessibleName(QStringLiteral("Canal gauche :"));
    picVUR->setAccessibleName(QStringLiteral("Canal droit :"));
    outer->addLayout(displays);

    // Player, mixer and the two main buttons.
    auto *row = new QHBoxLayout;
    Command4 = ui::PictureButton(this, QStyle::SP_MediaPlay, QString(), kButtons, QStringLiteral("Command4"));
    Command4->setAccessibleName(QStringLiteral("Lecture"));
    Command5 = ui::PictureButton(this, QStyle::SP_MediaPause, QString(), kButtons, QStringLiteral("Command5"));
    Command5->setAccessibleName(QStringLiteral("Pause"));
    Command6 = ui::PictureButton(this, QStyle::SP_MediaStop, QString(), kButtons, QStringLiteral("Command6"));
    Command6->setAccessibleName(QStringLiteral("Arrêt"));
    Command7 = ui::PictureButton(this, QStyle::SP_DialogOpenButton, QStringLiteral("Ouvrir..."), kButtons, QStringLiteral("Command7"));
    Command8 = ui::PictureButton(this, QStyle::SP_MediaVolume, QStringLiteral("Réglage du volume"), kButtons, QStringLiteral("Command8"));
    Command9 = ui::PictureButton(this, QStyle::SP_ComputerIcon, QStringLiteral("Propriétés audio"), kButtons, QStringLiteral("Command9"));
    Command1 = ui::PictureButton(this, QStyle::SP_DialogSaveButton, QStringLiteral("Fermer et Enregistrer les paramètres..."), kButtons, QStringLiteral("Command1"));
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setMinimumWidth(120);
    row->addWidget(Label1, 1);
    for (QToolButton *b : {Command4, Command5, Command6, Command7})
        row->addWidget(b);
    row->addSpacing(12);
    row->addWidget(Command8);
    row->addWidget(Command9);
    row->addSpacing(12);
    cmdDo = new QPushButton(QStringLiteral("Enregistrer"), this);
    cmdDo->setObjectName(QStringLiteral("cmdDo"));
    row->addWidget(cmdDo);
    row->addWidget(Command1);
    outer->addLayout(row);

    sbar = new QStatusBar(this);
    sbar->setObjectName(QStringLiteral("sbar"));
    sbar->setSizeGripEnabled(false);
    sbarSize = new QLabel(kIdleSize, sbar);
    sbarDuration = new QLabel(kIdleDuration, sbar);
    sbar->addWidget(sbarSize, 1);
    sbar->addWidget(sbarDuration, 1);
    outer->addWidget(sbar);

    connect(cboDev, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_selecting && cboDev->currentIndex() >= 0)
            cboDev_Click();
    });
    connect(cboRecLine, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_selecting && cboRecLine->currentIndex() >= 0)
            cboRecLine_Click();
    });
    connect(sldVol, &QSlider::valueChanged, this, &FrmREC::sldVol_Change);
    connect(cboSamplerate, &QComboBox::activated, this, [this] { rateOrStereoChanged(true); });
    connect(chkStereo, &QCheckBox::toggled, this, [this] { rateOrStereoChanged(false); });
    connect(cmdSelFmt, &QPushButton::clicked, this, &FrmREC::cmdSelFmt_Click);
    connect(Check1, &QCheckBox::toggled, this, &FrmREC::Check1_Click);
    connect(cmdBrowse, &QPushButton::clicked, this, &FrmREC::cmdBrowse_Click);
    connect(cmdFXOpts, &QPushButton::clicked, this, [this] {
        if (m_session && m_services.openEffects)
            m_services.openEffects(*DSP(), this);
    });
    connect(cmdDo, &QPushButton::clicked, this, &FrmREC::cmdDo_Click);
    connect(Command1, &QToolButton::clicked, this, &FrmREC::Command1_Click);
    connect(Command7, &QToolButton::clicked, this, &FrmREC::Command7_Click);
    connect(Command4, &QToolButton::clicked, this, [this] {
        if (m_player && m_player->isPaused() && m_player->state() != MediaEngine::State::Idle)
            m_player->setPaused(false);
        else if (!m_playerFile.isEmpty())
            Player()->play(m_playerFile);
    });
    connect(Command5, &QToolButton::clicked, this, [this] {
        if (m_player && m_player->state() != MediaEngine::State::Idle)
            m_player->setPaused(true);
    });
    connect(Command6, &QToolButton::clicked, this, [this] {
        if (m_player)
            m_player->stop();
    });
    connect(Command8, &QToolButton::clicked, this, [this] {
        if (!mixer::StartMixer())
            Prompts().Message(this, mixer::kMixerTitle, mixer::MixerMissingText(), UiPrompts::Icon::Exclamation);
    });
    connect(Command9, &QToolButton::clicked, this, [] { mixer::StartMixer(mixer::Page::InputDevices); });
}

// ---------------------------------------------------------------------------------------------
// Start-up and closing

void FrmREC::Form_Load()
{
    m_needsLoad = false;
    // 1. The default file name.
    txtFile->setText(WithBackslash(G().wavFolder) + QStringLiteral("Enregistrement.wav"));

    // 2. The engines.
    m_smoothL = std::make_unique<clsSmooth>();
    m_smoothR = std::make_unique<clsSmooth>();
    m_smoothL->SmoothNew(3);
    m_smoothR->SmoothNew(3);
    std::unique_ptr<WaveInRecorder> recorder =
        m_services.makeRecorder ? m_services.makeRecorder() : std::make_unique<WaveInRecorder>();
    if (recorder) {
        m_session = std::make_unique<RecordingSession>(std::move(recorder));
        connect(m_session.get(), &RecordingSession::stateChanged, this, &FrmREC::sessionStateChanged);
    }
    m_draw = std::make_unique<clsDraw>();
    for (QCheckBox *box : chkFX)
        box->setChecked(false);

    // 3. Rate, stereo, the processed buffer.
    cboSamplerate->setCurrentIndex(0);
    cboSamplerate->setEditText(QStringLiteral("44100"));
    chkStereo->setChecked(true);
    m_loaded = true;

    // 4. The output format.
    showFormat();

    // 5. The devices.
    m_selecting = true;
    cboDev->clear();
    cboRecLine->clear();
    if (m_session) {
        const qint32 count = Recorder()->DeviceCount();
        for (qint32 i = 0; i < count; ++i)
            cboDev->addItem(Recorder()->DeviceName(i));
    }
    cboDev->setCurrentIndex(-1);
    m_selecting = false;

    // 6. The effects processor.
    try {
        if (m_session) {
            DSP()->setSampleRate(qint32(ValLong(cboSamplerate->currentText())));
            DSP()->setChannels(chkStereo->isChecked() ? 2 : 1);
        }
    } catch (const NumberedError &) {
    }

    // 7. The settings. A saved device name found in the list wins over the saved list index,
    // which only serves when the devices changed names.
    const int named = cboDev->findText(settings::GetSetting(QStringLiteral("Dispositif"), QStringLiteral("Aucun")));
    if (named >= 0)
        cboDev->setCurrentIndex(named);
    const int line = cboRecLine->findText(settings::GetSetting(QStringLiteral("RecLine"), QStringLiteral("Aucun")));
    if (line >= 0)
        cboRecLine->setCurrentIndex(line);
    const long volume = ValLong(settings::GetSetting(QStringLiteral("VolumeREC"), QStringLiteral("50")));
    if (volume >= 0 && volume <= kVolumeMaximum) {
        sldVol->setValue(int(volume));
        lblVolPer->setText(VolumePercentText(int(volume), kVolumeMaximum));
    }
    Check1->setChecked(ValLong(settings::GetSetting(QStringLiteral("IncREC"), QStringLiteral("0"))) == 1);
    const long index = ValLong(settings::GetSetting(QStringLiteral("IndexREC"), QStringLiteral("0")));
    if (named < 0 && index >= 0 && index < cboDev->count())
        cboDev->setCurrentIndex(int(index));

    // 8. The file name's controls follow "Incrém.".
    Check1_Click();
    prepareInput();
    tmrVis->start();
}

void FrmREC::showEvent(QShowEvent *event)
{
    if (m_needsLoad)
        Form_Load();
    QWidget::showEvent(event);
}

void FrmREC::closeEvent(QCloseEvent *event)
{
    release();
    QWidget::closeEvent(event);
}

void FrmREC::release()
{
    if (tmrVis)
        tmrVis->stop();
    if (m_player)
        m_player->stop();
    if (m_session)
        m_session->disconnect(this);
    m_session.reset(); // ends a recording still running, completing its file
    m_loaded = false;
    m_needsLoad = true;
}

bool FrmREC::IsRecording() const
{
    return m_session && m_session->IsActive();
}

// ---------------------------------------------------------------------------------------------
// Input

void FrmREC::cboDev_Click()
{
    if (!m_session)
        return;
    m_selecting = true;
    cboRecLine->clear();
    const bool selected = Recorder()->SelectDevice(cboDev->currentIndex());
    if (selected) {
        const qint32 count = Recorder()->MixerLineCount();
        for (qint32 i = 0; i < count; ++i)
            cboRecLine->addItem(Recorder()->MixerLineName(i));
        cboRecLine->setCurrentIndex(-1);
    }
    m_selecting = false;
    if (!selected) {
        warn(QStringLiteral("Ne peut pas sélectionner le dispositif !"));
        return;
    }
    const qint32 line = Recorder()->SelectedMixerLine();
    if (line >= 0 && line < cboRecLine->count()) {
        m_selecting = true;
        cboRecLine->setCurrentIndex(line);
        m_selecting = false;
        cboRecLine_Click();
    }
    prepareInput();
}

void FrmREC::cboRecLine_Click()
{
    if (!m_session)
        return;
    if (!Recorder()->SelectMixerLine(cboRecLine->currentIndex()))
        warn(QStringLiteral("Ne peut pas sélectionner la ligne !"));
    const int volume = std::clamp<qint32>(Recorder()->MixerLineVolume(), 0, kVolumeMaximum);
    if (sldVol->value() != volume)
        sldVol->setValue(volume); // the change handler follows
    else
        sldVol_Change();
}

void FrmREC::sldVol_Change()
{
    if (m_session)
        Recorder()->SetMixerLineVolume(sldVol->value());
    lblVolPer->setText(VolumePercentText(sldVol->value(), kVolumeMaximum));
}

// ---------------------------------------------------------------------------------------------
// Output

void FrmREC::rateOrStereoChanged(bool rate)
{
    if (!m_loaded)
        return;
    cmdSelFmt_Click();
    try {
        if (rate)
            DSP()->setSampleRate(qint32(ValLong(cboSamplerate->currentText())));
        else
            DSP()->setChannels(chkStereo->isChecked() ? 2 : 1);
    } catch (const NumberedError &) {
        // A rate the effects cannot run at is refused when the recording starts.
    }
    prepareInput();
}

void FrmREC::cmdSelFmt_Click()
{
    if (!m_session)
        return;
    Encoder()->SelectFormat(qint32(ValLong(cboSamplerate->currentText())), qint16(chkStereo->isChecked() ? 2 : 1),
                            formatChooser(), kChooserTitle.toStdString());
    showFormat();
}

void FrmREC::showFormat()
{
    if (m_session)
        txtWAVFmt->setText(QString::fromStdString(Encoder()->FormatTag()) + QStringLiteral(" - ") +
                           QString::fromStdString(Encoder()->FormatID()));
    txtWAVFmt->setCursorPosition(0);
}

FormatChooser *FrmREC::formatChooser()
{
    if (m_services.formatChooser)
        return m_services.formatChooser;
    if (!m_chooser)
        m_chooser = std::make_unique<FrmFormatChooser>(this);
    return m_chooser.get();
}

void FrmREC::Check1_Click()
{
    const bool manual = !Check1->isChecked();
    cmdBrowse->setEnabled(manual);
    txtFile->setEnabled(manual);
}

void FrmREC::cmdBrowse_Click()
{
    if (!m_session)
        return;
    const QString filter = QtNameFilter(BrowseFilter(QString::fromStdString(Encoder()->Encoder_Description()),
                                                 QString::fromStdString(Encoder()->Encoder_Extension())));
    const QString name = chooseFile(G().wavFolder, filter, true);
    if (!name.isEmpty())
        txtFile->setText(WithWavExtension(name));
}

bool FrmREC::eventFilter(QObject *watched, QEvent *event)
{
    // The rate box: Backspace and digits only, five characters at most.
    if (watched == cboSamplerate->lineEdit() && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        if (key->key() == Qt::Key_Backspace)
            return false;
        if (!text.isEmpty() && text.at(0).isPrint() && !RateKeyAccepted(cboSamplerate->currentText(), text.at(0)))
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------
// Effects

void FrmREC::chkFX_Click(int index)
{
    if (m_session)
        DSP()->setEffectsUsed(EffectBits(DSP()->EffectsUsed(), index, chkFX[index]->isChecked()));
}

// ---------------------------------------------------------------------------------------------
// Recording

void FrmREC::cmdDo_Click()
{
    if (!m_session)
        return;
    if (Check1->isChecked()) {
        // The file of a recording still running counts as taken.
        const QString name = NextRecordingName(G().wavFolder, IsRecording() ? m_session->FileName() : QString());
        txtFile->setText(name);
        txtFile->setToolTip(name);
    }
    if (IsRecording()) {
        m_session->Stop();
        return;
    }
    if (txtFile->text().isEmpty()) {
        warn(QStringLiteral("Erreur ! Pas de nom de fichier pour l'enregistrement!"));
        return;
    }
    if (cboDev->currentIndex() == -1) {
        warn(QStringLiteral("Pas de dispositif sélectionné !"));
        return;
    }
    const long rate = ValLong(cboSamplerate->currentText());
    if (!RateSupported(rate)) {
        warn(kRateRefused);
        return;
    }
    const qint16 channels = chkStereo->isChecked() ? 2 : 1;
    if (!m_session->Start(txtFile->text(), qint32(rate), channels)) {
        if (m_session->failure() == RecordingSession::Failure::EncoderRefused)
            warn(QStringLiteral("Ne peut pas initialiser l'encodeur !"));
        else if (m_session->failure() == RecordingSession::Failure::RateRefused)
            warn(kRateRefused);
        else
            warn(QStringLiteral("Ne peut pas démarrer l'enregistrement !"));
    }
}

// The controls follow the session: frozen while a recording starts, runs or ends, back when it
// has ended, with a word when it ended by itself.
void FrmREC::sessionStateChanged(RecordingSession::State state)
{
    const bool active = m_session && m_session->IsActive();
    cmdDo->setText(active ? QStringLiteral("Stopper") : QStringLiteral("Enregistrer"));
    cmdDo->setEnabled(state != RecordingSession::State::Stopping);
    frmOut->setEnabled(!active);
    frmInp->setEnabled(!active);
    Command1->setEnabled(!active);
    if (state != RecordingSession::State::Failed || !m_session)
        return;
    QString text;
    switch (m_session->failure()) {
    case RecordingSession::Failure::WriteError:
        text = QStringLiteral("Write error (no disk space left?)!");
        break;
    case RecordingSession::Failure::SoundLost:
        text = SoundLostText(m_session->loss() == capture::Loss::Server, QFileInfo(m_session->FileName()).fileName(),
                             m_session->FramesRecorded() > 0);
        break;
    default:
        return; // refused starts are told where they were refused
    }
    // Told once the capture's delivery that reported it has returned.
    QMetaObject::invokeMethod(this, [this, text] { warn(text); }, Qt::QueuedConnection);
}

// Keeps the chosen device's sound flowing in the chosen format, ready for a start.
void FrmREC::prepareInput()
{
    if (!m_session || m_session->IsActive() || cboDev->currentIndex() < 0)
        return;
    const long rate = ValLong(cboSamplerate->currentText());
    if (RateSupported(rate))
        m_session->Prepare(qint32(rate), chkStereo->isChecked() ? 2 : 1);
}

std::span<const qint16> FrmREC::ProcessedBuffer() const
{
    return m_session ? m_session->ProcessedBuffer() : std::span<const qint16>(m_idleBuffer);
}

void FrmREC::tmrVis_Timer()
{
    if (!IsRecording()) {
        if (sbarSize->text() != kIdleSize)
            sbarSize->setText(kIdleSize);
        if (sbarDuration->text() != kIdleDuration)
            sbarDuration->setText(kIdleDuration);
        return;
    }
    const std::span<const qint16> processed = ProcessedBuffer();
    m_draw->DrawAmplitudes(processed, picAmpl->Surface());
    m_draw->DrawFrequencies(processed, picFreq->Surface());
    const MeterPeakValues peaks = MeterPeaks(processed, chkStereo->isChecked());
    m_smoothL->SmoothAdd(float(peaks.left));
    m_smoothR->SmoothAdd(float(peaks.right));
    DrawLevelBar(picVUL->Surface(), m_smoothL->SmoothGetMax() / 32768.0);
    DrawLevelBar(picVUR->Surface(), m_smoothR->SmoothGetMax() / 32768.0);
    for (QWidget *w : {static_cast<QWidget *>(picAmpl), static_cast<QWidget *>(picFreq),
                       static_cast<QWidget *>(picVUL), static_cast<QWidget *>(picVUR)})
        w->update();
    sbarSize->setText(kSizePrefix + SizeText(QFileInfo(m_session->WorkingFileName()).size()));
    sbarDuration->setText(kDurationPrefix + DurationText(ElapsedMs()));
}

// ---------------------------------------------------------------------------------------------
// Settings, player, messages

void FrmREC::Command1_Click()
{
    settings::SaveSetting(QStringLiteral("Dispositif"), settings::TrimSpaces(cboDev->currentText()));
    settings::SaveSetting(QStringLiteral("RecLine"), settings::TrimSpaces(cboRecLine->currentText()));
    settings::SaveSetting(QStringLiteral("VolumeREC"), QString::number(sldVol->value()));
    settings::SaveSetting(QStringLiteral("IncREC"), Check1->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    settings::SaveSetting(QStringLiteral("IndexREC"), QString::number(cboDev->currentIndex()));
    settings::Flush();
    close();
}

MediaEngine *FrmREC::Player()
{
    if (!m_player) {
        // The player plays beside the other streams: recording what the desktop plays must not
        // be cut by it, nor cut it.
        m_player = new MediaEngine(this);
        m_player->setPolicy(nullptr);
        if (m_services.preparePlayer)
            m_services.preparePlayer(*m_player);
    }
    return m_player;
}

void FrmREC::Command7_Click()
{
    const QString name = chooseFile(G().wavFolder, QtNameFilter(kPlayerFilter), false);
    Player()->stop();
    m_playerFile = name;
    if (!name.isEmpty())
        Label1->setText(QFileInfo(name).fileName());
}

void FrmREC::warn(const QString &text)
{
    Prompts().Message(this, kAppTitle, text, UiPrompts::Icon::Exclamation);
}

QString FrmREC::chooseFile(const QString &folder, const QString &filter, bool save)
{
    if (save)
        return Prompts().SaveFileName(this, QString(), WithBackslash(folder), filter);
    return Prompts().OpenFileName(this, QString(), WithBackslash(folder), filter);
}
