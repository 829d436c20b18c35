#include "assets/gfx.h"
#include "base/engine.h"
#include "base/timer.h"
#include "script/check.h"
#include "script/script.h"
#include "support/script_commands.h"

#include <cstring>
#include <gtest/gtest.h>
#include <sstream>
#include <tuple>
#include <vector>

namespace {

using V = std::vector<double>;
template <class... T> V v(T... x) {
    return {static_cast<double>(x)...};
}
// The fields of a record that a case compares.
#define FIELDS(...) [](const CScene& s) { return v(__VA_ARGS__); }

// A fresh script, and a texture and model registry with a few known names.
class Interpreter : public ::testing::Test {
  protected:
    texture_type texA{"a.jpg", 256, 128, 11, nullptr};
    texture_type texB{"b.jpg", 64, 32, 12, &texA}; // the newest: index 0
    object_type ship, rock;
    gfx_type old = gfx;

    void SetUp() override {
        script.reset();
        scene1 = CBezier{};
        engine = CMain{};
        timer.elapsed = 0;
        gfx.textures = &texB;
        ship.name = "ship.3ds";
        rock.name = "ROCK.3DS";
        rock.next = &ship;
        gfx.objects = &rock;
    }
    void TearDown() override {
        gfx = old;
        script.reset();
    }
};

} // namespace

// Each case: timed command lines, one group per call; the fields of the last record.
TEST_F(Interpreter, KeywordsArgumentsAndWhatCarriesWithinAGroup) {
    const struct {
        const char* commands;
        V (*get)(const CScene&);
        V want;
    } cases[] = {
        {"5000 track 2 type 1 object a.jpg duration 3000 blend opacity 0 to 1 center",
         FIELDS(s.startTime, s.endTime, s.duration, s.track, s.type, s.objectStart, s.width, s.height,
                s.blend, s.center, s.opacity, s.opacityInterp, s.opacityStart, s.opacityEnd),
         {5000, 8000, 3000, 2, 1, 11, 256, 128, 1, 1, 1, 1, 0, 1}},
        {"1000", // the reset values
         FIELDS(s.endTime, s.type, s.kind, s.maskStart, s.blendSrc, s.blendDst, s.sync, s.blend, s.mask),
         {0, 100, 0, -1, 0x302, 1, 0, 0, 0}},
        {"1000 object a.jpg to b.jpg",
         FIELDS(s.objectStart, s.objectEnd, s.objectInterp, s.width),
         {11, 12, 1, 256}},
        {"1000 object ship.3ds to ROCK.3DS", FIELDS(s.objectStart, s.objectEnd), {1, 0}},
        {"1000 mask b.jpg to 5", FIELDS(s.mask, s.maskInterp, s.maskStart, s.maskEnd), {1, 1, 12, 5}},
        {"1000 track 2.9 type 12abc scene x", FIELDS(s.track, s.type, s.kind), {2, 12, 0}},
        {"1000 rotate 0 0 1 to 1 0 0 color 0.1 0.2 0.3 to 1 2 3 wireframe scale 1 2 3 "
         "translate 4 5 6 to 7 8 9 move 10 20 blendFunc 1 771 envmap reflect",
         FIELDS(s.rotate, s.rotateInterp, s.angleInterp, s.axisStart[2], s.axisEnd[0], s.colorInterp,
                s.wireframe, s.colorStart[1], s.colorEnd[2], s.scaleInterp, s.translateInterp, s.moveInterp,
                s.scaleStart[2], s.translateEnd[0], s.moveStart[1], s.blendFunc, s.envmap, s.reflect,
                s.blendSrc, s.blendDst),
         {1, 1, 0, 1, 1, 1, 1, 0.2f, 3, 0, 1, 0, 3, 7, 20, 1, 1, 1, 1, 771}},
        {"1000 sync 2 duration 4000 insync",
         FIELDS(s.sync, s.insync, s.syncTrack, s.syncPosition, s.syncEndTime),
         {1, 1, 2, -1, 5000}},
        {"1000 track 1 Track 9 misspelt 3", FIELDS(s.track), {1}},
        {"1000\tduration\r500\v\fblend track 3", FIELDS(s.endTime, s.blend, s.track), {1500, 1, 3}},
        // Within a group a command starts from the record the one before left,
        // reset fields aside; a command that stops short leaves the rest alone.
        {"1000 track 4 angle 30 to 60 object 7 duration 100\n1000 angle 10",
         FIELDS(s.track, s.objectStart, s.duration, s.endTime, s.angleInterp, s.angleStart, s.angleEnd),
         {4, 7, 100, 0, 0, 10, 60}},
        {"1000 color 1 1 1 to 2 2 2\n1000 color 0.5",
         FIELDS(s.colorStart[0], s.colorStart[1], s.color, s.colorInterp),
         {0.5, 1, 1, 0}},
        {"1000 move 1 2 to 3 4\n1000 move 5 6 to", FIELDS(s.moveInterp, s.moveEnd[1]), {1, 4}},
        {"1000 track 4 angle 0 to 60 object 7\n2000 type 1", // a new group starts clean
         FIELDS(s.track, s.objectStart, s.angleEnd, s.type),
         {0, 0, 0, 1}},
    };
    for (const auto& c : cases) {
        script.reset();
        std::istringstream lines(c.commands);
        for (std::string line; std::getline(lines, line);) {
            script.times.push_back(std::stoi(line));
            script.commands.push_back(line);
        }
        while (script.current < script.commands.size())
            script.parse();
        ASSERT_FALSE(script.scenes.empty());
        EXPECT_EQ(c.get(script.scenes.back()), c.want) << c.commands; // tracks never rise here
    }
}

TEST_F(Interpreter, OneGroupPerCallInsertedByTrackEqualTracksInCommandOrder) {
    for (int32_t t : {5, 3, 3, 1}) {
        script.scenes.emplace_back();
        script.scenes.back().track = t;
    }
    addCommands(
        {{1000, "1000 track 3 object 99"}, {1000, "1000 track 9"}, {2000, "2000 track 0"}, {1000, ""}});
    for (int i = 0; i < 4; ++i)
        script.parse();
    EXPECT_EQ(script.current, 4u); // nothing after the last
    EXPECT_EQ(script.scenes[4].objectStart, 99);
    std::vector<std::pair<int32_t, int32_t>> made; // each record's track and command (an empty one too)
    for (const CScene& s : script.scenes)
        made.push_back({s.track, s.command});
    EXPECT_EQ(made, (std::vector<std::pair<int32_t, int32_t>>{
                        {9, 1}, {5, -1}, {3, -1}, {3, -1}, {3, 0}, {1, -1}, {0, 2}, {0, 3}}));
}

// Exact names, a model's texture in other letter case too (the newest); indices
// from the newest; a model's own texture looked up again after a change.
TEST_F(Interpreter, RegistryLookupsByNameAndIndex) {
    texture_type logo{"logo.jpg", 8, 8, 13, nullptr}, newer{"Logo.jpg", 4, 4, 14, &texB};
    texA.next = &logo; // b.jpg, a.jpg, logo.jpg
    const std::tuple<const char*, int, int> names[] = {
        {"b.jpg", 0, 0},  {"a.jpg", 1, 1},     {"logo.jpg", 2, 2}, {"LOGO.JPG", -1, 2},
        {"A.JPG", -1, 1}, {"logo.jp", -1, -1}, {"", -1, -1}};
    for (const auto& [name, num, modelNum] : names)
        EXPECT_EQ((std::pair{getTextureNum(name), findModelTexture(name, std::strlen(name))}),
                  (std::pair{num, modelNum}))
            << name;
    EXPECT_EQ((std::vector{getTexture(0, 1), getTexture(1, 2), getTexture(2, 3), getTexture(-1, 0),
                           getTexture(3, 0), getObjectNum("ship.3ds"), getObjectNum("Ship.3ds")}),
              (std::vector{64, 128, -1, -1, -1, 1, -1}));
    EXPECT_EQ((std::vector{getObject(0), getObject(2), getObject(-1)}),
              (std::vector<object_type*>{&rock, nullptr, nullptr}));
    std::memcpy(ship.textureName, "LOGO.JPG", 8);
    EXPECT_EQ(ownTextureId(ship), 13);
    gfx.textures = &newer;
    EXPECT_EQ(ownTextureId(ship), 14);
}

namespace {

// Pictures, models, the files in data/, the sizes of the sync tracks.
const ShowNames show{
    {"logo.jpg", "sky.JPG"}, {"torus.3ds"}, {"logo.jpg", "sky.JPG", "torus.3ds"}, {2, 0}, {}};

// The messages of one command, as "error: ..." or "warning: ...", up to a ':' or ';'.
std::vector<std::string> found(const std::string& command) {
    std::vector<std::string> out;
    for (const Diagnostic& d : readCommand(command, 3, show).problems) {
        EXPECT_EQ(d.line, 3);
        const std::string head = d.message.substr(0, d.message.find_first_of(":;"));
        out.push_back((d.severity == Diagnostic::Error ? "error: " : "warning: ") + head);
    }
    return out;
}

TEST(CheckCommand, ProblemsOfOneCommand) {
    const std::pair<const char*, std::vector<std::string>> cases[] = {
        {"1000 track 2 type 1 object logo.jpg duration 3000 opacity 0 to 1 center", {}},
        {"0 type 0 object torus.3ds object 7 mask 12 sync 0", {}},
        {"0 opacity 0.5 blend", {}}, // the word after a "to" keyword is a keyword of its own
        {"0 blend 5", {"warning: the number '5' belongs to no keyword and is skipped"}},
        {"0 object a.jpg to lgo.jpg", {"error: 'object a.jpg'", "error: 'object ... to lgo.jpg'"}},
        {"0 object pic.gif",
         {"error: 'object' takes a picture (.jpg, .png, .bmp, .tga), a model (.3ds/.3DS) or a number"}},
        {"0 object pic.png mask pic.TGA", {"error: 'object pic.png'", "error: 'mask pic.TGA'"}},
        {"0 duration blend",
         {"error: 'duration' needs a length (ms, or seconds with a dot), but 'blend' is no "
          "number and is read as its value"}},
        {"0 type 0 object logo.jpg duration 50",
         {"warning: 'type 0' draws a model, but 'logo.jpg' is a picture, so nothing or the wrong model is "
          "drawn"}},
        {"0 type 1 object logo.jpg duration 0",
         {"warning: 'duration 0' ends the command as it starts, so it is erased before it is drawn"}},
        {"0 type 1 object logo.jpg duration 2 insync", {}}, // a template's steps have their own lengths
        // numbers past 32 bits stop at the limit, as the interpreter reads them
        {"0 type 1 object logo.jpg duration 50 sync 4294967296",
         {"error: 'sync 2147483647' names no sync track (the script has 2"}},
    };
    for (const auto& [command, want] : cases)
        EXPECT_EQ(found(command), want) << command;
}

} // namespace
