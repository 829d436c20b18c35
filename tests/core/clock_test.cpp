#include "base/timer.h"

#include <gtest/gtest.h>
#include <tuple>

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

TEST(Clock, RealElapsedIsTheTickDifferenceModulo2To32ReadAsSigned) {
    // ticks at the start and now, elapsed
    const std::tuple<uint32_t, uint32_t, int32_t> cases[] = {
        {100, 350, 250}, {0xFFFFFF00u, 0x100u, 0x200}, {0, 0x80000000u, INT32_MIN}, {5, 4, -1}};
    static uint32_t fakeNow = 0;
    for (const auto& [start, now, elapsed] : cases) {
        CTimer t;
        t.ticks = [] { return fakeNow; };
        t.delay = [](uint32_t) {};
        fakeNow = start;
        t.init();
        fakeNow = now;
        t.getTime();
        EXPECT_EQ(t.elapsed, elapsed) << start << " -> " << now;
    }
}
