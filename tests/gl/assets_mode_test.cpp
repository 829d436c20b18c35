#include "assets/tds_writer.h"
#include "support/make_jpeg.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

using json = nlohmann::ordered_json; // keeps the keys in the order printed

namespace {

// Writes the files into a fresh show and runs --assets on it.
RunResult assets(const std::vector<std::pair<std::string, std::string>>& files) {
    TempShow show;
    show.script("@sync\n");
    for (const auto& [name, bytes] : files)
        show.write(name, bytes);
    return runTamarack({"--assets", show.dir()});
}

// The names of the records, separated by spaces.
std::string names(const json& list) {
    std::string v;
    for (const json& e : list)
        v += (v.empty() ? "" : " ") + e["name"].get<std::string>();
    return v;
}

} // namespace

// Which files of data/ the scan takes, in which order: the pictures and models
// newest first (the last name in byte order gets index 0), and the music file
// that plays.
TEST(AssetsMode, ScanChoosesFilesByTheirEndingAndOrdersThemByName) {
    const struct {
        const char *files, *textures, *objects, *music; // names separated by spaces; music "": none
    } cases[] = {
        {"a.jpg b.jpg", "b.jpg a.jpg", "", ""},
        {"Logo.JPG xjpg Logo.Jpg ship.3DS ship.3ds x3ds", "xjpg Logo.JPG", "x3ds ship.3ds", ""},
        {"b.jpg Z.jpg 1.jpg", "b.jpg Z.jpg 1.jpg", "", ""}, // capitals sort before small letters
        {"a.mp3 b.ogg", "", "", "data/b.ogg"},
        {"a.MP3 b.Mp3 OGG", "", "", "data/a.MP3"},
        {"song.xm songxm", "", "", "data/song.xm"},
        {"song.it song.IT", "", "", "data/song.it"},
        {"readme.txt songit song.Xm", "", "", ""},
    };
    const std::string jpg = solidJpeg(4, 4);
    for (const auto& c : cases) {
        std::vector<std::pair<std::string, std::string>> files;
        std::istringstream in(c.files);
        for (std::string name; in >> name;)
            files.push_back(
                {name,
                 name.find("3d") == std::string::npos && name.find("3D") == std::string::npos ? jpg : ""});
        const RunResult r = assets(files);
        ASSERT_EQ(r.status, 0) << c.files << "\n" << r.err;
        const json out = json::parse(r.out, nullptr, false);
        ASSERT_TRUE(out.is_object()) << c.files << "\n" << r.out;
        EXPECT_EQ(names(out["textures"]), c.textures) << c.files;
        EXPECT_EQ(names(out["objects"]), c.objects) << c.files;
        EXPECT_EQ(out["music"], *c.music ? json(c.music) : json()) << c.files;
    }
}

TEST(AssetsMode, ReportsTheFieldsOfEveryRecordInOrder) {
    const tds::Mesh tri{"tri",
                        "skin.jpg",
                        {{0, 0, -0.5f}, {1, 2, -0.5f}, {2, 4, -0.5f}},
                        {{0, 1}, {0.5f, 1}, {1, 1}},
                        {{0, 1, 2}}};
    const RunResult r = assets({{"wide.jpg", solidJpeg(300, 200)}, {"tri.3ds", tds::encode(tri)}});
    ASSERT_EQ(r.status, 0) << r.err;
    // ordered_json compares objects key by key in order
    json out = json::parse(r.out);
    EXPECT_GT(out["textures"][0].value("textureId", 0), 0); // an OpenGL texture name
    out["textures"][0]["textureId"] = 0;
    EXPECT_EQ(out,
              json::parse(R"({"textures": [{"name": "wide.jpg", "textureId": 0, "width": 300, "height": 200}],
        "objects": [{"name": "tri.3ds", "objectName": "tri", "textureName": "skin.jpg", "vertexCount": 3,
        "polygonCount": 1, "hasPolygons": 1, "hasMapcoords": 1, "hasCamera": 0, "hasCameraRanges": 0,
        "cameraPosition": [0, 0, 0], "cameraTarget": [0, 0, 0], "cameraBank": 0, "cameraLens": 0,
        "cameraNear": 0, "cameraFar": 0, "vertices": [[0.0, 0.0, -0.5], [1.0, 2.0, -0.5], [2.0, 4.0, -0.5]],
        "polygons": [[0, 1, 2]], "mapcoords": [[0.0, 1.0], [0.5, 1.0], [1.0, 1.0]]}], "music": null})"));
}

TEST(AssetsMode, FaultyFilesAreSkippedAndTheScanGoesOn) {
    const RunResult r = assets({{"a.jpg", "not a picture"}, {"b.jpg", solidJpeg(8, 8)}, {"c.jpg", ""}});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(names(json::parse(r.out)["textures"]), "b.jpg");
    EXPECT_EQ(r.err, "tamarack: data/a.jpg: Not a JPEG file: starts with 0x6e 0x6f; not loaded\n"
                     "tamarack: data/c.jpg: Empty input file; not loaded\n");
}
