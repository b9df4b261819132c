// The recording window's rules: status bar texts, numbered file names, rate box keys, browse
// filter and ".wav" ending, effect bits, volume percentage and the duration of each buffer.
#include "audio/RecordingRules.h"
#include "ui/FileDialogRules.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace recording;

TEST(RecordingRules, SizeTextByRange)
{
    const QLocale fr(QLocale::French, QLocale::France);
    const struct {
        qint64 bytes;
        const char16_t *format;
        const char16_t *text;
    } cases[] = {
        {0, u"", u"0 octets"},
        {1023, u"", u"1023 octets"},
        {1024, u"", u"1 Ko"},
        {1600, u"", u"2 Ko"},              // 1,5625 rounds up
        {1048575, u"", u"1024 Ko"},         // just below a megabyte: no group separator
        {1048576, u"", u"1,0 Mo"},
        {5 * 1048576 + 524288, u"", u"5,5 Mo"},
        {1073741823, u"", u"1024,0 Mo"},
        {1073741824, u"", u"1,0 Go"},
        {3LL * 1073741824, u"", u"3,0 Go"},
        {2048, u"###0.00", u"2,00 Ko"},     // a given format wins
        {-1, u"", u""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SizeText(c.bytes, QString::fromUtf16(c.format), fr), QString::fromUtf16(c.text)) << c.bytes;
    EXPECT_EQ(SizeText(1048576, QString(), QLocale::c()), QStringLiteral("1.0 Mo"));
}

TEST(RecordingRules, DurationText)
{
    const struct {
        qint64 ms;
        const char *text;
    } cases[] = {{0, "0:00"},        {499, "0:00"},      {7000, "0:07"},      {59499, "0:59"},
                 {59999, "1:00"},    {765000, "12:45"}, {600000, "10:00"}, {6000000, "100:00"}};
    for (const auto &c : cases)
        EXPECT_EQ(DurationText(c.ms), QString::fromLatin1(c.text)) << c.ms;
}

TEST(RecordingRules, NextRecordingNameSkipsExistingFiles)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path();
    EXPECT_EQ(NextRecordingName(folder), folder + QStringLiteral("/Enreg_01.wav"));
    for (int n : {1, 2, 4}) {
        QFile f(folder + QStringLiteral("/Enreg_%1.wav").arg(n, 2, 10, QLatin1Char('0')));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(NextRecordingName(folder + QLatin1Char('/')), folder + QStringLiteral("/Enreg_03.wav"));
    for (int n = 3; n <= 10; ++n) {
        QFile f(folder + QStringLiteral("/Enreg_%1.wav").arg(n, 2, 10, QLatin1Char('0')));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_EQ(NextRecordingName(folder), folder + QStringLiteral("/Enreg_11.wav"));
    // A folder of that name does not count as a free name.
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("Enreg_11.wav")));
    EXPECT_EQ(NextRecordingName(folder), folder + QStringLiteral("/Enreg_12.wav"));
    // The file of the recording being written (still under its working name) is taken too.
    EXPECT_EQ(NextRecordingName(folder, folder + QStringLiteral("/Enreg_12.wav")), folder + QStringLiteral("/Enreg_13.wav"));
}

TEST(RecordingRules, RateBoxKeys)
{
    const struct {
        const char *text;
        char key;
        bool accepted;
    } cases[] = {{"", '4', true},      {"4410", '0', true},  {"44100", '1', false}, {"44100", '\b', true},
                 {"", '\b', true},     {"441", 'a', false},  {"441", '.', false},   {"441", ' ', false},
                 {"9999", '9', true},  {"99999", '9', false}};
    for (const auto &c : cases)
        EXPECT_EQ(RateKeyAccepted(QString::fromLatin1(c.text), QLatin1Char(c.key)), c.accepted)
            << c.text << " + " << int(c.key);
}

TEST(RecordingRules, BrowseFilterAndWavEnding)
{
    const QString pipe = BrowseFilter(QStringLiteral("Wave ACM Encoder"), QStringLiteral("wav"));
    EXPECT_EQ(pipe, QStringLiteral("Wave ACM Encoder (*.wav)|*.wav"));
    EXPECT_EQ(QtNameFilter(pipe), QStringLiteral("Wave ACM Encoder (*.wav)"));
    EXPECT_EQ(QtNameFilter(kPlayerFilter), QStringLiteral("Fichiers Audio (*.mp3 *.wav *.mid *.midi *.rmi)"));

    const struct {
        const char *in, *out;
    } names[] = {{"/x/take", "/x/take.wav"},     {"/x/TAKE.WAV", "/x/TAKE.WAV"}, {"/x/take.Wav", "/x/take.Wav"},
                 {"/x/take.mp3", "/x/take.mp3.wav"}, {"/x/takewav", "/x/takewav.wav"}, {"wav", "wav.wav"}};
    for (const auto &n : names)
        EXPECT_EQ(WithWavExtension(QString::fromLatin1(n.in)), QString::fromLatin1(n.out));
}

TEST(RecordingRules, EffectBitsVolumeAndElapsedTime)
{
    const struct {
        qint32 used;
        int index;
        bool ticked;
        qint32 result;
    } bits[] = {{0, 0, true, 1},  {0, 1, true, 2},   {0, 2, true, 4},    {0, 3, true, 8},
                {15, 2, false, 11}, {8, 3, true, 8}, {5, 1, false, 5},   {0, 4, true, 0}, {3, -1, false, 3}};
    for (const auto &b : bits)
        EXPECT_EQ(EffectBits(b.used, b.index, b.ticked), b.result) << b.used << " " << b.index;

    EXPECT_EQ(VolumePercentText(0), QStringLiteral("0%"));
    EXPECT_EQ(VolumePercentText(32767), QStringLiteral("49%")); // cut, not rounded
    EXPECT_EQ(VolumePercentText(65535), QStringLiteral("100%"));
    EXPECT_EQ(VolumePercentText(50), QStringLiteral("0%"));

    // One 10240-byte buffer at 44100 Hz stereo lasts 58.05 ms: 58 per buffer, rounded each time.
    qint32 elapsed = 0;
    for (int i = 0; i < 100; ++i)
        elapsed = ElapsedAfterBuffer(elapsed, 10240, 176400);
    EXPECT_EQ(elapsed, 5800);
    EXPECT_EQ(ElapsedAfterBuffer(0, 10240, 32000), 320);
    EXPECT_EQ(ElapsedAfterBuffer(1, 1, 2000), 2);   // 1.5 to the even neighbour
    EXPECT_EQ(ElapsedAfterBuffer(2, 1, 2000), 2);   // 2.5 likewise
    EXPECT_EQ(ElapsedAfterBuffer(7, 10240, 0), 7);

    EXPECT_TRUE(RateSupported(8000));
    EXPECT_TRUE(RateSupported(96000));
    EXPECT_FALSE(RateSupported(96001));
    EXPECT_FALSE(RateSupported(0));
}
