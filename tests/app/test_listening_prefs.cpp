// The sound preferences on the test session's sound server: the output list names its sinks (a
// second null sink is loaded here) and the player's sound goes to the chosen one, then back to
// the default when that one goes away; the loudness filter brings two stations 12 dB apart within
// 3 dB; the volume of each station is kept and set again at Listen. Levels are read on the sinks'
// monitors.
#include "app/ListeningPrefs.h"
#include "core/Settings.h"
#include "media/MediaEngine.h"
#include "EngineWait.h"
#include "StreamServer.h"
#include "TestUtil.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

// The level in dBFS of what a sink's monitor hears for ms milliseconds (the first 200 ms, sound
// from before, left out); 1 when it cannot be recorded.
double monitorDb(const QString &sink, int ms)
{
    QProcess rec;
    rec.start(QStandardPaths::findExecutable(QStringLiteral("pacat")),
              {QStringLiteral("--record"), QStringLiteral("--raw"), QStringLiteral("--device=%1.monitor").arg(sink),
               QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"), QStringLiteral("--channels=1"),
               QStringLiteral("--latency-msec=20")});
    if (!rec.waitForStarted(5000))
        return 1.0;
    tavtest::waitUntil([] { return false; }, ms + 200);
    rec.terminate();
    rec.waitForFinished(5000);
    const QByteArray pcm = rec.readAllStandardOutput();
    const qsizetype skip = 44100 / 5 * 2;
    double sum = 0;
    qsizetype n = 0;
    for (qsizetype i = skip; i + 1 < pcm.size(); i += 2, ++n) {
        const double v = qint16(quint16(quint8(pcm[i])) | quint16(quint8(pcm[i + 1])) << 8);
        sum += v * v;
    }
    // An idle sink may be suspended: its monitor then sends nothing, which is silence.
    return 20.0 * std::log10(std::max(1e-3, n ? std::sqrt(sum / double(n)) : 0.0) / 32768.0);
}

// How long until a sink's monitor hears the stream (-1: not within timeoutMs).
qint64 soundWithin(const QString &sink, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs)
        if (monitorDb(sink, 300) > -30.0)
            return clock.elapsed();
    return -1;
}

QString pactl(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("pactl"), args);
    p.waitForFinished(10000);
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

// A second null sink, for the life of the object.
struct SecondSink {
    SecondSink()
        : module(pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"), QStringLiteral("sink_name=tavnull2"),
                        QStringLiteral("sink_properties=device.description=Tavilune-null-2")}))
    {
    }
    ~SecondSink() { unload(); }
    void unload()
    {
        if (!module.isEmpty())
            pactl({QStringLiteral("unload-module"), module});
        module.clear();
    }
    QString module;
};

class ListeningPrefsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(tavtest::haveSoundServer()) << "the test session has no sound server";
        ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("pacat")).isEmpty()) << "pulseaudio-utils is needed";
        settings::UseFile(dir.filePath(QStringLiteral("Tavilune.conf")));
        QString error;
        ASSERT_TRUE(server.start(&error)) << error.toStdString();
    }
    void TearDown() override
    {
        MediaEngine::setOutputDevice(QString());
        settings::UseFile(QString());
    }
    QTemporaryDir dir;
    StreamServer server;
};

} // namespace

TEST_F(ListeningPrefsTest, TheOutputListNamesTheSinksAndSoundGoesToTheChosenOneWhileItIsThere)
{
    SecondSink second;
    ASSERT_FALSE(second.module.isEmpty()) << "no second null sink";
    MediaEngine engine;
    ListeningPrefs prefs(engine);
    QSignalSpy messages(&prefs, &ListeningPrefs::message);

    const QList<audioout::Output> outputs = prefs.Outputs();
    ASSERT_GE(outputs.size(), 3);
    EXPECT_EQ(outputs[0], (audioout::Output{QString(), QStringLiteral("Par défaut")}));
    EXPECT_GE(audioout::IndexOf(outputs, QStringLiteral("tavnull")), 1);
    const int at = audioout::IndexOf(outputs, QStringLiteral("tavnull2"));
    ASSERT_GE(at, 1);
    EXPECT_EQ(outputs[at].text, QStringLiteral("Tavilune-null-2"));
    EXPECT_EQ(audioout::IndexOf(outputs, QStringLiteral("nothing")), -1);
    // An output without description shows its name; one without name is left out.
    EXPECT_EQ(audioout::Choices({{"hdmi", ""}, {"", "Rien"}}),
              (QList<audioout::Output>{{QString(), QStringLiteral("Par défaut")}, {QStringLiteral("hdmi"), QStringLiteral("hdmi")}}));
    EXPECT_EQ(audioout::PlayerDevice(QStringLiteral("hdmi")), QStringLiteral("pulse/hdmi"));
    EXPECT_TRUE(audioout::PlayerDevice(QString()).isEmpty());

    const QString stream = server.url(QStringLiteral("/stream.mp3"));
    engine.play(stream);
    ASSERT_TRUE(tavtest::PlaysAddress(engine, stream));
    prefs.SetOutput(QStringLiteral("tavnull2"));
    EXPECT_EQ(settings::GetSetting(QString::fromLatin1(audioout::kOutputKey)), QStringLiteral("tavnull2"));
    EXPECT_EQ(MediaEngine::outputDevice(), QStringLiteral("pulse/tavnull2"));
    const qint64 moved = soundWithin(QStringLiteral("tavnull2"), 8000);
    EXPECT_GE(moved, 0) << "no sound on the chosen output";
    std::printf("sound on the chosen output %lld ms after the choice\n", static_cast<long long>(moved));
    EXPECT_LT(monitorDb(QStringLiteral("tavnull"), 800), -60.0) << "sound still on the default output";

    // The chosen output goes away: the default one, with a message, once.
    second.unload();
    ASSERT_TRUE(tavtest::waitUntil([&] { return messages.size() > 0; }, 5000)) << "no message";
    EXPECT_TRUE(messages[0][0].toString().contains(QStringLiteral("« tavnull2 » n'est plus disponible")));
    EXPECT_TRUE(MediaEngine::outputDevice().isEmpty());
    const qint64 back = soundWithin(QStringLiteral("tavnull"), 8000);
    EXPECT_GE(back, 0) << "no sound on the default output";
    std::printf("sound on the default output %lld ms after the chosen one went\n", static_cast<long long>(back));
    EXPECT_EQ(messages.size(), 1);
    EXPECT_EQ(prefs.Output(), QStringLiteral("tavnull2")) << "the choice stays for when it comes back";
    engine.stop();
}

TEST_F(ListeningPrefsTest, EvenLoudnessBringsStationsTogetherAndEachStationKeepsItsVolume)
{
    MediaEngine engine;
    ListeningPrefs prefs(engine);
    const QString loud = server.url(QStringLiteral("/stream.mp3"));
    const QString quiet = server.url(QStringLiteral("/quiet.mp3?db=12"));
    const auto level = [&](const char *station, const QString &address) {
        prefs.Listening(QString::fromLatin1(station), true, true);
        engine.play(address);
        EXPECT_TRUE(tavtest::PlaysAddress(engine, address)) << station;
        tavtest::waitUntil([] { return false; }, 2000); // the filter has settled
        return monitorDb(QStringLiteral("tavnull"), 1000);
    };
    // Without the filter the two are 12 dB apart; with it, within 3 dB.
    const double loudOff = level("Forte", loud), quietOff = level("Faible", quiet);
    EXPECT_NEAR(loudOff - quietOff, 12.0, 2.0);
    prefs.SetEvenLoudness(true);
    EXPECT_EQ(engine.audioFilter(), QString::fromLatin1(ListeningPrefs::kLoudnessFilter)) << "applied at once";
    const double quietOn = level("Faible", quiet), loudOn = level("Forte", loud);
    EXPECT_LT(std::abs(loudOn - quietOn), 3.0) << loudOn << " " << quietOn;
    std::printf("levels without the filter %.1f and %.1f dBFS, with it %.1f and %.1f dBFS\n", loudOff, quietOff, loudOn, quietOn);
    EXPECT_GT(quietOn, -40.0);
    prefs.Listening(QStringLiteral("Une TV"), false, true);
    EXPECT_TRUE(engine.audioFilter().isEmpty()) << "radios only";

    // The volume a station was last heard at comes back at its Listen (not the steps of a change).
    prefs.Listening(QStringLiteral("Forte"), true, true);
    for (int v = 90; v >= 60; v -= 10)
        engine.setVolume(v);
    ASSERT_TRUE(tavtest::waitUntil([&] { return prefs.StationVolume(QStringLiteral("Forte")) == 60; }, 4000));
    prefs.Listening(QStringLiteral("Faible / 2"), true, true);
    EXPECT_EQ(engine.volume(), 60) << "nothing kept for it";
    engine.setVolume(35);
    ASSERT_TRUE(tavtest::waitUntil([&] { return prefs.StationVolume(QStringLiteral("Faible / 2")) == 35; }, 4000));
    prefs.Listening(QStringLiteral("Forte"), true, false);
    EXPECT_EQ(engine.volume(), 35) << "a planned event sets its own volume";
    prefs.Listening(QStringLiteral("Forte"), true, true);
    EXPECT_EQ(engine.volume(), 60);
    EXPECT_TRUE(QFile::exists(ListeningPrefs::VolumesFile()));
    engine.stop();
    engine.setVolume(10); // after the stop: no station's volume
    tavtest::waitUntil([] { return false; }, 1800);
    EXPECT_EQ(prefs.StationVolume(QStringLiteral("Forte")), 60);
}
