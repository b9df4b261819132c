// The picture of a TV stream drawn in the window through libmpv's render API, from a local TV
// channel (tests/tools/videoserver.py), under the test session's X server and sound server.
#include "core/Globals.h"
#include "core/Settings.h"
#include "media/MediaEngine.h"
#include "tv/FrmAutresTVModif.h"
#include "tv/FrmWMP.h"
#include "tv/TvPlayer.h"
#include "ui/GlVideoView.h"
#include "ui/WebBrowser.h"
#include "FakePrompts.h"
#include "StreamServer.h"
#include "TestUtil.h"
#include "TvTestUtil.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QWidget>
#include <QTest>
#include <gtest/gtest.h>


namespace {

// The OpenGL driver stays loaded until the leak check (the test main sees to it).

StreamServer &channel()
{
    static StreamServer server("videoserver.py");
    static bool started = false;
    if (!started) {
        QString why;
        started = server.start(&why);
        if (!started)
            ADD_FAILURE() << "videoserver: " << why.toStdString();
    }
    return server;
}

} // namespace

TEST(TvVideo, PictureDrawnForEachFormatAndNothingLeftAfterStop)
{
    const char *paths[] = {"/clip.ts", "/clip.mp4", "/hls/index.m3u8"};
    for (const char *path : paths) {
        SCOPED_TRACE(path);
        QWidget window;
        window.resize(360, 280);
        auto *engine = new MediaEngine(&window);
        auto *view = new GlVideoView(engine, &window);
        view->setGeometry(0, 0, 320, 240);
        window.show();
        // The render context is made on the engine's player, which its first play() makes.
        ASSERT_TRUE(tavtest::waitUntil([&] { return view->isValid(); }, 5000));
        EXPECT_FALSE(view->hasRenderContext());
        engine->play(channel().url(QString::fromLatin1(path)));
        ASSERT_TRUE(view->hasRenderContext());
        ASSERT_TRUE(tavtest::waitUntil([&] { return engine->state() == MediaEngine::State::Playing; },
                                       20000))
            << engine->statusText().toStdString();
        ASSERT_TRUE(tavtest::waitUntil([&] { return view->framesDrawn() > 10; }, 10000));
        const QImage frame = view->grabFramebuffer();
        EXPECT_GT(tvtest::distinctColours(frame), 8);
        if (qEnvironmentVariableIsSet("TAV_TV_SHOT")) // a look at the picture
            frame.save(qEnvironmentVariable("TAV_TV_SHOT") + QString::fromLatin1(path).section(u'/', -1) + QStringLiteral(".png"));
        if (tavtest::haveSoundServer()) {
            EXPECT_TRUE(tavtest::waitUntil([] { return tvtest::soundStreams() == 1; }, 5000));
        }

        engine->stop();
        EXPECT_EQ(engine->state(), MediaEngine::State::Idle);
        if (tavtest::haveSoundServer()) {
            EXPECT_TRUE(tavtest::waitUntil([] { return tvtest::soundStreams() == 0; }, 5000));
        }
    }
}

TEST(TvVideo, EngineOrViewMayGoFirst)
{
    for (bool engineFirst : {true, false}) {
        QWidget window;
        window.resize(320, 240);
        auto *engine = new MediaEngine(&window);
        auto *view = new GlVideoView(engine, &window);
        view->setGeometry(0, 0, 320, 240);
        window.show();
        ASSERT_TRUE(tavtest::waitUntil([&] { return view->isValid(); }, 5000));
        engine->play(channel().url(QStringLiteral("/clip.ts")));
        ASSERT_TRUE(view->hasRenderContext());
        ASSERT_TRUE(tavtest::waitUntil([&] { return view->framesDrawn() > 3; }, 20000));
        if (engineFirst) {
            delete engine;
            EXPECT_FALSE(view->hasRenderContext());
            view->update();
            tavtest::waitUntil([] { return false; }, 200); // paints without an engine
            delete view;
        } else {
            delete view;
            EXPECT_EQ(engine->state(), MediaEngine::State::Playing); // the sound goes on
            engine->stop();
            delete engine;
        }
    }
}

// The TV window and the editor's test button play the local channel with the picture; closing
// and STOP leave nothing playing.
TEST(TvVideo, WindowsShowThePicture)
{
    QTemporaryDir dir;
    SetProgramFolder(dir.path());
    settings::UseFile(dir.filePath(QStringLiteral("Tavilune.conf")));
    FakePrompts prompts;
    const QString clip = channel().url(QStringLiteral("/clip.ts"));
    {
        FrmWMP w;
        w.resize(640, 560);
        w.show();
        w.Text1->setText(clip);
        w.Command1->click();
        ASSERT_TRUE(tavtest::waitUntil([&] { return w.WMP->video()->framesDrawn() > 10; }, 20000))
            << w.WMP->engine()->statusText().toStdString();
        const QImage frame = w.WMP->video()->grabFramebuffer();
        EXPECT_GT(frame.width(), 300);
        EXPECT_GT(tvtest::distinctColours(frame), 8);
        if (qEnvironmentVariableIsSet("TAV_TV_SHOT"))
            w.grab().save(qEnvironmentVariable("TAV_TV_SHOT") + QStringLiteral("FrmWMP.png"));
        // Pause and play again, then full screen and back with Escape.
        w.WMP->playPause()->click();
        EXPECT_TRUE(w.WMP->engine()->isPaused());
        w.WMP->playPause()->click();
        EXPECT_FALSE(w.WMP->engine()->isPaused());
        w.WMP->fullScreenButton()->click();
        EXPECT_TRUE(w.WMP->fullScreenShown());
        EXPECT_FALSE(w.Go->isVisible());
        QTest::keyClick(&w, Qt::Key_Escape);
        EXPECT_FALSE(w.WMP->fullScreenShown());
        EXPECT_TRUE(w.Go->isVisible());
        w.close();
        EXPECT_EQ(w.WMP->engine()->state(), MediaEngine::State::Idle);
        if (tavtest::haveSoundServer()) {
            EXPECT_TRUE(tavtest::waitUntil([] { return tvtest::soundStreams() == 0; }, 5000));
        }
    }
    {
        FrmAutresTVModif e;
        e.show();
        e.Text2->setText(clip);
        e.Command6->click();
        ASSERT_TRUE(tavtest::waitUntil([&] { return e.WMP->video()->framesDrawn() > 10; }, 20000))
            << e.WMP->engine()->statusText().toStdString();
        EXPECT_GT(tvtest::distinctColours(e.WMP->video()->grabFramebuffer()), 8);
        if (tavtest::haveSoundServer()) {
            EXPECT_TRUE(tavtest::waitUntil([] { return tvtest::soundStreams() == 1; }, 5000));
        }
        e.Command6->click();
        EXPECT_EQ(e.WMP->engine()->state(), MediaEngine::State::Idle);
        if (tavtest::haveSoundServer()) {
            EXPECT_TRUE(tavtest::waitUntil([] { return tvtest::soundStreams() == 0; }, 5000));
        }
    }
    settings::UseFile(QString());
    SetProgramFolder(QString());
}

// A TV page shown in the page view shows the picture of its player object while it plays.
TEST(TvVideo, TvPageShowsItsPicture)
{
    QTemporaryDir dir;
    const QString page = dir.filePath(QStringLiteral("CHAINE.HTM"));
    {
        QFile f(page);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("<HTML><BODY>Cha\xEEne<object id=\"NSPlay\" type=\"application/x-oleobject\">"
                "<param name=\"Filename\" value=\"" + channel().url(QStringLiteral("/clip.ts")).toLatin1()
                + "\"><param name=\"AutoStart\" value=\"1\"></object></BODY></HTML>\r\n");
    }
    QWidget window;
    window.resize(400, 500);
    MediaEngine engine;
    auto *view = new WebBrowser(&engine, &window);
    view->setGeometry(0, 0, 400, 500);
    QSignalSpy shown(view, &WebBrowser::VideoAreaShown);
    view->setShowsVideo(true);
    window.show();
    view->Navigate(page);
    ASSERT_NE(view->VideoArea(), nullptr);
    EXPECT_TRUE(view->VideoArea()->isVisible());
    ASSERT_EQ(shown.size(), 1);
    EXPECT_TRUE(shown[0][0].toBool());
    ASSERT_TRUE(tavtest::waitUntil([&] { return view->VideoArea()->framesDrawn() > 10; }, 20000))
        << engine.statusText().toStdString();
    EXPECT_GT(tvtest::distinctColours(view->VideoArea()->grabFramebuffer()), 8);
    view->Stop();
    EXPECT_FALSE(view->VideoArea()->isVisible());
    ASSERT_EQ(shown.size(), 2);
    EXPECT_FALSE(shown[1][0].toBool());
    EXPECT_EQ(engine.state(), MediaEngine::State::Idle);
    // Radio mode: no video area.
    view->setShowsVideo(false);
    view->Navigate(page);
    EXPECT_FALSE(view->VideoArea()->isVisible());
    view->Stop();
    delete view;
}
