#include "assets/gfx.h"
#include "render/draw_path.h"
#include "render/scene_gl.h"
#include "render/texture_upload.h"
#include "support/gl_fixture.h"
#include "tests/gl/render_util.h"

#include <cstring>

namespace {

// A unit square (two faces) five units before the camera, u left to right, v bottom to top.
object_type* square(const char* textureName) {
    auto* o = new object_type;
    std::memcpy(o->textureName, textureName, strnlen(textureName, sizeof o->textureName));
    o->vertices = {{-1, -1, -5}, {1, -1, -5}, {1, 1, -5}, {-1, 1, -5}};
    o->mapcoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    o->polygons = {{0, 1, 2}, {0, 2, 3}};
    o->vertexCount = 4;
    o->polygonCount = 2;
    o->hasMapcoords = o->hasPolygons = 1;
    return o;
}

// One unit at distance 5 is 1.5 / (5 * 1.33) * 320 px across and 1.5 / 5 * 240 px up.
constexpr double kUnitX = 1.5 / (5 * 1.33) * 320;
constexpr double kUnitY = 1.5 / 5 * 240;

class Model : public GLTest {
  protected:
    void TearDown() override {
        gfxClear();
        drawPath = DrawPath::Arrays;
        GLTest::TearDown();
    }
    // Registers the object (index 0) and, with a name, a texture.
    void add(object_type* o, const std::string& textureName = "", GLuint id = 0) {
        gfxClear();
        gfx.objects = o;
        if (textureName.empty()) return;
        auto* t = new texture_type;
        t->name = textureName;
        t->textureId = id;
        gfx.textures = t;
    }
    CScene model(int32_t texture = -1) {
        CScene s;
        s.maskValue = texture;
        s.blendSrc = GL_SRC_ALPHA;
        s.blendDst = GL_ONE;
        return s;
    }
    void draw(const CScene& s) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        loadPerspective();
        glLineWidth(3.0f);
        glColor4f(1, 1, 1, 1);
        drawScene(s);
        grab();
    }
    Box box() const { return litBox(rgb, frame.width, frame.height); }
    // Left half red, right half green.
    static GLuint halves() {
        return makeTexture(2, 2, [](int x, int) { return x == 0 ? RGB{255, 0, 0} : RGB{0, 255, 0}; });
    }
};

} // namespace

TEST_F(Model, TextureChoiceAndMissingIndex) {
    const RGB red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255}, black{0, 0, 0};
    const auto other = static_cast<int32_t>(solidTexture(2, 2, blue));
    const struct {
        const char *what, *modelTexture, *registered;
        int32_t maskTexture, object;
        RGB left, right;
    } cases[] = {
        {"its own texture", "skin.jpg", "skin.jpg", -1, 0, red, green},
        {"a texture given by mask wins", "skin.jpg", "skin.jpg", other, 0, blue, blue},
        {"own texture not registered: untextured", "none.jpg", "skin.jpg", -1, 0, white, white},
        {"a 20-byte name without NUL", "abcdefghijklmnopqrst", "abcdefghijklmnopqrst", -1, 0, red, green},
        {"no object -1: nothing drawn, texture 0 bound", "skin.jpg", "skin.jpg", -1, -1, black, black},
        {"no object 1", "skin.jpg", "skin.jpg", -1, 1, black, black},
    };
    for (const auto& c : cases) {
        add(square(c.modelTexture), c.registered, halves());
        glBindTexture(GL_TEXTURE_2D, halves());
        CScene s = model(c.maskTexture);
        s.objectValue = c.object;
        draw(s);
        GLint bound = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_TRUE(c.left == black ? box().x0 > box().x1 && bound == 0 : box().x1 - box().x0 > 100)
            << c.what;
        EXPECT_EQ(pixel(280, 240), c.left) << c.what;
        EXPECT_EQ(pixel(360, 240), c.right) << c.what;
    }
}

// The arrays and the reference way (one call per corner) draw the same, guards included;
// environment mapping replaces the mapping, not the geometry, and is switched back off.
TEST_F(Model, GuardedCornersOnBothPaths) {
    struct Case {
        const char* what;
        std::vector<polygon_type> faces;
        int32_t polygonCount;
        size_t mapcoords;
    } cases[] = {
        {"faces out of range, count past the list, short mapping", {{0, 1, 99}, {0, 2, 3}, {-4, 1, 2}}, 5, 3},
        {"polygonCount shorter than the list", {{0, 1, 2}, {0, 2, 3}}, 1, 4},
        {"no mapping: the position is the coordinate", {{0, 1, 2}, {0, 2, 3}}, 2, 0},
    };
    for (const Case& c : cases) {
        object_type* o = square("skin.jpg");
        o->polygons = c.faces;
        o->polygonCount = c.polygonCount;
        o->mapcoords.resize(c.mapcoords);
        o->hasMapcoords = c.mapcoords > 0;
        add(o, "skin.jpg", makeTexture(4, 4, [](int x, int y) { return RGB{x * 60, y * 60, 200}; }));
        std::vector<uint8_t> plain;
        for (bool envmap : {false, true}) {
            CScene s = model();
            s.envmap = envmap;
            drawPath = DrawPath::Immediate;
            draw(s);
            const std::vector<uint8_t> reference = rgb;
            drawPath = DrawPath::Arrays;
            draw(s);
            EXPECT_TRUE(reference == rgb) << c.what << ", envmap " << envmap;
            EXPECT_LE(box().x0, box().x1) << c.what << ", envmap " << envmap;
            EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S) || glIsEnabled(GL_TEXTURE_GEN_T)) << c.what;
            if (envmap) {
                EXPECT_FALSE(rgb == plain) << c.what;
                EXPECT_EQ(box().x0, litBox(plain, 640, 480).x0) << c.what;
            }
            plain = rgb;
            if (&c != cases || envmap) continue;
            // Only face (0, 2, 3) is drawn; vertex 3, past the mapping list, takes texel (0, 0).
            EXPECT_EQ(pixel(340, 280), (RGB{0, 0, 0}));   // below the diagonal
            EXPECT_EQ(pixel(260, 190), (RGB{0, 0, 200})); // near vertex 3
        }
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Wireframe draws the edges only and is switched back off.
TEST_F(Model, Wireframe) {
    add(square("none.jpg"));
    CScene s = model();
    s.wireframe = true;
    draw(s);
    EXPECT_EQ(pixel(static_cast<int>(320 - kUnitX + 0.5), 200), (RGB{255, 255, 255})); // the left edge
    EXPECT_EQ(pixel(290, 200), (RGB{0, 0, 0})); // inside the upper-left face
    GLint mode[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_FILL);
}

TEST_F(Model, TranslateRotateScaleInThatOrder) {
    // A bar x 0..1, y 0..0.25 at z -5, scaled to 2 long, turned upright, moved 1 right: x 0.75..1, y 0..2.
    auto* o = new object_type;
    o->vertices = {{0, 0, -5}, {1, 0, -5}, {1, 0.25f, -5}, {0, 0.25f, -5}};
    o->polygons = {{0, 1, 2}, {0, 2, 3}};
    o->polygonCount = 2;
    o->hasPolygons = 1;
    add(o);
    CScene s = model();
    s.color = s.translate = s.rotate = s.scale = true;
    s.opacityValue = s.colorValue[0] = 1.0f;
    s.translateValue[0] = 1;
    s.angleValue = 90;
    s.axisValue[2] = 1;
    s.scaleValue[0] = 2;
    s.scaleValue[1] = s.scaleValue[2] = 1;
    draw(s);
    expectBox(box(), {320 + 0.75 * kUnitX, 240 - 2 * kUnitY, 320 + kUnitX, 240}, 1.5, "the bar");
    EXPECT_EQ(pixel(static_cast<int>(320 + 0.9 * kUnitX), 200), (RGB{255, 0, 0}));
}
