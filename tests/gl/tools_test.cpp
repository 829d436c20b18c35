// The asset makers and the bundled show they make: the 3DS writer's files read
// back through the engine's loader, the pictures decode to their sizes, the
// music is a module the mixer plays, and tools/make_show.sh remakes data/
// byte for byte.
#include "assets/gfx.h"
#include "support/run.h"
#include "support/temp_dir.h"
#include "tools/tds_writer.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <map>
#include <png.h>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const std::string source = TAMARACK_SOURCE_DIR;
const std::string buildDir = fs::path(TAMARACK_BIN).parent_path().string();
const std::string toolDir = buildDir + "/tools";

// Runs a shell command and returns its standard output; status gets its exit status.
std::string capture(const std::string& command, int& status) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) {
        status = -1;
        return out;
    }
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    const int st = pclose(p);
    status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return out;
}

bool haveTools() {
    for (const char* t : {"make_jpeg", "make_3ds", "make_music", "music_check"})
        if (!fs::exists(toolDir + "/tamarack-" + t)) return false;
    return true;
}

#define REQUIRE_TOOLS()                                                                                      \
    if (!haveTools()) GTEST_SKIP() << "the tools are not built in " << toolDir

std::string fixed20(const char (&field)[20]) {
    size_t n = 0;
    while (n < 20 && field[n])
        ++n;
    return std::string(field, n);
}

// Writes `m` with the writer, loads it with Load3DS and checks every field
// that the file carries.
void expectRoundTrip(const tds::Mesh& m) {
    SCOPED_TRACE(m.name);
    TempShow show;
    const std::string path = show.data("model.3ds");
    ASSERT_EQ(tds::write(path, m), "");
    gfxClear();
    ASSERT_TRUE(Load3DS(path));
    const object_type* o = getObject(0);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(fixed20(o->objectName), m.name);
    EXPECT_EQ(fixed20(o->textureName), m.texture);
    EXPECT_EQ(o->vertexCount, static_cast<int>(m.vertices.size()));
    EXPECT_EQ(o->polygonCount, static_cast<int>(m.faces.size()));
    EXPECT_EQ(o->hasPolygons, m.faces.empty() ? 0 : 1);
    EXPECT_EQ(o->hasMapcoords, m.mapcoords.empty() ? 0 : 1);
    ASSERT_EQ(o->vertices.size(), m.vertices.size());
    ASSERT_EQ(o->polygons.size(), m.faces.size());
    ASSERT_EQ(o->mapcoords.size(), m.mapcoords.size());
    for (size_t i = 0; i < m.vertices.size(); ++i) {
        // floats are stored bit for bit
        ASSERT_EQ(o->vertices[i].x, m.vertices[i].x) << "vertex " << i;
        ASSERT_EQ(o->vertices[i].y, m.vertices[i].y) << "vertex " << i;
        ASSERT_EQ(o->vertices[i].z, m.vertices[i].z) << "vertex " << i;
    }
    for (size_t i = 0; i < m.faces.size(); ++i) {
        ASSERT_EQ(o->polygons[i].a, m.faces[i].a) << "face " << i;
        ASSERT_EQ(o->polygons[i].b, m.faces[i].b) << "face " << i;
        ASSERT_EQ(o->polygons[i].c, m.faces[i].c) << "face " << i;
    }
    for (size_t i = 0; i < m.mapcoords.size(); ++i) {
        ASSERT_EQ(o->mapcoords[i].u, m.mapcoords[i].u) << "mapping coordinate " << i;
        ASSERT_EQ(o->mapcoords[i].v, m.mapcoords[i].v) << "mapping coordinate " << i;
    }
    gfxClear();
}

struct Decoded {
    int width = 0, height = 0, components = 0;
};

Decoded decodeJpeg(const std::string& path) {
    Decoded d;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return d;
    jpeg_decompress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    jpeg_stdio_src(&c, f);
    jpeg_read_header(&c, TRUE);
    jpeg_start_decompress(&c);
    std::vector<JSAMPLE> row(static_cast<size_t>(c.output_width) * c.output_components);
    while (c.output_scanline < c.output_height) {
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&c, &r, 1);
    }
    d = {static_cast<int>(c.output_width), static_cast<int>(c.output_height), c.output_components};
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    std::fclose(f);
    return d;
}

struct Frame {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb; // top row first
    // How many pixels of the box [x0, x1) x [y0, y1) (y from the top) satisfy `test`.
    int count(int x0, int y0, int x1, int y1, const std::function<bool(int, int, int)>& test) const {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
                if (test(p[0], p[1], p[2])) ++n;
            }
        return n;
    }
};

Frame readFrame(const std::string& path) {
    Frame f;
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&img, path.c_str())) return f;
    img.format = PNG_FORMAT_RGB;
    f.rgb.resize(PNG_IMAGE_SIZE(img));
    if (!png_image_finish_read(&img, nullptr, f.rgb.data(), 0, nullptr)) return Frame{};
    f.width = static_cast<int>(img.width);
    f.height = static_cast<int>(img.height);
    return f;
}

} // namespace

TEST(TdsWriter, MeshesRoundTripThroughTheEngineLoader) {
    tds::Mesh quad{"quad",
                   "pic.jpg",
                   {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, -2.5f}},
                   {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
                   {{0, 1, 2}, {0, 2, 3}}};
    tds::Mesh bare{"bare", "", {{1.5f, -2, 3}, {4, 5, 6}, {-7, 8.25f, 9}}, {}, {{2, 1, 0}}};
    tds::Mesh longNames{"nineteen_character", "nineteen_chars1.jpg", quad.vertices, quad.mapcoords,
                        quad.faces};
    for (const tds::Mesh& m : {quad, bare, longNames, tds::torus("torus", "t.jpg", 0.7f, 0.3f, 12, 6, 2, 1),
                               tds::trefoil("knot", "k.jpg", 0.3f, 0.15f, 40, 8, 3, 1)})
        expectRoundTrip(m);
}

TEST(TdsWriter, RefusesWhatAThreeDsFileCannotHold) {
    const tds::Mesh ok{"ok", "a.jpg", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {}, {{0, 1, 2}}};
    struct Case {
        const char* what;
        tds::Mesh mesh;
    };
    std::vector<Case> cases;
    tds::Mesh m = ok;
    m.name = std::string(20, 'n');
    cases.push_back({"object name of 20 characters", m});
    m = ok;
    m.texture = "twenty_characters.jpg";
    cases.push_back({"texture name of 21 characters", m});
    m = ok;
    m.faces[0].c = 3;
    cases.push_back({"face index beyond the vertices", m});
    m = ok;
    m.mapcoords = {{0, 0}};
    cases.push_back({"fewer mapping coordinates than vertices", m});
    m = ok;
    m.vertices.resize(70000);
    cases.push_back({"more than 65535 vertices", m});

    EXPECT_EQ(tds::check(ok), "");
    TempShow show;
    for (const Case& c : cases) {
        EXPECT_NE(tds::check(c.mesh), "") << c.what;
        EXPECT_NE(tds::write(show.data("bad.3ds"), c.mesh), "") << c.what;
        EXPECT_FALSE(fs::exists(show.data("bad.3ds"))) << c.what;
    }
}

TEST(TdsWriter, GridMeshesCloseTheirSeams) {
    // The last ring repeats the first in position but not in mapping coordinates.
    const tds::Mesh t = tds::torus("t", "", 0.7f, 0.3f, 8, 4, 2, 1);
    ASSERT_EQ(t.vertices.size(), 9u * 5u);
    ASSERT_EQ(t.faces.size(), 8u * 4u * 2u);
    for (int j = 0; j <= 4; ++j) {
        const tds::Vertex& first = t.vertices[j];
        const tds::Vertex& last = t.vertices[8 * 5 + j];
        EXPECT_EQ(first.x, last.x);
        EXPECT_EQ(first.y, last.y);
        EXPECT_EQ(first.z, last.z);
        EXPECT_EQ(t.mapcoords[j].u, 0.0f);
        EXPECT_EQ(t.mapcoords[8 * 5 + j].u, 2.0f);
    }
}

TEST(BundledShow, ModelsLoadAndNameTexturesOfTheShow) {
    const std::map<std::string, std::string> textures = {{"torus.3ds", "stripes.jpg"},
                                                         {"knot.3ds", "marble.jpg"}};
    for (const auto& [model, texture] : textures) {
        gfxClear();
        ASSERT_TRUE(Load3DS(source + "/data/" + model)) << model;
        const object_type* o = getObject(0);
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(fixed20(o->textureName), texture) << model;
        EXPECT_TRUE(fs::exists(source + "/data/" + texture)) << texture;
        EXPECT_GT(o->polygonCount, 1000) << model;
        EXPECT_EQ(o->hasMapcoords, 1) << model;
        EXPECT_EQ(o->mapcoords.size(), o->vertices.size()) << model;
        for (const polygon_type& p : o->polygons) {
            ASSERT_LT(p.a, o->vertexCount);
            ASSERT_LT(p.b, o->vertexCount);
            ASSERT_LT(p.c, o->vertexCount);
        }
    }
    gfxClear();
}

TEST(BundledShow, PicturesDecodeToTheSizesTheMakerDraws) {
    REQUIRE_TOOLS();
    int status = 0;
    std::istringstream list(capture(toolDir + "/tamarack-make_jpeg --list", status));
    ASSERT_EQ(status, 0);
    std::string name;
    int w = 0, h = 0, count = 0;
    while (list >> name >> w >> h) {
        ++count;
        const Decoded d = decodeJpeg(source + "/data/" + name);
        EXPECT_EQ(d.width, w) << name;
        EXPECT_EQ(d.height, h) << name;
        EXPECT_EQ(d.components, 3) << name;
        EXPECT_TRUE(w == 256 || w == 512) << name;
    }
    int inData = 0;
    for (const auto& e : fs::directory_iterator(source + "/data"))
        if (e.path().extension() == ".jpg") ++inData;
    EXPECT_GE(count, 10);
    EXPECT_EQ(inData, count) << "every picture in data/ comes from the maker";
}

TEST(BundledShow, MakeShowRemakesDataByteForByte) {
    REQUIRE_TOOLS();
    TempShow out;
    int status = 0;
    capture("bash " + source + "/tools/make_show.sh " + buildDir + " " + out.dir() + "/data 2>&1", status);
    ASSERT_EQ(status, 0);
    std::map<std::string, std::string> made, committed;
    for (const auto& e : fs::directory_iterator(out.dir() + "/data"))
        made[e.path().filename().string()] = readFile(e.path().string());
    uintmax_t total = 0;
    for (const auto& e : fs::directory_iterator(source + "/data")) {
        committed[e.path().filename().string()] = readFile(e.path().string());
        total += e.file_size();
    }
    ASSERT_EQ(made.size(), committed.size());
    for (const auto& [name, bytes] : committed) {
        ASSERT_TRUE(made.count(name)) << name << " is not remade";
        EXPECT_TRUE(made[name] == bytes) << name << " differs from the committed file";
    }
    EXPECT_LT(total, 3u * 1024 * 1024) << "data/ must stay under 3 MB";
}

TEST(BundledShow, MusicIsAModuleTheMixerPlays) {
    REQUIRE_TOOLS();
    int status = 0;
    const std::string out = capture(
        "SDL_AUDIODRIVER=dummy " + toolDir + "/tamarack-music_check " + source + "/data/theme.xm 2", status);
    ASSERT_EQ(status, 0) << out;
    std::istringstream in(out);
    std::string key, type;
    double duration = 0;
    in >> key >> type >> key >> duration;
    EXPECT_EQ(type, "MOD");
    EXPECT_GT(duration, 60);
    EXPECT_LT(duration, 90);
    int levels = 0;
    double level = 0;
    while (in >> key >> level) {
        ++levels;
        EXPECT_GT(level, 0.01) << "second " << levels << " is silent"; // music from the first frame
    }
    EXPECT_EQ(levels, 2);
}

// Frames of the bundled show at chosen times: each shows what the script puts
// there, where it puts it.
TEST(BundledShow, FramesShowWhatTheScriptPlacesThere) {
    using Test = std::function<bool(int, int, int)>;
    const Test lit = [](int r, int g, int b) { return r + g + b > 90; };
    const Test bright = [](int r, int g, int b) { return r + g + b > 500; };
    const Test yellow = [](int r, int g, int b) { return r > 200 && g > 150 && b < 150; };
    const Test green = [](int r, int g, int) { return g > r + 20 && g > 60; };
    // the torus's stripes hold greens and cyans that the horizon behind it lacks
    const Test stripes = [](int r, int g, int) { return g > r + 30 && g > 100; };
    const Test magenta = [](int r, int g, int b) { return r > g + 60 && b > g + 30; };
    struct Case {
        const char* seconds;
        const char* what;
        int x0, y0, x1, y1; // box, y from the top
        Test test;
        int atLeast;
    };
    const Case cases[] = {
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
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.seconds) + " s: " + c.what);
        const std::string file = out.dir() + "/shot-" + c.seconds + ".png";
        if (!fs::exists(file)) {
            const RunResult r = runTamarack({"--shot", c.seconds, file}, source);
            ASSERT_EQ(r.status, 0) << r.err;
        }
        const Frame f = readFrame(file);
        ASSERT_EQ(f.width, 640);
        ASSERT_EQ(f.height, 480);
        ASSERT_GT(f.count(0, 0, 640, 480, lit), 640 * 480 / 50) << "the frame is black";
        const int n = f.count(c.x0, c.y0, c.x1, c.y1, c.test);
        if (c.atLeast < 0)
            EXPECT_EQ(n, 0);
        else
            EXPECT_GE(n, c.atLeast);
    }
}
