#include "engine/timer.h"
#include "render/bezier.h"
#include "render/scene_gl.h"
#include "support/gl_fixture.h"
#include "tests/gl/render_util.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>

TEST(Bezier, PointsOnTheCurve) {
    VECTOR c[4] = {{-10, 3, 1}, {-5, 7, -2}, {5, -1, 4}, {25, 2, 11}};
    struct Case {
        float t;
        VECTOR want;
    } cases[] = {
        {0.0f, c[0]},
        {1.0f, c[3]},
        {0.5f,
         {(c[0].x + 3 * c[1].x + 3 * c[2].x + c[3].x) / 8, (c[0].y + 3 * c[1].y + 3 * c[2].y + c[3].y) / 8,
          (c[0].z + 3 * c[1].z + 3 * c[2].z + c[3].z) / 8}},
    };
    for (const Case& k : cases) {
        const VECTOR p = PBez3D(c, k.t);
        EXPECT_NEAR(p.x, k.want.x, 1e-5) << k.t;
        EXPECT_NEAR(p.y, k.want.y, 1e-5) << k.t;
        EXPECT_NEAR(p.z, k.want.z, 1e-5) << k.t;
    }
}

TEST(Bezier, CompBezSpacing) {
    VECTOR c[4] = {{0, 0, 0}, {1, 2, 0}, {2, 2, 0}, {3, 0, 0}};
    const VECTOR sentinel{-99, -99, -99};

    VECTOR one[2] = {sentinel, sentinel};
    CompBez(c, 1, one);
    EXPECT_EQ(one[0].x, 0.0f);
    EXPECT_EQ(one[0].y, 0.0f);
    EXPECT_EQ(one[1].x, sentinel.x); // nothing beyond n

    VECTOR none[1] = {sentinel};
    CompBez(c, 0, none);
    CompBez(c, -3, none);
    EXPECT_EQ(none[0].x, sentinel.x);

    VECTOR pts[26];
    pts[25] = sentinel;
    CompBez(c, 25, pts);
    float t = 0.0f;
    const float step = static_cast<float>(1.0 / 24);
    for (int i = 0; i < 25; ++i) {
        const VECTOR want = PBez3D(c, t);
        EXPECT_EQ(pts[i].x, want.x) << i;
        EXPECT_EQ(pts[i].y, want.y) << i;
        t += step;
    }
    EXPECT_NEAR(pts[24].x, 3.0f, 1e-5);
    EXPECT_NEAR(pts[24].y, 0.0f, 1e-5);
    EXPECT_NEAR(pts[12].x, 1.5f, 1e-5); // the middle of a symmetric curve
    EXPECT_EQ(pts[25].x, sentinel.x);
}

using BezierFrame = GLTest;

TEST_F(BezierFrame, CurvesWhereTheGeometryPutsThem) {
    // Angle 0: no turning between curves, every far end at (25, Y, Z + 10).
    timer.elapsed = 0;
    scene1 = CBezier();
    scene1.kind = 1;
    scene1.startTime = 0;
    scene1.endTime = 1000;
    scene1.translateStart[2] = -60;
    scene1.axisStart[2] = 1;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_LINE_SMOOTH);
    glLineWidth(3.0f);
    loadPerspective();
    GLfloat before[16], after[16];
    glGetFloatv(GL_PROJECTION_MATRIX, before);
    glColor4f(0.1f, 0.2f, 0.3f, 1.0f);
    CScene trigger;
    trigger.kind = 1;
    trigger.type = 0; // ignored: the effect draws from scene1
    drawScene(trigger);
    grab();

    // Where the curves' points land: turned by -90 degrees about y, moved by
    // the translation, projected by the frustum.
    Box want{640, 480, -1, -1};
    for (int i = 0; i < 500; ++i) {
        const double w = 2 * M_PI * (i / 500.0);
        const float Y = static_cast<float>(10 * std::sin(w)), Z = static_cast<float>(10 * std::cos(w));
        VECTOR c[4] = {{-10, Y, Z}, {-5, Y, Z}, {5, Y, Z}, {25, Y, Z + 10}};
        VECTOR p[25];
        CompBez(c, 25, p);
        for (const VECTOR& v : p) {
            const double x = -v.z, y = v.y, z = v.x - 60;
            const double px = (1.5 * x / 1.33 / -z + 1) * 320, py = 480 - (1.5 * y / -z + 1) * 240;
            want.x0 = std::min(want.x0, static_cast<int>(std::floor(px)));
            want.x1 = std::max(want.x1, static_cast<int>(std::floor(px)));
            want.y0 = std::min(want.y0, static_cast<int>(std::floor(py)));
            want.y1 = std::max(want.y1, static_cast<int>(std::floor(py)));
        }
    }
    const Box got = litBox(rgb, 640, 480);
    EXPECT_NEAR(got.x0, want.x0, 3);
    EXPECT_NEAR(got.x1, want.x1, 3);
    EXPECT_NEAR(got.y0, want.y0, 3);
    EXPECT_NEAR(got.y1, want.y1, 3);

    // Red-to-blue: no green anywhere, both reddish and bluish pixels.
    int reddish = 0, bluish = 0, green = 0;
    for (size_t i = 0; i < rgb.size(); i += 3) {
        green += rgb[i + 1] != 0;
        reddish += rgb[i] > rgb[i + 2] + 40;
        bluish += rgb[i + 2] > rgb[i] + 40;
    }
    EXPECT_EQ(green, 0);
    EXPECT_GT(reddish, 100);
    EXPECT_GT(bluish, 100);

    // Matrix, colour and switches as they were, texturing and depth test on.
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    for (int i = 0; i < 16; ++i)
        EXPECT_FLOAT_EQ(after[i], before[i]) << i;
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[0], 0.1f);
    EXPECT_FLOAT_EQ(colour[2], 0.3f);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
