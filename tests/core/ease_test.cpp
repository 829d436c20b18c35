#include "base/timer.h"
#include "script/script.h"
#include "support/script_commands.h"
#include "timeline/scene.h"

#include <gtest/gtest.h>
#include <vector>

// The eased share of the time so far, at a quarter and three quarters.
TEST(Ease, Curves) {
    struct Case {
        Ease ease;
        float quarter, threeQuarters;
    } cases[] = {
        {Ease::Linear, 0.25f, 0.75f}, {Ease::Smooth, 0.15625f, 0.84375f},
        {Ease::In, 0.0625f, 0.5625f}, {Ease::Out, 0.4375f, 0.9375f},
        {Ease::Step, 0, 1},           {Ease::Ramp, 0.5f, 0.5f},
    };
    for (const Case& c : cases) {
        const auto e = static_cast<int32_t>(c.ease);
        EXPECT_FLOAT_EQ(1 - easedProgress(e, 0.75f), c.quarter) << kEaseNames[e];
        EXPECT_FLOAT_EQ(1 - easedProgress(e, 0.25f), c.threeQuarters) << kEaseNames[e];
        EXPECT_FLOAT_EQ(easedProgress(e, 1), 1) << kEaseNames[e]; // every curve starts at A
    }
}

// "ease" is read per command (linear unless given); an unknown word leaves it.
TEST(Ease, EachCommandStartsLinear) {
    script.reset();
    addCommands({{0, "0 track 3 duration 1000 ease smooth opacity 0 to 1"},
                 {0, "0 track 2 duration 1000 opacity 0 to 1"},
                 {0, "0 track 1 duration 1000 ease wobble ease ramp"}});
    script.parse();
    ASSERT_EQ(script.scenes.size(), 3u);
    EXPECT_EQ((std::vector<int32_t>{script.scenes[0].ease, script.scenes[1].ease, script.scenes[2].ease}),
              (std::vector<int32_t>{1, 0, 5}));
    timer.elapsed = 250;
    script.scenes[0].timeUpdate();
    script.scenes[0].typeUpdate();
    EXPECT_FLOAT_EQ(script.scenes[0].opacityValue, 0.15625f);
    script.reset();
}
