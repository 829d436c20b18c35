#include "assets/gfx.h"
#include "engine/engine.h"
#include "engine/timer.h"
#include "script/script.h"

#include <array>
#include <functional>
#include <gtest/gtest.h>

namespace {

// A script whose timeline holds the given commands, and a texture and model
// registry with a few known names.
class Interpreter : public ::testing::Test {
  protected:
    texture_type texA{"a.jpg", 256, 128, 11, nullptr};
    texture_type texB{"b.jpg", 64, 32, 12, &texA};
    texture_type tex01{"01.jpg", 16, 8, 13, &texB};
    object_type ship, rock;
    texture_type* oldTextures = nullptr;
    object_type* oldObjects = nullptr;

    void SetUp() override {
        script.reset();
        scene1 = CBezier{};
        engine = CMain{};
        timer.elapsed = 0;
        oldTextures = gfx.textures;
        oldObjects = gfx.objects;
        gfx.textures = &tex01; // 01.jpg 0, b.jpg 1, a.jpg 2
        ship.name = "ship.3ds";
        rock.name = "ROCK.3DS";
        rock.next = &ship;
        gfx.objects = &rock; // ROCK.3DS 0, ship.3ds 1
    }
    void TearDown() override {
        gfx.textures = oldTextures;
        gfx.objects = oldObjects;
        script.reset();
    }

    void commands(std::initializer_list<std::pair<int32_t, const char*>> list) {
        for (auto [time, text] : list) {
            script.times.push_back(time);
            script.commands.push_back(text);
        }
    }
    // The record that one command alone gives.
    CScene one(const char* text) {
        script.reset();
        commands({{1000, text}});
        script.parse();
        EXPECT_EQ(script.scenes.size(), 1u) << text;
        return script.scenes.empty() ? CScene{} : script.scenes[0];
    }
};

} // namespace

TEST_F(Interpreter, TheFadingLogoExample) {
    CScene s = one("5000 track 2 type 1 object a.jpg duration 3000 blend opacity 0 to 1 center");
    EXPECT_EQ(s.startTime, 5000);
    EXPECT_EQ(s.endTime, 8000);
    EXPECT_EQ(s.duration, 3000);
    EXPECT_EQ(s.track, 2);
    EXPECT_EQ(s.type, 1);
    EXPECT_EQ(s.objectStart, 11);
    EXPECT_EQ(s.width, 256);
    EXPECT_EQ(s.height, 128);
    EXPECT_TRUE(s.blend && s.center && s.opacity && s.opacityInterp);
    EXPECT_EQ(s.opacityStart, 0.0f);
    EXPECT_EQ(s.opacityEnd, 1.0f);
    EXPECT_EQ(script.current, 1u);
}

TEST_F(Interpreter, ACommandWithoutKeywordsGetsTheResetValues) {
    CScene s = one("1000");
    EXPECT_EQ(s.startTime, 1000);
    EXPECT_EQ(s.endTime, 0);
    EXPECT_EQ(s.type, 100);
    EXPECT_EQ(s.kind, 0);
    EXPECT_EQ(s.maskStart, -1);
    EXPECT_EQ(s.blendSrc, 0x302);
    EXPECT_EQ(s.blendDst, 1);
    EXPECT_FALSE(s.sync || s.insync || s.blend || s.mask || s.opacity);
}

TEST_F(Interpreter, KeywordsAndTheirArguments) {
    using Check = std::function<void(const CScene&)>;
    struct Case {
        const char* command;
        Check check;
    } cases[] = {
        {"1000 opacity 0.5 blend",
         [](const CScene& s) { EXPECT_TRUE(s.blend && s.opacity && !s.opacityInterp); }},
        {"1000 object 01.jpg",
         [](const CScene& s) {
             EXPECT_EQ((std::array{s.objectStart, s.width, s.height}), (std::array{13, 16, 8}));
         }},
        {"1000 object a.jpg to b.jpg",
         [](const CScene& s) {
             EXPECT_EQ(s.objectStart, 11);
             EXPECT_EQ(s.objectEnd, 12);
             EXPECT_TRUE(s.objectInterp);
             EXPECT_EQ(s.width, 256); // the size comes from the first name
         }},
        {"1000 object 7", [](const CScene& s) { EXPECT_EQ(s.objectStart, 7); }},
        {"1000 object pic.png", [](const CScene& s) { EXPECT_EQ(s.objectStart, 0); }},
        {"1000 object nothere.jpg",
         [](const CScene& s) {
             EXPECT_EQ((std::array{s.objectStart, s.width}), (std::array{-1, -1}));
         }},
        {"1000 object A.JPG",
         [](const CScene& s) { EXPECT_EQ(s.objectStart, -1); }}, // names are case-sensitive
        {"1000 object ship.3ds to ROCK.3DS",
         [](const CScene& s) {
             EXPECT_EQ((std::array{s.objectStart, s.objectEnd}), (std::array{1, 0}));
         }},
        {"1000 object jpg", [](const CScene& s) { EXPECT_EQ(s.objectStart, 0); }},
        {"1000 mask b.jpg to 5",
         [](const CScene& s) {
             EXPECT_TRUE(s.mask && s.maskInterp);
             EXPECT_EQ((std::array{s.maskStart, s.maskEnd}), (std::array{12, 5}));
         }},
        {"1000 mask ship.3ds",
         [](const CScene& s) {
             EXPECT_TRUE(s.mask);
             EXPECT_EQ(s.maskStart, -1);
         }},
        {"1000 track 2.9 type 12abc scene x",
         [](const CScene& s) {
             EXPECT_EQ((std::array{s.track, s.type, s.kind}), (std::array{2, 12, 0}));
         }},
        {"1000 track -3", [](const CScene& s) { EXPECT_EQ(s.track, -3); }},
        {"1000 opacity 1e2 to .5",
         [](const CScene& s) {
             EXPECT_EQ(s.opacityStart, 100.0f);
             EXPECT_EQ(s.opacityEnd, 0.5f);
         }},
        {"1000 opacity x to 2",
         [](const CScene& s) {
             EXPECT_EQ(s.opacityStart, 0.0f);
             EXPECT_EQ(s.opacityEnd, 2.0f);
         }},
        {"1000 angle 30 to 60",
         [](const CScene& s) {
             EXPECT_TRUE(s.rotate && s.angleInterp);
             EXPECT_EQ(s.angleEnd, 60.0f);
         }},
        {"1000 rotate 0 0 1 to 1 0 0",
         [](const CScene& s) {
             EXPECT_TRUE(s.rotate && s.rotateInterp && !s.angleInterp);
             EXPECT_EQ(s.axisStart[2], 1.0f);
             EXPECT_EQ(s.axisEnd[0], 1.0f);
         }},
        {"1000 color 0.1 0.2 0.3 to 1 2 3 wireframe",
         [](const CScene& s) {
             EXPECT_TRUE(s.color && s.colorInterp && s.wireframe);
             EXPECT_EQ(s.colorStart[1], 0.2f);
             EXPECT_EQ(s.colorEnd[2], 3.0f);
         }},
        {"1000 scale 1 2 3 translate 4 5 6 to 7 8 9 move 10 20",
         [](const CScene& s) {
             EXPECT_TRUE(s.scale && !s.scaleInterp && s.translate && s.translateInterp && s.move &&
                         !s.moveInterp);
             EXPECT_EQ(s.scaleStart[2], 3.0f);
             EXPECT_EQ(s.translateEnd[0], 7.0f);
             EXPECT_EQ(s.moveStart[1], 20.0f);
         }},
        {"1000 blendFunc 1 771 envmap reflect",
         [](const CScene& s) {
             EXPECT_TRUE(s.blendFunc && s.envmap && s.reflect);
             EXPECT_EQ((std::array{s.blendSrc, s.blendDst}), (std::array{1, 771}));
         }},
        {"1000 sync 2 duration 4000 insync",
         [](const CScene& s) {
             EXPECT_TRUE(s.sync && s.insync);
             EXPECT_EQ((std::array{s.syncTrack, s.syncPosition, s.syncEndTime}), (std::array{2, -1, 5000}));
         }},
        {"1000 track 1 Track 9 misspelt 3", [](const CScene& s) { EXPECT_EQ(s.track, 1); }},
        {"1000 duration 500 track 3",
         [](const CScene& s) {
             EXPECT_EQ((std::array{s.endTime, s.track}), (std::array{1500, 3}));
         }},
        {"1000 track 3 duration 500",
         [](const CScene& s) {
             EXPECT_EQ((std::array{s.endTime, s.track}), (std::array{1500, 3}));
         }},
        {"1000\tduration\r500\v\fblend",
         [](const CScene& s) {
             EXPECT_TRUE(s.blend);
             EXPECT_EQ(s.endTime, 1500);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        c.check(one(c.command));
    }
}

TEST_F(Interpreter, ACommandThatEndsEarlyLeavesTheMissingFieldsAlone) {
    // The first command of the group fills the fields; the second stops short.
    struct Case {
        const char* full;
        const char* cut;
        std::function<void(const CScene&)> check;
    } cases[] = {
        {"1000 color 1 1 1 to 2 2 2", "1000 color 0.5",
         [](const CScene& s) {
             EXPECT_EQ((std::array{s.colorStart[0], s.colorStart[1], s.colorStart[2]}),
                       (std::array{0.5f, 1.0f, 1.0f}));
             EXPECT_TRUE(s.color);
             EXPECT_FALSE(s.colorInterp);
         }},
        {"1000 move 1 2 to 3 4", "1000 move 5 6 to",
         [](const CScene& s) {
             EXPECT_TRUE(s.moveInterp);
             EXPECT_EQ((std::array{s.moveEnd[0], s.moveEnd[1]}), (std::array{3.0f, 4.0f}));
         }},
        {"1000 duration 300", "1000 duration",
         [](const CScene& s) {
             EXPECT_EQ((std::array{s.endTime, s.duration}), (std::array{0, 300}));
         }},
        {"1000 sync 4", "1000 sync",
         [](const CScene& s) {
             EXPECT_TRUE(s.sync);
             EXPECT_EQ(s.syncTrack, 4);
         }},
        {"1000 object a.jpg", "1000 object",
         [](const CScene& s) {
             EXPECT_EQ((std::array{s.objectStart, s.width}), (std::array{11, 256}));
         }},
        {"1000 object 3 to 9", "1000 object 4 to",
         [](const CScene& s) {
             EXPECT_TRUE(s.objectInterp);
             EXPECT_EQ(s.objectEnd, 9);
         }},
        {"1000 blendFunc 1 1", "1000 blendFunc 0",
         [](const CScene& s) {
             EXPECT_EQ((std::array{s.blendSrc, s.blendDst}), (std::array{0, 1}));
         }},
        {"1000 mask 6", "1000 mask",
         [](const CScene& s) {
             EXPECT_TRUE(s.mask);
             EXPECT_EQ(s.maskStart, -1);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cut);
        script.reset();
        commands({{1000, c.full}, {1000, c.cut}});
        script.parse();
        ASSERT_EQ(script.scenes.size(), 2u);
        c.check(script.scenes[1]);
    }
}

TEST_F(Interpreter, FieldsCarryWithinAGroupAndResetBetweenCalls) {
    commands({{1000, "1000 track 4 angle 30 to 60 object 7 duration 100"},
              {1000, "1000 angle 10"},
              {2000, "2000 type 1"}});
    script.parse();
    ASSERT_EQ(script.scenes.size(), 2u);
    const CScene& second = script.scenes[1];
    EXPECT_EQ(second.track, 4); // not reset: carried
    EXPECT_EQ(second.objectStart, 7);
    EXPECT_EQ(second.duration, 100);
    EXPECT_EQ(second.endTime, 0); // reset
    EXPECT_FALSE(second.angleInterp);
    EXPECT_EQ(second.angleStart, 10.0f);
    EXPECT_EQ(second.angleEnd, 60.0f);

    script.parse(); // a new call starts from a clean record
    ASSERT_EQ(script.scenes.size(), 3u);
    const CScene& third = script.scenes[2];
    EXPECT_EQ(third.track, 0);
    EXPECT_EQ(third.objectStart, 0);
    EXPECT_EQ(third.angleEnd, 0.0f);
    EXPECT_EQ(third.type, 1);
}

TEST_F(Interpreter, OneGroupOfEqualTimesPerCall) {
    commands(
        {{1000, "1000 track 1"}, {1000, "1000 track 2"}, {2000, "2000 track 3"}, {1000, "1000 track 4"}});
    std::vector<uint32_t> currents;
    for (int i = 0; i < 5; ++i) {
        script.parse();
        currents.push_back(script.current);
    }
    EXPECT_EQ(currents, (std::vector<uint32_t>{2, 3, 4, 4, 4}));
    EXPECT_EQ(script.scenes.size(), 4u);
}

TEST_F(Interpreter, InsertionKeepsTracksNonIncreasingAndEqualTracksInCommandOrder) {
    for (int32_t t : {5, 3, 3, 1}) {
        CScene s;
        s.track = t;
        script.scenes.push_back(s);
    }
    commands({{1000, "1000 track 3 object 99"}, {1000, "1000 track 9"}, {1000, "1000 track 0"}});
    script.parse();
    std::vector<int32_t> tracks;
    for (const CScene& s : script.scenes)
        tracks.push_back(s.track);
    EXPECT_EQ(tracks, (std::vector<int32_t>{9, 5, 3, 3, 3, 1, 0}));
    EXPECT_EQ(script.scenes[4].objectStart, 99);
}

TEST_F(Interpreter, EndQuitsAtOnceAndInsertsNothingMore) {
    timer.elapsed = 3016;
    commands({{3000, "3000 track 1"}, {3000, "3000 end track 7"}, {3000, "3000 track 2"}});
    script.parse();
    EXPECT_TRUE(engine.ended);
    EXPECT_EQ(engine.endedAt, 3016);
    ASSERT_EQ(script.scenes.size(), 1u);
    EXPECT_EQ(script.scenes[0].track, 1);
}

TEST_F(Interpreter, BezierCommandsAlsoGoToScene1KeepingItsOwnSize) {
    scene1.width = 5;
    scene1.syncEndTime = 77;
    commands({{1000, "1000 scene 1 track 2 object a.jpg duration 500 color 1 0 0"}});
    script.parse();
    ASSERT_EQ(script.scenes.size(), 1u);
    EXPECT_EQ(script.scenes[0].kind, 1);
    EXPECT_EQ(scene1.kind, 1);
    EXPECT_EQ(scene1.endTime, 1500);
    EXPECT_EQ(scene1.track, 2);
    EXPECT_TRUE(scene1.color);
    EXPECT_EQ(scene1.width, 5);
    EXPECT_EQ(scene1.syncEndTime, 77);
}

TEST_F(Interpreter, NothingToDoAfterTheLastCommand) {
    script.parse();
    EXPECT_TRUE(script.scenes.empty());
    commands({{0, ""}, {0, "   "}});
    script.parse(); // empty commands still give records
    EXPECT_EQ(script.scenes.size(), 2u);
    script.parse();
    EXPECT_EQ(script.scenes.size(), 2u);
    EXPECT_EQ(script.current, 2u);
}
