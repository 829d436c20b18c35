#include "base/timer.h"

#include <gtest/gtest.h>

TEST(VirtualClock, FrameIFallsOnFloorOfITimesThousandOverRateFromItsOrigin) {
    struct Case {
        int fps;
        int32_t origin;
        std::vector<int32_t> times;
    } cases[] = {{60, 0, {0, 16, 33, 50, 66, 83, 100}},
                 {7, 0, {0, 142, 285, 428}},
                 {1000, 0, {0, 1, 2, 3}},
                 {30, 5000, {5000, 5033, 5066, 5100}}};
    for (const Case& c : cases) {
        CTimer t;
        t.useVirtual(c.fps, c.origin);
        t.init();
        std::vector<int32_t> seen{t.elapsed};
        while (seen.size() < c.times.size()) {
            t.getTime();
            seen.push_back(t.elapsed);
        }
        EXPECT_EQ(seen, c.times) << c.fps << " fps";
    }
    CTimer t; // ten minutes of frames: no drift
    t.useVirtual(60);
    t.init();
    for (int i = 0; i < 60 * 600; ++i)
        t.getTime();
    EXPECT_EQ(t.elapsed, 600000);
}

namespace {
uint32_t fakeNow = 0;
} // namespace

TEST(RealClock, ElapsedIsTheTickDifferenceModulo2To32ReadAsSigned) {
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
        t.ticks = [] { return fakeNow; };
        t.delay = [](uint32_t) {};
        fakeNow = c.start;
        t.init();
        fakeNow = c.now;
        t.getTime();
        EXPECT_EQ(t.elapsed, c.elapsed) << c.start << " -> " << c.now;
    }
}
