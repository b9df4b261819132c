// The picture of a TV stream drawn in the window through libmpv's render API, from a local TV
// channel (tests/tools/videoserver.py), under the test session's X server and sound server.
#include "GlVideoView.h"
#include "MediaEngine.h"
#include "StreamServer.h"
#include "TestUtil.h"
#include "TvTestUtil.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace {

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
        ASSERT_TRUE(tavtest::waitUntil([&] { return view->hasRenderContext(); }, 5000));

        engine->play(channel().url(QString::fromLatin1(path)));
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
        ASSERT_TRUE(tavtest::waitUntil([&] { return view->hasRenderContext(); }, 5000));
        engine->play(channel().url(QStringLiteral("/clip.ts")));
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
