#include "assets/tds_writer.h"
#include "support/make_jpeg.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using json = nlohmann::ordered_json; // keeps the keys in the order printed

namespace {

RunResult scenes(const TempShow& show, const std::string& seconds) {
    return runTamarack({"--scenes", seconds, "--fps", "60", show.dir()}, "", {"SDL_AUDIODRIVER=dummy"});
}
// The keys in order, separated by spaces.
std::string jsonKeys(const json& object) {
    std::string keys;
    for (const auto& item : object.items())
        keys += (keys.empty() ? "" : " ") + item.key();
    return keys;
}
// Expects every field of `expected` (JSON text) to hold the same value in `got`.
void expectFields(const json& got, const std::string& expected) {
    const json fields = json::parse(expected);
    for (const auto& [name, value] : fields.items())
        EXPECT_EQ(got.value(name, json()), value) << "field " << name;
}

} // namespace

TEST(ScenesMode, TheFadingLogoHalfWayThroughWithEveryFieldInOrder) {
    TempShow show;
    show.script("Default !sound\n@sync\n"
                "5.0 track 2 type 1 object logo.jpg duration 3.0 blend opacity 0 to 1 center\n");
    show.write("logo.jpg", solidJpeg(32, 16));
    const RunResult r = scenes(show, "6.5");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << "one line of JSON";
    const json j = json::parse(r.out);
    EXPECT_EQ(jsonKeys(j), "time current scenes scene1");
    expectFields(j, R"({"time": 6500, "current": 1})");
    ASSERT_EQ(j["scenes"].size(), 1u);
    const json& s = j["scenes"][0];
    const std::string names =
        "blend envmap wireframe reflect rotateInterp translateInterp scaleInterp moveInterp colorInterp "
        "angleInterp objectInterp opacityInterp rotate translate scale move blendFunc color opacity mask "
        "maskInterp sync insync center duration startTime endTime syncEndTime track type objectValue "
        "objectStart objectEnd maskValue maskStart maskEnd blendSrc blendDst width height syncTrack "
        "syncPosition syncStepEnd kind opacityValue opacityStart opacityEnd angleValue angleStart angleEnd "
        "progress colorValue colorStart colorEnd axisValue axisStart axisEnd scaleValue scaleStart scaleEnd "
        "translateValue translateStart translateEnd moveValue moveStart moveEnd";
    EXPECT_EQ(jsonKeys(s), names);
    EXPECT_EQ(jsonKeys(j["scene1"]), names);
    expectFields(s, R"({"startTime": 5000, "endTime": 8000, "track": 2, "type": 1, "progress": 0.5,
        "opacityValue": 0.5, "width": 32, "height": 16, "blend": true, "center": true, "mask": false,
        "maskStart": -1, "blendSrc": 770})");
    EXPECT_EQ(s["objectValue"], s["objectStart"]);
    EXPECT_GT(s["objectStart"].get<int>(), 0); // an OpenGL texture name
}

TEST(ScenesMode, AnEndBeforeTheTimeStopsWithAMessage) {
    const struct { // the frame at T itself is a frame of the show, even when it interprets "end"
        const char *endAt, *seconds, *message; // message nullptr: the show is still on
    } cases[] = {{"3.0", "3.001", "tamarack: the show ends at 3 s\n"},
                 // in the first frame at or after 1234.567 s at 60 fps
                 {"1234.567", "1300", "tamarack: the show ends at 1234.583 s\n"},
                 {"3.0", "3", nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.endAt);
        TempShow show;
        show.script(std::string("Default !sound\n@sync\n0 track 1 duration 60.0\n") + c.endAt + " end\n");
        const RunResult r = scenes(show, c.seconds);
        EXPECT_EQ(r.status, c.message ? 1 : 0);
        EXPECT_EQ(r.err, c.message ? c.message : "");
        EXPECT_EQ(r.out.empty(), c.message != nullptr) << "no JSON after the end, one line before it";
    }
}

TEST(ScenesMode, BriefPrintsOneLinePerRecordWithTheValuesThatRun) {
    TempShow show;
    show.script("Default !sound\nSync 7 1.0\n@sync\n"
                "0 track 7 type 1 object logo.jpg insync move 10 10 to 20 20\n"
                "5.0 track 2 type 1 object logo.jpg mask logo.jpg duration 3.0 opacity 0 to 1 center\n"
                "5.0 track 1 type 1 object logo.jpg duration 3.0 sync 0\n"
                "5.0 track 0 type 0 object tri.3ds duration 2.0 translate 0 0 -7 to 0 0 -5 color 1 1 1\n");
    show.write("logo.jpg", solidJpeg(32, 16));
    show.write("tri.3ds",
               tds::encode(tds::Mesh{"tri", "", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {}, {{0, 1, 2}}}));
    const RunResult r =
        runTamarack({"--scenes", "6.5", "--brief", show.dir()}, "", {"SDL_AUDIODRIVER=dummy"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(
        r.out,
        "6.5 s: 4 records\n"
        "line 4: track 7 picture logo.jpg, template (insync), not drawn\n"
        "line 5: track 2 picture logo.jpg, mask logo.jpg, progress 0.500 (50.0 % left), opacity 0.5\n"
        "line 6: track 7 picture logo.jpg, follows sync track 0, progress 0.500 (50.0 % left), move 15 15\n"
        "line 7: track 0 model tri.3ds, progress 0.250 (25.0 % left), translate 0 0 -5.5\n");
    const RunResult alone = runTamarack({"--brief", show.dir()});
    EXPECT_EQ(alone.status, 2);
    EXPECT_NE(alone.err.find("--brief"), std::string::npos) << alone.err;
}
