// The asset makers and the bundled show they make.
#include "support/run.h"
#include "support/temp_dir.h"
#include "tests/gl/render_util.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace fs = std::filesystem;

namespace {

const std::string source = TAMARACK_SOURCE_DIR;
const std::string buildDir = fs::path(TAMARACK_BIN).parent_path().string();
const std::string toolDir = buildDir + "/tools";

#define REQUIRE_TOOLS()                                                                                      \
    for (const char* t : {"make_jpeg", "make_3ds", "make_music"})                                            \
        if (!fs::exists(toolDir + "/tamarack-" + t)) GTEST_SKIP() << "the tools are not built in " << toolDir

} // namespace

TEST(BundledShow, MakeShowRemakesDataByteForByteUnder3MB) {
    REQUIRE_TOOLS();
    // The commands docs/tools.md gives, run with this build into a fresh folder.
    const std::string doc = readFile(source + "/docs/tools.md");
    ASSERT_NE(doc.find("\ntools/make_show.sh build /tmp/show "), std::string::npos);
    ASSERT_NE(doc.find("\nbuild/tamarack --check /tmp/show "), std::string::npos);
    TempShow out;
    const RunResult run = runProgram("/bin/bash", {source + "/tools/make_show.sh", buildDir, out.dir()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(runTamarack({"--check", out.dir()}).out, "0 errors, 0 warnings\n");
    std::map<std::string, std::string> made, committed;
    uintmax_t total = 0;
    for (const auto& e : fs::directory_iterator(out.dir() + "/data"))
        made[e.path().filename().string()] = readFile(e.path().string());
    for (const auto& e : fs::directory_iterator(source + "/data")) {
        committed[e.path().filename().string()] = readFile(e.path().string());
        total += e.file_size();
    }
    EXPECT_TRUE(made == committed) << "data/ differs from what the tools make";
    EXPECT_LT(total, 3u * 1024 * 1024) << "data/ must stay under 3 MB";
}

// Frames of the bundled show at chosen times show what the script puts there.
TEST(BundledShow, FramesShowWhatTheScriptPlacesThere) {
    using Test = std::function<bool(RGB)>;
    const Test bright = [](RGB p) { return p[0] + p[1] + p[2] > 500; };
    const Test yellow = [](RGB p) { return p[0] > 200 && p[1] > 150 && p[2] < 150; };
    const Test green = [](RGB p) { return p[1] > p[0] + 20 && p[1] > 60; };
    // the torus's stripes hold greens and cyans that the horizon behind it lacks
    const Test stripes = [](RGB p) { return p[1] > p[0] + 30 && p[1] > 100; };
    const Test magenta = [](RGB p) { return p[0] > p[1] + 60 && p[2] > p[1] + 30; };
    const struct {
        const char* seconds;
        const char* what;
        int x0, y0, x1, y1; // box, y from the top
        const Test& test;
        int atLeast; // -1: none at all
    } cases[] = {
        {"5", "the emblem's tree in the middle", 290, 150, 350, 300, green, 3000},
        {"5", "dark sky in the top left corner", 0, 0, 60, 60, bright, -1},
        {"18", "the sun above the horizon", 220, 60, 420, 140, yellow, 5000},
        {"18", "the striped torus in the middle", 220, 140, 420, 340, stripes, 1000},
        {"35", "the chrome knot near the middle", 220, 120, 420, 340, bright, 3000},
        {"44", "the Bezier sheaf around the middle", 0, 0, 640, 480, magenta, 40000},
        {"57", "the torus on the left", 60, 120, 260, 320, stripes, 1000},
        {"75", "the emblem fading out", 290, 150, 350, 300, green, 3000},
    };
    TempShow out;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.seconds) + " s: " + c.what);
        const std::string file = out.dir() + "/shot-" + c.seconds + ".png";
        ASSERT_TRUE(fs::exists(file) || runTamarack({"--shot", c.seconds, file}, source).status == 0);
        const Image img = readPNG(file);
        ASSERT_EQ(img.width, 640);
        int n = 0;
        for (int y = c.y0; y < c.y1; ++y)
            for (int x = c.x0; x < c.x1; ++x)
                n += c.test(img.at(x, y));
        EXPECT_TRUE(c.atLeast < 0 ? n == 0 : n >= c.atLeast) << n;
    }
}
