// A model drawn from its arrays takes the same corners as the reference way,
// including the guards against indices outside its lists.
#include "assets/gfx.h"
#include "render/draw_path.h"
#include "render/scene_gl.h"
#include "support/gl_fixture.h"
#include "tests/gl/render_util.h"

#include <GL/gl.h>

namespace {

class FastPathModel : public GLTest {
  protected:
    void TearDown() override {
        releaseDrawBuffers();
        gfxClearObjects();
        while (texture_type* t = gfx.textures) {
            gfx.textures = t->next;
            delete t;
        }
        drawPath = DrawPath::Arrays;
        GLTest::TearDown();
    }
    std::vector<uint8_t> draw(DrawPath path, int texture, bool envmap) {
        drawPath = path;
        CScene s;
        s.type = 0;
        s.objectValue = 0;
        s.maskValue = texture;
        s.envmap = envmap;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        loadPerspective();
        glColor4f(1, 1, 1, 1);
        drawScene(s);
        grab();
        return rgb;
    }
};

} // namespace

TEST_F(FastPathModel, GuardedCornersMatchTheReferenceWay) {
    struct Case {
        const char* what;
        bool mapped;
        std::vector<polygon_type> faces;
        size_t mapcoords;
        int32_t polygonCount;
    };
    const Case cases[] = {
        {"mapped, all inside", true, {{0, 1, 2}, {0, 2, 3}}, 4, 2},
        {"a face beyond the vertices is skipped", true, {{0, 1, 2}, {0, 2, 9}, {0, 2, 3}}, 4, 3},
        {"a negative index is skipped", true, {{0, -1, 2}, {0, 2, 3}}, 4, 2},
        {"corners beyond a short mapping list get (0, 0)", true, {{0, 1, 2}, {0, 2, 3}}, 2, 2},
        {"polygonCount shorter than the list", true, {{0, 1, 2}, {0, 2, 3}}, 4, 1},
        {"no mapping: the position is the coordinate", false, {{0, 1, 2}, {0, 2, 3}}, 0, 2},
    };
    const GLuint texture = makeTexture(4, 4, [](int x, int y) { return RGB{x * 60, y * 60, 200}; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        gfxClearObjects();
        auto* o = new object_type;
        o->vertices = {{-1, -1, -5}, {1, -1, -5}, {1, 1, -5}, {-1, 1, -5}};
        const std::vector<mapcoord_type> uv = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        o->mapcoords.assign(uv.begin(), uv.begin() + static_cast<long>(c.mapcoords));
        o->polygons = c.faces;
        o->polygonCount = c.polygonCount;
        o->hasMapcoords = c.mapped ? 1 : 0;
        o->hasPolygons = 1;
        gfx.objects = o;
        for (bool envmap : {false, true}) {
            const std::vector<uint8_t> reference =
                draw(DrawPath::Immediate, static_cast<int>(texture), envmap);
            const std::vector<uint8_t> fast = draw(DrawPath::Arrays, static_cast<int>(texture), envmap);
            EXPECT_TRUE(reference == fast) << "envmap " << envmap;
            const Box b = litBox(reference, frame.width, frame.height);
            EXPECT_LE(b.x0, b.x1); // something was drawn
        }
    }
    glDeleteTextures(1, &texture);
}
