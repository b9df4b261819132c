#pragma once
// Waiting on the media engine in end-to-end tests.
#include "media/MediaEngine.h"
#include "TestUtil.h"

namespace tavtest {

// True once the engine plays `address` and has played a fifth of a second of it.
inline bool PlaysAddress(MediaEngine &e, const QString &address, int timeoutMs = 20000)
{
    return waitUntil(
        [&] { return e.state() == MediaEngine::State::Playing && e.address() == address && e.playbackTime() > 0.2; },
        timeoutMs);
}

} // namespace tavtest
