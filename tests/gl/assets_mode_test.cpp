#include "support/make_jpeg.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using json = nlohmann::ordered_json; // keeps the keys in the order printed

namespace {

std::string u16(unsigned v) {
    return {char(v & 0xFF), char(v >> 8 & 0xFF)};
}
std::string u32(uint32_t v) {
    return u16(v & 0xFFFF) + u16(v >> 16);
}
std::string f32(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return u32(bits);
}
std::string chunk(unsigned id, const std::string& body) {
    return u16(id) + u32(uint32_t(body.size() + 6)) + body;
}

// A triangle named "tri" with mapping coordinates and the texture "skin.jpg".
std::string triangle3ds() {
    std::string verts = u16(3), faces = u16(1) + u16(0) + u16(1) + u16(2) + u16(0), maps = u16(3);
    for (int i = 0; i < 3; ++i) {
        verts += f32(i) + f32(i * 2.0f) + f32(-0.5f);
        maps += f32(i * 0.5f) + f32(1);
    }
    return chunk(
        0x4D4D, chunk(0x3D3D, chunk(0xAFFF, chunk(0xA200, chunk(0xA300, std::string("skin.jpg", 9)))) +
                                  chunk(0x4000, std::string("tri", 4) +
                                                    chunk(0x4100, chunk(0x4110, verts) + chunk(0x4140, maps) +
                                                                      chunk(0x4120, faces)))));
}

struct Listing {
    RunResult run;
    json out;
};

// Writes the files into a fresh show and runs --assets on it.
Listing assets(const std::vector<std::pair<std::string, std::string>>& files) {
    TempShow show;
    show.script("@sync\n");
    for (const auto& [name, bytes] : files)
        show.write(name, bytes);
    Listing l;
    l.run = runTamarack({"--assets", show.dir()});
    l.out = json::parse(l.run.out, nullptr, false);
    return l;
}

std::vector<std::string> names(const json& list) {
    std::vector<std::string> v;
    for (const json& e : list)
        v.push_back(e["name"]);
    return v;
}

using Names = std::vector<std::string>;

Names keys(const json& object) {
    Names v;
    for (const auto& item : object.items())
        v.push_back(item.key());
    return v;
}

} // namespace

TEST(AssetsMode, ScanChoosesFilesByTheirEndingAndOrdersThemByName) {
    const std::string jpg = solidJpeg(4, 4);
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, std::string>> files;
        Names textures, objects;
        json music;
    } cases[] = {
        {"b.jpg sorts last and gets index 0",
         {{"a.jpg", jpg}, {"b.jpg", jpg}},
         {"b.jpg", "a.jpg"},
         {},
         nullptr},
        {"endings are the last three characters, case-sensitive",
         {{"Logo.JPG", jpg},
          {"xjpg", jpg},
          {"Logo.Jpg", jpg},
          {"ship.3DS", ""},
          {"ship.3ds", ""},
          {"x3ds", ""}},
         {"xjpg", "Logo.JPG"},
         {"x3ds", "ship.3ds"},
         nullptr},
        {"upper case sorts before lower case",
         {{"b.jpg", jpg}, {"Z.jpg", jpg}, {"1.jpg", jpg}},
         {"b.jpg", "Z.jpg", "1.jpg"},
         {},
         nullptr},
        {"the last music file wins", {{"a.mp3", ""}, {"b.ogg", ""}}, {}, {}, "data/b.ogg"},
        {"upper-case music endings", {{"a.MP3", ""}, {"b.Mp3", ""}, {"OGG", ""}}, {}, {}, "data/a.MP3"},
        {"song.xm is music, songxm is not", {{"song.xm", ""}, {"songxm", ""}}, {}, {}, "data/song.xm"},
        {"song.it is music", {{"song.it", ""}, {"song.IT", ""}}, {}, {}, "data/song.it"},
        {"module endings need their dot",
         {{"a.ogg", ""}, {"songit", ""}, {"song.Xm", ""}},
         {},
         {},
         "data/a.ogg"},
        {"nothing to play", {{"readme.txt", ""}}, {}, {}, nullptr},
    };
    for (const Case& c : cases) {
        const Listing l = assets(c.files);
        ASSERT_EQ(l.run.status, 0) << c.what << "\n" << l.run.err;
        ASSERT_TRUE(l.out.is_object()) << c.what << "\n" << l.run.out;
        EXPECT_EQ(names(l.out["textures"]), c.textures) << c.what;
        EXPECT_EQ(names(l.out["objects"]), c.objects) << c.what;
        EXPECT_EQ(l.out["music"], c.music) << c.what;
    }
}

TEST(AssetsMode, ReportsTheFieldsOfEveryRecordInOrder) {
    const Listing l = assets({{"wide.jpg", solidJpeg(300, 200)}, {"tri.3ds", triangle3ds()}});
    ASSERT_EQ(l.run.status, 0) << l.run.err;
    EXPECT_EQ(keys(l.out), (Names{"textures", "objects", "music"}));

    const json& t = l.out["textures"].at(0);
    EXPECT_EQ(t["width"], 300);
    EXPECT_EQ(t["height"], 200);
    EXPECT_GT(t["textureId"].get<int>(), 0);
    EXPECT_EQ(keys(t), (Names{"name", "textureId", "width", "height"}));

    const json& o = l.out["objects"].at(0);
    EXPECT_EQ(o["name"], "tri.3ds");
    EXPECT_EQ(o["objectName"], "tri");
    EXPECT_EQ(o["textureName"], "skin.jpg");
    EXPECT_EQ(o["vertexCount"], 3);
    EXPECT_EQ(o["polygonCount"], 1);
    EXPECT_EQ(o["hasPolygons"], 1);
    EXPECT_EQ(o["hasMapcoords"], 1);
    EXPECT_EQ(o["hasCamera"], 0);
    EXPECT_EQ(o["hasCameraRanges"], 0);
    EXPECT_EQ(o["cameraPosition"], json::parse("[0.0, 0.0, 0.0]"));
    EXPECT_EQ(o["vertices"], json::parse("[[0.0, 0.0, -0.5], [1.0, 2.0, -0.5], [2.0, 4.0, -0.5]]"));
    EXPECT_EQ(o["polygons"], json::parse("[[0, 1, 2]]"));
    EXPECT_EQ(o["mapcoords"], json::parse("[[0.0, 1.0], [0.5, 1.0], [1.0, 1.0]]"));
    EXPECT_EQ(keys(o), (Names{"name", "objectName", "textureName", "vertexCount", "polygonCount",
                              "hasPolygons", "hasMapcoords", "hasCamera", "hasCameraRanges", "cameraPosition",
                              "cameraTarget", "cameraBank", "cameraLens", "cameraNear", "cameraFar",
                              "vertices", "polygons", "mapcoords"}));
}

TEST(AssetsMode, FaultyFilesAreSkippedAndTheScanGoesOn) {
    const Listing l = assets({{"a.jpg", "not a picture"}, {"b.jpg", solidJpeg(8, 8)}, {"c.jpg", ""}});
    ASSERT_EQ(l.run.status, 0);
    EXPECT_EQ(names(l.out["textures"]), Names{"b.jpg"});
    EXPECT_EQ(l.run.err, "tamarack: data/a.jpg: Not a JPEG file: starts with 0x6e 0x6f; not loaded\n"
                         "tamarack: data/c.jpg: Empty input file; not loaded\n");
}

TEST(AssetsMode, AShowWithoutScriptCannotBeOpened) {
    TempShow show;
    show.write("a.jpg", solidJpeg(8, 8));
    const RunResult r = runTamarack({"--assets", show.dir()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "tamarack: cannot open data/script.txt: No such file or directory\n");
}
