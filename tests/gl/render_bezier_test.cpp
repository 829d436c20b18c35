#include "base/timer.h"
#include "render/bezier.h"
#include "render/scene_gl.h"
#include "support/gl_fixture.h"
#include "tests/gl/render_util.h"

#include <cmath>

TEST(Bezier, PointsOnTheCurve) {
    VECTOR c[4] = {{-10, 3, 1}, {-5, 7, -2}, {5, -1, 4}, {25, 2, 11}};
    const struct {
        float t;
        VECTOR want;
    } cases[] = {{0.0f, c[0]}, {0.5f, {1.875f, 2.875f, 2.25f}}, {1.0f, c[3]}};
    for (const auto& k : cases) {
        const VECTOR p = PBez3D(c, k.t);
        EXPECT_NEAR(p.x, k.want.x, 1e-5) << k.t;
        EXPECT_NEAR(p.y, k.want.y, 1e-5) << k.t;
        EXPECT_NEAR(p.z, k.want.z, 1e-5) << k.t;
    }
}

TEST(Bezier, CompBezSpacing) {
    VECTOR c[4] = {{0, 0, 0}, {1, 2, 0}, {2, 2, 0}, {3, 0, 0}};
    const VECTOR unset{-99, -99, -99};
    VECTOR pts[26];
    for (int n : {-3, 0, 1, 25}) {
        std::fill(pts, pts + 26, unset);
        CompBez(c, n, pts);
        EXPECT_EQ(pts[std::max(n, 0)].x, unset.x) << "written beyond " << n;
        EXPECT_EQ(pts[0].x, n > 0 ? 0.0f : unset.x) << n; // the start, or nothing
    }
    // 25 points from t 0 to 1 in steps of 1/24: the end, and the middle of
    // the symmetric curve at the 13th.
    EXPECT_NEAR(pts[24].x, 3.0f, 1e-5);
    EXPECT_NEAR(pts[24].y, 0.0f, 1e-5);
    EXPECT_NEAR(pts[12].x, 1.5f, 1e-5);
    EXPECT_NEAR(pts[12].y, 1.5f, 1e-5);
}

using BezierFrame = GLTest;

TEST_F(BezierFrame, CurvesWhereTheGeometryPutsThem) {
    // Angle 0: no turning between curves, every far end at (25, Y, Z + 10).
    timer.elapsed = 0;
    scene1 = CBezier();
    scene1.kind = 1;
    scene1.endTime = 1000;
    scene1.translateStart[2] = -60;
    scene1.axisStart[2] = 1;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_LINE_SMOOTH);
    glLineWidth(3.0f);
    loadPerspective();
    GLfloat before[16], after[16];
    glGetFloatv(GL_PROJECTION_MATRIX, before);
    CScene trigger;
    trigger.kind = 1; // the effect draws from scene1
    drawScene(trigger);
    grab();

    // Where the curves' points land: turned by -90 degrees about y, moved by
    // the translation, projected by the frustum.
    Box want{640, 480, -1, -1};
    for (int i = 0; i < 500; ++i) {
        const double w = 2 * M_PI * (i / 500.0);
        const auto Y = static_cast<float>(10 * std::sin(w)), Z = static_cast<float>(10 * std::cos(w));
        VECTOR c[4] = {{-10, Y, Z}, {-5, Y, Z}, {5, Y, Z}, {25, Y, Z + 10}};
        VECTOR p[25];
        CompBez(c, 25, p);
        for (const VECTOR& v : p) {
            const double x = -v.z, y = v.y, z = v.x - 60;
            const int px = static_cast<int>(std::floor((1.5 * x / 1.33 / -z + 1) * 320));
            const int py = static_cast<int>(std::floor(480 - (1.5 * y / -z + 1) * 240));
            want = {std::min(want.x0, px), std::min(want.y0, py), std::max(want.x1, px),
                    std::max(want.y1, py)};
        }
    }
    expectBox(litBox(rgb, 640, 480), {1.0 * want.x0, 1.0 * want.y0, 1.0 * want.x1, 1.0 * want.y1}, 3,
              "the sheaf");

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

    // The matrix as it was, texturing and depth test on.
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    EXPECT_TRUE(std::equal(before, before + 16, after));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}
