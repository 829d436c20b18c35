#include "engine/input.h"
#include "render/light.h"
#include "support/gl_fixture.h"

#include <GL/gl.h>

using Rgba = std::array<float, 4>;

TEST(QuitTest, OnlyEscapeKeyDownAndWindowCloseQuit) {
    auto quits = [](Uint32 type, SDL_Keycode key = 0) {
        SDL_Event e{};
        e.type = type;
        e.key.keysym.sym = key;
        return CInput::isQuit(e);
    };
    EXPECT_TRUE(quits(SDL_KEYDOWN, SDLK_ESCAPE));
    EXPECT_TRUE(quits(SDL_QUIT));
    EXPECT_FALSE(quits(SDL_KEYUP, SDLK_ESCAPE));
    EXPECT_FALSE(quits(SDL_KEYDOWN, SDLK_SPACE));
    EXPECT_FALSE(quits(SDL_KEYDOWN, SDLK_q));
    for (Uint32 type : {SDL_MOUSEMOTION, SDL_WINDOWEVENT, SDL_MOUSEBUTTONDOWN})
        EXPECT_FALSE(quits(type)) << "event " << type;
}

using GLState = GLTest;

static Rgba lightParam(GLenum light, GLenum what) {
    Rgba v{};
    glGetLightfv(light, what, v.data());
    return v;
}

TEST_F(GLState, AfterStartUpLightingIsOffAndLight0IsPrepared) {
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_EQ(lightParam(GL_LIGHT0, GL_AMBIENT), (Rgba{0.5f, 0.5f, 0.5f, 1.0f}));
    EXPECT_EQ(lightParam(GL_LIGHT0, GL_DIFFUSE), (Rgba{1, 1, 1, 1}));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D) && glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S) || glIsEnabled(GL_TEXTURE_GEN_T));
    for (GLenum coord : {GL_S, GL_T}) {
        GLint mode = 0;
        glGetTexGeniv(coord, GL_TEXTURE_GEN_MODE, &mode);
        EXPECT_EQ(mode, GL_SPHERE_MAP);
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(GLState, LightStoreHandsOverOnlyTheSlotsThatAreSet) {
    CLight l;
    l.init();
    l.initLight(3); // nothing stored: only enabled, the ambient stays GL's default
    EXPECT_TRUE(glIsEnabled(GL_LIGHT3));
    EXPECT_EQ(lightParam(GL_LIGHT3, GL_AMBIENT), (Rgba{0, 0, 0, 1}));

    l.setLight(2, 0, 0.25f, 0.5f, 0.75f, 1.0f);
    l.setLight(2, 1, 0.1f, 0.2f, 0.3f, 0.4f);
    l.unsetLight(2, 1); // the value stays stored but is not passed
    l.initLight(2);
    EXPECT_EQ(lightParam(GL_LIGHT2, GL_AMBIENT), (Rgba{0.25f, 0.5f, 0.75f, 1.0f}));
    EXPECT_EQ(lightParam(GL_LIGHT2, GL_DIFFUSE), (Rgba{0, 0, 0, 1}));
    l.setLight(2, 1, l.parameterValues[2][1]); // marked again from the stored values
    l.initLight(2);
    EXPECT_EQ(lightParam(GL_LIGHT2, GL_DIFFUSE), (Rgba{0.1f, 0.2f, 0.3f, 0.4f}));

    l.setLight(4, 3, 1, 2, 3, 4); // shininess is no light parameter: stored, never handed over
    l.initLight(4);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

    l.deinit(); // then initLight: the light is on, lighting as a whole stays off
    l.initLight(5);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT5));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    l.deinitLight(5);
    EXPECT_FALSE(glIsEnabled(GL_LIGHT5));
}
