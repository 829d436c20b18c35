#include "base/timer.h"

#include <gtest/gtest.h>
#include <vector>

TEST(Clock, VirtualFrameIFallsOnFloorOfITimesThousandOverRateFromItsOrigin) {
    const struct {
        int fps;
        int32_t origin;
        std::vector<int32_t> times;
    } cases[] = {
        {60, 0, {0, 16, 33, 50, 66}}, {7, 0, {0, 142, 285, 428}}, {30, 5000, {5000, 5033, 5066, 5100}}};
    for (const auto& c : cases) {
        CTimer t;
        t.useVirtual(c.fps, c.origin);
        t.init();
        std::vector<int32_t> seen{t.elapsed};
        for (t.getTime(); seen.size() < c.times.size(); t.getTime())
            seen.push_back(t.elapsed);
        EXPECT_EQ(seen, c.times) << c.fps << " fps";
    }
}

TEST(MusicClock, HeardPositionRunsOnByTicksUpToTheMusicHandedOver) {
    const MusicStamp s{true, 5000, 1000, 46};
    const struct {
        uint32_t now;
        int32_t offset, heard;
    } cases[] = {
        {1000, 0, 5000},  {1020, 0, 5020},   {1046, 0, 5046}, {1200, 0, 5046}, // a device that takes no more
        {990, 0, 5000},                                                        // a stamp taken after now
        {1020, 40, 4980}, {1020, -40, 5060},                                   // the listener's latency
    };
    for (const auto& c : cases)
        EXPECT_EQ(heardAt(s, c.now, c.offset), c.heard) << "at tick " << c.now << " offset " << c.offset;
}

TEST(MusicClock, FollowsTheMusicNeverBackwardsAndAtMostThreeTimesTheTicks) {
    const struct {
        int32_t shown;
        uint32_t last, now;
        int32_t heard, next;
        const char* what;
    } cases[] = {
        {1000, 50, 60, 1010, 1010, "in step"},
        {1000, 50, 60, 1004, 1004, "music a little slower: the picture slows"},
        {1000, 50, 60, 990, 1000, "music behind: the picture holds"},
        {1000, 50, 60, 1025, 1025, "music ahead: the picture catches up"},
        {1000, 50, 60, 5000, 1030, "far ahead: three times the ticks, no jump"},
        {1000, 60, 60, 1020, 1000, "no tick passed"},
        {1000, 60, 50, 1020, 1000, "ticks read out of order"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(followMusic(c.shown, c.last, c.now, c.heard), c.next) << c.what;
}

namespace {

uint32_t fakeTicks = 0;
MusicStamp fakeStamp;
uint32_t readFakeTicks() {
    return fakeTicks;
}
void noDelay(uint32_t) {}
bool readFakeStamp(MusicStamp& s) {
    s = fakeStamp;
    return s.sounding;
}

} // namespace

// The real clock over a run of music: its start, a device faster than the
// ticks, the music's end, music behind the picture, a device that stops.
TEST(MusicClock, RealClockFollowsTheMusicWhileItSoundsAndRunsOnByTicksOtherwise) {
    CTimer t;
    t.ticks = readFakeTicks;
    t.delay = noDelay;
    t.music = readFakeStamp;
    fakeTicks = 100;
    fakeStamp = MusicStamp{};
    t.init();
    const struct {
        uint32_t now;
        MusicStamp stamp;
        int32_t elapsed;
        const char* what;
    } steps[] = {
        {110, {true, 0, 105, 0}, 0, "the music starts: the picture waits for its first buffer"},
        {130, {true, 0, 120, 46}, 10, "the first buffer sounds from tick 120"},
        {140, {true, 30, 138, 46}, 32, "the device takes audio faster: catching up"},
        {150, {true, 60, 149, 46}, 61, ""},
        {160, {true, 60, 149, 46}, 71, ""},
        {170, {true, 90, 168, 46}, 92, "in step with the music again"},
        {180, {false, 120, 175, 0}, 102, "the music ends: ticks from there, no jump"},
        {200, {false, 120, 175, 0}, 122, ""},
        {210, {true, 100, 210, 46}, 122, "music behind the picture: it holds"},
        {3000, {true, 100, 210, 46}, 2912, "no stamp for long: the device stopped, ticks"},
    };
    for (const auto& s : steps) {
        fakeTicks = s.now;
        fakeStamp = s.stamp;
        t.getTime();
        EXPECT_EQ(t.elapsed, s.elapsed) << "tick " << s.now << ": " << s.what;
    }
    // Without a music source it is the tick clock alone.
    t.music = nullptr;
    t.continueAt(500, 3000);
    fakeTicks = 3100;
    fakeStamp = MusicStamp{true, 0, 3100, 46};
    t.getTime();
    EXPECT_EQ(t.elapsed, 600);
}
