#include "base/timer.h"
#include "timeline/scene.h"
#include "timeline/value_position.h"

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

TEST(SceneTiming, ProgressAndValuesOverTheSpanNotClampedPastTheEnd) {
    struct Case {
        int32_t start, end, now;
        float progress, opacity;
    } cases[] = {{1000, 3000, 1000, 1.0f, 0.0f},  {1000, 3000, 1500, 0.75f, 0.25f},
                 {1000, 3000, 2000, 0.5f, 0.5f},  {1000, 3000, 2500, 0.25f, 0.75f},
                 {1000, 2000, 2500, -0.5f, 1.5f}, {2000, 2000, 1990, 1.0f, 0.0f}, // zero length:
                 {2000, 2000, 2010, 1.0f, 0.0f}};                                 // all of it still to come
    for (const Case& c : cases) {
        CScene s = spanning(c.start, c.end);
        s.opacity = s.opacityInterp = true;
        s.opacityStart = 0;
        s.opacityEnd = 1;
        at(s, c.now);
        EXPECT_EQ(s.progress, c.progress) << c.start << ".." << c.end << " at " << c.now;
        EXPECT_EQ(s.opacityValue, c.opacity) << c.start << ".." << c.end << " at " << c.now;
    }
}

TEST(SceneTiming, RunsUpToButNotIncludingItsEnd) {
    struct Case {
        bool sync, insync;
        int32_t now;
        bool running;
    } cases[] = {
        {false, false, 2999, true}, {false, false, 3000, false},
        {false, false, -5, true},   {false, true, 1500, false}, // a template never runs
        {true, true, 4999, true},   {true, true, 5000, false},  // synced: until syncEndTime
    };
    for (const Case& c : cases) {
        CScene s = spanning(1000, 3000);
        s.syncEndTime = 5000;
        s.sync = c.sync;
        s.insync = c.insync;
        timer.elapsed = c.now;
        EXPECT_EQ(s.isRunning(), c.running) << c.sync << c.insync << " at " << c.now;
    }
}

TEST(ValuePosition, IntegerRangesStepAndTruncateTowardZero) {
    struct Case {
        int32_t start, end;
        std::vector<std::pair<int32_t, int32_t>> at; // now, value
    } cases[] = {
        {1, 4, {{1000, 1}, {1999, 1}, {2001, 2}, {2999, 2}, {3001, 3}, {3999, 3}}},
        {4, 1, {{1000, 4}, {1001, 3}, {1999, 3}, {2001, 2}, {2999, 2}, {3001, 1}, {3999, 1}}},
        {-1, 2, {{1000, -1}, {1001, 0}, {2999, 0}, {3001, 1}, {3999, 1}}},
    };
    for (const Case& c : cases) {
        CScene s = spanning(1000, 4000);
        s.objectInterp = s.maskInterp = true;
        s.objectStart = s.maskStart = c.start;
        s.objectEnd = s.maskEnd = c.end;
        for (auto [now, value] : c.at) {
            at(s, now);
            EXPECT_EQ(s.objectValue, value) << c.start << ".." << c.end << " at " << now;
            EXPECT_EQ(s.maskValue, value) << c.start << ".." << c.end << " at " << now;
        }
    }
    CScene s; // runaway progress saturates
    s.progress = 1e10f;
    EXPECT_EQ(s.valuePosition<int32_t>(1, 0), INT32_MAX);
    EXPECT_EQ(s.valuePosition<int32_t>(0, 1), INT32_MIN);
}

TEST(ValuePosition, FloatsUseOneFusedMultiplyAdd) {
    // Here the fused and the separately rounded results differ in the last place.
    CScene s = spanning(1000, 3000);
    at(s, 1001);
    EXPECT_EQ(s.valuePosition(0.1f, 0.7f), 0.100300036f);
}

TEST(SceneUpdates, ValuesFollowTheirFlagsAndModelsWithoutOpacityAreOpaque) {
    for (bool opacity : {false, true}) {
        CScene s = spanning(0, 1000);
        for (int i = 0; i < 3; ++i) {
            s.colorStart[i] = s.axisStart[i] = 1.0f + i;
            s.colorEnd[i] = s.axisEnd[i] = 3.0f + i;
        }
        s.colorInterp = true; // the axis stays at Start
        s.opacity = opacity;
        s.opacityStart = 0.25f;
        at(s, 500);
        EXPECT_EQ(s.opacityValue, 0.25f); // typeUpdate alone takes the Start value
        s.objUpdate();
        EXPECT_EQ(s.opacityValue, opacity ? 0.25f : 1.0f) << opacity;
        EXPECT_EQ(s.colorValue[2], 4.0f);
        EXPECT_EQ(s.axisValue[2], 3.0f);
    }
}

TEST(SceneCopy, TakesTheTemplateButKeepsSyncStateCurrentValuesAndSize) {
    CScene tpl = spanning(11, 22);
    tpl.track = 7;
    tpl.objectStart = 42;
    tpl.width = 999;
    tpl.insync = true;
    tpl.command = 3;
    tpl.syncPosition = tpl.syncEndTime = tpl.maskValue = 99;
    tpl.progress = tpl.colorValue[2] = 0.5f;
    CScene s;
    s.width = 64;
    s.sync = true;
    s.syncPosition = 1;
    s.syncEndTime = 9000;
    s.progress = 0.75f;
    s.command = 5;
    s.copy(tpl);
    EXPECT_EQ((std::vector<int32_t>{s.track, s.objectStart, s.startTime, s.endTime, s.width, s.syncPosition,
                                    s.syncEndTime, s.maskValue, s.command}),
              (std::vector<int32_t>{7, 42, 11, 22, 64, 1, 9000, 0, 5}));
    EXPECT_TRUE(s.sync && !s.insync);
    EXPECT_EQ(s.progress, 0.75f);
    EXPECT_EQ(s.colorValue[2], 0.0f);
    s.copy(s); // a record that is its own template stays as it is
    EXPECT_EQ(s.track, 7);
    EXPECT_EQ(s.width, 64);
}
