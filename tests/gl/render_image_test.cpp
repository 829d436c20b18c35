#include "engine/config.h"
#include "render/scene_gl.h"
#include "support/gl_fixture.h"
#include "tests/gl/render_util.h"

#include <GL/gl.h>

namespace {

class ImageLayer : public GLTest {
  protected:
    // An image record as the interpreter leaves it: default blend, no switches.
    CScene layer(GLuint texture, int w, int h) {
        CScene s;
        s.kind = 0;
        s.type = 1;
        s.blendSrc = GL_SRC_ALPHA;
        s.blendDst = GL_ONE;
        s.objectValue = static_cast<int32_t>(texture);
        s.maskStart = s.maskValue = -1;
        s.width = w;
        s.height = h;
        return s;
    }
    void draw(const CScene& s) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        loadPerspective();
        imagePass(s);
        grab();
    }
    Box box() const { return litBox(rgb, frame.width, frame.height); }
};

} // namespace

TEST(ImageRect, PlacementRules) {
    struct Case {
        const char* what;
        bool center, move, scale;
        float mx, my, sx, sy;
        int w, h;
        ImageRect want;
    } cases[] = {
        {"corner", false, false, false, 0, 0, 1, 1, 256, 256, {0, 0, 256, 256}},
        {"centred", true, false, false, 0, 0, 1, 1, 256, 256, {192, 112, 448, 368}},
        // Integer halves: 640 - (320 + 127) and 480 - (240 + 50).
        {"centred odd", true, false, false, 0, 0, 1, 1, 255, 101, {193, 190, 448, 291}},
        {"move", false, true, false, 10.5f, 20, 1, 1, 64, 32, {10.5f, 20, 74.5f, 52}},
        {"move wins over centre", true, true, false, 10, 20, 1, 1, 64, 64, {10, 20, 74, 84}},
        {"scale about the centre", true, false, true, 0, 0, 2, 2, 64, 64, {256, 176, 384, 304}},
        {"scale shrinks", false, true, true, 100, 100, 0.5f, 0.25f, 64, 64, {116, 124, 148, 140}},
    };
    for (const Case& c : cases) {
        CScene s;
        s.center = c.center;
        s.move = c.move;
        s.scale = c.scale;
        s.moveValue[0] = c.mx;
        s.moveValue[1] = c.my;
        s.scaleValue[0] = c.sx;
        s.scaleValue[1] = c.sy;
        s.scaleValue[2] = 1;
        s.width = c.w;
        s.height = c.h;
        const ImageRect r = imageRect(s, 640, 480);
        EXPECT_FLOAT_EQ(r.x0, c.want.x0) << c.what;
        EXPECT_FLOAT_EQ(r.y0, c.want.y0) << c.what;
        EXPECT_FLOAT_EQ(r.x1, c.want.x1) << c.what;
        EXPECT_FLOAT_EQ(r.y1, c.want.y1) << c.what;
    }
}

TEST_F(ImageLayer, PlacementInPixels) {
    const GLuint tex = solidTexture(256, 256, {255, 255, 255});
    struct Case {
        const char* what;
        int w, h;
        bool center, move, scale;
        float mx, my, sx, sy;
        Box want; // columns, rows from the top
    } cases[] = {
        {"256 centred covers 192..447", 256, 256, true, false, false, 0, 0, 1, 1, {192, 112, 447, 367}},
        {"move places the bottom-left corner", 64, 64, false, true, false, 10, 20, 1, 1, {10, 396, 73, 459}},
        {"centre with move uses move", 64, 64, true, true, false, 10, 20, 1, 1, {10, 396, 73, 459}},
        {"scale 2 2 doubles about the centre", 64, 64, true, false, true, 0, 0, 2, 2, {256, 176, 383, 303}},
    };
    for (const Case& c : cases) {
        CScene s = layer(tex, c.w, c.h);
        s.center = c.center;
        s.move = c.move;
        s.scale = c.scale;
        s.moveValue[0] = c.mx;
        s.moveValue[1] = c.my;
        s.scaleValue[0] = c.sx;
        s.scaleValue[1] = c.sy;
        s.scaleValue[2] = 1;
        draw(s);
        const Box b = box();
        EXPECT_EQ(b.x0, c.want.x0) << c.what;
        EXPECT_EQ(b.y0, c.want.y0) << c.what;
        EXPECT_EQ(b.x1, c.want.x1) << c.what;
        EXPECT_EQ(b.y1, c.want.y1) << c.what;
        EXPECT_EQ(pixel((c.want.x0 + c.want.x1) / 2, (c.want.y0 + c.want.y1) / 2), (RGB{255, 255, 255}))
            << c.what;
    }
}

TEST_F(ImageLayer, Angle90TurnsAboutTheScreenCentre) {
    // A 64 x 64 layer in the bottom-left corner; turned by 90 degrees in
    // normalised device coordinates it lands in the bottom-right corner,
    // stretched to 640/480 of its width by the screen's aspect.
    CScene s = layer(solidTexture(64, 64, {255, 255, 255}), 64, 64);
    s.rotate = true;
    s.angleValue = 90;
    s.axisValue[2] = 1;
    draw(s);
    const Box b = box();
    EXPECT_NEAR(b.x0, 640 - 85, 1);
    EXPECT_EQ(b.x1, 639);
    EXPECT_NEAR(b.y0, 480 - 48, 1);
    EXPECT_EQ(b.y1, 479);
    EXPECT_EQ(pixel(20, 460), (RGB{0, 0, 0})); // not turned about its own centre
}

TEST_F(ImageLayer, PictureIsUpright) {
    const GLuint tex = makeTexture(256, 256, [](int, int y) {
        return y < 128 ? RGB{255, 255, 255} : RGB{0, 0, 255};
    });
    CScene s = layer(tex, 256, 256);
    s.center = true;
    draw(s);
    EXPECT_EQ(pixel(320, 120), (RGB{255, 255, 255})); // top of the layer
    EXPECT_EQ(pixel(320, 360), (RGB{0, 0, 255}));     // bottom of the layer
}

TEST_F(ImageLayer, ColourAndOpacityRule) {
    const GLuint white = solidTexture(64, 64, {255, 255, 255});
    struct Case {
        const char* what;
        bool color, opacity, blendSwitch;
        float opacityValue;
        RGB want;
    } cases[] = {
        // Default blend (source alpha, one) over black: the colour times alpha.
        {"opacity 0.5 gives half intensity", false, true, false, 0.5f, {128, 128, 128}},
        {"blending is on whatever the blend switch says", false, true, true, 0.5f, {128, 128, 128}},
        {"color without opacity has alpha 1", true, false, false, 0.25f, {255, 0, 128}},
        {"color with opacity", true, true, false, 0.5f, {128, 0, 64}},
        {"neither keeps the previous colour", false, false, false, 0.0f, {0, 255, 0}},
    };
    for (const Case& c : cases) {
        CScene s = layer(white, 64, 64);
        s.center = true;
        s.color = c.color;
        s.opacity = c.opacity;
        s.blend = c.blendSwitch;
        s.opacityValue = c.opacityValue;
        s.colorValue[0] = 1.0f;
        s.colorValue[1] = 0.0f;
        s.colorValue[2] = 0.5f;
        glColor4f(0, 1, 0, 1);
        draw(s);
        const RGB got = pixel(320, 240);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(got[k], c.want[k], 1) << c.what << " channel " << k;
        // The pass restores the colour it changed and the GL switches.
        GLfloat current[4];
        glGetFloatv(GL_CURRENT_COLOR, current);
        EXPECT_EQ(current[1], 1.0f) << c.what;
        EXPECT_FALSE(glIsEnabled(GL_BLEND)) << c.what;
        EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST)) << c.what;
    }
}

TEST_F(ImageLayer, MaskAndTextureBinding) {
    const GLuint mask = solidTexture(64, 64, {60, 0, 0});
    const GLuint picture = solidTexture(64, 64, {0, 0, 100});
    struct Case {
        const char* what;
        int32_t object;
        bool mask;
        RGB want;
    } cases[] = {
        // Without a texture of its own the mask stays bound: drawn twice, added.
        {"missing texture with mask shows the mask twice", -1, true, {120, 0, 0}},
        {"mask under the picture", static_cast<int32_t>(picture), true, {60, 0, 100}},
        {"picture alone", static_cast<int32_t>(picture), false, {0, 0, 100}},
    };
    for (const Case& c : cases) {
        CScene s = layer(0, 64, 64);
        s.objectValue = c.object;
        s.mask = c.mask;
        s.maskValue = static_cast<int32_t>(mask);
        s.center = true;
        glBindTexture(GL_TEXTURE_2D, 0);
        draw(s);
        const RGB got = pixel(320, 240);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(got[k], c.want[k], 1) << c.what << " channel " << k;
    }
}

TEST_F(ImageLayer, PerspectiveIsRebuiltAfterwards) {
    CScene s = layer(solidTexture(8, 8, {255, 255, 255}), 8, 8);
    s.rotate = true;
    s.angleValue = 30;
    s.axisValue[2] = 1;
    loadPerspective();
    GLfloat before[16], after[16];
    glGetFloatv(GL_PROJECTION_MATRIX, before);
    imagePass(s);
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    GLint mode = 0, depth = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(mode, GL_PROJECTION);
    EXPECT_EQ(depth, 1);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(after[i], before[i]) << i;
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
