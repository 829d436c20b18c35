#include "base/timer.h"
#include "render/bezier.h"
#include "render/scene_gl.h"
#include "support/gl_fixture.h"
#include "tests/gl/render_util.h"

#include <cmath>

// n points from t 0 to 1 in steps of 1/(n - 1); none for n <= 0.
TEST(Bezier, PointsOnTheCurve) {
    VECTOR c[4] = {{-10, 3, 1}, {-5, 7, -2}, {5, -1, 4}, {25, 2, 11}};
    const VECTOR unset{-99, -99, -99};
    VECTOR p[26];
    for (int n : {-3, 0, 1, 25}) {
        std::fill(p, p + 26, unset);
        CompBez(c, n, p);
        EXPECT_EQ(p[std::max(n, 0)].x, unset.x) << "written beyond " << n;
        EXPECT_EQ(p[0].x, n > 0 ? c[0].x : unset.x) << n; // the start, or nothing
    }
    const VECTOR half{1.875f, 2.875f, 2.25f}; // (c0 + 3 c1 + 3 c2 + c3) / 8
    for (const auto& [got, want] : {std::pair{p[12], half}, {p[24], c[3]}})
        for (float VECTOR::*k : {&VECTOR::x, &VECTOR::y, &VECTOR::z})
            EXPECT_NEAR(got.*k, want.*k, 1e-4);
}

using BezierFrame = GLTest;

// Angle 0: every far end at (25, Y, Z + 10); the points turned -90 degrees about y and projected give
// the lit box; red to blue, no green; the matrix, texturing and depth test as they were.
TEST_F(BezierFrame, CurvesWhereTheGeometryPutsThem) {
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
    std::array<GLfloat, 16> before, after;
    glGetFloatv(GL_PROJECTION_MATRIX, before.data());
    CScene trigger;
    trigger.kind = 1; // the effect draws from scene1
    drawScene(trigger);
    grab();
    glGetFloatv(GL_PROJECTION_MATRIX, after.data());
    EXPECT_EQ(before, after);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D) && glIsEnabled(GL_DEPTH_TEST));

    std::array<double, 4> want{640, 480, -1, -1};
    for (int i = 0; i < 500; ++i) {
        const double w = 2 * M_PI * (i / 500.0);
        const auto Y = static_cast<float>(10 * std::sin(w)), Z = static_cast<float>(10 * std::cos(w));
        VECTOR c[4] = {{-10, Y, Z}, {-5, Y, Z}, {5, Y, Z}, {25, Y, Z + 10}}, p[25];
        CompBez(c, 25, p);
        for (const VECTOR& v : p) {
            const double px = std::floor((1.5 * -v.z / 1.33 / (60 - v.x) + 1) * 320);
            const double py = std::floor(480 - (1.5 * v.y / (60 - v.x) + 1) * 240);
            want = {std::min(want[0], px), std::min(want[1], py), std::max(want[2], px),
                    std::max(want[3], py)};
        }
    }
    expectBox(litBox(rgb, 640, 480), want, 3, "the sheaf");
    int reddish = 0, bluish = 0, green = 0;
    for (size_t i = 0; i < rgb.size(); i += 3) {
        green += rgb[i + 1] != 0;
        reddish += rgb[i] > rgb[i + 2] + 40;
        bluish += rgb[i + 2] > rgb[i] + 40;
    }
    EXPECT_EQ(green, 0);
    EXPECT_GT(std::min(reddish, bluish), 100);
}
