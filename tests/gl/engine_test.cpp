// The GL state the engine leaves after start-up. (Which events quit the live
// show is tested on a real window, in tests/e2e/window.sh.)
#include "support/gl_fixture.h"

#include <GL/gl.h>

using GLState = GLTest;

TEST_F(GLState, AfterStartUpLightingIsOffAndLight0IsPrepared) {
    auto light0 = [](GLenum what) {
        std::array<float, 4> v{};
        glGetLightfv(GL_LIGHT0, what, v.data());
        return v;
    };
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_EQ(light0(GL_AMBIENT), (std::array<float, 4>{0.5f, 0.5f, 0.5f, 1.0f}));
    EXPECT_EQ(light0(GL_DIFFUSE), (std::array<float, 4>{1, 1, 1, 1}));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D) && glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S) || glIsEnabled(GL_TEXTURE_GEN_T));
    for (GLenum coord : {GL_S, GL_T}) {
        GLint mode = 0;
        glGetTexGeniv(coord, GL_TEXTURE_GEN_MODE, &mode);
        EXPECT_EQ(mode, GL_SPHERE_MAP);
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}
