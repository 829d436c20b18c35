#include "engine/engine.h"
#include "engine/timer.h"

#include <gtest/gtest.h>

TEST(VirtualClock, FramesFallOnFloorOfIndexTimesThousandOverRate) {
    struct Case {
        int fps;
        std::vector<int32_t> times;
    } cases[] = {{60, {0, 16, 33, 50, 66, 83, 100}},
                 {30, {0, 33, 66, 100}},
                 {1000, {0, 1, 2, 3}},
                 {7, {0, 142, 285, 428}}};
    for (const Case& c : cases) {
        CTimer t;
        t.useVirtual(c.fps);
        t.init();
        std::vector<int32_t> seen{t.elapsed};
        while (seen.size() < c.times.size()) {
            t.getTime();
            seen.push_back(t.elapsed);
        }
        EXPECT_EQ(seen, c.times) << c.fps << " fps";
    }
}

TEST(VirtualClock, StartsAtItsOriginAndNeverDrifts) {
    CTimer t;
    t.useVirtual(60, 5000);
    t.init();
    EXPECT_EQ(t.elapsed, 5000);
    for (int i = 0; i < 60 * 600; ++i)
        t.getTime(); // ten minutes of frames
    EXPECT_EQ(t.elapsed, 5000 + 600000);
}

namespace {
uint32_t fakeNow = 0;
uint32_t fakeTicks() {
    return fakeNow;
}
int delays = 0;
void fakeDelay(uint32_t ms) {
    delays += static_cast<int>(ms);
}
} // namespace

TEST(RealClock, ElapsedIsTheTickDifferenceModulo2To32ReadAsSigned) {
    // The tick counter may wrap between start and now; the difference stays
    // right, and past 2^31 ms of show time it turns negative as a signed value.
    struct Case {
        uint32_t start, now;
        int32_t elapsed;
    } cases[] = {{100, 350, 250},
                 {0xFFFFFF00u, 0x00000100u, 0x200},
                 {0, 0x7FFFFFFFu, 0x7FFFFFFF},
                 {0, 0x80000000u, INT32_MIN},
                 {5, 4, -1}};
    for (const Case& c : cases) {
        CTimer t;
        t.ticks = fakeTicks;
        t.delay = fakeDelay;
        fakeNow = c.start;
        t.init();
        EXPECT_EQ(t.elapsed, 0) << "zero until the first refresh";
        fakeNow = c.now;
        delays = 0;
        t.getTime();
        EXPECT_EQ(t.elapsed, c.elapsed) << c.start << " -> " << c.now;
        EXPECT_EQ(delays, 1) << "each refresh sleeps 1 ms";
    }
}

TEST(Quit, WithoutAnExitHandlerRecordsTheEndAndReturns) {
    CMain m;
    timer.elapsed = 4321;
    m.quit();
    EXPECT_TRUE(m.ended);
    EXPECT_EQ(m.endedAt, 4321);
}
