#include "base/engine.h"
#include "base/timer.h"
#include "script/frame_step.h"
#include "script/rewind.h"
#include "script/script.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

// What a frame leaves behind, as far as the renderer reads it.
std::string state() {
    std::ostringstream s;
    s.precision(9);
    s << script.current << ';' << timer.elapsed << ';';
    std::vector<const CScene*> all{&scene1};
    for (const CScene& c : script.scenes)
        all.push_back(&c);
    for (const CScene* c : all)
        s << c->track << ',' << c->startTime << ',' << c->endTime << ',' << c->syncPosition << ','
          << c->syncStepEnd << ',' << c->progress << ',' << c->opacityValue << ',' << c->scaleValue[0] << ','
          << c->angleValue << ',' << c->moveValue[0] << ',' << c->colorValue[2] << '|';
    return s.str();
}

TEST(Rewind, LandsWhereARunFromTheStartStandsAndStopsAtEnd) {
    TempShow show; // a synced layer, overlapping layers, the Bezier scene and "end"
    show.script("Sync 1 0.25 2 0.5\n@sync\n0 track 1 type 1 insync opacity 1 to 0\n"
                "0 track 2 type 1 insync scale 1 1 1 to 2 2 1\n0 track 5 type 1 sync 0 duration 9.0\n"
                "0.5 track 7 type 1 duration 2.0 opacity 0 to 1 move 0 0 to 100 40\n"
                "1.7 track 8 type 0 duration 3.0 angle 0 to 360 rotate 0 1 0\n"
                "2.1 track 9 scene 1 duration 1.5 color 1 0 0 to 0 0 1\n"
                "4.0 track 7 type 1 duration 1.0 opacity 1 to 0\n9.5 end\n");
    script.reset();
    engine = CMain{};
    script.init(show.data("script.txt").c_str());
    ASSERT_TRUE(script.opened);
    for (int fps : {60, 7}) {
        for (int32_t target : {0, 499, 500, 2100, 3333, 8765}) {
            resetTimeline(); // the reference: every frame from 0 at this rate
            timer.useVirtual(fps, 0);
            timer.init();
            ASSERT_TRUE(simulateUntil(target));
            stepFrame();
            const std::string expected = state();
            ASSERT_TRUE(rewindTo(9000, 60)); // from a later, different state
            ASSERT_TRUE(rewindTo(target, fps));
            stepFrame();
            EXPECT_EQ(state(), expected) << "fps " << fps << ", target " << target;
        }
    }
    static bool left = false; // past the end: ended, but the show is not left
    engine.exitHandler = [] { left = true; };
    EXPECT_FALSE(rewindTo(20000, 60));
    EXPECT_FALSE(left);
    EXPECT_EQ(engine.endedAt, 9500);
    engine.exitHandler = nullptr;
    EXPECT_TRUE(rewindTo(-5000, 60)); // clears the ended show; negative targets start at 0
    EXPECT_FALSE(engine.ended);
    EXPECT_EQ(timer.elapsed, 0);
    EXPECT_TRUE(script.scenes.empty());
}

} // namespace
