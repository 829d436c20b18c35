#include "render/scene_gl.h"
#include "support/gl_fixture.h"
#include "tests/gl/render_util.h"

namespace {

class ImageLayer : public GLTest {
  protected:
    // An image record as the interpreter leaves it: default blend, no switches.
    CScene layer(GLuint texture, int size) {
        CScene s;
        s.type = 1;
        s.blendSrc = GL_SRC_ALPHA;
        s.blendDst = GL_ONE;
        s.objectValue = static_cast<int32_t>(texture);
        s.maskStart = s.maskValue = -1;
        s.width = s.height = size;
        return s;
    }
    // Draws the layer alone; the pass must leave the perspective as it found it.
    void draw(const CScene& s) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        loadPerspective();
        std::array<GLfloat, 16> before, after;
        glGetFloatv(GL_PROJECTION_MATRIX, before.data());
        imagePass(s);
        glGetFloatv(GL_PROJECTION_MATRIX, after.data());
        EXPECT_EQ(before, after) << "the projection is not rebuilt";
        grab();
    }
    void expectPixel(int x, int y, RGB want, const char* what) {
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(pixel(x, y)[k], want[k], 1) << what << " at " << x << "," << y << " channel " << k;
    }
};

} // namespace

TEST_F(ImageLayer, Placement) {
    const GLuint white = solidTexture(256, 256, {255, 255, 255});
    struct Case {
        const char* what;
        int size;
        bool center, move, scale, rotate;
        int tolerance;
        std::array<double, 4> want; // columns, rows from the top
    } cases[] = {
        {"256 centred covers 192..447", 256, true, false, false, false, 0, {192, 112, 447, 367}},
        {"move wins over centre", 64, true, true, false, false, 0, {10, 396, 73, 459}},
        {"scale 2 2 doubles about the centre", 64, true, false, true, false, 0, {256, 176, 383, 303}},
        // Turned in device coordinates from the bottom-left corner to the bottom-right one.
        {"angle 90 turns about the screen centre", 64, false, false, false, true, 1, {555, 432, 639, 479}},
    };
    for (const Case& c : cases) {
        CScene s = layer(white, c.size);
        s.center = c.center;
        s.move = c.move;
        s.scale = c.scale;
        s.rotate = c.rotate;
        s.moveValue[0] = 10;
        s.moveValue[1] = 20;
        s.scaleValue[0] = s.scaleValue[1] = 2;
        s.scaleValue[2] = 1;
        s.angleValue = 90;
        s.axisValue[2] = 1;
        draw(s);
        expectBox(litBox(rgb, frame.width, frame.height), c.want, c.tolerance, c.what);
        expectPixel(int(c.want[0] + c.want[2]) / 2, int(c.want[1] + c.want[3]) / 2, {255, 255, 255}, c.what);
    }
}

// A 64 x 64 layer centred (rows 208..271) over black with the default blend: the colour times alpha
// (green set before), the picture upright, the mask under it; without a texture of its own the mask
// stays bound and is drawn twice (added). The pass restores the colour and the GL switches.
TEST_F(ImageLayer, ColourOpacityMaskAndTextureBinding) {
    const auto white = static_cast<int32_t>(solidTexture(64, 64, {255, 255, 255}));
    const auto mask = static_cast<int32_t>(solidTexture(64, 64, {60, 0, 0}));
    const auto blue = static_cast<int32_t>(solidTexture(64, 64, {0, 0, 100}));
    const auto upright = static_cast<int32_t>(makeTexture(64, 64, [](int, int y) {
        return y < 32 ? RGB{255, 255, 255} : RGB{0, 0, 255};
    }));
    const struct {
        const char* what;
        int32_t object;
        bool color, opacity, blendSwitch, mask;
        float opacityValue;
        RGB top, bottom{}; // at column 300, rows 220 and 260 (bottom {}: as the top)
    } cases[] = {
        {"opacity 0.5 gives half intensity", white, false, true, false, false, 0.5f, {128, 128, 128}},
        {"blending is on whatever the switch says", white, false, true, true, false, 0.5f, {128, 128, 128}},
        {"color without opacity has alpha 1", white, true, false, false, false, 0.25f, {255, 0, 128}},
        {"color with opacity", white, true, true, false, false, 0.5f, {128, 0, 64}},
        {"neither keeps the previous colour", white, false, false, false, false, 0, {0, 255, 0}},
        {"upright", upright, false, true, false, false, 1, {255, 255, 255}, {0, 0, 255}},
        {"mask under the picture", blue, false, true, false, true, 1, {60, 0, 100}},
        {"missing texture with mask shows the mask twice", -1, false, true, false, true, 1, {120, 0, 0}},
    };
    for (const auto& c : cases) {
        CScene s = layer(0, 64);
        s.objectValue = c.object;
        s.center = true;
        s.color = c.color;
        s.opacity = c.opacity;
        s.blend = c.blendSwitch;
        s.opacityValue = c.opacityValue;
        s.colorValue[0] = 1.0f;
        s.colorValue[2] = 0.5f;
        s.mask = c.mask;
        s.maskValue = mask;
        glColor4f(0, 1, 0, 1);
        glBindTexture(GL_TEXTURE_2D, 0);
        draw(s);
        expectPixel(300, 220, c.top, c.what);
        expectPixel(300, 260, c.bottom == RGB{} ? c.top : c.bottom, c.what);
        GLfloat current[4];
        glGetFloatv(GL_CURRENT_COLOR, current);
        EXPECT_TRUE(current[1] == 1.0f && !glIsEnabled(GL_BLEND) && glIsEnabled(GL_DEPTH_TEST)) << c.what;
    }
}
