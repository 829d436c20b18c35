// tamarack-model: what it makes loads in our 3DS reader and draws upright; bad input is refused.
#include "assets/gfx.h"
#include "render/scene_gl.h"
#include "render/texture_upload.h"
#include "support/gl_fixture.h"
#include "support/make_jpeg.h"
#include "support/model_files.h"
#include "support/run.h"
#include "support/temp_dir.h"
#include "tests/gl/render_util.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>

namespace fs = std::filesystem;

namespace {

const std::string modelTool = fs::path(TAMARACK_BIN).parent_path().string() + "/tools/tamarack-model";

// The window box of a w x h half-size rectangle about the view axis at depth z < 0.
std::array<double, 4> around(double w, double h, double z) {
    return {320 - w / -z * 1.5 / 1.33 * 320, 240 - h / -z * 1.5 * 240, 320 + w / -z * 1.5 / 1.33 * 320,
            240 + h / -z * 1.5 * 240};
}

const RGB red{255, 0, 0}, green{0, 255, 0};

class ModelTool : public GLTest {
  protected:
    void TearDown() override {
        gfxClear();
        GLTest::TearDown();
    }
    // Loads OUT with the engine's reader; `texture` is a picture red above, green below.
    const object_type* load(const std::string& out, const std::string& texture) {
        gfxClear();
        if (!Load3DS(out)) return nullptr;
        auto* t = new texture_type;
        t->name = texture;
        t->textureId = makeTexture(2, 2, [](int, int y) { return y == 0 ? red : green; });
        gfx.textures = t;
        return getObject(0);
    }
    // Draws the model moved to depth z.
    void draw(float z) {
        CScene s;
        s.maskValue = -1;
        s.translate = true;
        s.translateValue[2] = z;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        loadPerspective();
        glColor4f(1, 1, 1, 1);
        drawScene(s);
        grab();
    }
    Box box() const { return litBox(rgb, frame.width, frame.height); }
};

} // namespace

TEST_F(ModelTool, ConvertedModelsLoadWithTheirCountsAndDrawUpright) {
    TempShow show;
    const ModelFile cube = objCube("cube.mtl"), squares = gltfTwoSquares("wood.png");
    show.write("cube.obj", cube.bytes);
    show.write("cube.mtl", objMaterial("pictures/crate.jpg"));
    show.write("squares.gltf", squares.bytes);
    struct Case {
        const char* in;
        const ModelFile& source;
        const char* texture; // the name the 3DS file gives its picture
        const char* note;    // what stderr says was changed or dropped
        std::array<double, 4> box;
        int upperY, lowerY, column; // a point on the upper and on the lower half of the picture
    } cases[] = {
        {"cube.obj", cube, "crate.jpg", "dropped 1 line", around(1, 1, -4), 200, 280, 320},
        {"squares.gltf", squares, "wood.jpg", "'wood.png' is written as 'wood.jpg'", around(2, 0.5, -5), 225,
         255, static_cast<int>(around(1.5, 0, -5)[2])},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.in);
        const std::string out = show.data("out.3ds");
        const RunResult r = runProgram(modelTool, {"convert", show.data(c.in), out});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.err.find(c.note), std::string::npos) << r.err;
        EXPECT_NE(r.out.find("1 object, " + std::to_string(c.source.corners) + " vertices"),
                  std::string::npos)
            << r.out;
        const object_type* o = load(out, c.texture);
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(o->vertexCount, static_cast<int>(c.source.corners));
        EXPECT_EQ(o->polygonCount, static_cast<int>(c.source.triangles));
        EXPECT_EQ(o->mapcoords.size(), c.source.corners);
        EXPECT_STREQ(o->textureName, c.texture);
        draw(-5);
        expectBox(box(), c.box, 1.5, c.in);
        EXPECT_EQ(pixel(c.column, c.upperY), red);
        EXPECT_EQ(pixel(c.column, c.lowerY), green);
    }
}

TEST_F(ModelTool, ShapesFaceTheCameraWithThePictureUpright) {
    TempShow show;
    // Each shape about 2 units across at z -5; a sphere's silhouette is wider than its radius.
    const double sphere = std::tan(std::asin(1 / 5.0)) * 5;
    const struct {
        const char* shape;
        std::array<double, 4> box;
    } cases[] = {{"cube", around(1, 1, -4)},
                 {"sphere", around(sphere, sphere, -5)},
                 {"torus", around(1, 1, -5)},
                 {"plane", around(1, 1, -5)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shape);
        const std::string out = show.data(std::string(c.shape) + ".3ds");
        const RunResult r = runProgram(modelTool, {c.shape, out, "--texture", "skin.jpg"});
        ASSERT_EQ(r.status, 0) << r.err;
        const object_type* o = load(out, "skin.jpg");
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(o->mapcoords.size(), o->vertices.size());
        EXPECT_STREQ(o->textureName, "skin.jpg");
        draw(-5);
        expectBox(box(), c.box, 2, c.shape);
        if (std::string(c.shape) == "torus") continue; // its picture runs round the ring and the tube
        EXPECT_EQ(pixel(320, 240 - 20), red);
        EXPECT_EQ(pixel(320, 240 + 20), green);
    }
}

// Beyond what one 3DS object holds the model is split, every face and vertex kept.
TEST(ModelToolFile, MoreThan65535VerticesAreSplitIntoObjects) {
    TempShow show;
    const ModelFile strip = objStrip(33000);
    show.write("strip.obj", strip.bytes);
    const RunResult r = runProgram(modelTool, {"convert", show.data("strip.obj"), show.data("strip.3ds")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("split into 2 objects"), std::string::npos) << r.err;
    object_type o;
    const std::string bytes = readFile(show.data("strip.3ds"));
    parse3DS(o, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    std::set<std::pair<float, float>> positions;
    for (const VECTOR& v : o.vertices)
        positions.insert({v.x, v.y});
    EXPECT_EQ(positions.size(), strip.corners);
    EXPECT_EQ(o.polygons.size(), strip.triangles);
    EXPECT_EQ(o.mapcoords.size(), o.vertices.size());
}

TEST(ModelToolFile, BadInputGivesOneLineStatusAndNoFile) {
    TempShow show;
    show.write("cube.obj", objCube("none.mtl").bytes);
    show.write("notes.txt", "Shopping: milk, bread.\n");
    show.write("empty.obj", "");
    show.write("points.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\n");
    show.write("old.3ds", "the previous model");
    const struct {
        std::vector<std::string> args; // run in data/
        int status;
        const char* file; // the file the message names
        const char* reason;
    } cases[] = {
        {{"convert", "notes.txt", "old.3ds"}, 1, "notes.txt", "not a model"},
        {{"convert", "empty.obj", "e.3ds"}, 1, "empty.obj", "empty"},
        {{"convert", "points.obj", "p.3ds"}, 1, "points.obj", "no mesh"},
        {{"convert", "missing.obj", "m.3ds"}, 1, "missing.obj", "No such file"},
        {{"convert", "cube.obj", "notes.txt/c.3ds"}, 1, "notes.txt/c.3ds", "cannot write"},
        {{"plane", "big.3ds", "--segments", "300"}, 1, "big.3ds", "use at most 254"},
        {{"cube", "c.3ds", "--texture", "skin.png"}, 2, "--texture", "JPEG"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1]);
        const RunResult r = runProgram(modelTool, c.args, show.dir() + "/data");
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, "");
        const std::string first = r.err.substr(0, r.err.find('\n'));
        EXPECT_EQ(first.rfind("tamarack-model: ", 0), 0u) << r.err;
        EXPECT_NE(first.find(c.file), std::string::npos) << r.err;
        EXPECT_NE(first.find(c.reason), std::string::npos) << r.err;
        EXPECT_TRUE(c.status != 1 || std::count(r.err.begin(), r.err.end(), '\n') == 1) << r.err;
    }
    EXPECT_EQ(readFile(show.data("old.3ds")), "the previous model");
    EXPECT_EQ(std::distance(fs::directory_iterator(show.dir() + "/data"), {}), 5) << "a file was left behind";
}

// A .glb that holds its picture: convert writes the picture beside the model
// as the JPEG the model names, and the show draws the model wearing it.
TEST(ModelToolEmbedded, TheEmbeddedPictureIsWrittenAndTheShowDrawsTheModelWearingIt) {
    TempShow show;
    const std::string jpeg = makeJpeg(64, 64, [](int, int y) {
        return y < 32 ? std::array<uint8_t, 4>{255, 0, 0, 255} : std::array<uint8_t, 4>{0, 255, 0, 255};
    });
    show.write("../square.glb", glbSquareWithPicture(jpeg));
    const RunResult r =
        runProgram(modelTool, {"convert", show.dir() + "/square.glb", show.data("square.3ds")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("its embedded texture is written as " + show.data("square.jpg")), std::string::npos)
        << r.err;
    EXPECT_NE(r.out.find("texture square.jpg"), std::string::npos) << r.out;
    EXPECT_EQ(readFile(show.data("square.jpg")), jpeg); // a JPEG is written as it was held
    // Converting again writes the same picture again.
    EXPECT_EQ(runProgram(modelTool, {"convert", show.dir() + "/square.glb", show.data("square.3ds")}).status,
              0);

    show.script("Default 640x480 !sound\n@sync\n"
                "0 track 1 type 0 object square.3ds duration 5.0 translate 0 0 -2 color 1 1 1\n");
    EXPECT_EQ(runTamarack({"--check", show.dir()}).out, "0 errors, 0 warnings\n");
    ASSERT_EQ(
        runTamarack({"--shot", "1", show.dir() + "/frame.png", show.dir()}, "", {"SDL_AUDIODRIVER=dummy"})
            .status,
        0);
    const Image frame = readPNG(show.dir() + "/frame.png");
    ASSERT_EQ(frame.width, 640);
    // The square spans rows 150 to 330 of the frame: its upper half red, its lower half green.
    const RGB upper = frame.at(320, 200), lower = frame.at(320, 280), outside = frame.at(320, 100);
    EXPECT_GT(upper[0], 200);
    EXPECT_LT(upper[1], 60);
    EXPECT_GT(lower[1], 200);
    EXPECT_LT(lower[0], 60);
    EXPECT_EQ(outside, (RGB{0, 0, 0}));

    // Another picture already at that name is never overwritten.
    show.write("square.jpg", "someone else's picture");
    const RunResult kept =
        runProgram(modelTool, {"convert", show.dir() + "/square.glb", show.data("square.3ds")});
    EXPECT_EQ(kept.status, 1);
    EXPECT_NE(kept.err.find("exists and holds another picture"), std::string::npos) << kept.err;
    EXPECT_EQ(readFile(show.data("square.jpg")), "someone else's picture");
}
