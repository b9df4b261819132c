// The conversion window offscreen, with the real engine library: controls and presets, when the
// button is enabled, a whole conversion with the bar along the bottom edge, cancel, a mono file,
// closing mid-conversion, a missing engine, and both pickers with the dialogs driven.
#include "mp3/Mp3Encoder.h"
#include "mp3/Mp3EncoderRules.h"
#include "FakePrompts.h"
#include "Mp3TestUtil.h"
#include "TestUtil.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

struct Warning {
    QString title, text;
};

class Mp3WindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
        d = QString::fromStdString(dir.file(""));
        mp3test::writeFile(dir.file("essai.wav"), mp3test::makeWav({}, mp3test::stereoTone(44100 * 3, 44100, 440, 660)));
    }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }

    std::unique_ptr<Mp3Encoder> open(std::string engine = "lameencshim")
    {
        auto w = std::make_unique<Mp3Encoder>(nullptr, std::move(engine));
        QObject::connect(w.get(), &Mp3Encoder::EncodingFinished,
                         [this](Mp3Conversion::Outcome o) { outcomes.push_back(o); });
        w->show();
        return w;
    }
    QString path(const char *name) const { return d + QLatin1String(name); }
    QStringList files() const { return QDir(d).entryList(QDir::Files | QDir::Hidden); }
    bool waitFinished(size_t count = 1)
    {
        return tavtest::waitUntil([&] { return outcomes.size() >= count; }, 60000);
    }

    // The messages the window showed.
    std::vector<Warning> warnings() const
    {
        std::vector<Warning> out;
        for (const FakePrompts::Shown &m : prompts.shown)
            if (m.kind == QStringLiteral("message")) {
                EXPECT_EQ(m.icon, UiPrompts::Icon::Exclamation);
                out.push_back({m.title, m.text});
            }
        return out;
    }

    FakePrompts prompts;
    mp3test::TempDir dir;
    QString d;
    std::vector<Mp3Conversion::Outcome> outcomes;
};

TEST_F(Mp3WindowTest, ControlsPresetsAndVersion)
{
    auto w = open();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Tavilune : Conversion Wav --> Mp3 - [Encodeur LAME]"));
    EXPECT_EQ(w->lblSourceFile->text(), QStringLiteral("Fichier source Wave :"));
    EXPECT_EQ(w->lblSourceFile->buddy(), w->txtSourceFile);
    EXPECT_EQ(w->lblMp3File->buddy(), w->txtOutputMp3File);
    EXPECT_EQ(w->lblEncode->text(), QStringLiteral("Option d'encodage :"));
    EXPECT_EQ(w->lblEncode->buddy(), w->cboOption);
    EXPECT_EQ(w->lblPreset->text(), QStringLiteral("Options d'encodage :"));
    EXPECT_EQ(w->lblVersionDetails->text(), QStringLiteral("Détails de l'encodeur LAME :"));
    EXPECT_EQ(w->cmdPickSource->text(), QStringLiteral("Parcourir..."));
    EXPECT_EQ(w->cmdEncode->text(), QStringLiteral("&Encoder"));
    EXPECT_FALSE(w->cmdEncode->isEnabled());
    EXPECT_EQ(w->Command1->text(), QStringLiteral("Fermer"));

    // Every version box has its label; the engine answered.
    for (QLineEdit *box : {w->txtDLLMajorVersion, w->txtDLLMinorVersion, w->txtMajorVersion,
                           w->txtMinorVersion, w->txtReleaseDate, w->txtHomePage}) {
        bool labelled = false;
        for (QLabel *l : w->findChildren<QLabel *>())
            labelled |= l->buddy() == box;
        EXPECT_TRUE(labelled) << box->objectName().toStdString();
        EXPECT_FALSE(box->text().isEmpty()) << box->objectName().toStdString();
    }
    EXPECT_TRUE(warnings().empty());

    ASSERT_EQ(w->cboOption->count(), 16);
    EXPECT_EQ(w->cboOption->currentIndex(), 3);
    EXPECT_EQ(w->Encoder().EncodingPreset(), 6);
    const std::pair<int, int> choices[] = {{1, 3}, {0, -1}, {7, 10}, {15, 12}, {3, 6}};
    for (const auto &[index, code] : choices) {
        w->cboOption->setCurrentIndex(index);
        EXPECT_EQ(w->Encoder().EncodingPreset(), code) << index;
        EXPECT_EQ(w->cboOption->currentText(), Mp3Presets()[size_t(index)].caption);
    }
}

TEST_F(Mp3WindowTest, EncodeButtonFollowsThePaths)
{
    auto w = open();
    mp3test::writeFile(dir.file("exists.mp3"), {1});
    struct Case {
        QString source, output;
        bool enabled;
    };
    const Case cases[] = {
        {path("essai.wav"), path("essai.mp3"), true},
        {path("essai.wav"), path("exists.mp3"), false},
        {path("essai.wav"), QStringLiteral("essai.mp3"), false},
        {path("essai.wav"), path("ab"), false},
        {path("essai.wav"), path("absent/essai.mp3"), false},
        {path("absent.wav"), path("essai.mp3"), false},
        {QString(), path("essai.mp3"), false},
        {path("essai.wav"), path("abc"), true},
    };
    for (const Case &c : cases) {
        w->txtSourceFile->setText(c.source);
        w->txtOutputMp3File->setText(c.output);
        EXPECT_EQ(w->cmdEncode->isEnabled(), c.enabled) << c.source.toStdString() << " -> " << c.output.toStdString();
    }
    w->txtOutputMp3File->setText(path("essai.mp3"));
    EXPECT_EQ(w->Encoder().WavFile(), path("essai.wav").toStdString());
    EXPECT_EQ(w->Encoder().Mp3File(), path("essai.mp3").toStdString());
}

TEST_F(Mp3WindowTest, ConversionDrawsTheBarAndReturnsToIdle)
{
    auto w = open();
    w->txtSourceFile->setText(path("essai.wav"));
    w->txtOutputMp3File->setText(path("essai.mp3"));
    ASSERT_TRUE(w->cmdEncode->isEnabled());
    w->cmdEncode->click();
    EXPECT_EQ(w->cmdEncode->text(), QStringLiteral("Annuler"));
    EXPECT_TRUE(w->cmdEncode->isEnabled());
    EXPECT_FALSE(w->picEncode->isEnabled());
    EXPECT_FALSE(w->txtSourceFile->isEnabled());
    EXPECT_FALSE(w->cboOption->isEnabled());
    EXPECT_FALSE(w->cmdPickMp3File->isEnabled());
    ASSERT_TRUE(waitFinished());
    EXPECT_EQ(outcomes.back(), Mp3Conversion::Outcome::Done);
    EXPECT_EQ(w->cmdEncode->text(), QStringLiteral("&Encoder"));
    EXPECT_TRUE(w->picEncode->isEnabled());
    EXPECT_TRUE(w->cmdEncode->isEnabled()); // the same conversion can run again
    EXPECT_EQ(w->ProgressBar().Text(), QStringLiteral("Encodage en cours... 100,0%"));
    EXPECT_EQ(files(), (QStringList{QStringLiteral("essai.mp3"), QStringLiteral("essai.wav")}));
    EXPECT_GT(mp3test::scanMp3(mp3test::readFile(dir.file("essai.mp3"))).frames.size(), 100u);

    // The bar fills the strip along the bottom edge, in the highlight colour.
    const QImage shot = w->grab().toImage();
    const QRect strip = w->ProgressRect();
    EXPECT_EQ(strip, QRect(2, w->height() - 22, w->width() - 4, 20));
    const QColor highlight = QApplication::palette().color(QPalette::Highlight);
    EXPECT_EQ(shot.pixelColor(strip.left() + 3, strip.bottom() - 2), highlight);
    EXPECT_EQ(shot.pixelColor(strip.right() - 3, strip.top() + 2), highlight);

    // Again on the same output: replaced once complete.
    w->cmdEncode->click();
    ASSERT_TRUE(waitFinished(2));
    EXPECT_EQ(outcomes.back(), Mp3Conversion::Outcome::Done);
    EXPECT_EQ(files(), (QStringList{QStringLiteral("essai.mp3"), QStringLiteral("essai.wav")}));
}

TEST_F(Mp3WindowTest, CancelLeavesNoFile)
{
    auto w = open();
    w->txtSourceFile->setText(path("essai.wav"));
    w->txtOutputMp3File->setText(path("essai.mp3"));
    w->cmdEncode->click();
    w->cmdEncode->click(); // "Annuler"
    ASSERT_TRUE(waitFinished());
    EXPECT_EQ(outcomes.back(), Mp3Conversion::Outcome::Cancelled);
    EXPECT_EQ(w->ProgressBar().Text(), QStringLiteral("Encodage annulé"));
    EXPECT_EQ(w->ProgressBar().Percent(), 100.0); // filled to its end
    EXPECT_EQ(w->cmdEncode->text(), QStringLiteral("&Encoder"));
    EXPECT_TRUE(w->picEncode->isEnabled());
    EXPECT_EQ(files(), QStringList{QStringLiteral("essai.wav")});
    EXPECT_TRUE(warnings().empty());
}

TEST_F(Mp3WindowTest, MonoFileGivesAWarningAndIdleState)
{
    mp3test::WavLayout mono;
    mono.channels = 1;
    mp3test::writeFile(dir.file("mono.wav"), mp3test::makeWav(mono, mp3test::stereoTone(4410, 44100, 440, 440)));
    auto w = open();
    w->txtSourceFile->setText(path("mono.wav"));
    w->txtOutputMp3File->setText(path("mono.mp3"));
    w->cmdEncode->click();
    ASSERT_TRUE(waitFinished());
    EXPECT_EQ(outcomes.back(), Mp3Conversion::Outcome::Failed);
    const auto shown = warnings();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].title, kMp3EncoderTitle);
    EXPECT_TRUE(shown[0].text.contains(QStringLiteral("29671")));
    EXPECT_TRUE(shown[0].text.contains(QStringLiteral("Only stereo 16 bit wave files supported.")));
    EXPECT_EQ(w->cmdEncode->text(), QStringLiteral("&Encoder"));
    EXPECT_TRUE(w->picEncode->isEnabled());
    EXPECT_FALSE(w->Encoding());
    EXPECT_FALSE(QFileInfo::exists(path("mono.mp3")));
}

TEST_F(Mp3WindowTest, ClosingMidConversionLeavesNoFile)
{
    mp3test::writeFile(dir.file("long.wav"), mp3test::makeWav({}, mp3test::stereoTone(44100 * 30, 44100, 440, 660)));
    auto w = open();
    w->txtSourceFile->setText(path("long.wav"));
    w->txtOutputMp3File->setText(path("long.mp3"));
    w->cmdEncode->click();
    ASSERT_TRUE(tavtest::waitUntil([&] { return w->ProgressBar().Text().startsWith(QStringLiteral("Encodage en cours")); }, 60000));
    EXPECT_TRUE(w->Encoding());
    w->Command1->click(); // "Fermer"
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(w->Encoding());
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0], Mp3Conversion::Outcome::Cancelled);
    EXPECT_FALSE(QFileInfo::exists(path("long.mp3")));
    EXPECT_EQ(files().filter(QStringLiteral(".part")), QStringList{});

    // Destroying the window while it converts stops the worker too.
    w->show();
    w->cmdEncode->click();
    EXPECT_TRUE(w->Encoding());
    w.reset();
    EXPECT_FALSE(QFileInfo::exists(path("long.mp3")));
    EXPECT_EQ(files(), (QStringList{QStringLiteral("essai.wav"), QStringLiteral("long.wav")}));
}

TEST_F(Mp3WindowTest, MissingEngineIsReportedAndTheWindowStaysUsable)
{
    auto w = open(d.toStdString() + "libabsent.so");
    ASSERT_TRUE(tavtest::waitUntil([&] { return !warnings().empty(); }, 5000));
    EXPECT_TRUE(warnings()[0].text.contains(QStringLiteral("29776")));
    EXPECT_TRUE(warnings()[0].text.startsWith(QStringLiteral("Le moteur d'encodage MP3")));
    EXPECT_TRUE(w->txtMajorVersion->text().isEmpty());
    EXPECT_EQ(w->cboOption->count(), 16);
    w->txtSourceFile->setText(path("essai.wav"));
    w->txtOutputMp3File->setText(path("essai.mp3"));
    w->cmdEncode->click();
    ASSERT_TRUE(waitFinished());
    EXPECT_EQ(outcomes.back(), Mp3Conversion::Outcome::Failed);
    ASSERT_EQ(warnings().size(), 2u);
    EXPECT_TRUE(warnings()[1].text.contains(QStringLiteral("29776")));
    EXPECT_EQ(files(), QStringList{QStringLiteral("essai.wav")});
}

TEST_F(Mp3WindowTest, PickersFillTheFieldsAndTheSaveChoiceReplacesAnExistingFile)
{
    auto w = open();
    prompts.files << path("essai.wav");
    w->cmdPickSource->click();
    EXPECT_EQ(w->txtSourceFile->text(), path("essai.wav"));
    ASSERT_FALSE(prompts.shown.isEmpty());
    EXPECT_EQ(prompts.shown.last().kind, QStringLiteral("open"));

    // The save dialog proposes "essai"; the user picks the existing essai.mp3 and agrees to
    // replace it: it is deleted at once.
    mp3test::writeFile(dir.file("essai.mp3"), {1, 2});
    prompts.files << path("essai.mp3");
    prompts.answers << true;
    w->cmdPickMp3File->click();
    const auto save = std::find_if(prompts.shown.begin(), prompts.shown.end(),
                                   [](const FakePrompts::Shown &s) { return s.kind == QStringLiteral("save"); });
    ASSERT_NE(save, prompts.shown.end());
    EXPECT_EQ(save->text, QStringLiteral("essai"));
    EXPECT_EQ(prompts.shown.last().kind, QStringLiteral("question"));
    EXPECT_EQ(w->txtOutputMp3File->text(), path("essai.mp3"));
    EXPECT_FALSE(QFileInfo::exists(path("essai.mp3")));
    EXPECT_TRUE(w->cmdEncode->isEnabled());

    // A name typed without extension gets ".MP3"; cancelling leaves the fields as they were.
    prompts.files << path("autre");
    w->cmdPickMp3File->click();
    EXPECT_EQ(w->txtOutputMp3File->text(), path("autre.MP3"));
    w->cmdPickSource->click();
    w->cmdPickMp3File->click();
    EXPECT_EQ(w->txtSourceFile->text(), path("essai.wav"));
    EXPECT_EQ(w->txtOutputMp3File->text(), path("autre.MP3"));
}

} // namespace
