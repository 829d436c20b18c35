// The matrices --check reasons with are the ones OpenGL builds for the frame.
#include "support/gl_fixture.h"
#include "timeline/scene_geometry.h"

#include <GL/gl.h>
#include <cmath>
#include <gtest/gtest.h>

namespace {

class SceneGeometry : public GLTest {};

// GL's projection matrix after `build` ran on an identity.
Matrix4 glMatrix(void (*build)()) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    build();
    Matrix4 m{};
    glGetDoublev(GL_PROJECTION_MATRIX, m.m);
    return m;
}

void expectNear(const Matrix4& got, const Matrix4& want, const char* what) {
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(got.m[i], want.m[i], 1e-5 * (1 + std::abs(want.m[i]))) << what << " element " << i;
}

} // namespace

TEST_F(SceneGeometry, MatricesAreTheOnesOpenGLBuilds) {
    expectNear(rotation(37, 1, 2, 3), glMatrix([] { glRotatef(37, 1, 2, 3); }), "rotation");
    expectNear(rotation(-250, 0, 0, 1), glMatrix([] { glRotatef(-250, 0, 0, 1); }), "rotation about z");
    expectNear(translation(1, -2, 3) * rotation(90, 0, 1, 0) * scaling(2, 3, 4), glMatrix([] {
                   glTranslatef(1, -2, 3);
                   glRotatef(90, 0, 1, 0);
                   glScalef(2, 3, 4);
               }),
               "translate, rotate, scale");
    const Frustum f = viewFrustum(1920, 1080);
    EXPECT_DOUBLE_EQ(viewFrustum(640, 480).right, 1.33); // 4:3 as ever
    expectNear(frustumMatrix(f), glMatrix([] {
                   const Frustum g = viewFrustum(1920, 1080);
                   glFrustum(g.left, g.right, g.bottom, g.top, g.zNear, g.zFar);
               }),
               "frustum");
}
