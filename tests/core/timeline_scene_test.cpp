#include "engine/timer.h"
#include "timeline/scene.h"
#include "timeline/value_position.h"

#include <cmath>
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
}

} // namespace

TEST(SceneTiming, ProgressFallsFromOneToZeroAndOpacityRisesOverTheSpan) {
    struct Case {
        int32_t now;
        float progress, opacity;
    } cases[] = {{1000, 1.0f, 0.0f}, {1500, 0.75f, 0.25f}, {2000, 0.5f, 0.5f}, {2500, 0.25f, 0.75f}};
    CScene s = spanning(1000, 3000);
    s.opacity = s.opacityInterp = true;
    s.opacityStart = 0;
    s.opacityEnd = 1;
    for (const Case& c : cases) {
        at(s, c.now);
        s.typeUpdate();
        EXPECT_EQ(s.progress, c.progress) << c.now;
        EXPECT_EQ(s.opacityValue, c.opacity) << c.now;
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
        {true, false, 3500, true},
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

TEST(SceneTiming, ZeroLengthSpanHasAllOfItStillToCome) {
    CScene s = spanning(2000, 2000);
    s.angleInterp = true;
    s.angleStart = 10;
    s.angleEnd = 20;
    for (int32_t now : {1990, 2000, 2010}) {
        at(s, now);
        s.typeUpdate();
        EXPECT_EQ(s.progress, 1.0f) << now;
        EXPECT_EQ(s.angleValue, 10.0f) << now;
    }
}

TEST(SceneTiming, ProgressIsNotClampedPastTheEnd) {
    CScene s = spanning(1000, 2000);
    s.moveInterp = true;
    s.moveStart[0] = 0;
    s.moveEnd[0] = 100;
    at(s, 2500);
    s.imgUpdate();
    EXPECT_EQ(s.progress, -0.5f);
    EXPECT_EQ(s.moveValue[0], 150.0f);
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
            s.typeUpdate();
            EXPECT_EQ(s.objectValue, value) << c.start << ".." << c.end << " at " << now;
            EXPECT_EQ(s.maskValue, value) << c.start << ".." << c.end << " at " << now;
        }
    }
}

TEST(ValuePosition, FloatsUseOneFusedMultiplyAdd) {
    // At this point the fused and the separately rounded results differ in
    // the last place; the fused one is the contract.
    CScene s = spanning(1000, 3000);
    at(s, 1001);
    const float fused = s.valuePosition(0.1f, 0.7f);
    EXPECT_EQ(fused, 0.100300036f);
    volatile float diff = 0.1f - 0.7f;
    volatile float product = s.progress * diff;
    EXPECT_NE(fused, product + 0.7f);
}

TEST(ValuePosition, RunawayProgressSaturatesIntegers) {
    CScene s;
    s.progress = 1e10f;
    EXPECT_EQ(s.valuePosition<int32_t>(1, 0), INT32_MAX);
    EXPECT_EQ(s.valuePosition<int32_t>(0, 1), INT32_MIN);
}

TEST(SceneUpdates, CurrentValuesFollowTheirInterpolationFlags) {
    CScene s = spanning(0, 1000);
    for (int i = 0; i < 3; ++i) {
        s.colorStart[i] = s.axisStart[i] = s.scaleStart[i] = s.translateStart[i] = 1.0f + i;
        s.colorEnd[i] = s.axisEnd[i] = s.scaleEnd[i] = s.translateEnd[i] = 3.0f + i;
    }
    s.colorInterp = s.scaleInterp = true; // axis and translation stay at Start
    at(s, 500);
    s.typeUpdate();
    s.objUpdate();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(s.colorValue[i], 2.0f + i);
        EXPECT_EQ(s.scaleValue[i], 2.0f + i);
        EXPECT_EQ(s.axisValue[i], 1.0f + i);
        EXPECT_EQ(s.translateValue[i], 1.0f + i);
    }
}

TEST(SceneUpdates, ModelsWithoutTheOpacitySwitchAreOpaque) {
    struct Case {
        bool opacity;
        float expected;
    } cases[] = {{false, 1.0f}, {true, 0.25f}};
    for (const Case& c : cases) {
        CScene s = spanning(0, 1000);
        s.opacity = c.opacity;
        s.opacityStart = 0.25f;
        at(s, 100);
        s.typeUpdate();
        EXPECT_EQ(s.opacityValue, 0.25f); // typeUpdate alone takes the Start value
        s.objUpdate();
        EXPECT_EQ(s.opacityValue, c.expected) << c.opacity;
    }
}

TEST(SceneCopy, TakesTheTemplateButKeepsSyncStateCurrentValuesAndSize) {
    CScene tpl;
    tpl.track = 7;
    tpl.type = 1;
    tpl.blend = true;
    tpl.objectStart = 42;
    tpl.startTime = 11;
    tpl.endTime = 22;
    tpl.width = tpl.height = 999;
    tpl.sync = tpl.insync = true;
    tpl.syncTrack = tpl.syncPosition = tpl.syncStepEnd = tpl.syncEndTime = 99;
    tpl.objectValue = tpl.maskValue = 55;
    tpl.opacityValue = tpl.progress = tpl.moveValue[1] = tpl.colorValue[2] = 0.5f;

    CScene s;
    s.track = 1;
    s.width = 64;
    s.height = 32;
    s.sync = true;
    s.syncTrack = 2;
    s.syncPosition = 1;
    s.syncStepEnd = 3000;
    s.syncEndTime = 9000;
    s.objectValue = 3;
    s.progress = 0.75f;
    s.copy(tpl);

    EXPECT_EQ(s.track, 7);
    EXPECT_EQ(s.type, 1);
    EXPECT_TRUE(s.blend);
    EXPECT_EQ(s.objectStart, 42);
    EXPECT_EQ(s.startTime, 11);
    EXPECT_EQ(s.endTime, 22);
    EXPECT_EQ(s.width, 64);
    EXPECT_EQ(s.height, 32);
    EXPECT_TRUE(s.sync);
    EXPECT_FALSE(s.insync);
    EXPECT_EQ(s.syncTrack, 2);
    EXPECT_EQ(s.syncPosition, 1);
    EXPECT_EQ(s.syncStepEnd, 3000);
    EXPECT_EQ(s.syncEndTime, 9000);
    EXPECT_EQ(s.objectValue, 3);
    EXPECT_EQ(s.maskValue, 0);
    EXPECT_EQ(s.progress, 0.75f);
    EXPECT_EQ(s.moveValue[1], 0.0f);
    EXPECT_EQ(s.colorValue[2], 0.0f);

    s.copy(s); // a record that is its own template stays as it is
    EXPECT_EQ(s.track, 7);
    EXPECT_EQ(s.width, 64);
}
