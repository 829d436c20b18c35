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
