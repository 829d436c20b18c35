#include "assets/gfx.h"
#include "base/engine.h"
#include "base/timer.h"
#include "script/script.h"
#include "support/script_commands.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

using V = std::vector<double>;
template <class... T> V v(T... x) {
    return {static_cast<double>(x)...};
}
// The fields of a record that a case compares.
#define FIELDS(...) [](const CScene& s) { return v(__VA_ARGS__); }
struct Case {
    const char* command;
    V (*get)(const CScene&);
    V want;
};

// A script whose timeline holds the given commands, and a texture and model
// registry with a few known names.
class Interpreter : public ::testing::Test {
  protected:
    texture_type texA{"a.jpg", 256, 128, 11, nullptr};
    texture_type texB{"b.jpg", 64, 32, 12, &texA};
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
        gfx.textures = &texB;
        ship.name = "ship.3ds";
        rock.name = "ROCK.3DS";
        rock.next = &ship;
        gfx.objects = &rock;
    }
    void TearDown() override {
        gfx.textures = oldTextures;
        gfx.objects = oldObjects;
        script.reset();
    }

    void commands(std::initializer_list<std::pair<int32_t, const char*>> list) { addCommands(list); }
    std::vector<int32_t> tracks() const { return sceneTracks(); }
};

} // namespace

TEST_F(Interpreter, KeywordsAndTheirArguments) {
    const Case cases[] = {
        {"5000 track 2 type 1 object a.jpg duration 3000 blend opacity 0 to 1 center",
         FIELDS(s.startTime, s.endTime, s.duration, s.track, s.type, s.objectStart, s.width, s.height,
                s.blend, s.center, s.opacity, s.opacityInterp, s.opacityStart, s.opacityEnd),
         {5000, 8000, 3000, 2, 1, 11, 256, 128, 1, 1, 1, 1, 0, 1}},
        {"1000", // the reset values
         FIELDS(s.endTime, s.type, s.kind, s.maskStart, s.blendSrc, s.blendDst, s.sync, s.blend, s.mask),
         {0, 100, 0, -1, 0x302, 1, 0, 0, 0}},
        {"1000 opacity 0.5 blend", FIELDS(s.blend, s.opacity, s.opacityInterp), {1, 1, 0}},
        {"1000 object a.jpg to b.jpg",
         FIELDS(s.objectStart, s.objectEnd, s.objectInterp, s.width),
         {11, 12, 1, 256}},
        {"1000 object 7", FIELDS(s.objectStart), {7}},
        {"1000 object pic.png", FIELDS(s.objectStart), {0}},
        {"1000 object A.JPG", FIELDS(s.objectStart, s.width), {-1, -1}},
        {"1000 object ship.3ds to ROCK.3DS", FIELDS(s.objectStart, s.objectEnd), {1, 0}},
        {"1000 mask b.jpg to 5", FIELDS(s.mask, s.maskInterp, s.maskStart, s.maskEnd), {1, 1, 12, 5}},
        {"1000 mask ship.3ds", FIELDS(s.mask, s.maskStart), {1, -1}},
        {"1000 track 2.9 type 12abc scene x", FIELDS(s.track, s.type, s.kind), {2, 12, 0}},
        {"1000 opacity 1e2 to .5", FIELDS(s.opacityStart, s.opacityEnd), {100, 0.5}},
        {"1000 rotate 0 0 1 to 1 0 0",
         FIELDS(s.rotate, s.rotateInterp, s.angleInterp, s.axisStart[2], s.axisEnd[0]),
         {1, 1, 0, 1, 1}},
        {"1000 color 0.1 0.2 0.3 to 1 2 3 wireframe",
         FIELDS(s.colorInterp, s.wireframe, s.colorStart[1], s.colorEnd[2]),
         {1, 1, 0.2f, 3}},
        {"1000 scale 1 2 3 translate 4 5 6 to 7 8 9 move 10 20",
         FIELDS(s.scaleInterp, s.translateInterp, s.moveInterp, s.scaleStart[2], s.translateEnd[0],
                s.moveStart[1]),
         {0, 1, 0, 3, 7, 20}},
        {"1000 blendFunc 1 771 envmap reflect",
         FIELDS(s.blendFunc, s.envmap, s.reflect, s.blendSrc, s.blendDst),
         {1, 1, 1, 1, 771}},
        {"1000 sync 2 duration 4000 insync",
         FIELDS(s.sync, s.insync, s.syncTrack, s.syncPosition, s.syncEndTime),
         {1, 1, 2, -1, 5000}},
        {"1000 track 1 Track 9 misspelt 3", FIELDS(s.track), {1}},
        {"1000 duration 500 track 3", FIELDS(s.endTime, s.track), {1500, 3}},
        {"1000\tduration\r500\v\fblend", FIELDS(s.endTime, s.blend), {1500, 1}},
    };
    for (const Case& c : cases) {
        script.reset();
        commands({{1000, c.command}});
        script.parse();
        ASSERT_EQ(script.scenes.size(), 1u) << c.command;
        EXPECT_EQ(c.get(script.scenes[0]), c.want) << c.command;
    }
}

TEST_F(Interpreter, ACommandThatEndsEarlyLeavesTheMissingFieldsAlone) {
    // The first command of the group fills the fields; the second stops short.
    const Case cases[] = {
        {"1000 color 1 1 1 to 2 2 2\n1000 color 0.5",
         FIELDS(s.colorStart[0], s.colorStart[1], s.color, s.colorInterp),
         {0.5, 1, 1, 0}},
        {"1000 move 1 2 to 3 4\n1000 move 5 6 to", FIELDS(s.moveInterp, s.moveEnd[1]), {1, 4}},
        {"1000 duration 300\n1000 duration", FIELDS(s.endTime, s.duration), {0, 300}},
        {"1000 object a.jpg\n1000 object", FIELDS(s.objectStart, s.width), {11, 256}},
        {"1000 blendFunc 1 1\n1000 blendFunc 0", FIELDS(s.blendSrc, s.blendDst), {0, 1}},
        {"1000 mask 6\n1000 mask", FIELDS(s.mask, s.maskStart), {1, -1}},
    };
    for (const Case& c : cases) {
        const std::string text = c.command, full = text.substr(0, text.find('\n')),
                          cut = text.substr(text.find('\n') + 1);
        script.reset();
        commands({{1000, full.c_str()}, {1000, cut.c_str()}});
        script.parse();
        ASSERT_EQ(script.scenes.size(), 2u);
        EXPECT_EQ(c.get(script.scenes[1]), c.want) << cut;
    }
}

TEST_F(Interpreter, FieldsCarryWithinAGroupAndResetBetweenCalls) {
    commands({{1000, "1000 track 4 angle 30 to 60 object 7 duration 100"},
              {1000, "1000 angle 10"},
              {2000, "2000 type 1"}});
    script.parse();
    ASSERT_EQ(script.scenes.size(), 2u);
    const CScene& second = script.scenes[1]; // carried, except endTime and angleInterp
    EXPECT_EQ((v(second.track, second.objectStart, second.duration, second.endTime, second.angleInterp,
                 second.angleStart, second.angleEnd)),
              (V{4, 7, 100, 0, 0, 10, 60}));
    script.parse(); // a new call starts from a clean record
    ASSERT_EQ(script.scenes.size(), 3u);
    const CScene& third = script.scenes[2];
    EXPECT_EQ((v(third.track, third.objectStart, third.angleEnd, third.type)), (V{0, 0, 0, 1}));
}

TEST_F(Interpreter, OneGroupOfEqualTimesPerCallAndNothingAfterTheLast) {
    commands({{1000, "1000 track 1"}, {1000, "1000 track 2"}, {2000, "2000 track 3"}, {1000, ""}});
    std::vector<uint32_t> currents;
    for (int i = 0; i < 5; ++i) {
        script.parse();
        currents.push_back(script.current);
    }
    EXPECT_EQ(currents, (std::vector<uint32_t>{2, 3, 4, 4, 4}));
    EXPECT_EQ(script.scenes.size(), 4u); // an empty command still gives a record
}

TEST_F(Interpreter, InsertionKeepsTracksNonIncreasingAndEqualTracksInCommandOrder) {
    for (int32_t t : {5, 3, 3, 1}) {
        script.scenes.emplace_back();
        script.scenes.back().track = t;
    }
    commands({{1000, "1000 track 3 object 99"}, {1000, "1000 track 9"}, {1000, "1000 track 0"}});
    script.parse();
    EXPECT_EQ(tracks(), (std::vector<int32_t>{9, 5, 3, 3, 3, 1, 0}));
    EXPECT_EQ(script.scenes[4].objectStart, 99);
    std::vector<int32_t> made; // the command behind each record
    for (const CScene& s : script.scenes)
        made.push_back(s.command);
    EXPECT_EQ(made, (std::vector<int32_t>{1, -1, -1, -1, 0, -1, 2}));
}

TEST_F(Interpreter, EndQuitsAtOnceAndInsertsNothingMore) {
    timer.elapsed = 3016;
    commands({{3000, "3000 track 1"}, {3000, "3000 end track 7"}, {3000, "3000 track 2"}});
    script.parse();
    EXPECT_TRUE(engine.ended);
    EXPECT_EQ(engine.endedAt, 3016);
    EXPECT_EQ(tracks(), (std::vector<int32_t>{1}));
}

TEST_F(Interpreter, BezierCommandsAlsoGoToScene1KeepingItsOwnSize) {
    scene1.width = 5;
    scene1.syncEndTime = 77;
    commands({{1000, "1000 scene 1 track 2 object a.jpg duration 500 color 1 0 0"}});
    script.parse();
    ASSERT_EQ(script.scenes.size(), 1u);
    EXPECT_EQ(script.scenes[0].kind, 1);
    EXPECT_EQ((v(scene1.kind, scene1.endTime, scene1.track, scene1.color, scene1.width, scene1.syncEndTime)),
              (V{1, 1500, 2, 1, 5, 77}));
}
