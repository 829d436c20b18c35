#include "assets/gfx.h"
#include "render/scene_gl.h"
#include "support/gl_fixture.h"
#include "tests/gl/render_util.h"

#include <GL/gl.h>
#include <cstring>

namespace {

// A unit square (two faces) five units in front of the camera, mapped with
// u 0..1 from left to right and v 0..1 from bottom to top.
object_type* square(const char* textureName) {
    auto* o = new object_type;
    o->name = "square.3ds";
    std::memcpy(o->textureName, textureName, strnlen(textureName, sizeof o->textureName));
    o->vertices = {{-1, -1, -5}, {1, -1, -5}, {1, 1, -5}, {-1, 1, -5}};
    o->mapcoords = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    o->polygons = {{0, 1, 2}, {0, 2, 3}};
    o->vertexCount = 4;
    o->polygonCount = 2;
    o->hasMapcoords = 1;
    o->hasPolygons = 1;
    return o;
}

class Model : public GLTest {
  protected:
    void TearDown() override {
        clearRegistry();
        GLTest::TearDown();
    }
    // Only what this test registered.
    void clearRegistry() {
        while (gfx.objects) {
            object_type* next = gfx.objects->next;
            delete gfx.objects;
            gfx.objects = next;
        }
        while (gfx.textures) {
            texture_type* next = gfx.textures->next;
            delete gfx.textures;
            gfx.textures = next;
        }
    }
    void addObject(object_type* o) {
        o->next = gfx.objects;
        gfx.objects = o;
    }
    void addTexture(const std::string& name, GLuint id) {
        auto* t = new texture_type;
        t->name = name;
        t->textureId = id;
        t->next = gfx.textures;
        gfx.textures = t;
    }
    CScene model(int32_t object, int32_t texture) {
        CScene s;
        s.type = 0;
        s.objectValue = object;
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
    GLuint halves() {
        return makeTexture(2, 2, [](int x, int) { return x == 0 ? RGB{255, 0, 0} : RGB{0, 255, 0}; });
    }
};

// One unit at distance 5 is 1.5 / (5 * 1.33) * 320 px across and 1.5 / 5 * 240 px up.
constexpr double kUnitX = 1.5 / (5 * 1.33) * 320;
constexpr double kUnitY = 1.5 / 5 * 240;

} // namespace

TEST_F(Model, TextureChoice) {
    const GLuint own = halves();
    const GLuint other = solidTexture(2, 2, {0, 0, 255});
    struct Case {
        const char* what;
        const char* textureName;
        bool registerOwn;
        int32_t maskTexture;
        RGB left, right;
    } cases[] = {
        {"its own texture", "skin.jpg", true, -1, {255, 0, 0}, {0, 255, 0}},
        {"a texture given by mask wins",
         "skin.jpg",
         true,
         static_cast<int32_t>(other),
         {0, 0, 255},
         {0, 0, 255}},
        {"own texture not registered: untextured", "none.jpg", true, -1, {255, 255, 255}, {255, 255, 255}},
        {"names match exactly", "SKIN.JPG", true, -1, {255, 255, 255}, {255, 255, 255}},
        {"a 20-byte name without NUL", "abcdefghijklmnopqrst", false, -1, {255, 0, 0}, {0, 255, 0}},
    };
    for (const Case& c : cases) {
        addObject(square(c.textureName));
        if (c.registerOwn)
            addTexture("skin.jpg", own);
        else
            addTexture("abcdefghijklmnopqrst", own);
        draw(model(0, c.maskTexture));
        const Box b = box();
        EXPECT_NEAR(b.x0, 320 - kUnitX, 1.5) << c.what;
        EXPECT_NEAR(b.x1, 320 + kUnitX, 1.5) << c.what;
        EXPECT_NEAR(b.y0, 240 - kUnitY, 1.5) << c.what;
        EXPECT_NEAR(b.y1, 240 + kUnitY, 1.5) << c.what;
        EXPECT_EQ(pixel(280, 240), c.left) << c.what;
        EXPECT_EQ(pixel(360, 240), c.right) << c.what;
        clearRegistry();
    }
}

TEST_F(Model, NothingDrawnForAMissingIndexAndTextureZeroStaysBound) {
    addObject(square("skin.jpg"));
    for (int index : {-1, 1, 7}) {
        glBindTexture(GL_TEXTURE_2D, halves());
        draw(model(index, -1));
        EXPECT_GT(box().x0, box().x1) << index;
        GLint bound = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(bound, 0) << index;
    }
}

TEST_F(Model, BadIndicesAreNotRead) {
    // Face 0 names a vertex that does not exist: it is skipped. Face 1 is
    // sound, but the mapping list is short: vertex 3 gets (0, 0), red.
    object_type* o = square("skin.jpg");
    o->polygons = {{0, 1, 99}, {0, 2, 3}, {-4, 1, 2}};
    o->polygonCount = 5; // more than the list holds
    o->mapcoords = {{0, 0}, {1, 0}, {1, 1}};
    addObject(o);
    addTexture("skin.jpg", halves());
    draw(model(0, -1));
    // Only the upper-left triangle (0, 2, 3) is drawn.
    EXPECT_EQ(pixel(340, 280), (RGB{0, 0, 0}));   // below the diagonal
    EXPECT_EQ(pixel(260, 190), (RGB{255, 0, 0})); // near vertex 3, mapped (0, 0)
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(Model, WireframeDrawsLinesOnly) {
    addObject(square("none.jpg"));
    CScene s = model(0, -1);
    s.wireframe = true;
    draw(s);
    const int left = static_cast<int>(320 - kUnitX + 0.5);
    EXPECT_EQ(pixel(left, 200), (RGB{255, 255, 255})); // the left edge
    EXPECT_EQ(pixel(290, 200), (RGB{0, 0, 0}));        // inside the upper-left face
    GLint mode[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_FILL); // switched back off
}

TEST_F(Model, EnvmapReplacesTheTextureCoordinates) {
    addObject(square("skin.jpg"));
    addTexture("skin.jpg", makeTexture(64, 64, [](int x, int y) { return RGB{x * 4, y * 4, 128}; }));
    draw(model(0, -1));
    const std::vector<uint8_t> plain = rgb;
    CScene s = model(0, -1);
    s.envmap = true;
    draw(s);
    size_t differ = 0;
    for (size_t i = 0; i < rgb.size(); ++i)
        differ += rgb[i] != plain[i];
    EXPECT_GT(differ, 1000u);
    EXPECT_EQ(box().x0, litBox(plain, 640, 480).x0); // same geometry
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
}

TEST_F(Model, TranslateRotateScaleInThatOrder) {
    // A bar from x 0 to 1, y 0 to 0.25: scaled to 2 long, turned upright by
    // 90 degrees about z, then moved one unit right.
    object_type* o = new object_type;
    o->vertices = {{0, 0, -5}, {1, 0, -5}, {1, 0.25f, -5}, {0, 0.25f, -5}};
    o->polygons = {{0, 1, 2}, {0, 2, 3}};
    o->polygonCount = 2;
    o->hasPolygons = 1;
    addObject(o);
    CScene s = model(0, -1);
    s.color = true;
    s.opacityValue = 1.0f;
    s.colorValue[0] = 1.0f;
    s.translate = s.rotate = s.scale = true;
    s.translateValue[0] = 1;
    s.angleValue = 90;
    s.axisValue[2] = 1;
    s.scaleValue[0] = 2;
    s.scaleValue[1] = s.scaleValue[2] = 1;
    // Vertices at z -5 move with the transforms about the eye: the bar ends at
    // x 0.75 .. 1, y 0 .. 2 in the plane z -5.
    draw(s);
    const Box b = box();
    EXPECT_NEAR(b.x0, 320 + 0.75 * kUnitX, 1.5);
    EXPECT_NEAR(b.x1, 320 + kUnitX, 1.5);
    EXPECT_NEAR(b.y0, 240 - 2 * kUnitY, 1.5);
    EXPECT_NEAR(b.y1, 240, 1.5);
    EXPECT_EQ(pixel(static_cast<int>(320 + 0.9 * kUnitX), 200), (RGB{255, 0, 0}));
}
