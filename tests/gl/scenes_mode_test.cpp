#include "support/make_jpeg.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <iterator>
#include <nlohmann/json.hpp>
#include <sstream>

using json = nlohmann::ordered_json; // keeps the keys in the order printed

namespace {

// Runs --scenes at `seconds` (with extra options); the output is one line of JSON.
RunResult scenes(const TempShow& show, const std::string& seconds, const std::string& fps = "60") {
    return runTamarack({"--scenes", seconds, "--fps", fps, show.dir()}, "", {"SDL_AUDIODRIVER=dummy"});
}
json parsed(const RunResult& r) {
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << "one line of JSON";
    return json::parse(r.out, nullptr, false);
}
std::vector<std::string> jsonKeys(const json& object) {
    std::vector<std::string> keys;
    for (const auto& item : object.items())
        keys.push_back(item.key());
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
    const json j = parsed(scenes(show, "6.5"));
    ASSERT_FALSE(j.is_discarded());
    EXPECT_EQ(jsonKeys(j), (std::vector<std::string>{"time", "current", "scenes", "scene1"}));
    expectFields(j, R"({"time": 6500, "current": 1})");
    ASSERT_EQ(j["scenes"].size(), 1u);
    const json& s = j["scenes"][0];
    std::istringstream fields(
        "blend envmap wireframe reflect rotateInterp translateInterp scaleInterp moveInterp colorInterp "
        "angleInterp objectInterp opacityInterp rotate translate scale move blendFunc color opacity mask "
        "maskInterp sync insync center duration startTime endTime syncEndTime track type objectValue "
        "objectStart objectEnd maskValue maskStart maskEnd blendSrc blendDst width height syncTrack "
        "syncPosition syncStepEnd kind opacityValue opacityStart opacityEnd angleValue angleStart angleEnd "
        "progress colorValue colorStart colorEnd axisValue axisStart axisEnd scaleValue scaleStart scaleEnd "
        "translateValue translateStart translateEnd moveValue moveStart moveEnd");
    const std::vector<std::string> names{std::istream_iterator<std::string>(fields), {}};
    EXPECT_EQ(jsonKeys(s), names);
    EXPECT_EQ(jsonKeys(j["scene1"]), names);
    expectFields(s, R"({"startTime": 5000, "endTime": 8000, "track": 2, "type": 1, "progress": 0.5,
        "opacityValue": 0.5, "width": 32, "height": 16, "blend": true, "center": true, "mask": false,
        "maskStart": -1, "blendSrc": 770})");
    EXPECT_EQ(s["objectValue"], s["objectStart"]);
    EXPECT_GT(s["objectStart"].get<int>(), 0); // an OpenGL texture name
}

TEST(ScenesMode, TheSyncedImageSwitchesEvery500ms) {
    TempShow show;
    show.script("Default !sound\nSync 7 0.5 8 0.5\n@sync\n"
                "0 track 7 type 1 object a.jpg insync\n"
                "0 track 8 type 1 object b.jpg insync\n"
                "1.0 track 1 type 1 object a.jpg duration 10.0 sync 0\n");
    show.write("a.jpg", solidJpeg(8, 8));
    show.write("b.jpg", solidJpeg(16, 8));
    const struct {
        const char *seconds, *fps;
        char shows; // 'a', 'b' or 0: no synced record any more
        int startTime, endTime;
    } cases[] = {
        {"1.25", "60", 'a', 1000, 1500},
        {"1.75", "60", 'b', 1500, 2000},
        {"2.25", "60", 'a', 2000, 2500},
        {"10.75", "60", 'b', 10500, 11000},
        {"11", "60", 0, 0, 0},
        {"1.6", "7", 'b', 1571, 2000}, // at 7 fps the step is taken late but still ends at 2000
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.seconds) + " s at " + c.fps + " fps");
        const json j = parsed(scenes(show, c.seconds, c.fps));
        ASSERT_FALSE(j.is_discarded());
        const json& list = j["scenes"];
        ASSERT_EQ(list.size(), c.shows ? 3u : 2u);
        // The templates first (tracks 8, 7), never running, never erased.
        EXPECT_TRUE(list[0]["insync"] == true && list[1]["insync"] == true);
        const int a = list[1]["objectStart"], b = list[0]["objectStart"];
        ASSERT_NE(a, b);
        if (!c.shows) continue;
        const json& s = list[2];
        EXPECT_EQ(s["sync"], true);
        EXPECT_EQ(s["objectValue"], c.shows == 'a' ? a : b);
        EXPECT_EQ(s["track"], c.shows == 'a' ? 7 : 8);
        EXPECT_EQ(s["width"], 8); // the size stays that of the command's own picture
        EXPECT_EQ(s["startTime"], c.startTime);
        EXPECT_EQ(s["endTime"], c.endTime);
        EXPECT_EQ(s["syncEndTime"], 11000);
    }
}

TEST(ScenesMode, AnEndBeforeTheTimeStopsWithAMessage) {
    // The frame at T itself is a frame of the show, even when it interprets "end".
    const struct {
        const char *endAt, *seconds, *message; // message nullptr: the show is still on
    } cases[] = {{"2.5", "3", "tamarack: the show ends at 2.5 s\n"},
                 {"3.0", "3.001", "tamarack: the show ends at 3 s\n"},
                 // in the first frame at or after 1234.567 s at 60 fps
                 {"1234.567", "1300", "tamarack: the show ends at 1234.583 s\n"},
                 {"3.0", "3", nullptr},
                 {"3.0", "2.999", nullptr}};
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
