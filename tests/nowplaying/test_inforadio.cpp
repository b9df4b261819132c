// The now-playing window against the local data server: the five slots and their covers, the
// slot buttons, what failures leave on display, the period field, ticks during a refresh, the
// period kept at close, the clipboard.
#include "core/Globals.h"
#include "core/Settings.h"
#include "nowplaying/InfoRadio.h"
#include "nowplaying/InfoRefresh.h"
#include "FakePrompts.h"
#include "NowPlayingTestUtil.h"
#include "TestUtil.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace nowplaying;

namespace {

bool Near(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) < 16 && qAbs(qGreen(a) - qGreen(b)) < 16 && qAbs(qBlue(a) - qBlue(b)) < 16;
}

class InfoRadioTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = new StreamServer("dataserver.py");
        QString error;
        if (!server->start(&error))
            FAIL() << error.toStdString();
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SetUp() override
    {
        SetProgramFolder(dir.path());
        settings::UseFile(dir.filePath(QStringLiteral("Tavilune.conf")));
        G() = ProgramValues{};
        SavedTracks() = TrackTexts{};
        ASSERT_TRUE(nptest::PutStation(server->folder(), QStringLiteral("radio"), 1));
        G().infoAddress = server->url(QStringLiteral("/f/radio/d_data.html"));
    }
    void TearDown() override
    {
        delete window.data();
        settings::UseFile(QString());
        SetProgramFolder(QString());
    }
    // Creates the window and waits for its first refresh.
    bool open(bool expectShown = true)
    {
        window = new InfoRadio;
        return next(expectShown, false);
    }
    // Waits for the end of a refresh (started by a click when click is true).
    bool next(bool expectShown, bool click = true)
    {
        std::optional<bool> shown;
        QObject::connect(window, &InfoRadio::refreshed, window, [&](bool s) { shown = s; });
        if (click)
            window->Command1_Click();
        const bool ended = tavtest::waitUntil([&] { return shown.has_value(); }, 20000);
        QObject::disconnect(window, &InfoRadio::refreshed, window, nullptr);
        return ended && *shown == expectShown;
    }
    QStringList lines() const
    {
        return {window->LabelTitre->text(), window->LabelAlbum->text(), window->LabelAuteur->text(),
                window->LabelSortie->text(), window->LabelEditeur->text()};
    }
    static QStringList entryLines(int g, int k)
    {
        return {QStringLiteral("Titre : ") + nptest::Value("T", g, k), QStringLiteral("Album : ") + nptest::Value("A", g, k),
                QStringLiteral("Auteur : ") + nptest::Value("P", g, k), QStringLiteral("Sortie : ") + nptest::Value("S", g, k),
                QStringLiteral("Editeur : ") + nptest::Value("E", g, k)};
    }
    QRgb centre() const { return window->Picture().pixel(8, 8); }

    static StreamServer *server;
    QTemporaryDir dir;
    QPointer<InfoRadio> window;
    FakePrompts prompts;
};
StreamServer *InfoRadioTest::server = nullptr;

} // namespace

TEST_F(InfoRadioTest, FiveSlotsShowTheirLinesAndCoversAndTheButtonsStepThroughThem)
{
    ASSERT_TRUE(open());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Information : "));
    EXPECT_EQ(window->Command3->toolTip(), QStringLiteral("Copier la pochette dans le presse papier"));
    EXPECT_EQ(window->Label16->buddy(), window->Text2);
    // Slot 5 first (entry 1), then "<" four times down to slot 1 (entry 5), then ">" back up.
    struct Step {
        void (InfoRadio::*press)();
        int slot;
        bool back, forward;
    };
    const Step steps[] = {
        {nullptr, 5, true, false},
        {&InfoRadio::Command4_Click, 4, true, true},
        {&InfoRadio::Command4_Click, 3, true, true},
        {&InfoRadio::Command4_Click, 2, true, true},
        {&InfoRadio::Command4_Click, 1, false, true},
        {&InfoRadio::Command5_Click, 2, true, true},
    };
    for (const Step &s : steps) {
        SCOPED_TRACE(s.slot);
        if (s.press)
            (window->*s.press)();
        EXPECT_EQ(window->Slot(), s.slot);
        EXPECT_EQ(lines(), entryLines(1, 6 - s.slot));
        EXPECT_TRUE(Near(centre(), nptest::CoverColour(6 - s.slot))) << std::hex << centre();
        EXPECT_EQ(window->Command4->isEnabled(), s.back);
        EXPECT_EQ(window->Command5->isEnabled(), s.forward);
        EXPECT_FALSE(window->Image1->pixmap().isNull());
    }
    EXPECT_EQ(window->LabelIMG[2]->text(), QStringLiteral("/f/covers/C3.jpg"));

    // "C" puts the cover on display on the clipboard.
    window->Command3_Click();
    const QImage copied = QGuiApplication::clipboard()->image();
    ASSERT_FALSE(copied.isNull());
    EXPECT_TRUE(Near(copied.pixel(8, 8), nptest::CoverColour(4)));
    EXPECT_TRUE(prompts.shown.isEmpty());
}

TEST_F(InfoRadioTest, WhatEachServerChangeLeavesOnDisplay)
{
    ASSERT_TRUE(open());
    const QString folder = server->folder();
    const QStringList first = entryLines(1, 1);
    struct Case {
        const char *name;
        std::function<void()> change;
        bool shown;
        QStringList lines;
        int cover; // entry whose colour is on display
        bool infoFile;
    };
    const Case cases[] = {
        {"a newer data page", [&] { nptest::Put(folder, QStringLiteral("radio/data.html"), nptest::DataPage(2)); },
         true, entryLines(2, 1), 1, true},
        {"404 for the information address",
         [&] { G().infoAddress = server->url(QStringLiteral("/f/nowhere/d_data.html")); }, false, entryLines(2, 1), 1,
         false},
        {"information address without Content-Length",
         [&] { G().infoAddress = server->url(QStringLiteral("/nolength/radio/d_data.html")); }, false,
         entryLines(2, 1), 1, false},
        {"a file address: nothing is read",
         [&] { G().infoAddress = QStringLiteral("file://") + folder + QStringLiteral("/radio/d_data.html"); }, false,
         entryLines(2, 1), 1, false},
        {"an undecodable cover keeps the picture",
         [&] {
             G().infoAddress = server->url(QStringLiteral("/f/radio/d_data.html"));
             nptest::Put(folder, QStringLiteral("radio/data.html"), nptest::DataPage(3));
             nptest::Put(folder, QStringLiteral("covers/C1.jpg"), "not a picture");
         },
         true, entryLines(3, 1), 1, true},
        {"a page shifted by one statement shows shifted fields",
         [&] { nptest::Put(folder, QStringLiteral("radio/data.html"), nptest::DataPage(4, 1)); }, true,
         {QStringLiteral("Titre : var v42 = 42"), QStringLiteral("Album : parent.titresPochettes[1] = T4-1"),
          QStringLiteral("Auteur : parent.albumsPochettes[1] = A4-1"), QStringLiteral("Sortie : var v50 = 50"),
          QStringLiteral("Editeur : parent.sortiePochettes[1] = S4-1")},
         1, true},
        // A field of megabytes: the window shows its start, cut with "…", and stays quick.
        {"a title of 3.5 MB is cut",
         [&] {
             QByteArray page = nptest::DataPage(5);
             page.replace("\"T5-1\"", "\"" + QByteArray(3584 * 1024, 'x') + "\"");
             nptest::Put(folder, QStringLiteral("radio/data.html"), page);
         },
         true,
         QStringList{QStringLiteral("Titre : ") + QString(kMaxFieldChars - 1, u'x') + QChar(0x2026)}
             + entryLines(5, 1).mid(1),
         1, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.change();
        ASSERT_TRUE(next(c.shown));
        EXPECT_EQ(lines(), c.lines);
        EXPECT_TRUE(Near(centre(), nptest::CoverColour(c.cover))) << std::hex << centre();
        EXPECT_EQ(QFile::exists(dir.filePath(QStringLiteral("info.html"))), c.infoFile);
    }
    // The texts outlive the window: a new one shows them before its first refresh ends.
    delete window.data();
    G().infoAddress.clear();
    ASSERT_TRUE(open(false));
    window->Command4_Click();
    window->Command5_Click();
    EXPECT_EQ(lines(), cases[6].lines);
}

TEST_F(InfoRadioTest, PeriodFieldKeepsDigitsWarnsAtSixtySixAndStopsWhenEmpty)
{
    G().infoAddress.clear();
    ASSERT_TRUE(open(false));
    struct Case {
        const char *typed; // typed after clearing the field
        const char *text;
        int interval; // 0: timer stopped
        int notices;
    };
    const Case cases[] = {
        {"25", "25", 25000, 0},
        {"6a5", "65", 65000, 0},
        {"7-0", "70", 7000, 1}, // 70: warned, the interval stays that of "7"
        {"", "", 0, 0},
        {"0", "0", 0, 0},
        {"12.5", "125", 12000, 1},
        {"5", "5", 5000, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.typed);
        prompts.shown.clear();
        window->Text2->clear();
        QTest::keyClicks(window->Text2, QString::fromLatin1(c.typed));
        EXPECT_EQ(window->Text2->text(), QString::fromLatin1(c.text));
        EXPECT_EQ(window->Timer1->isActive() ? window->Timer1->interval() : 0, c.interval);
        ASSERT_EQ(prompts.shown.size(), c.notices);
        if (c.notices) {
            EXPECT_EQ(prompts.shown[0].kind, QStringLiteral("message"));
            EXPECT_EQ(prompts.shown[0].title, QStringLiteral("Avertissement !"));
            EXPECT_EQ(prompts.shown[0].text, QStringLiteral("La valeur doit être inférieure à 66"));
            EXPECT_EQ(prompts.shown[0].icon, UiPrompts::Icon::Information);
        }
    }
    QTest::keyClick(window->Text2, Qt::Key_Backspace);
    EXPECT_EQ(window->Text2->text(), QString());
    EXPECT_FALSE(window->Timer1->isActive());
}

TEST_F(InfoRadioTest, PeriodAtOpenAndAtClose)
{
    G().infoAddress.clear();
    struct Case {
        int stored;
        const char *shown;
        const char *typed;   // then typed before closing
        int after;           // refresh period after the close
    };
    const Case cases[] = {{0, "10", nullptr, 10}, {30, "30", nullptr, 30}, {70, "10", nullptr, 10},
                          {-4, "10", nullptr, 10}, {10, "10", "42", 42}, {10, "10", "", 0}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.stored);
        G().tempoRadio = c.stored;
        ASSERT_TRUE(open(false));
        EXPECT_EQ(window->Text2->text(), QString::fromLatin1(c.shown));
        EXPECT_EQ(window->Timer1->interval(), QString::fromLatin1(c.shown).toInt() * 1000);
        EXPECT_TRUE(window->Timer1->isActive());
        EXPECT_EQ(window->Slot(), 5);
        if (c.typed) {
            window->Text2->clear();
            QTest::keyClicks(window->Text2, QString::fromLatin1(c.typed));
        }
        window->Command2->click(); // "Fermer"
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_TRUE(window.isNull()) << "not destroyed at close";
        EXPECT_EQ(G().tempoRadio, c.after);
        EXPECT_EQ(settings::GetSetting(QStringLiteral("TempoRadio")), c.typed ? QString::fromLatin1(c.typed)
                                                                               : QString::fromLatin1(c.shown));
    }
}

TEST_F(InfoRadioTest, TicksDuringARefreshAreSkippedAndTheWindowKeepsServing)
{
    // Every page and cover takes 1.5 s: a refresh lasts about ten seconds; the timer ticks every second.
    const QString slow = QStringLiteral("/slow/1500/radio/d_data.html");
    nptest::Put(server->folder(), QStringLiteral("radio/data.html"),
                nptest::DataPage(5, 0, 110, QStringLiteral("/slow/1500/covers")));
    G().infoAddress = server->url(slow);
    G().tempoRadio = 1;
    window = new InfoRadio;
    int ticks = 0;
    QObject::connect(window->Timer1, &QTimer::timeout, [&] { ++ticks; });
    std::optional<bool> shown;
    // Once the refresh has ended the timer stops: a tick right after it would rightly start the next
    // refresh, which is not what is counted here.
    QObject::connect(window, &InfoRadio::refreshed, window, [&](bool s) {
        shown = s;
        window->Timer1->stop();
    });
    // Meanwhile the buttons answer.
    ASSERT_TRUE(tavtest::waitUntil([&] { return ticks >= 2; }, 5000));
    window->Command4_Click();
    EXPECT_EQ(window->Slot(), 4);
    window->Command5_Click();
    ASSERT_TRUE(tavtest::waitUntil([&] { return shown.has_value(); }, 30000));
    EXPECT_TRUE(*shown);
    EXPECT_GE(ticks, 5);
    EXPECT_EQ(nptest::Count(*server, slow), 1) << "a tick started a second refresh";
    EXPECT_EQ(lines(), entryLines(5, 1));

    // Closed in the middle of a refresh: the download goes with the window, the files stay.
    const QByteArray before = [&] {
        QFile f(dir.filePath(QStringLiteral("info2.html")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    window->Command1_Click();
    ASSERT_TRUE(tavtest::waitUntil([&] { return nptest::Count(*server, slow) == 2; }, 5000));
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    tavtest::waitUntil([] { return false; }, 500);
    QFile f(dir.filePath(QStringLiteral("info2.html")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    QStringList known = {QStringLiteral("info.html"), QStringLiteral("info2.html"), QStringLiteral("Tavilune.conf")};
    for (int k = 1; k <= 5; ++k)
        known << CoverFileName(k);
    for (const QString &name : QDir(dir.path()).entryList(QDir::Files))
        EXPECT_TRUE(known.contains(name)) << "left behind: " << name.toStdString();
}
