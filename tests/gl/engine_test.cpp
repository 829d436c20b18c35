#include "engine/config.h"
#include "engine/input.h"
#include "render/light.h"
#include "support/gl_fixture.h"

#include <GL/gl.h>

TEST(QuitTest, OnlyEscapeKeyDownAndWindowCloseQuit) {
    struct Case {
        Uint32 type;
        SDL_Keycode key;
        bool quits;
    } cases[] = {
        {SDL_KEYDOWN, SDLK_ESCAPE, true},
        {SDL_KEYUP, SDLK_ESCAPE, false},
        {SDL_KEYDOWN, SDLK_SPACE, false},
        {SDL_KEYDOWN, SDLK_q, false},
        {SDL_QUIT, 0, true},
        {SDL_MOUSEMOTION, 0, false},
        {SDL_WINDOWEVENT, 0, false},
        {SDL_MOUSEBUTTONDOWN, 0, false},
    };
    for (const Case& c : cases) {
        SDL_Event e{};
        e.type = c.type;
        if (c.type == SDL_KEYDOWN || c.type == SDL_KEYUP) e.key.keysym.sym = c.key;
        EXPECT_EQ(CInput::isQuit(e), c.quits) << "event " << c.type << " key " << c.key;
    }
}

TEST(Config, DefaultsAreFullScreen640x480WithMusic) {
    CInit c;
    c.defaults();
    EXPECT_EQ(c.videoFlags, 0x80000007u);
    EXPECT_EQ(c.windowed, 0);
    EXPECT_EQ(c.soundOn, 1);
    EXPECT_EQ(c.anaglyphic, 0);
    EXPECT_EQ(c.gui, 1);
    EXPECT_EQ(c.screenWidth, 640);
    EXPECT_EQ(c.screenHeight, 480);
    EXPECT_EQ(c.videoWidth, 640);
    EXPECT_EQ(c.videoHeight, 480);
}

using GLState = GLTest;

static std::array<float, 4> lightParam(GLenum light, GLenum what) {
    std::array<float, 4> v{};
    glGetLightfv(light, what, v.data());
    return v;
}

TEST_F(GLState, AfterStartUpLightingIsOffAndLight0IsPrepared) {
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_EQ(lightParam(GL_LIGHT0, GL_AMBIENT), (std::array<float, 4>{0.5f, 0.5f, 0.5f, 1.0f}));
    EXPECT_EQ(lightParam(GL_LIGHT0, GL_DIFFUSE), (std::array<float, 4>{1, 1, 1, 1}));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
    GLint mode = 0;
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &mode);
    EXPECT_EQ(mode, GL_SPHERE_MAP);
    glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &mode);
    EXPECT_EQ(mode, GL_SPHERE_MAP);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GLState, LightStoreHandsOverOnlyTheSlotsThatAreSet) {
    CLight l;
    l.init();
    // A light with nothing stored is only enabled: its ambient stays GL's default.
    l.initLight(3);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT3));
    EXPECT_EQ(lightParam(GL_LIGHT3, GL_AMBIENT), (std::array<float, 4>{0, 0, 0, 1}));

    l.setLight(2, 0, 0.25f, 0.5f, 0.75f, 1.0f);
    l.setLight(2, 1, 0.1f, 0.2f, 0.3f, 0.4f);
    l.unsetLight(2, 1); // the value stays stored but is not passed
    l.initLight(2);
    EXPECT_EQ(lightParam(GL_LIGHT2, GL_AMBIENT), (std::array<float, 4>{0.25f, 0.5f, 0.75f, 1.0f}));
    EXPECT_EQ(lightParam(GL_LIGHT2, GL_DIFFUSE), (std::array<float, 4>{0, 0, 0, 1}));
    EXPECT_FLOAT_EQ(l.parameterValues[2][1][3], 0.4f);
    l.setLight(2, 1, l.parameterValues[2][1]); // marked again from the stored values
    l.initLight(2);
    EXPECT_EQ(lightParam(GL_LIGHT2, GL_DIFFUSE), (std::array<float, 4>{0.1f, 0.2f, 0.3f, 0.4f}));

    // Shininess and emission are not light parameters: stored, never handed over.
    l.setLight(4, 3, 1, 2, 3, 4);
    l.initLight(4);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // deinit then initLight: the light is on, lighting as a whole stays off.
    l.deinit();
    l.initLight(5);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT5));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    l.deinitLight(5);
    EXPECT_FALSE(glIsEnabled(GL_LIGHT5));
}
