// The desktop integration's rules: titles, player properties, station stepping, logos, the tray
// tooltip, recording names and sizes, the sleep timer's texts and fade, live pause and rewind.
#include "desktop/DesktopRules.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace desktop;

TEST(DesktopRules, SplitsArtistAndTitleOnlyOnTheCommonForm)
{
    const struct {
        const char *in, *artist, *title;
    } cases[] = {
        {"Daft Punk - Around the World", "Daft Punk", "Around the World"},
        {"  AC-DC - Back in Black ", "AC-DC", "Back in Black"},             // a hyphen inside a name
        {"Artiste - Titre - Remix", "Artiste", "Titre - Remix"},             // the first separator
        {"Journal de 8h", "", "Journal de 8h"},
        {" - Sans artiste", "", "- Sans artiste"},                           // an empty side: no split
        {"Sans titre - ", "", "Sans titre -"},
        {"", "", ""},
        {"Édith Piaf - La Vie en rose", "Édith Piaf", "La Vie en rose"},
    };
    for (const auto &c : cases) {
        const TitleParts p = SplitArtistTitle(QString::fromUtf8(c.in));
        EXPECT_EQ(p.artist, QString::fromUtf8(c.artist)) << c.in;
        EXPECT_EQ(p.title, QString::fromUtf8(c.title)) << c.in;
    }
}

TEST(DesktopRules, StatusAndMetadataFollowWhatPlays)
{
    NowPlaying idle;
    EXPECT_EQ(PlaybackStatus(idle), "Stopped");
    EXPECT_EQ(Metadata(idle), (QVariantMap{{"mpris:trackid", "/org/mpris/MediaPlayer2/TrackList/NoTrack"}}));
    // Nothing of a station shows while nothing plays, even when the fields are filled.
    idle.station = "Radio";
    idle.streamTitle = "A - B";
    EXPECT_EQ(Metadata(idle).size(), 1);

    NowPlaying now{true, false, "Radio Test", "Artiste - Titre", "/tmp/logo/x y.png", 7};
    EXPECT_EQ(PlaybackStatus(now), "Playing");
    const QVariantMap m = Metadata(now);
    EXPECT_EQ(m.value("mpris:trackid").toString(), "/tavilune/track/7");
    EXPECT_EQ(m.value("xesam:title").toString(), "Titre");
    EXPECT_EQ(m.value("xesam:artist").toStringList(), QStringList{"Artiste"});
    EXPECT_EQ(m.value("xesam:album").toString(), "Radio Test");
    EXPECT_EQ(m.value("mpris:artUrl").toString(), "file:///tmp/logo/x%20y.png");

    now.paused = true;
    EXPECT_EQ(PlaybackStatus(now), "Paused");
    // No title from the stream: the station's name is the title; no artist, no logo.
    const QVariantMap bare = Metadata({true, false, "Radio Test", "", "", 1});
    EXPECT_EQ(bare.value("xesam:title").toString(), "Radio Test");
    EXPECT_FALSE(bare.contains("xesam:artist"));
    EXPECT_FALSE(bare.contains("mpris:artUrl"));
}

TEST(DesktopRules, StepsRoundTheList)
{
    const struct {
        int count, current, step, expected;
    } cases[] = {
        {3, 0, 1, 1}, {3, 2, 1, 0}, {3, 0, -1, 2}, {3, 1, -1, 0},
        {3, -1, 1, 0}, {3, -1, -1, 2}, {3, 7, 1, 0},   // no current station
        {1, 0, 1, 0}, {1, 0, -1, 0}, {0, -1, 1, -1}, {0, 0, -1, -1},
        {4, 1, 6, 3}, {4, 1, -6, 3},                    // steps longer than the list
    };
    for (const auto &c : cases)
        EXPECT_EQ(StepStation(c.count, c.current, c.step), c.expected)
            << c.count << " " << c.current << " " << c.step;
}

TEST(DesktopRules, FindsThePageLogo)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkpath("Radios/logo");
    for (const char *f : {"Radios/logo/radio.gif", "Radios/banner.png", "Radios/logo/R&B #1.jpg", "Radios/logo/ラジオ.jpg"}) {
        QFile file(dir.filePath(f));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("GIF89a");
    }
    const QString page = dir.filePath("Radios/RADIO.HTM");
    const QString logo = QDir::cleanPath(dir.filePath("Radios/logo/radio.gif"));
    const struct {
        const char *html;
        QString expected;
    } cases[] = {
        {"<IMG SRC=\"logo/radio.gif\" BORDER=0 WIDTH=66 HEIGHT=50>", logo},
        {"<img src='banner.png'><A HREF=x><IMG SRC=logo/radio.gif></A>", logo},      // the logo first
        {"<img src='banner.png'>", QDir::cleanPath(dir.filePath("Radios/banner.png"))}, // else the first
        {"<IMG SRC=\"logo\\RADIO.GIF\">", logo},   // another separator and letter case
        {"<IMG SRC=\"logo/missing.gif\">", QString()},
        {"<IMG SRC=\"http://example.org/logo/radio.gif\">", QString()},
        {"<IMG SRC=\"\"><p>texte</p>", QString()},
        {"no picture at all", QString()},
        // Names with reserved characters as generated pages escape them, and as older pages wrote them.
        {"<IMG SRC=\"logo/R%26B %231.jpg\">", QDir::cleanPath(dir.filePath("Radios/logo/R&B #1.jpg"))},
        {"<IMG SRC=\"logo/R&B #1.jpg\">", QDir::cleanPath(dir.filePath("Radios/logo/R&B #1.jpg"))},
        {"<IMG SRC=\"logo/%E3%83%A9%E3%82%B8%E3%82%AA.jpg\">", QDir::cleanPath(dir.filePath("Radios/logo/ラジオ.jpg"))},
    };
    for (const auto &c : cases)
        EXPECT_EQ(PageLogo(QString::fromUtf8(c.html), page), c.expected) << c.html;
}

TEST(DesktopRules, TrayTipKeepsTheStationWithinTheLimit)
{
    const QString longTitle(80, QChar('t'));
    const struct {
        QString station, title, expected;
    } cases[] = {
        {"Radio", "Artiste - Titre", "Radio - Artiste - Titre"},
        {" Radio ", "", "Radio"},
        {"", "Titre", "Titre"},
        {"Radio", longTitle, "Radio - " + QString(52, 't') + "..."},
        {QString(70, 's'), "Titre", QString(63, 's')},
        // A character outside the basic plane is not cut in two.
        {"Radio", QString(51, 'a') + QString::fromUtf8("\xF0\x9F\x8E\xB5") + "zzzz",
         "Radio - " + QString(51, 'a') + "..."},
    };
    for (const auto &c : cases) {
        const QString tip = TrayTip(c.station, c.title);
        EXPECT_EQ(tip, c.expected) << c.title.toStdString();
        EXPECT_LE(tip.size(), 63);
    }
}

TEST(DesktopRules, RecordingNamesAndExtensions)
{
    const QDateTime when(QDate(2026, 3, 7), QTime(9, 5));
    const struct {
        const char *station, *ext, *expected;
    } names[] = {
        {"France Inter", "mp3", "France Inter 2026-03-07 09h05.mp3"},
        {"AC/DC: \"Live\" *best*?", "aac", "AC_DC_ _Live_ _best__ 2026-03-07 09h05.aac"},
        {"..\\..\\etc", "ogg", "_.._etc 2026-03-07 09h05.ogg"},
        {"  ", "mp3", "Flux 2026-03-07 09h05.mp3"},
        {"Radio\tNuit", "opus", "Radio_Nuit 2026-03-07 09h05.opus"},
    };
    for (const auto &n : names)
        EXPECT_EQ(RecordFileName(QString::fromUtf8(n.station), when, n.ext), QString::fromUtf8(n.expected));
    EXPECT_LE(RecordFileName(QString(300, 'x'), when, "mp3").size(), 200);

    // One file per title: the title split as the journal splits it, every part made safe, the
    // whole within what a file name holds (255 bytes), whatever the script.
    const QString notes = QString::fromUtf8("\xF0\x9F\x8E\xB5");
    const struct {
        QString station, title, expected;
    } titled[] = {
        {"FIP", "Daft Punk - Around the World", "FIP - Daft Punk - Around the World.mp3"},
        {"FIP", "Journal de 8h", "FIP - Journal de 8h.mp3"},
        {"FIP", " - Sans artiste", "FIP - - Sans artiste.mp3"},
        {"FIP", "AC/DC - Back: In Black?", "FIP - AC_DC - Back_ In Black_.mp3"},
        {"FIP", "../x - ..y", "FIP - _x - y.mp3"},
        {"FIP", "A - ..", "FIP 2026-03-07 09h05.mp3"},                     // nothing left of the title
        {"", QString::fromUtf8("Édith Piaf - L'Hymne à l'amour"), QString::fromUtf8("Flux - Édith Piaf - L'Hymne à l'amour.mp3")},
        {"FIP", "", "FIP 2026-03-07 09h05.mp3"},
        {"FIP", "   ", "FIP 2026-03-07 09h05.mp3"},
        {"FIP", "Artiste - ", "FIP - Artiste -.mp3"},
    };
    for (const auto &t : titled)
        EXPECT_EQ(TitleFileName(t.station, t.title, when, "mp3"), t.expected) << t.title.toStdString();
    for (const QString &unit : {QStringLiteral("x"), QString::fromUtf8("é"), QString::fromUtf8("音"), notes}) {
        const QString name = TitleFileName(unit.repeated(300), unit.repeated(300) + " - " + unit.repeated(300), when, "opus");
        EXPECT_LE(name.toUtf8().size() + 10, 255) << unit.toStdString(); // room for " (99).part"
        EXPECT_TRUE(name.endsWith(".opus"));
        EXPECT_FALSE(name.toUtf8().contains("\xEF\xBF\xBD")) << "a character cut in two";
        EXPECT_LE(RecordFileName(unit.repeated(300), when, "opus").toUtf8().size() + 10, 255);
    }

    const struct {
        const char *codec, *format, *ext;
    } exts[] = {
        {"mp3", "mp3", "mp3"},   {"mp3float", "mp3", "mp3"}, {"aac", "aac", "aac"},
        {"aac", "mov,mp4,m4a,3gp,3g2,mj2", "m4a"},           {"vorbis", "ogg", "ogg"},
        {"opus", "ogg", "opus"}, {"flac", "flac", "flac"},   {"aac", "mpegts", "ts"},
        {"wmav2", "asf", "wma"}, {"mp2", "mpeg", "mp2"},     {"pcm_s16le", "wav", "mka"},
        {"", "", "mka"},
    };
    for (const auto &e : exts)
        EXPECT_EQ(RecordExtension(e.codec, e.format), e.ext) << e.codec << " " << e.format;
}

TEST(DesktopRules, SizesTimesAndFade)
{
    const QLocale fr(QLocale::French, QLocale::France);
    const struct {
        qint64 bytes;
        const char *text;
    } sizes[] = {
        {0, "Enregistrement : 0 ko"},
        {850 * 1024, "Enregistrement : 850 ko"},
        {qint64(12.4 * 1024 * 1024), "Enregistrement : 12,4 Mo"},
        {qint64(1.25 * 1024 * 1024 * 1024), "Enregistrement : 1,25 Go"},
        {-5, "Enregistrement : 0 ko"},
    };
    for (const auto &s : sizes)
        EXPECT_EQ(RecordSizeText(s.bytes, fr), QString::fromUtf8(s.text)) << s.bytes;
    EXPECT_EQ(RecordSizeText(qint64(12.4 * 1024 * 1024), QLocale::c()), "Enregistrement : 12.4 Mo");

    const struct {
        qint64 ms;
        const char *text;
    } times[] = {
        {15 * 60000, "Arrêt programmé dans 15:00"},
        {14 * 60000 + 5001, "Arrêt programmé dans 14:06"}, // a second begun counts whole
        {59000, "Arrêt programmé dans 0:59"},
        {90 * 60000, "Arrêt programmé dans 1:30:00"},
        {0, "Arrêt programmé dans 0:00"},
    };
    for (const auto &t : times)
        EXPECT_EQ(SleepRemainingText(t.ms, false), QString::fromUtf8(t.text)) << t.ms;
    EXPECT_EQ(SleepRemainingText(5000, true), QString::fromUtf8("Arrêt programmé : fondu en cours"));

    const struct {
        int start;
        qint64 elapsed, fade;
        int volume;
    } fades[] = {
        {80, 0, 8000, 80}, {80, 2000, 8000, 60}, {80, 4000, 8000, 40}, {80, 7999, 8000, 0},
        {80, 8000, 8000, 0}, {80, 9000, 8000, 0}, {80, -10, 8000, 80}, {80, 100, 0, 0},
        {0, 100, 8000, 0},
    };
    for (const auto &f : fades)
        EXPECT_EQ(FadeVolume(f.start, f.elapsed, f.fade), f.volume) << f.start << " " << f.elapsed;
    // Never rising on the way down.
    for (qint64 t = 0, last = 100; t <= 5000; t += 50) {
        const int v = FadeVolume(100, t, 5000);
        EXPECT_LE(v, last);
        last = v;
    }
}

TEST(DesktopRules, LivePauseAndRewindTextsAndEntries)
{
    const struct {
        double seconds;
        const char *text;
    } delays[] = {
        {5.9, "Différé : -00:05"}, // whole seconds, rounded down
        {65, "Différé : -01:05"},
        {30 * 60, "Différé : -30:00"},
        {3723, "Différé : -1:02:03"},
        {-4, "Différé : -00:00"},
        {1e300, "Différé : -00:00"},
    };
    for (const auto &d : delays)
        EXPECT_EQ(DelayText(d.seconds), QString::fromUtf8(d.text)) << d.seconds;

    EXPECT_EQ(KeepMenuText(5), QString::fromUtf8("Garder les 5 dernières minutes"));
    EXPECT_EQ(KeepMenuText(1), QString::fromUtf8("Garder la dernière minute"));
    EXPECT_EQ(KeptText(300.4, "R 2026.mp3"), QString::fromUtf8("Les 5 dernières minutes sont enregistrées dans :\nR 2026.mp3"));
    EXPECT_EQ(KeptText(75, "R.mp3"), QString::fromUtf8("La dernière minute est enregistrée dans :\nR.mp3"));
    EXPECT_EQ(KeptText(42.2, "R.mp3"), QString::fromUtf8("Les 42 dernières secondes sont enregistrées dans :\nR.mp3"));
    EXPECT_EQ(KeptText(12, "%1 %2.mp3"), QString::fromUtf8("Les 12 dernières secondes sont enregistrées dans :\n%1 %2.mp3"));

    // active, paused, delay, behind, keeping -> pause, paused, back, forward, live, keep
    const struct {
        bool active, paused;
        double delay, behind;
        bool keeping;
        TimeShiftMenu menu;
    } states[] = {
        {false, false, 0, 0, false, {}},                                   // nothing plays
        {false, true, 30, 30, false, {}},
        {true, false, 0, 0.5, false, {true, false, false, false, false, false}}, // just started
        {true, false, 0, 40, false, {true, false, true, false, false, true}},    // live
        {true, true, 0.5, 40, false, {true, true, true, false, true, true}},     // just paused
        {true, false, 12, 40, false, {true, false, true, true, true, true}},     // behind live
        {true, false, 12, 0.2, false, {true, false, false, true, true, true}},   // at the oldest kept
        {true, false, 12, 40, true, {true, false, true, true, true, false}},     // a kept file being written
    };
    for (const auto &s : states) {
        const TimeShiftMenu m = TimeShiftMenuState(s.active, s.paused, s.delay, s.behind, s.keeping);
        const bool got[] = {m.pause, m.paused, m.back, m.forward, m.live, m.keep};
        const bool want[] = {s.menu.pause, s.menu.paused, s.menu.back, s.menu.forward, s.menu.live, s.menu.keep};
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(got[i], want[i]) << "entry " << i << " for delay " << s.delay << " behind " << s.behind;
    }
}

TEST(DesktopRules, FreeRecordPathNumbersClashesWithFilesPartsAndLinks)
{
    QTemporaryDir dir;
    const QString name = QStringLiteral("Radio 2026-03-07 09h05.mp3");
    EXPECT_EQ(PartPath(dir.filePath(name)), dir.filePath(QStringLiteral("Radio 2026-03-07 09h05.part.mp3")));
    EXPECT_EQ(PartPath(QStringLiteral("/a/b")), QStringLiteral("/a/b.part"));
    EXPECT_EQ(FreeRecordPath(dir.path(), name), dir.filePath(name));
    QFile(dir.filePath(name)).open(QIODevice::WriteOnly);
    EXPECT_EQ(FreeRecordPath(dir.path(), name), dir.filePath(QStringLiteral("Radio 2026-03-07 09h05 (2).mp3")));
    QFile(dir.filePath(QStringLiteral("Radio 2026-03-07 09h05 (2).part.mp3"))).open(QIODevice::WriteOnly);
    QFile::link(dir.filePath(QStringLiteral("nowhere")), dir.filePath(QStringLiteral("Radio 2026-03-07 09h05 (3).mp3")));
    EXPECT_EQ(FreeRecordPath(dir.path(), name), dir.filePath(QStringLiteral("Radio 2026-03-07 09h05 (4).mp3")));
}
