#include "engine/engine.h"
#include "engine/timer.h"
#include "script/script.h"
#include "support/temp_dir.h"
#include "timeline/frame_step.h"
#include "timeline/rewind.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A show with a synced layer, overlapping layers, the Bezier scene and "end".
const char* kShow = "Sync 1 0.25 2 0.5\n"
                    "@sync\n"
                    "0 track 1 type 1 insync opacity 1 to 0\n"
                    "0 track 2 type 1 insync scale 1 1 1 to 2 2 1\n"
                    "0 track 5 type 1 sync 0 duration 9.0\n"
                    "0.5 track 7 type 1 duration 2.0 opacity 0 to 1 move 0 0 to 100 40\n"
                    "1.7 track 8 type 0 duration 3.0 angle 0 to 360 rotate 0 1 0\n"
                    "2.1 track 9 scene 1 duration 1.5 color 1 0 0 to 0 0 1\n"
                    "4.0 track 7 type 1 duration 1.0 opacity 1 to 0\n"
                    "9.5 end\n";

// What a frame leaves behind, as far as the renderer reads it.
std::string state() {
    std::string s = std::to_string(script.current) + ";" + std::to_string(timer.elapsed) + ";";
    auto scene = [&](const CScene& c) {
        s += std::to_string(c.track) + "," + std::to_string(c.startTime) + "," + std::to_string(c.endTime) +
             "," + std::to_string(c.syncPosition) + "," + std::to_string(c.syncStepEnd) + "," +
             std::to_string(c.progress) + "," + std::to_string(c.opacityValue) + "," +
             std::to_string(c.scaleValue[0]) + "," + std::to_string(c.angleValue) + "," +
             std::to_string(c.moveValue[0]) + "," + std::to_string(c.colorValue[2]) + "|";
    };
    for (const CScene& c : script.scenes)
        scene(c);
    scene(scene1);
    return s;
}

class Rewind : public ::testing::Test {
  protected:
    void SetUp() override {
        script.reset();
        engine = CMain{};
        show.script(kShow);
        script.init(show.data("script.txt").c_str());
        ASSERT_TRUE(script.opened);
    }
    TempShow show;
};

TEST_F(Rewind, LandsWhereARunFromTheStartStands) {
    for (int fps : {60, 24, 7}) {
        for (int32_t target : {0, 16, 499, 500, 1234, 2100, 3333, 4000, 8765}) {
            // The reference: every frame from 0 at this rate, then the one at the target.
            resetTimeline();
            timer.useVirtual(fps, 0);
            timer.init();
            ASSERT_TRUE(simulateUntil(target));
            stepFrame();
            const std::string expected = state();

            // Rewinding from a later, different state gives the same frame.
            ASSERT_TRUE(rewindTo(9000, 60));
            ASSERT_TRUE(rewindTo(target, fps));
            EXPECT_EQ(timer.elapsed, target);
            stepFrame();
            EXPECT_EQ(state(), expected) << "fps " << fps << ", target " << target;
        }
    }
}

TEST_F(Rewind, NegativeTargetsStartAtZero) {
    ASSERT_TRUE(rewindTo(-5000, 60));
    EXPECT_EQ(timer.elapsed, 0);
    EXPECT_EQ(script.current, 0u);
    EXPECT_TRUE(script.scenes.empty());
}

TEST_F(Rewind, EndBeforeTheTargetStopsThereWithoutLeaving) {
    static bool left = false;
    engine.exitHandler = [] { left = true; };
    EXPECT_FALSE(rewindTo(20000, 60));
    EXPECT_FALSE(left);
    EXPECT_TRUE(engine.ended);
    EXPECT_EQ(engine.endedAt, 9500);
    EXPECT_TRUE(engine.exitHandler != nullptr); // the live handler is back
    // Rewinding again clears the ended show.
    EXPECT_TRUE(rewindTo(1000, 60));
    EXPECT_FALSE(engine.ended);
    engine.exitHandler = nullptr;
}

} // namespace
