#include "base/engine.h"
#include "base/timer.h"
#include "script/frame_step.h"
#include "script/script.h"
#include "support/script_commands.h"

#include <array>
#include <atomic>
#include <gtest/gtest.h>
#include <vector>

// Counted by the operator new of music_decode_test.cpp, in this binary too.
extern std::atomic<long> allocations;

namespace {

class FrameStep : public ::testing::Test {
  protected:
    void SetUp() override {
        script.reset();
        scene1 = CBezier{};
        engine = CMain{};
        timer.useReal();
        timer.elapsed = 0;
    }
    void TearDown() override { script.reset(); }

    void frame(int32_t now) {
        timer.elapsed = now;
        stepFrame();
    }
};

} // namespace

// A "scene 1" command also goes to scene1, which keeps its own size.
TEST_F(FrameStep, ALateGroupIsInterpretedOneGroupPerFrame) {
    scene1.width = 5;
    addCommands({{1000, "1000 track 1 duration 5000"},
                 {1000, "1000 track 2 duration 5000"},
                 {2000, "2000 track 3 duration 1000 opacity 0 to 1"},
                 {2000, "2000 scene 1 duration 1000 color 1 0 0 angle 0 to 90"}});
    frame(0);
    EXPECT_EQ(script.current, 0u);
    frame(2500);
    EXPECT_EQ(sceneTracks(), (std::vector<int32_t>{2, 1}));
    frame(2516);
    ASSERT_EQ(sceneTracks(), (std::vector<int32_t>{3, 3, 2, 1}));
    // Created late, they keep their scripted start and are part of the way through.
    EXPECT_FLOAT_EQ(script.scenes[0].opacityValue, 0.516f);
    EXPECT_EQ((std::array{script.scenes[1].kind, scene1.kind, scene1.endTime, scene1.width}),
              (std::array{1, 1, 3000, 5}));
    EXPECT_FLOAT_EQ(scene1.angleValue, 0.516f * 90);
}

TEST_F(FrameStep, ErasingKeepsTemplatesAndTwoNeighboursEndingTogetherGoBoth) {
    addCommands({{0, "0 track 6 type 1"}, // no duration: gone in its first frame
                 {0, "0 track 5 type 1 insync"},
                 {0, "0 track 4 duration 5000"},
                 {0, "0 track 3 duration 1000"},
                 {0, "0 track 2 duration 1000"},
                 {0, "0 track 1 duration 3000 type 1 move 0 0 to 100 0"}});
    frame(0);
    ASSERT_EQ(sceneTracks(), (std::vector<int32_t>{5, 4, 3, 2, 1}));
    frame(1500);
    ASSERT_EQ(sceneTracks(), (std::vector<int32_t>{5, 4, 1}));
    EXPECT_EQ(script.scenes[2].moveValue[0], 50.0f); // the next one is still updated
    frame(9000);
    EXPECT_EQ(sceneTracks(), (std::vector<int32_t>{5})); // a template stays, undrawn
}

TEST_F(FrameStep, ArmingCountsFromNowAndReArmingFromTheScheduledEnd) {
    script.syncTracks = {{{5, 500}, {6, 500}}};
    addCommands({{0, "0 track 5 type 1 object 50 insync"},
                 {0, "0 track 6 type 1 object 60 insync"},
                 {2000, "2000 track 1 type 1 object 10 duration 10000 sync 0"}});
    frame(0);
    frame(2000);
    const CScene* s = &script.scenes.back();
    EXPECT_EQ((std::array{s->objectValue, s->track, s->startTime, s->endTime, s->syncEndTime}),
              (std::array{50, 5, 2000, 2500, 12000}));
    frame(2513);
    EXPECT_EQ((std::array{s->objectValue, s->startTime, s->endTime, s->syncStepEnd}),
              (std::array{60, 2513, 3000, 3000}));
    frame(2600);
    EXPECT_FLOAT_EQ(s->progress, 1.0f - 87.0f / 487.0f);
}

// The object shown in each 100 ms step after arming at 1000. A step with no
// template (42) shows the record itself; no such or an empty track: unsynced.
TEST_F(FrameStep, StepsCycleThroughTheTrack) {
    struct Case {
        const char* sync;
        std::vector<SYNC> track;
        std::vector<int32_t> shown;
    } cases[] = {
        {"sync 0", {{7, 100}, {8, 100}, {9, 100}}, {70, 80, 90, 70, 80, 90, 70}},
        {"sync 0", {{8, 100}}, {80, 80, 80}},
        {"sync 0", {{42, 100}, {8, 100}}, {10, 10, 10, 10}},
        {"sync 0", {{7, 100}, {42, 100}, {9, 100}}, {70, 90, 70, 90}},
        {"sync 1", {{7, 100}}, {10, 10}},
        {"sync -1", {{7, 100}}, {10, 10}},
        {"sync 0", {}, {10, 10}},
    };
    for (const Case& c : cases) {
        SetUp();
        script.syncTracks = {c.track};
        const std::string command = std::string("1000 track 1 type 1 object 10 duration 100000 ") + c.sync;
        addCommands({{0, "0 track 7 type 1 object 70 insync"},
                     {0, "0 track 8 type 1 object 80 insync"},
                     {0, "0 track 9 type 1 object 90 insync"},
                     {1000, command.c_str()}});
        std::vector<int32_t> shown;
        for (int32_t now = 0; now < 1000 + 100 * static_cast<int32_t>(c.shown.size()); now += 10) {
            frame(now);
            if (now >= 1000 && now % 100 == 50) shown.push_back(script.scenes.back().objectValue);
        }
        EXPECT_EQ(shown, c.shown) << c.sync << ", " << c.track.size() << " steps";
    }
}

TEST_F(FrameStep, SteadyStateFramesDoNotAllocate) {
    script.syncTracks = {{{5, 100}, {6, 50}}};
    addCommands({{0, "0 track 5 type 1 object 50 insync"},
                 {0, "0 track 6 type 0 object 60 insync"},
                 {0, "0 track 3 type 0 duration 900000 translate 0 0 0 to 1 1 1"},
                 {0, "0 track 2 scene 1 duration 900000"},
                 {0, "0 track 1 type 1 duration 900000 sync 0"},
                 {950000, "950000 end"}});
    frame(0);
    const CScene* data = script.scenes.data();
    const long before = allocations.load();
    for (int i = 1; i <= 10000; ++i)
        frame(i * 16);
    EXPECT_EQ(allocations.load(), before);
    EXPECT_EQ(script.scenes.data(), data);
    EXPECT_EQ(script.scenes.size(), 5u);
}
