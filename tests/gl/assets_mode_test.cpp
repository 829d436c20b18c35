#include "assets/tds_writer.h"
#include "support/make_audio.h"
#include "support/make_jpeg.h"
#include "support/make_picture.h"
#include "support/run.h"
#include "support/temp_dir.h"
#include "tests/gl/render_util.h"

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

// A colour as 0 or 1 per channel, past JPEG's rounding.
RGB coarse(RGB c) {
    return {c[0] > 127, c[1] > 127, c[2] > 127};
}

} // namespace

// Which files of data/ the scan takes: pictures and models newest first (the last name in byte order
// gets index 0), a faulty picture skipped, and the music file that plays.
TEST(AssetsMode, ScanChoosesFilesByTheirEndingAndOrdersThemByName) {
    const struct {
        const char *files, *textures, *objects, *music; // names separated by spaces; music "": none
    } cases[] = {
        {"a.jpg b.jpg bad.jpg", "b.jpg a.jpg", "", ""},
        {"Logo.JPG xjpg Logo.Jpg ship.3DS ship.3ds x3ds", "xjpg Logo.JPG", "x3ds ship.3ds", ""},
        {"b.jpg Z.jpg 1.jpg", "b.jpg Z.jpg 1.jpg", "", ""}, // capitals sort before small letters
        {"a.mp3 b.ogg", "", "", "data/b.ogg"},
        {"a.MP3 b.Mp3 OGG", "", "", "data/a.MP3"},
        {"song.xm songxm", "", "", "data/song.xm"},
        {"song.it song.IT", "", "", "data/song.it"},
        {"readme.txt songit song.Xm", "", "", ""},
    };
    for (const auto& c : cases) {
        std::vector<std::pair<std::string, std::string>> files;
        std::istringstream in(c.files);
        for (std::string name; in >> name;) {
            const bool model = name.find("3d") != std::string::npos || name.find("3D") != std::string::npos;
            files.push_back({name, model || name == "bad.jpg" ? "" : solidJpeg(4, 4)});
        }
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

// Files as authors' programs write them: three quads side by side, each a mesh with its own vertex
// list from index 0, naming their texture in capitals; a model naming a PNG that is not there; a
// panorama 40,000 pixels
// wide (its left half red); Opus in an .ogg.
TEST(AssetsMode, RealFilesDrawAndCheckAsTheyShould) {
    std::vector<tds::Mesh> quads;
    for (float x : {-2.0f, 0.0f, 2.0f})
        quads.push_back(
            {"quad",
             "TEX.JPG",
             {{x - 0.6f, -0.6f, -5}, {x + 0.6f, -0.6f, -5}, {x + 0.6f, 0.6f, -5}, {x - 0.6f, 0.6f, -5}},
             {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
             {{0, 1, 2}, {0, 2, 3}}});
    TempShow show;
    show.script("@sync\n0 track 1 type 0 object quads.3ds duration 10.0\n"
                "0 track 2 type 1 object wide.jpg duration 10.0 move -19680 400\n");
    show.write("quads.3ds", tds::encode(quads));
    show.write("png.3ds", tds::encode(tds::Mesh{"p", "tex.png", {{0, 0, 0}}, {}, {}}));
    show.write("tex.jpg", solidJpeg(8, 8, 255, 0, 0));
    show.write("wide.jpg", makeJpeg(40000, 16, [](int x, int) -> std::array<uint8_t, 4> {
                   return {uint8_t(x < 20000 ? 255 : 0), 0, uint8_t(x < 20000 ? 0 : 255), 0};
               }));
    show.write("in.wav", wavBytes(48000, 1, std::vector<int16_t>(4800)));
    ASSERT_TRUE(ffmpegConvert(show.data("in.wav"), show.data("theme.ogg"), "-c:a libopus"));
    std::remove(show.data("in.wav").c_str());

    const json out = json::parse(runTamarack({"--assets", show.dir()}).out);
    EXPECT_EQ(out["objects"][0]["name"], "quads.3ds");
    EXPECT_EQ((std::array{out["objects"][0]["vertexCount"], out["objects"][0]["polygonCount"],
                          out["textures"][0]["width"], out["textures"][0]["height"]}),
              (std::array{json(12), json(6), json(40000), json(16)}));

    ASSERT_EQ(runTamarack({"--shot", "1", "real.png", show.dir()}).status, 0);
    const Image img = readPNG("real.png");
    std::remove("real.png");
    // The quads centred at x 176, 320 and 464, 87 px wide; the panorama's middle at x 320, rows 64..80.
    const std::pair<int, RGB> row240[] = {
        {176, {1, 0, 0}}, {248, {0, 0, 0}}, {320, {1, 0, 0}}, {392, {0, 0, 0}}, {464, {1, 0, 0}}};
    for (const auto& [x, want] : row240)
        EXPECT_EQ(coarse(img.at(x, 240)), want) << x;
    EXPECT_EQ(coarse(img.at(100, 72)), (RGB{1, 0, 0}));
    EXPECT_EQ(coarse(img.at(540, 72)), (RGB{0, 0, 1}));

    EXPECT_EQ(runTamarack({"--check", show.dir()}).out,
              "data/png.3ds: warning: the model's texture 'tex.png' is not loaded, so the model draws white "
              "(untextured): add the picture to data/ as tex.png, or give the commands that draw it 'mask "
              "tex.png'\n"
              "data/theme.ogg: error: the music cannot be played, so the show runs silent: it holds an Opus "
              "stream, not Ogg Vorbis: convert it, e.g. ffmpeg -i IN -c:a libvorbis OUT.ogg\n"
              "1 errors, 1 warnings\n");
}

// A texture name of 20 characters or more comes out of the model cut to its
// 20-byte field: --check reports it as stored and names a picture that fits,
// and with that name in the model and in data/ the model wears its picture.
TEST(AssetsMode, ALongTextureNameIsReportedAsStoredWithANameThatFits) {
    const tds::Mesh quad{"quad",
                         "Rock07-Base-Diffuse.jpg",
                         {{-0.6f, -0.6f, -5}, {0.6f, -0.6f, -5}, {0.6f, 0.6f, -5}, {-0.6f, 0.6f, -5}},
                         {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
                         {{0, 1, 2}, {0, 2, 3}}};
    TempShow show;
    show.script("@sync\n0 track 1 type 0 object rock.3ds duration 10.0\n");
    show.write("rock.3ds", tds::encode({quad}));
    show.write("Rock07-Base-Diffuse.jpg", solidJpeg(8, 8, 255, 0, 0));
    const std::string fits = "Rock07-Base-Dif.jpg";
    EXPECT_EQ(runTamarack({"--check", show.dir()}).out,
              "data/rock.3ds: warning: the model's texture is stored as 'Rock07-Base-Diffuse.', the first 20 "
              "bytes of a longer name (Rock07-Base-Diffuse.jpg?), so no picture matches it and the model "
              "draws white (untextured): the model's texture name holds 19 characters at most; name the "
              "picture '" +
                  fits + "' in data/ and in the model's material, or give the commands that draw it 'mask " +
                  fits + "'\n0 errors, 1 warnings\n");

    tds::Mesh renamed = quad;
    renamed.texture = fits;
    ASSERT_TRUE(tds::check(renamed).empty());
    show.write("rock.3ds", tds::encode({renamed}));
    ASSERT_EQ(std::rename(show.data("Rock07-Base-Diffuse.jpg").c_str(), show.data(fits).c_str()), 0);
    EXPECT_EQ(runTamarack({"--check", show.dir()}).out, "0 errors, 0 warnings\n");
    ASSERT_EQ(runTamarack({"--shot", "1", "rock.png", show.dir()}).status, 0);
    const Image img = readPNG("rock.png");
    std::remove("rock.png");
    EXPECT_EQ(coarse(img.at(320, 240)), (RGB{1, 0, 0}));
}

// PNG, BMP and TGA pictures are registered after every JPEG: each JPEG keeps the index, width and
// height it has in the same show without them (and the last name of the others comes first, as
// among JPEGs); names in other capitals are skipped as JPEGs in other capitals are.
TEST(AssetsMode, OtherPicturesComeAfterEveryJpegWhichKeepsItsIndex) {
    const RgbaFunction grey = [](int, int) { return std::array<uint8_t, 4>{128, 128, 128, 255}; };
    const std::vector<std::pair<std::string, std::string>> jpegs = {
        {"b.jpg", solidJpeg(4, 3)}, {"z.JPG", solidJpeg(5, 6)}, {"e.jpg", solidJpeg(7, 2)}};
    std::vector<std::pair<std::string, std::string>> all = jpegs;
    all.insert(all.end(), {{"a.png", makePng(3, 2, grey)},
                           {"c.BMP", makeBmp(2, 5, grey)},
                           {"d.tga", makeTga(6, 1, grey)},
                           {"f.Png", makePng(1, 1, grey)}});
    const json alone = json::parse(assets(jpegs).out), mixed = json::parse(assets(all).out);
    EXPECT_EQ(names(alone["textures"]), "z.JPG e.jpg b.jpg");
    EXPECT_EQ(names(mixed["textures"]), "z.JPG e.jpg b.jpg d.tga c.BMP a.png");
    for (size_t i = 0; i < alone["textures"].size(); ++i)
        for (const char* field : {"name", "width", "height", "textureId"})
            EXPECT_EQ(mixed["textures"][i][field], alone["textures"][i][field]) << i << " " << field;
    const std::array<int, 3> sizes[] = {{3, 6, 1}, {4, 2, 5}, {5, 3, 2}}; // index, width, height
    for (const auto& [index, w, h] : sizes) {
        EXPECT_EQ(mixed["textures"][index]["width"], w) << index;
        EXPECT_EQ(mixed["textures"][index]["height"], h) << index;
    }
}

// Models name the textures their programs wrote, BMP, TGA and PNG among them: each is found (by its
// exact name, else ignoring case) and drawn; a PNG layer's transparent half shows what lies under it.
TEST(AssetsMode, ModelsWearBmpTgaAndPngTexturesAndAPngLayerBlendsByItsAlpha) {
    const struct {
        const char* model;
        const char* texture; // as the model names it
        const char* file;    // in data/
        std::array<uint8_t, 4> colour;
        float x;
    } models[] = {
        {"m1.3ds", "TEX.BMP", "tex.bmp", {255, 0, 0, 255}, -2},
        {"m2.3ds", "a.tga", "a.tga", {0, 255, 0, 255}, 0},
        {"m3.3ds", "b.png", "b.png", {255, 255, 0, 255}, 2},
    };
    TempShow show;
    std::string script = "@sync\n";
    for (const auto& m : models) {
        const float x = m.x;
        show.write(
            m.model,
            tds::encode(tds::Mesh{
                "quad",
                m.texture,
                {{x - 0.6f, -0.6f, -5}, {x + 0.6f, -0.6f, -5}, {x + 0.6f, 0.6f, -5}, {x - 0.6f, 0.6f, -5}},
                {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
                {{0, 1, 2}, {0, 2, 3}}}));
        const RgbaFunction solid = [&](int, int) { return m.colour; };
        const std::string name = m.file;
        show.write(name, name.find(".bmp") != std::string::npos   ? makeBmp(8, 8, solid)
                         : name.find(".tga") != std::string::npos ? makeTga(8, 8, solid)
                                                                  : makePng(8, 8, solid));
        script += std::string("0 track 1 type 0 object ") + m.model + " duration 10.0\n";
    }
    // A blue picture under a PNG whose top half is opaque white and whose bottom half is clear.
    show.write("under.jpg", solidJpeg(64, 64, 0, 0, 255));
    show.write(
        "logo.png", makePng(64, 64, [](int, int y) {
            return y < 32 ? std::array<uint8_t, 4>{255, 255, 255, 255} : std::array<uint8_t, 4>{255, 0, 0, 0};
        }));
    script += "0 track 3 type 1 object under.jpg duration 10.0 move 100 100\n"
              "0 track 2 type 1 object logo.png duration 10.0 move 100 100 "
              "blendFunc GL_SRC_ALPHA GL_ONE_MINUS_SRC_ALPHA\n";
    show.script(script);
    EXPECT_EQ(runTamarack({"--check", show.dir()}).out, "0 errors, 0 warnings\n");
    ASSERT_EQ(runTamarack({"--shot", "1", "formats.png", show.dir()}).status, 0);
    const Image img = readPNG("formats.png");
    std::remove("formats.png");
    EXPECT_EQ(coarse(img.at(176, 240)), (RGB{1, 0, 0})) << "TEX.BMP as tex.bmp";
    EXPECT_EQ(coarse(img.at(320, 240)), (RGB{0, 1, 0})) << "a.tga";
    EXPECT_EQ(coarse(img.at(464, 240)), (RGB{1, 1, 0})) << "b.png";
    // Window pixels from the bottom left: the layers cover 100..163 across and up; the PNG's top half
    // is the upper one.
    EXPECT_EQ(coarse(img.at(132, 480 - 1 - 150)), (RGB{1, 1, 1})) << "the opaque half";
    EXPECT_EQ(coarse(img.at(132, 480 - 1 - 110)), (RGB{0, 0, 1})) << "the clear half shows the blue";
}

// CMYK and YCCK pictures (Adobe's inverted inks) draw their colours as layers.
TEST(AssetsMode, CmykAndYcckPicturesDrawTheirColours) {
    TempShow show;
    // Each ink 255 for none: no cyan and no black is red; no magenta and no black is green.
    show.write("cmyk.jpg", makeJpeg(
                               64, 64,
                               [](int, int) {
                                   return std::array<uint8_t, 4>{255, 0, 0, 255};
                               },
                               JpegKind::Cmyk));
    show.write("ycck.jpg", makeJpeg(
                               64, 64,
                               [](int, int) {
                                   return std::array<uint8_t, 4>{0, 255, 0, 255};
                               },
                               JpegKind::Ycck));
    show.script("@sync\n0 track 1 type 1 object cmyk.jpg duration 10.0 move 100 100\n"
                "0 track 1 type 1 object ycck.jpg duration 10.0 move 300 100\n");
    EXPECT_EQ(runTamarack({"--check", show.dir()}).out, "0 errors, 0 warnings\n");
    ASSERT_EQ(runTamarack({"--shot", "1", "ink.png", show.dir()}).status, 0);
    const Image img = readPNG("ink.png");
    std::remove("ink.png");
    EXPECT_EQ(coarse(img.at(132, 480 - 1 - 132)), (RGB{1, 0, 0}));
    EXPECT_EQ(coarse(img.at(332, 480 - 1 - 132)), (RGB{0, 1, 0}));
}
