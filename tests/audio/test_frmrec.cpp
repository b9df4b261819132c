// The recording window on the in-memory sound system: start-up and its settings, device and line
// selection, every warning of a start in its order, recording with the effects into a WAV file,
// the display tick, auto-increment, a full disk, the format chooser and closing while recording.
#include "audio/FrmFormatChooser.h"
#include "audio/FrmREC.h"
#include "audio/RecordingRules.h"
#include "audio/WaveInRecorder.h"
#include "core/Globals.h"
#include "core/Settings.h"
#include "FakeCapture.h"
#include "FakePrompts.h"
#include "TestUtil.h"

#include <QApplication>
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <cmath>
#include <gtest/gtest.h>

using namespace capture;

namespace {

// A chooser that records what it was shown and answers with a queued index (or cancels).
struct FakeChooser : FormatChooser {
    std::optional<size_t> answer;
    int calls = 0;
    std::string title;
    std::vector<WaveFormatChoice> shown;
    std::optional<size_t> ChooseFormat(const std::vector<WaveFormatChoice> &formats, const std::string &t) override
    {
        ++calls;
        title = t;
        shown = formats;
        return answer;
    }
};

struct WavFile {
    bool ok = false;
    quint16 format = 0, channels = 0, bits = 0;
    quint32 rate = 0, riffSize = 0, dataSize = 0;
    qint64 fileSize = 0;
    std::vector<qint16> samples;
};

WavFile readWav(const QString &name)
{
    WavFile w;
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly))
        return w;
    const QByteArray b = f.readAll();
    w.fileSize = b.size();
    if (b.size() < 44 || !b.startsWith("RIFF") || b.mid(8, 8) != "WAVEfmt " || b.mid(38, 4) != "data")
        return w;
    auto u16 = [&](int at) { return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8); };
    auto u32 = [&](int at) { return quint32(u16(at)) | quint32(u16(at + 2)) << 16; };
    w.riffSize = u32(4);
    w.format = u16(20);
    w.channels = u16(22);
    w.rate = u32(24);
    w.bits = u16(34);
    w.dataSize = u32(42);
    for (qsizetype i = 46; i + 1 < b.size(); i += 2)
        w.samples.push_back(qint16(u16(int(i))));
    w.ok = true;
    return w;
}

int barWidth(SurfaceView *view)
{
    const QImage &img = view->Surface().Image();
    const QRgb background = img.pixel(img.width() - 1, img.height() / 2);
    int n = 0;
    for (int x = 0; x < img.width(); ++x)
        n += img.pixel(x, img.height() / 2) != background;
    return n;
}

// Also keeps the filters the file choosers were given.
struct RecordingPrompts : FakePrompts {
    QStringList filters;
    QList<bool> saves;
    QString OpenFileName(QWidget *w, const QString &t, const QString &f, const QString &filter, QString *sel) override
    {
        filters << filter;
        saves << false;
        return FakePrompts::OpenFileName(w, t, f, filter, sel);
    }
    QString SaveFileName(QWidget *w, const QString &t, const QString &f, const QString &filter, QString *sel) override
    {
        filters << filter;
        saves << true;
        return FakePrompts::SaveFileName(w, t, f, filter, sel);
    }
    // The warnings shown, checking that each is an exclamation box titled with the program's name.
    QStringList messages() const
    {
        QStringList texts;
        for (const Shown &m : shown) {
            if (m.kind != QStringLiteral("message"))
                continue;
            EXPECT_EQ(m.title, QStringLiteral("Tavilune"));
            EXPECT_EQ(m.icon, Icon::Exclamation);
            texts << m.text;
        }
        return texts;
    }
};

class FrmRECTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        prog = dir.path() + QStringLiteral("/prog");
        wav = prog + QStringLiteral("/Wav");
        QDir().mkpath(wav);
        SetProgramFolder(prog);
        settings::UseFile(dir.filePath(QStringLiteral("Tavilune.conf")));
        G() = ProgramValues{};
        G().wavFolder = wav;

        FakeDevice card;
        card.name = "Carte son";
        card.lines = {{"Micro", kComponentSrcMicrophone, 2, {100, 200}},
                      {"Entrée ligne", kComponentSrcLine, 2, {30000, 30000}}};
        card.mux = {0, 1}; // line 0 active
        FakeDevice webcam;
        webcam.name = "Webcam";
        webcam.mixerFails = true;
        state->devices = {card, webcam};
    }
    void TearDown() override
    {
        settings::UseFile(QString());
        SetProgramFolder(QString());
    }

    std::unique_ptr<FrmREC> makeWindow()
    {
        FrmREC::Services s;
        s.makeRecorder = [this] { return std::make_unique<WaveInRecorder>(std::make_unique<FakeCapture>(state)); };
        s.formatChooser = &chooser;
        s.openEffects = [this](clsDSP &dsp, QWidget *) { effectsOpenedWith = &dsp; };
        auto w = std::make_unique<FrmREC>(s);
        w->show();
        return w;
    }
    // Fills `count` capture buffers of the running recording with `value` (full buffers).
    void feed(int count, qint16 value)
    {
        for (int i = 0; i < count; ++i)
            ASSERT_TRUE(state->fillNext(10240, value));
    }

    QTemporaryDir dir;
    QString prog, wav;
    std::shared_ptr<FakeState> state = std::make_shared<FakeState>();
    RecordingPrompts prompts;
    FakeChooser chooser;
    clsDSP *effectsOpenedWith = nullptr;
};

TEST_F(FrmRECTest, StartUpFillsTheControlsInOrderWithTheDefaults)
{
    auto w = makeWindow();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Enregistrement WAV"));
    EXPECT_TRUE(w->IsLoaded());
    EXPECT_EQ(w->txtFile->text(), wav + QStringLiteral("/Enregistrement.wav"));
    EXPECT_EQ(w->cboSamplerate->currentText(), QStringLiteral("44100"));
    EXPECT_EQ(w->cboSamplerate->count(), 4);
    EXPECT_EQ(w->cboSamplerate->itemText(3), QStringLiteral("8000"));
    EXPECT_TRUE(w->chkStereo->isChecked());
    EXPECT_EQ(w->txtWAVFmt->text(), QStringLiteral("PCM - ") + QString::fromStdString(w->Encoder()->FormatID()));
    EXPECT_TRUE(w->txtWAVFmt->text().startsWith(QStringLiteral("PCM - 44")));
    EXPECT_EQ(w->ProcessedBuffer().size(), 1024u);
    EXPECT_EQ(w->DSP()->SampleRate(), 44100);
    EXPECT_EQ(w->DSP()->Channels(), 2);
    EXPECT_EQ(w->DSP()->EffectsUsed(), 0);
    ASSERT_EQ(w->cboDev->count(), 2);
    EXPECT_EQ(w->cboDev->itemText(1), QStringLiteral("Webcam"));
    // IndexREC "0" selects the first device; its active line is selected and sets the volume.
    EXPECT_EQ(w->cboDev->currentIndex(), 0);
    ASSERT_EQ(w->cboRecLine->count(), 2);
    EXPECT_EQ(w->cboRecLine->currentIndex(), 0);
    EXPECT_EQ(w->sldVol->value(), 100);
    EXPECT_EQ(w->lblVolPer->text(), QStringLiteral("0%"));
    EXPECT_FALSE(w->Check1->isChecked());
    EXPECT_TRUE(w->cmdBrowse->isEnabled());
    EXPECT_TRUE(w->txtFile->isEnabled());
    for (QCheckBox *box : w->chkFX)
        EXPECT_FALSE(box->isChecked());
    EXPECT_EQ(w->cmdDo->text(), QStringLiteral("Enregistrer"));
    w->tmrVis_Timer();
    EXPECT_EQ(w->sbarSize->text(), QStringLiteral("Taille : 0 Octet"));
    EXPECT_EQ(w->sbarDuration->text(), QStringLiteral("Durée : 0:00"));
    EXPECT_TRUE(prompts.messages().isEmpty()) << prompts.messages().join(QLatin1Char('|')).toStdString();

    // Texts and tips of the controls.
    EXPECT_EQ(w->frmInp->title(), QStringLiteral("Entrée "));
    EXPECT_EQ(w->frmOut->title(), QStringLiteral("Sortie "));
    EXPECT_EQ(w->frmEffects->title(), QStringLiteral("Effects /Filtres "));
    EXPECT_EQ(w->chkFX[1]->text(), QStringLiteral("Déphasage"));
    EXPECT_EQ(w->chkFX[3]->text(), QStringLiteral("Egaliseur"));
    EXPECT_EQ(w->Check1->text(), QStringLiteral("Incrém."));
    EXPECT_EQ(w->Check1->toolTip(), QStringLiteral("Incrémentation du nom de fichier d'enregistrement"));
    EXPECT_EQ(w->cmdBrowse->toolTip(), QStringLiteral("Modifier le nom du fichier d'enregistrement"));
    EXPECT_EQ(w->Command1->toolTip(), QStringLiteral("Fermer et Enregistrer les paramètres..."));
    EXPECT_EQ(w->Command7->accessibleName(), QStringLiteral("Ouvrir..."));
    EXPECT_EQ(w->Command8->toolTip(), QStringLiteral("Réglage du volume"));
    EXPECT_EQ(w->Command9->toolTip(), QStringLiteral("Propriétés audio"));
    EXPECT_EQ(w->sldVol->maximum(), 65535);
    EXPECT_EQ(w->sldVol->pageStep(), 2000);
    int buddies = 0;
    for (QLabel *l : w->findChildren<QLabel *>())
        buddies += l->buddy() != nullptr;
    EXPECT_EQ(buddies, 5); // device, line, volume, rate, format
}

TEST_F(FrmRECTest, SettingsAreReadAtStartUpAndWrittenByCommand1)
{
    settings::SaveSetting(QStringLiteral("Dispositif"), QStringLiteral("Carte son"));
    settings::SaveSetting(QStringLiteral("RecLine"), QStringLiteral("Entrée ligne"));
    settings::SaveSetting(QStringLiteral("VolumeREC"), QStringLiteral("40000"));
    settings::SaveSetting(QStringLiteral("IncREC"), QStringLiteral("1"));
    settings::SaveSetting(QStringLiteral("IndexREC"), QStringLiteral("1"));
    auto w = makeWindow();
    EXPECT_EQ(w->cboDev->currentIndex(), 0); // the saved name wins over the index
    EXPECT_EQ(w->cboRecLine->currentText(), QStringLiteral("Entrée ligne"));
    EXPECT_EQ(state->devices[0].mux, (std::vector<std::uint32_t>{1, 0}));
    EXPECT_EQ(w->sldVol->value(), 40000);
    EXPECT_EQ(state->devices[0].lines[1].volume[0], 40000u);
    EXPECT_EQ(w->lblVolPer->text(), QStringLiteral("61%"));
    EXPECT_TRUE(w->Check1->isChecked());
    EXPECT_FALSE(w->cmdBrowse->isEnabled());
    EXPECT_FALSE(w->txtFile->isEnabled());

    w->sldVol->setValue(65535);
    EXPECT_EQ(w->lblVolPer->text(), QStringLiteral("100%"));
    EXPECT_EQ(state->devices[0].lines[1].volume[1], 65535u);
    w->Check1->click();
    EXPECT_TRUE(w->cmdBrowse->isEnabled());
    w->Command1->click();
    EXPECT_FALSE(w->isVisible());
    const struct {
        const char *key, *value;
    } keys[] = {{"Dispositif", "Carte son"}, {"RecLine", "Entrée ligne"}, {"VolumeREC", "65535"},
                {"IncREC", "0"},             {"IndexREC", "0"}};
    for (const auto &k : keys)
        EXPECT_EQ(settings::GetSetting(QString::fromLatin1(k.key)), QString::fromUtf8(k.value)) << k.key;

    // A saved name no longer in the list: the saved index chooses.
    settings::SaveSetting(QStringLiteral("Dispositif"), QStringLiteral("Carte disparue"));
    settings::SaveSetting(QStringLiteral("IndexREC"), QStringLiteral("1"));
    w->show(); // showing again runs the start-up sequence again
    EXPECT_EQ(w->cboDev->currentIndex(), 1);
    EXPECT_EQ(prompts.messages(), QStringList{QStringLiteral("Ne peut pas sélectionner le dispositif !")});
    EXPECT_EQ(w->cboRecLine->count(), 0);
}

TEST_F(FrmRECTest, EveryRefusedStartWarnsInTheOrderGivenAndStaysIdle)
{
    const struct {
        const char *what;
        std::function<void(FrmREC &, FakeState &)> setUp;
        const char16_t *message;
    } cases[] = {
        {"no file name", [](FrmREC &w, FakeState &) { w.txtFile->clear(); },
         u"Erreur ! Pas de nom de fichier pour l'enregistrement!"},
        {"no name and no device",
         [](FrmREC &w, FakeState &) {
             w.txtFile->clear();
             w.cboDev->setCurrentIndex(-1);
         },
         u"Erreur ! Pas de nom de fichier pour l'enregistrement!"},
        {"no device", [](FrmREC &w, FakeState &) { w.cboDev->setCurrentIndex(-1); }, u"Pas de dispositif sélectionné !"},
        {"rate beyond the effects", [](FrmREC &w, FakeState &) { w.cboSamplerate->setEditText(QStringLiteral("99999")); },
         u"Taux d'échantillonnage non pris en charge : choisissez entre 1 et 96000 Hz !"},
        {"empty rate", [](FrmREC &w, FakeState &) { w.cboSamplerate->setEditText(QString()); },
         u"Taux d'échantillonnage non pris en charge : choisissez entre 1 et 96000 Hz !"},
        {"file cannot be created",
         [](FrmREC &w, FakeState &) { w.txtFile->setText(w.txtFile->text() + QStringLiteral("/missing/x.wav")); },
         u"Ne peut pas initialiser l'encodeur !"},
        // The window keeps its device open once chosen: these devices refuse from now on.
        {"capture refuses the rate",
         [](FrmREC &w, FakeState &s) {
             s.maxRate = 22050;
             w.Session()->Release();
         },
         u"Ne peut pas démarrer l'enregistrement !"},
        {"capture fails to start",
         [](FrmREC &w, FakeState &s) {
             s.failStart = true;
             w.Session()->Release();
         },
         u"Ne peut pas démarrer l'enregistrement !"},
    };
    for (const auto &c : cases) {
        state->maxRate = 48000;
        state->failStart = false;
        prompts.shown.clear();
        auto w = makeWindow();
        c.setUp(*w, *state);
        w->cmdDo->click();
        EXPECT_EQ(prompts.messages(), QStringList{QString::fromUtf16(c.message)}) << c.what;
        EXPECT_FALSE(w->IsRecording()) << c.what;
        EXPECT_EQ(w->cmdDo->text(), QStringLiteral("Enregistrer")) << c.what;
        EXPECT_TRUE(w->frmOut->isEnabled() && w->frmInp->isEnabled() && w->Command1->isEnabled()) << c.what;
        EXPECT_EQ(w->BytesPerSecond(), 0) << c.what;
        // A capture that does not start leaves no file behind.
        EXPECT_FALSE(QFile::exists(wav + QStringLiteral("/Enregistrement.wav"))) << c.what;
        EXPECT_FALSE(w->Encoder()->IsOpen()) << c.what;
    }
}

TEST_F(FrmRECTest, RecordsTheProcessedSoundAndShowsItWhileRecording)
{
    auto w = makeWindow();
    w->chkFX[2]->click(); // amplifier, 3 dB by default
    w->DSP()->setAmplifyDB(6);
    EXPECT_EQ(w->DSP()->EffectsUsed(), 4);
    w->cmdDo->click();
    ASSERT_TRUE(w->IsRecording()) << prompts.messages().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(w->cmdDo->text(), QStringLiteral("Stopper"));
    EXPECT_FALSE(w->frmOut->isEnabled() || w->frmInp->isEnabled() || w->Command1->isEnabled());
    EXPECT_TRUE(w->frmEffects->isEnabled());
    EXPECT_EQ(w->BytesPerSecond(), 176400);
    EXPECT_EQ(state->format.SamplesPerSec, 44100u);

    feed(3, 1000);
    EXPECT_EQ(w->ElapsedMs(), 174); // 58 ms per buffer, rounded each time
    const qint16 amplified = w->ProcessedBuffer()[0];
    EXPECT_NEAR(amplified, 1995, 2); // 1000 raised by 6 dB
    w->tmrVis_Timer();
    EXPECT_EQ(w->sbarSize->text(), QStringLiteral("Taille : 30 Ko")); // 46 + 3 × 10240 bytes
    EXPECT_EQ(w->sbarDuration->text(), QStringLiteral("Durée : 0:00"));
    // Both meters: the mean of one peak of 1995 over the ring / 32768 of 240 pixels.
    EXPECT_EQ(barWidth(w->picVUL), int(std::nearbyint(240.0 * amplified / 32768.0)));
    EXPECT_EQ(barWidth(w->picVUR), barWidth(w->picVUL));

    // Effects changed while recording apply from the next buffer.
    w->chkFX[2]->click();
    feed(1, 1000);
    EXPECT_EQ(w->ProcessedBuffer()[0], 1000);

    w->cmdDo->click();
    EXPECT_FALSE(w->IsRecording());
    EXPECT_EQ(w->cmdDo->text(), QStringLiteral("Enregistrer"));
    EXPECT_EQ(w->ElapsedMs(), 0);
    EXPECT_EQ(w->BytesPerSecond(), 0);
    EXPECT_TRUE(w->frmOut->isEnabled() && w->Command1->isEnabled());
    const WavFile f = readWav(wav + QStringLiteral("/Enregistrement.wav"));
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.format, 1);
    EXPECT_EQ(f.channels, 2);
    EXPECT_EQ(f.rate, 44100u);
    EXPECT_EQ(f.bits, 16);
    EXPECT_EQ(f.dataSize, 4u * 10240u);
    EXPECT_EQ(f.riffSize, quint32(f.fileSize - 8));
    ASSERT_EQ(f.samples.size(), 4u * 5120u);
    EXPECT_EQ(f.samples[0], amplified);
    EXPECT_EQ(f.samples[3 * 5120], 1000);
    EXPECT_TRUE(prompts.messages().isEmpty());
    w->tmrVis_Timer();
    EXPECT_EQ(w->sbarSize->text(), QStringLiteral("Taille : 0 Octet"));
}

TEST_F(FrmRECTest, MonoDrivesBothMetersWithOnePeakStereoSeparatesThem)
{
    for (bool stereo : {false, true}) {
        auto w = makeWindow();
        if (!stereo)
            w->chkStereo->click(); // opens the chooser (cancelled) and sets one channel
        EXPECT_EQ(w->DSP()->Channels(), stereo ? 2 : 1);
        w->cmdDo->click();
        ASSERT_TRUE(w->IsRecording());
        ASSERT_FALSE(state->queued.empty());
        WaveHeader *h = state->queued.front();
        state->queued.pop_front();
        for (std::uint32_t i = 0; i < 5120; ++i)
            h->data[i] = (i % 2) ? 4000 : 16000;
        h->bytesRecorded = 10240;
        h->flags = (h->flags & ~kHeaderInQueue) | kHeaderDone;
        state->client->BufferDone(h);
        w->tmrVis_Timer();
        if (stereo) {
            EXPECT_EQ(barWidth(w->picVUL), int(std::nearbyint(240.0 * 16000 / 32768)));
            EXPECT_EQ(barWidth(w->picVUR), int(std::nearbyint(240.0 * 4000 / 32768)));
        } else {
            EXPECT_EQ(barWidth(w->picVUL), int(std::nearbyint(240.0 * 16000 / 32768)));
            EXPECT_EQ(barWidth(w->picVUR), barWidth(w->picVUL));
        }
        w->cmdDo->click();
        w->close();
    }
}

TEST_F(FrmRECTest, AutoIncrementTakesTheNextFreeNameOnEveryClick)
{
    for (const char *n : {"Enreg_01.wav", "Enreg_02.wav"}) {
        QFile f(wav + QLatin1Char('/') + QLatin1String(n));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    auto w = makeWindow();
    w->Check1->click();
    EXPECT_FALSE(w->cmdBrowse->isEnabled());
    w->cmdDo->click();
    ASSERT_TRUE(w->IsRecording());
    EXPECT_EQ(w->txtFile->text(), wav + QStringLiteral("/Enreg_03.wav"));
    EXPECT_EQ(w->txtFile->toolTip(), w->txtFile->text());
    feed(1, 5);
    w->cmdDo->click();
    EXPECT_EQ(w->txtFile->text(), wav + QStringLiteral("/Enreg_04.wav"));
    EXPECT_EQ(readWav(wav + QStringLiteral("/Enreg_03.wav")).dataSize, 10240u);
}

// A screen reader toggles a box through its accessible action, without a click: the window's
// rule runs all the same.
TEST_F(FrmRECTest, BoxesToggledThroughTheirAccessibleActionRunTheirRule)
{
    auto w = makeWindow();
    const auto toggle = [](QCheckBox *box) {
        QAccessibleInterface *a = QAccessible::queryAccessibleInterface(box);
        ASSERT_TRUE(a && a->actionInterface());
        a->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    };
    const struct {
        const char *what;
        QCheckBox *box;
        std::function<bool()> ruleRan;
    } cases[] = {
        {"Amplificateur sets its effect bit", w->chkFX[2], [&] { return w->DSP()->EffectsUsed() == 4; }},
        {"Echo sets its effect bit", w->chkFX[0], [&] { return w->DSP()->EffectsUsed() == 5; }},
        {"Incrém. locks the file name", w->Check1, [&] { return !w->cmdBrowse->isEnabled() && !w->txtFile->isEnabled(); }},
        {"Stéréo opens the format chooser and sets the channels",
         w->chkStereo, [&] { return chooser.calls == 1 && w->DSP()->Channels() == 1; }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const bool before = c.box->isChecked();
        toggle(c.box);
        EXPECT_NE(c.box->isChecked(), before);
        EXPECT_TRUE(c.ruleRan());
    }
}

TEST_F(FrmRECTest, AFullDiskStopsTheRecordingKeepsAValidFileAndWarns)
{
    auto w = makeWindow();
    w->cmdDo->click();
    ASSERT_TRUE(w->IsRecording());
    w->Encoder()->SetMaxFileSize(46 + 2 * 10240);
    feed(2, 7);
    EXPECT_TRUE(prompts.messages().isEmpty());
    ASSERT_TRUE(state->fillNext(10240, 7));
    EXPECT_FALSE(w->IsRecording());
    // Told once the delivery that failed has returned.
    EXPECT_TRUE(prompts.messages().isEmpty());
    ASSERT_TRUE(tavtest::waitUntil([&] { return !prompts.messages().isEmpty(); }, 2000));
    EXPECT_EQ(prompts.messages(), QStringList{QStringLiteral("Write error (no disk space left?)!")});
    EXPECT_EQ(w->cmdDo->text(), QStringLiteral("Enregistrer"));
    EXPECT_TRUE(w->frmOut->isEnabled());
    const WavFile f = readWav(wav + QStringLiteral("/Enregistrement.wav"));
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.dataSize, 2u * 10240u);
    EXPECT_EQ(f.fileSize, 46 + 2 * 10240);
}

TEST_F(FrmRECTest, ClosingWhileRecordingCompletesTheFileAndReleasesTheDevice)
{
    auto w = makeWindow();
    w->cmdDo->click();
    ASSERT_TRUE(w->IsRecording());
    feed(2, 9);
    w->close();
    EXPECT_FALSE(state->streamOpen);
    EXPECT_EQ(state->openMixer, -1);
    EXPECT_EQ(w->Recorder(), nullptr);
    const WavFile f = readWav(wav + QStringLiteral("/Enregistrement.wav"));
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(f.dataSize, 2u * 10240u);
    // Opened again, the window starts afresh.
    w->show();
    EXPECT_TRUE(w->IsLoaded());
    EXPECT_NE(w->Recorder(), nullptr);
    EXPECT_EQ(w->cboDev->count(), 2);
}

TEST_F(FrmRECTest, FormatChooserRateStereoBrowseAndEffectsDialog)
{
    auto w = makeWindow();
    const QString before = w->txtWAVFmt->text();
    w->cmdSelFmt->click(); // cancelled: the format stays
    EXPECT_EQ(chooser.calls, 1);
    EXPECT_EQ(chooser.title, "Selection du format WAV en sortie");
    EXPECT_EQ(w->txtWAVFmt->text(), before);
    const auto formats = FormatConverter::ListFormats(44100, 2);
    ASSERT_EQ(chooser.shown.size(), formats.size());
    size_t pick = 0;
    while (pick < formats.size() && formats[pick].FormatTag == "PCM")
        ++pick;
    ASSERT_LT(pick, formats.size());
    chooser.answer = pick;
    w->cmdSelFmt->click();
    EXPECT_EQ(w->txtWAVFmt->text(), QString::fromStdString(formats[pick].FormatTag + " - " + formats[pick].FormatID));

    // Choosing a rate from the list opens the chooser for that rate and sets the effects' rate.
    chooser.answer.reset();
    w->cboSamplerate->setCurrentIndex(1);
    emit w->cboSamplerate->activated(1);
    EXPECT_EQ(chooser.calls, 3);
    EXPECT_EQ(chooser.shown.size(), FormatConverter::ListFormats(22050, 2).size());
    EXPECT_EQ(w->DSP()->SampleRate(), 22050);
    w->chkStereo->click();
    EXPECT_EQ(chooser.calls, 4);
    EXPECT_EQ(w->DSP()->Channels(), 1);

    // Typing in the rate box.
    w->cboSamplerate->setEditText(QString());
    QTest::keyClicks(w->cboSamplerate->lineEdit(), QStringLiteral("4a41.0012"));
    EXPECT_EQ(w->cboSamplerate->currentText(), QStringLiteral("44100"));
    QTest::keyClick(w->cboSamplerate->lineEdit(), Qt::Key_Backspace);
    EXPECT_EQ(w->cboSamplerate->currentText(), QStringLiteral("4410"));

    // Browse: the encoder's filter; ".wav" added when missing.
    prompts.files = QStringList{QStringLiteral("/x/take"), QStringLiteral("/x/TAKE.WAV"), QString()};
    w->cmdBrowse->click();
    EXPECT_EQ(w->txtFile->text(), QStringLiteral("/x/take.wav"));
    w->cmdBrowse->click();
    EXPECT_EQ(w->txtFile->text(), QStringLiteral("/x/TAKE.WAV"));
    w->cmdBrowse->click(); // cancelled
    EXPECT_EQ(w->txtFile->text(), QStringLiteral("/x/TAKE.WAV"));
    EXPECT_EQ(prompts.filters.value(0), QStringLiteral("Wave ACM Encoder (*.wav)"));
    EXPECT_TRUE(prompts.saves.value(0));

    // The player's file chooser and title.
    prompts.files = QStringList{wav + QStringLiteral("/chanson.mp3")};
    w->Command7->click();
    EXPECT_EQ(prompts.filters.last(), QStringLiteral("Fichiers Audio (*.mp3 *.wav *.mid *.midi *.rmi)"));
    EXPECT_EQ(w->Label1->text(), QStringLiteral("chanson.mp3"));

    w->cmdFXOpts->click();
    EXPECT_EQ(effectsOpenedWith, w->DSP());
    EXPECT_TRUE(prompts.messages().isEmpty());

    // The volume button without any mixer installed says so, as the main window's does; the
    // audio properties button stays silent.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.path().toLocal8Bit());
    w->Command9->click();
    EXPECT_TRUE(prompts.shown.isEmpty() || prompts.shown.last().kind != QStringLiteral("message"));
    w->Command8->click();
    qputenv("PATH", path);
    ASSERT_FALSE(prompts.shown.isEmpty());
    EXPECT_EQ(prompts.shown.last().title, QStringLiteral("Réglage du volume"));
    EXPECT_TRUE(prompts.lastText().startsWith(QStringLiteral("Aucun contrôle du volume n'a été trouvé.")));
}

TEST(FrmFormatChooser, ListsTagsThenTheirFormatsAndReturnsTheChoice)
{
    FrmFormatChooser d;
    const auto formats = FormatConverter::ListFormats(44100, 2);
    d.Prepare(formats, "Selection du format WAV en sortie");
    EXPECT_EQ(d.windowTitle(), QStringLiteral("Selection du format WAV en sortie"));
    QStringList tags;
    for (const auto &f : formats)
        if (!tags.contains(QString::fromStdString(f.FormatTag)))
            tags << QString::fromStdString(f.FormatTag);
    ASSERT_EQ(d.cboTag->count(), tags.size());
    ASSERT_GE(tags.size(), 2);
    for (int t = 0; t < tags.size(); ++t) {
        d.cboTag->setCurrentIndex(t);
        int expected = 0;
        for (const auto &f : formats)
            expected += QString::fromStdString(f.FormatTag) == tags[t];
        EXPECT_EQ(d.cboFormat->count(), expected) << tags[t].toStdString();
    }
    d.cboTag->setCurrentIndex(1);
    d.cboFormat->setCurrentIndex(d.cboFormat->count() - 1);
    const size_t index = size_t(d.cboFormat->currentData().toULongLong());
    EXPECT_EQ(QString::fromStdString(formats[index].FormatTag), tags[1]);
    EXPECT_EQ(QString::fromStdString(formats[index].FormatID), d.cboFormat->currentText());
    d.accept();
    EXPECT_EQ(d.Choice(), std::optional<size_t>(index));
    d.Prepare(formats, "x");
    d.reject();
    EXPECT_EQ(d.Choice(), std::nullopt);
}

} // namespace
