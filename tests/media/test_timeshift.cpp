// The arithmetic of live pause and rewind: the cache size for a number of minutes, the stream's
// measured rate, the delay behind live, where seeks go and what "Garder" keeps.
#include "media/TimeShift.h"

#include <gtest/gtest.h>
#include <limits>

using namespace timeshift;

TEST(TimeShift, BufferBytesFollowMinutesAndRateWithinBounds)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        int minutes;
        double rate;
        qint64 bytes;
    } cases[] = {
        {0, 30000, 0},                                         // off
        {-5, 30000, 0},
        {30, 30000, 30LL * 60 * 30000},                       // 54 MB for a 128 kbit/s stream
        {1, 30000, 1800000},
        {1, 1000, MinBufferBytes},                            // a tiny stream still gets a floor
        {30, 0, qint64(30 * 60 * ProvisionalBytesPerSecond)}, // not measured yet
        {30, -1, qint64(30 * 60 * ProvisionalBytesPerSecond)},
        {30, nan, qint64(30 * 60 * ProvisionalBytesPerSecond)},
        {30, inf, qint64(30 * 60 * ProvisionalBytesPerSecond)},
        {MaxMinutes + 500, 30000, qint64(MaxMinutes) * 60 * 30000}, // minutes capped
        {120, 1e9, MaxBufferBytes},                           // bytes capped
    };
    for (const auto &c : cases)
        EXPECT_EQ(BufferBytes(c.minutes, c.rate), c.bytes) << c.minutes << " min at " << c.rate;
}

TEST(TimeShift, CountedRateNeedsSecondsAndBytes)
{
    EXPECT_DOUBLE_EQ(CountedRate(250000, 0, 10), 25000);
    EXPECT_DOUBLE_EQ(CountedRate(250000, 100, 110), 25000);
    EXPECT_EQ(CountedRate(250000, 0, MinMeasuredSeconds - 0.1), 0); // too short to tell
    EXPECT_EQ(CountedRate(0, 0, 10), 0);
    EXPECT_EQ(CountedRate(250000, 10, 0), 0); // a range backwards
    EXPECT_EQ(CountedRate(250000, 0, std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(TimeShift, DelayBehindAndSeeksStayWithinTheBuffer)
{
    const double inf = std::numeric_limits<double>::infinity();
    // start, end, position, lead | live point, delay, behind | wanted -> seek target
    const struct {
        Window w;
        double live, delay, behind, wanted, target;
    } cases[] = {
        {{0, 20, 18, 2}, 18, 0, 18, 18 - 30, StartMargin},   // live: -30 s stops at the start
        {{0, 20, 18, 2}, 18, 0, 18, 18 + 30, 18},            // +30 s stops at live
        {{0, 60, 40, 2}, 58, 18, 40, 40 - 30, 10},           // behind live, room to go back
        {{0, 60, 40, 2}, 58, 18, 40, 40 + 30, 58},
        {{100, 160, 150, 2}, 158, 8, 50, 20, 100 + StartMargin}, // the oldest part was dropped
        {{0, 60, 59.5, 2}, 58, 0, 59.5, 59.5, 58},           // ahead of the measured live point
        {{10, 11, 10.25, 3}, 10, 0, 0.25, -inf, 10},         // lead longer than the buffer
        {{0, 60, -1, 2}, 58, 0, 0, inf, 58},                 // position unknown
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.w.start << ".." << c.w.end << " at " << c.w.position);
        EXPECT_DOUBLE_EQ(LivePoint(c.w), c.live);
        EXPECT_DOUBLE_EQ(Delay(c.w), c.delay);
        EXPECT_DOUBLE_EQ(Behind(c.w), c.behind);
        EXPECT_DOUBLE_EQ(SeekTarget(c.w, c.wanted), c.target);
    }
}

TEST(TimeShift, KeepRangeEndsAtLiveOrAtWhatIsHeard)
{
    const struct {
        Window w;
        double seconds, start, end;
    } cases[] = {
        {{0, 400, 398, 2}, 300, 100, 400}, // live: up to what was received
        {{0, 400, 200, 2}, 300, 0, 200},   // behind: up to what is heard, from the oldest kept
        {{0, 400, 200, 2}, 60, 140, 200},
        {{50, 60, 58, 2}, 300, 50, 60},    // less kept than asked
        {{0, 0, 0, 0}, 300, 0, 0},         // nothing received
        {{0, 60, -1, 2}, 300, 0, 0},       // position unknown
        {{0, 60, 58, 2}, 0, 0, 0},         // nothing asked
    };
    for (const auto &c : cases) {
        const Range r = KeepRange(c.w, c.seconds);
        EXPECT_DOUBLE_EQ(r.start, c.start) << c.w.position << " keeping " << c.seconds;
        EXPECT_DOUBLE_EQ(r.end, c.end) << c.w.position << " keeping " << c.seconds;
    }
}
