// The conversion window's window-free parts: presets, path rules, suggested name, texts, and the
// conversion on its worker thread (real engine library) with cancel, errors and teardown.
#include "mp3/cLameEncoder.h"
#include "mp3/Mp3Conversion.h"
#include "mp3/Mp3EncoderRules.h"
#include "Mp3TestUtil.h"
#include "TestUtil.h"

#include <QDir>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

using mp3test::TempDir;

TEST(Mp3WindowRules, PresetTable)
{
    const int32_t codes[] = {-1, 3, 4, 6, 7, 8, 9, 10, 0, 1, 13, 14, 2, 5, 11, 12};
    const auto &presets = Mp3Presets();
    for (size_t i = 0; i < presets.size(); ++i)
        EXPECT_EQ(presets[i].code, codes[i]) << i;
    EXPECT_EQ(presets[0].caption, QStringLiteral("(Défaut)"));
    EXPECT_EQ(presets[1].caption, QStringLiteral("Qualité Voix  (VBR 32kHz, 100-140kbps)"));
    EXPECT_EQ(presets[kDefaultPresetIndex].caption, QStringLiteral("Qualité Standard (VBR 44.1kHz, 170-210kbps)"));
    EXPECT_EQ(presets[kDefaultPresetIndex].code, 6);
}

TEST(Mp3WindowRules, PathRules)
{
    TempDir dir;
    const QString d = QString::fromStdString(dir.file(""));
    mp3test::writeFile(dir.file("exist.mp3"), {1, 2, 3});
    mp3test::writeFile(dir.file("source.wav"), {1, 2, 3});
    mp3test::writeFile(dir.file("plainfile"), {1});
    QDir().mkdir(d + QStringLiteral("sub"));
    struct Case {
        QString output;
        bool ok;
    };
    const Case cases[] = {
        {d + QStringLiteral("new.mp3"), true},
        {d + QStringLiteral("abc"), true},             // three characters after the separator
        {d + QStringLiteral("ab"), false},             // too short a name
        {d + QStringLiteral("exist.mp3"), false},      // an existing file
        {QStringLiteral("new.mp3"), false},            // no separator
        {d + QStringLiteral("nope/new.mp3"), false},   // missing folder
        {d + QStringLiteral("plainfile/new.mp3"), false}, // the "folder" is a file
        {d + QStringLiteral("sub"), false},            // an existing folder
        {d + QStringLiteral("sub/new.mp3"), true},
        {QStringLiteral("/new.mp3"), false},           // nothing before the separator
        {QString(), false},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(Mp3OutputPathOk(c.output), c.ok) << c.output.toStdString();
        EXPECT_EQ(Mp3EncodeAllowed(d + QStringLiteral("source.wav"), c.output), c.ok) << c.output.toStdString();
    }
    EXPECT_FALSE(Mp3EncodeAllowed(d + QStringLiteral("missing.wav"), d + QStringLiteral("new.mp3")));
    EXPECT_FALSE(Mp3EncodeAllowed(d + QStringLiteral("sub"), d + QStringLiteral("new.mp3")));
    EXPECT_FALSE(Mp3EncodeAllowed(QString(), d + QStringLiteral("new.mp3")));
}

TEST(Mp3WindowRules, SuggestedNameAndTexts)
{
    const std::pair<QString, QString> names[] = {
        {QStringLiteral("/home/u/Wav/essai.wav"), QStringLiteral("essai")},
        {QStringLiteral("essai.wav"), QStringLiteral("essai")},
        {QStringLiteral("/a/b/ab"), QStringLiteral("ab")}, // shorter than four: whole
        {QStringLiteral("/a/b/abcd"), QString()},
        {QString(), QString()},
    };
    for (const auto &[source, suggestion] : names)
        EXPECT_EQ(SuggestMp3Name(source), suggestion) << source.toStdString();

    const QLocale fr(QLocale::French, QLocale::France), en(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(Mp3ProgressText(42.5, fr), QStringLiteral("Encodage en cours... 42,5%"));
    EXPECT_EQ(Mp3ProgressText(42.5, en), QStringLiteral("Encodage en cours... 42.5%"));
    EXPECT_EQ(Mp3ProgressText(100, fr), QStringLiteral("Encodage en cours... 100,0%"));
    EXPECT_EQ(Mp3ProgressText(0.04, fr), QStringLiteral("Encodage en cours... 0,0%"));

    using namespace std::chrono;
    const QString date = ReleaseDateText(year(2017) / October / 13, fr);
    EXPECT_TRUE(date.contains(QStringLiteral("octobre")) && date.contains(QStringLiteral("2017"))) << date.toStdString();
    EXPECT_TRUE(ReleaseDateText(year_month_day{}, fr).isEmpty());

    const QString text = Mp3ErrorText(29671, QStringLiteral("Only stereo 16 bit wave files supported."));
    EXPECT_TRUE(text.contains(QStringLiteral("29671")));
    EXPECT_TRUE(text.contains(QStringLiteral("Only stereo 16 bit wave files supported.")));
    EXPECT_TRUE(text.startsWith(QStringLiteral("Seuls les fichiers Wave")));
    EXPECT_TRUE(Mp3ErrorText(29875, QStringLiteral("x")).contains(QStringLiteral("disque plein")));
}

// A conversion on the worker, from start to its outcome.
struct Seen {
    Mp3Conversion::Outcome outcome = Mp3Conversion::Outcome::Done;
    long number = -1;
    QString description;
    int progressCount = 0;
    qint32 lastPosition = -1, lastLength = -1;
    bool finished = false;
};

class Mp3ConversionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        source = dir.file("source.wav");
        output = QString::fromStdString(dir.file("out.mp3"));
        mp3test::writeFile(source, mp3test::makeWav({}, mp3test::stereoTone(44100 * 3, 44100, 440, 660)));
        encoder.SetWavFile(source);
    }
    void watch(Mp3Conversion &c, Seen &r)
    {
        QObject::connect(&c, &Mp3Conversion::Progress, [&r](qint32 pos, qint32 len, bool) {
            EXPECT_FALSE(r.finished) << "progress after the end";
            ++r.progressCount;
            r.lastPosition = pos;
            r.lastLength = len;
        });
        QObject::connect(&c, &Mp3Conversion::Finished,
                         [&r](Mp3Conversion::Outcome o, long n, const QString &d) {
                             r.outcome = o;
                             r.number = n;
                             r.description = d;
                             r.finished = true;
                         });
    }
    // Files in the folder besides the source: no temporary file may stay behind.
    QStringList leftovers() const
    {
        QStringList names = QDir(QString::fromStdString(dir.file(""))).entryList(QDir::Files | QDir::Hidden);
        names.removeAll(QStringLiteral("source.wav"));
        return names;
    }

    TempDir dir;
    std::string source;
    QString output;
    cLameEncoder encoder;
};

TEST_F(Mp3ConversionTest, CompleteConversionRenamesIntoPlace)
{
    mp3test::writeFile(output.toStdString(), {9, 9, 9}); // an older output is replaced at the end
    Mp3Conversion c(encoder);
    Seen r;
    watch(c, r);
    ASSERT_TRUE(c.Start(output));
    EXPECT_TRUE(c.Running());
    EXPECT_FALSE(c.Start(output)); // one at a time
    ASSERT_TRUE(tavtest::waitUntil([&] { return r.finished; }, 60000));
    EXPECT_EQ(r.outcome, Mp3Conversion::Outcome::Done);
    EXPECT_FALSE(c.Running());
    EXPECT_GE(r.progressCount, 1);
    EXPECT_EQ(r.lastPosition, 44100 * 3 * 2);
    EXPECT_EQ(r.lastLength, 44100 * 3 * 2);
    const auto info = mp3test::scanMp3(mp3test::readFile(output.toStdString()));
    EXPECT_GT(info.frames.size(), 100u);
    EXPECT_EQ(leftovers(), QStringList{QStringLiteral("out.mp3")});
}

TEST_F(Mp3ConversionTest, CancelKeepsTheOlderOutputAndLeavesNoFile)
{
    for (const bool olderOutput : {false, true}) {
        if (olderOutput)
            mp3test::writeFile(output.toStdString(), {7, 7, 7});
        Mp3Conversion c(encoder);
        Seen r;
        watch(c, r);
        ASSERT_TRUE(c.Start(output));
        c.Cancel(); // seen by the encoder at its first progress step
        ASSERT_TRUE(tavtest::waitUntil([&] { return r.finished; }, 60000));
        EXPECT_EQ(r.outcome, Mp3Conversion::Outcome::Cancelled);
        if (olderOutput) {
            EXPECT_EQ(mp3test::readFile(output.toStdString()), (std::vector<uint8_t>{7, 7, 7}));
            EXPECT_EQ(leftovers(), QStringList{QStringLiteral("out.mp3")});
        } else {
            EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(u',').toStdString();
        }
    }
}

TEST_F(Mp3ConversionTest, ErrorsArriveWithTheirNumberAndLeaveNoFile)
{
    // A mono file: the reader's first error.
    const std::string mono = dir.file("mono.wav");
    mp3test::WavLayout layout;
    layout.channels = 1;
    mp3test::writeFile(mono, mp3test::makeWav(layout, mp3test::stereoTone(4410, 44100, 440, 440)));
    encoder.SetWavFile(mono);
    {
        Mp3Conversion c(encoder);
        Seen r;
        watch(c, r);
        ASSERT_TRUE(c.Start(output));
        c.Wait(); // the outcome is delivered before Wait returns
        EXPECT_TRUE(r.finished);
        EXPECT_EQ(r.outcome, Mp3Conversion::Outcome::Failed);
        EXPECT_EQ(r.number, 29671);
        EXPECT_EQ(r.description, QStringLiteral("Only stereo 16 bit wave files supported."));
    }
    QFile::remove(QString::fromStdString(mono));
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(u',').toStdString();

    // A full disk, as a file size limit makes it: the writer's write error.
    encoder.SetWavFile(source);
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Seen r;
    {
        Mp3Conversion c(encoder);
        watch(c, r);
        ASSERT_TRUE(c.Start(output));
        c.Wait();
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(r.outcome, Mp3Conversion::Outcome::Failed);
    EXPECT_EQ(r.number, 29875);
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(u',').toStdString();
}

TEST_F(Mp3ConversionTest, DestroyedMidConversionStopsAndLeavesNoFile)
{
    // Long enough that the first progress step arrives well before the end.
    mp3test::writeFile(source, mp3test::makeWav({}, mp3test::stereoTone(44100 * 30, 44100, 440, 660)));
    Seen r;
    {
        Mp3Conversion c(encoder);
        watch(c, r);
        ASSERT_TRUE(c.Start(output));
        ASSERT_TRUE(tavtest::waitUntil([&] { return r.progressCount > 0; }, 60000));
        EXPECT_TRUE(c.Running());
    }
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(u',').toStdString();
    // The encoder is free again and converts normally.
    Mp3Conversion again(encoder);
    Seen r2;
    watch(again, r2);
    ASSERT_TRUE(again.Start(output));
    again.Wait();
    EXPECT_EQ(r2.outcome, Mp3Conversion::Outcome::Done);
    EXPECT_TRUE(QFileInfo::exists(output));
}

} // namespace
