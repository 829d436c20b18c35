#include "base/timer.h"
#include "timeline/scene.h"
#include "timeline/value_position.h"

#include <array>
#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

CScene spanning(int32_t start, int32_t end) {
    CScene s;
    s.startTime = start;
    s.endTime = end;
    return s;
}

void at(CScene& s, int32_t now) {
    timer.elapsed = now;
    s.timeUpdate();
    s.typeUpdate();
}

} // namespace

// Progress is the share of the span still to come, not clamped past the end
// (all of it for a span of no length); a record runs up to its end, a synced
// one up to syncEndTime, a template never. A model without "opacity" is opaque.
TEST(SceneTiming, ProgressValuesAndRunning) {
    const struct {
        int32_t start, end, now;
        bool sync, insync;
        float progress;
        bool running;
    } cases[] = {
        {1000, 3000, 1000, false, false, 1.0f, true},   {1000, 3000, 1500, false, false, 0.75f, true},
        {1000, 3000, 2500, false, false, 0.25f, true},  {1000, 3000, 3000, false, false, 0.0f, false},
        {1000, 2000, 2500, false, false, -0.5f, false}, {1000, 3000, -1000, false, false, 2.0f, true},
        {2000, 2000, 1990, false, false, 1.0f, true},   {2000, 2000, 2010, false, false, 1.0f, false},
        {1000, 3000, 1500, false, true, 0.75f, false},  {1000, 3000, 4000, true, true, -0.5f, true},
        {1000, 3000, 5000, true, true, -1.0f, false}};
    for (const auto& c : cases) {
        CScene s = spanning(c.start, c.end);
        s.syncEndTime = 5000;
        s.sync = c.sync;
        s.insync = c.insync;
        s.opacityInterp = true;
        s.opacityEnd = 1;
        s.opacity = c.running;
        at(s, c.now);
        s.objUpdate();
        EXPECT_EQ(s.progress, c.progress) << c.start << ".." << c.end << " at " << c.now;
        EXPECT_EQ(s.opacityValue, c.running ? 1.0f - c.progress : 1.0f)
            << c.start << ".." << c.end << " at " << c.now;
        EXPECT_EQ(s.isRunning(), c.running) << c.sync << c.insync << " at " << c.now;
    }
}

TEST(ValuePosition, IntegersTruncateTowardZeroAndSaturateFloatsAreOneFusedMultiplyAdd) {
    // start, end (over 1000..4000 ms), now, value
    const std::array<int32_t, 4> cases[] = {{1, 4, 1000, 1},  {1, 4, 1999, 1},  {1, 4, 2001, 2},
                                            {1, 4, 3999, 3},  {4, 1, 1000, 4},  {4, 1, 1001, 3},
                                            {4, 1, 2999, 2},  {4, 1, 3001, 1},  {-1, 2, 1000, -1},
                                            {-1, 2, 1001, 0}, {-1, 2, 2999, 0}, {-1, 2, 3001, 1}};
    for (const auto& [start, end, now, value] : cases) {
        CScene s = spanning(1000, 4000);
        s.objectInterp = s.maskInterp = true;
        s.objectStart = s.maskStart = start;
        s.objectEnd = s.maskEnd = end;
        at(s, now);
        EXPECT_EQ((std::pair{s.objectValue, s.maskValue}), (std::pair{value, value}))
            << start << ".." << end << " at " << now;
    }
    CScene s; // runaway progress saturates
    s.progress = 1e10f;
    EXPECT_EQ((std::pair{s.valuePosition<int32_t>(1, 0), s.valuePosition<int32_t>(0, 1)}),
              (std::pair{INT32_MAX, INT32_MIN}));
    // Here the fused and the separately rounded results differ in the last place.
    s = spanning(1000, 3000);
    at(s, 1001);
    EXPECT_EQ(s.valuePosition(0.1f, 0.7f), 0.100300036f);
}
