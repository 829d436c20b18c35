// The asset makers and the bundled show they make.
#include "assets/gfx.h"
#include "assets/tds_writer.h"
#include "render/texture_upload.h"
#include "support/run.h"
#include "support/temp_dir.h"
#include "tests/gl/render_util.h"

#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

namespace fs = std::filesystem;

namespace {

const std::string source = TAMARACK_SOURCE_DIR;
const std::string buildDir = fs::path(TAMARACK_BIN).parent_path().string();
const std::string toolDir = buildDir + "/tools";

#define REQUIRE_TOOLS()                                                                                      \
    for (const char* t : {"make_jpeg", "make_3ds", "make_music"})                                            \
        if (!fs::exists(toolDir + "/tamarack-" + t)) GTEST_SKIP() << "the tools are not built in " << toolDir

} // namespace

TEST(TdsWriter, MeshesRoundTripThroughTheEngineLoader) {
    const tds::Mesh meshes[] = {{"bare", "", {{1.5f, -2, 3}, {4, 5, 6}, {-7, 8.25f, 9}}, {}, {{2, 1, 0}}},
                                {"nineteen_character",
                                 "nineteen_chars1.jpg",
                                 {{0, 0, 0}, {1, 0, 0}, {1, 1, -2.5f}},
                                 {{0, 0}, {1, 0}, {1, 1}},
                                 {{0, 1, 2}}},
                                tds::torus("torus", "t.jpg", 0.7f, 0.3f, 12, 6, 2, 1),
                                tds::trefoil("knot", "k.jpg", 0.3f, 0.15f, 40, 8, 3, 1)};
    TempShow show;
    for (const tds::Mesh& m : meshes) {
        SCOPED_TRACE(m.name);
        ASSERT_EQ(tds::write(show.data("m.3ds"), m), "");
        gfxClear();
        ASSERT_TRUE(Load3DS(show.data("m.3ds")));
        const object_type* o = getObject(0);
        ASSERT_NE(o, nullptr);
        // Read back into a mesh, it encodes to the same bytes: names, floats bit
        // for bit, faces and mapping coordinates all came through.
        tds::Mesh back;
        back.name.assign(o->objectName, strnlen(o->objectName, 20));
        back.texture.assign(o->textureName, strnlen(o->textureName, 20));
        for (const auto& v : o->vertices)
            back.vertices.push_back({v.x, v.y, v.z});
        for (const auto& p : o->polygons)
            back.faces.push_back({uint16_t(p.a), uint16_t(p.b), uint16_t(p.c)});
        for (const auto& t : o->mapcoords)
            back.mapcoords.push_back({t.u, t.v});
        EXPECT_TRUE(tds::encode(back) == tds::encode(m));
        EXPECT_EQ(o->vertexCount, int(m.vertices.size()));
        EXPECT_EQ(o->polygonCount, int(m.faces.size()));
        EXPECT_EQ(o->hasMapcoords, m.mapcoords.empty() ? 0 : 1);
    }
    gfxClear();
}

// The engine's own loader decodes every picture of data/ to the size the maker
// lists for it, and data/ holds no picture the maker does not make.
TEST(BundledShow, PicturesDecodeToTheSizesTheMakerDraws) {
    REQUIRE_TOOLS();
    const RunResult made = runProgram(toolDir + "/tamarack-make_jpeg", {"--list"});
    ASSERT_EQ(made.status, 0);
    std::istringstream list(made.out);
    const RunResult r = runTamarack({"--assets", source});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "") << "every picture decodes without a warning";
    std::map<std::string, std::pair<int, int>> loaded, listed;
    const auto report = nlohmann::json::parse(r.out);
    for (const auto& t : report["textures"])
        loaded[t["name"]] = {t["width"], t["height"]};
    std::string name;
    for (int w, h; list >> name >> w >> h;)
        listed[name] = {w, h};
    EXPECT_GE(listed.size(), 10u);
    EXPECT_EQ(loaded, listed);
}

TEST(BundledShow, MakeShowRemakesDataByteForByteUnder3MB) {
    REQUIRE_TOOLS();
    // The commands docs/tools.md gives for a show elsewhere, with this build
    // and a fresh folder: the files go into its data/, and it checks clean.
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
    const Test lit = [](RGB p) { return p[0] + p[1] + p[2] > 90; };
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
        auto count = [&](int x0, int y0, int x1, int y1, const Test& test) {
            int n = 0;
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x)
                    n += test(img.at(x, y));
            return n;
        };
        ASSERT_GT(count(0, 0, 640, 480, lit), 640 * 480 / 50) << "the frame is black";
        const int n = count(c.x0, c.y0, c.x1, c.y1, c.test);
        if (c.atLeast < 0)
            EXPECT_EQ(n, 0);
        else
            EXPECT_GE(n, c.atLeast);
    }
}
