#include "support/run.h"
#include "support/temp_dir.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

using nlohmann::json;

namespace {

// Writes a grey w x h baseline JPEG to `path`.
void writeJpeg(const std::string& path, int w, int h) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(w) * 3, 128);
    while (c.next_scanline < c.image_height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
}

RunResult scenes(const TempShow& show, const std::vector<std::string>& extra) {
    std::vector<std::string> args{"--scenes"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(show.dir());
    return runTamarack(args, "", {"SDL_AUDIODRIVER=dummy"});
}

json parsed(const RunResult& r) {
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << "one line of JSON";
    return json::parse(r.out, nullptr, false);
}

const char* const fadingLogo =
    "Default !sound\n"
    "@sync\n"
    "5.0 track 2 type 1 object logo.jpg duration 3.0 blend opacity 0 to 1 center\n";

const char* const twoTemplates = "Default !sound\n"
                                 "Sync 7 0.5 8 0.5\n"
                                 "@sync\n"
                                 "0 track 7 type 1 object a.jpg insync\n"
                                 "0 track 8 type 1 object b.jpg insync\n"
                                 "1.0 track 1 type 1 object a.jpg duration 10.0 sync 0\n";

} // namespace

TEST(ScenesMode, TheFadingLogoHalfWayThrough) {
    TempShow show;
    show.script(fadingLogo);
    writeJpeg(show.data("logo.jpg"), 32, 16);
    const json j = parsed(scenes(show, {"6.5"}));
    ASSERT_FALSE(j.is_discarded());
    EXPECT_EQ(j["time"], 6500);
    EXPECT_EQ(j["current"], 1);
    ASSERT_EQ(j["scenes"].size(), 1u);
    const json& s = j["scenes"][0];
    EXPECT_EQ(s["startTime"], 5000);
    EXPECT_EQ(s["endTime"], 8000);
    EXPECT_EQ(s["track"], 2);
    EXPECT_EQ(s["type"], 1);
    EXPECT_EQ(s["progress"], 0.5);
    EXPECT_EQ(s["opacityValue"], 0.5);
    EXPECT_EQ(s["width"], 32);
    EXPECT_EQ(s["height"], 16);
    EXPECT_GT(s["objectStart"].get<int>(), 0); // an OpenGL texture name
    EXPECT_EQ(s["objectValue"], s["objectStart"]);
    EXPECT_EQ(s["blend"], true);
    EXPECT_EQ(s["center"], true);
    EXPECT_EQ(s["mask"], false);
    EXPECT_EQ(s["maskStart"], -1);
    EXPECT_EQ(s["blendSrc"], 0x302);
}

TEST(ScenesMode, EveryFieldUnderItsOwnNameInDeclarationOrder) {
    TempShow show;
    show.script(fadingLogo);
    const RunResult r = scenes(show, {"5.75", "--fps", "30"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = nlohmann::ordered_json::parse(r.out, nullptr, false);
    ASSERT_FALSE(j.is_discarded());
    auto keys = [](const nlohmann::ordered_json& o) {
        std::vector<std::string> k;
        for (auto it = o.begin(); it != o.end(); ++it)
            k.push_back(it.key());
        return k;
    };
    EXPECT_EQ(keys(j), (std::vector<std::string>{"time", "current", "scenes", "scene1"}));
    const std::vector<std::string> fields{
        "blend",          "envmap",         "wireframe",    "reflect",      "rotateInterp", "translateInterp",
        "scaleInterp",    "moveInterp",     "colorInterp",  "angleInterp",  "objectInterp", "opacityInterp",
        "rotate",         "translate",      "scale",        "move",         "blendFunc",    "color",
        "opacity",        "mask",           "maskInterp",   "sync",         "insync",       "center",
        "duration",       "startTime",      "endTime",      "syncEndTime",  "track",        "type",
        "objectValue",    "objectStart",    "objectEnd",    "maskValue",    "maskStart",    "maskEnd",
        "blendSrc",       "blendDst",       "width",        "height",       "syncTrack",    "syncPosition",
        "syncStepEnd",    "kind",           "opacityValue", "opacityStart", "opacityEnd",   "angleValue",
        "angleStart",     "angleEnd",       "progress",     "colorValue",   "colorStart",   "colorEnd",
        "axisValue",      "axisStart",      "axisEnd",      "scaleValue",   "scaleStart",   "scaleEnd",
        "translateValue", "translateStart", "translateEnd", "moveValue",    "moveStart",    "moveEnd"};
    ASSERT_EQ(j["scenes"].size(), 1u);
    const auto& s = j["scenes"][0];
    EXPECT_EQ(keys(s), fields);
    EXPECT_EQ(keys(j["scene1"]), fields);
    EXPECT_EQ(s["objectStart"], -1); // no logo.jpg in this show
    EXPECT_EQ(s["width"], -1);
    EXPECT_EQ(s["opacityValue"], 0.25);
    EXPECT_TRUE(s["sync"].is_boolean());
    EXPECT_TRUE(s["track"].is_number_integer());
    EXPECT_EQ(s["colorValue"].size(), 3u);
    EXPECT_EQ(s["moveStart"].size(), 2u);
    EXPECT_EQ(s["axisEnd"].size(), 3u);
}

TEST(ScenesMode, TheSyncedImageSwitchesEvery500ms) {
    TempShow show;
    show.script(twoTemplates);
    writeJpeg(show.data("a.jpg"), 8, 8);
    writeJpeg(show.data("b.jpg"), 16, 8);
    struct Case {
        const char* seconds;
        const char* fps;
        char shows; // 'a', 'b' or 0: no synced record any more
        int startTime, endTime;
    } cases[] = {
        {"1.25", "60", 'a', 1000, 1500},
        {"1.75", "60", 'b', 1500, 2000},
        {"2.25", "60", 'a', 2000, 2500},
        {"10.75", "60", 'b', 10500, 11000},
        {"11", "60", 0, 0, 0},
        // At 7 fps the step is taken late, at 1571, but still ends at 2000.
        {"1.6", "7", 'b', 1571, 2000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.seconds) + " s at " + c.fps + " fps");
        const json j = parsed(scenes(show, {c.seconds, "--fps", c.fps}));
        ASSERT_FALSE(j.is_discarded());
        const json& list = j["scenes"];
        ASSERT_EQ(list.size(), c.shows ? 3u : 2u);
        // The templates first (tracks 8, 7), never running, never erased.
        EXPECT_EQ(list[0]["insync"], true);
        EXPECT_EQ(list[1]["insync"], true);
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

TEST(ScenesMode, AnEndBeforeOrAtTheTimeStopsWithAMessage) {
    struct Case {
        const char* endAt;
        const char* seconds;
        const char* message; // nullptr: the show is still on
    } cases[] = {
        {"2.5", "3", "tamarack: the show ends at 2.5 s\n"},
        {"3.0", "3", "tamarack: the show ends at 3 s\n"},
        {"3.0", "2.999", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.endAt);
        TempShow show;
        show.script(std::string("Default !sound\n@sync\n0 track 1 duration 60.0\n") + c.endAt + " end\n");
        const RunResult r = scenes(show, {c.seconds});
        if (c.message) {
            EXPECT_EQ(r.status, 1);
            EXPECT_EQ(r.err, c.message);
            EXPECT_EQ(r.out, "");
        } else {
            const json j = parsed(r);
            EXPECT_EQ(j["current"], 1);
        }
    }
}
