#include "engine/startup.h"
#include "base/config.h"
#include "base/timer.h"
#include "engine/input.h"
#include "engine/scan.h"
#include "engine/sound.h"
#include "render/camera.h"
#include "render/light.h"
#include "script/script.h"

#include <GL/gl.h>
#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

Overrides overrides;
static SDL_GLContext glContext = nullptr;

void Overrides::apply() const {
    if (window) einit.windowed = 1;
    if (mute) einit.soundOn = 0;
}

bool openScript() {
    script.init(kScriptPath);
    if (!script.opened) {
        std::fprintf(stderr, "tamarack: cannot open %s: %s\n", kScriptPath, script.openError.c_str());
        return false;
    }
    overrides.apply();
    return true;
}

void closeDisplay() {
    if (glContext) {
        SDL_GL_MakeCurrent(einit.screen, nullptr);
        SDL_GL_DeleteContext(glContext);
        glContext = nullptr;
    }
    if (einit.screen) SDL_DestroyWindow(einit.screen);
    einit.screen = nullptr;
}

bool loadScript(const Overrides& o) {
    overrides = o;
    einit.defaults();
    return openScript();
}

// The show plays as the script says, however broken; one line before the
// window opens says why it may show nothing.
static void reportScriptErrors() {
    int errors = 0;
    for (const Diagnostic& d : script.diagnostics)
        errors += d.severity == Diagnostic::Error;
    if (errors > 0)
        std::fprintf(stderr,
                     "tamarack: %s has %d error%s; the show may draw nothing; run 'tamarack "
                     "--check' to see them\n",
                     kScriptPath, errors, errors == 1 ? "" : "s");
}

void startShow() {
    einit.defaults();
    if (!openScript()) std::exit(1);
    reportScriptErrors();
    openWindow();
    initGlState();
    camera.init();
    if (const std::string music = scanData().musicPath(); !music.empty()) sound.init(music.c_str());
    timer.init();
}

static bool invisibleDriver(const char* name) {
    return name && (std::strcmp(name, "offscreen") == 0 || std::strcmp(name, "dummy") == 0);
}

static bool announced(const char* var) {
    const char* v = std::getenv(var);
    return v && *v;
}

// The compiled-in video drivers that can reach a display from here, in SDL's
// order of preference, as a comma-separated list.
static std::string reachableDrivers() {
    std::string list;
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
        const char* name = SDL_GetVideoDriver(i);
        bool ok = false;
        if (std::strcmp(name, "x11") == 0)
            ok = announced("DISPLAY");
        else if (std::strcmp(name, "wayland") == 0)
            ok = announced("WAYLAND_DISPLAY");
        else if (std::strcmp(name, "kmsdrm") == 0)
            ok = !announced("DISPLAY") && !announced("WAYLAND_DISPLAY") &&
                 access("/dev/dri/card0", R_OK | W_OK) == 0;
        if (!ok) continue;
        if (!list.empty()) list += ",";
        list += name;
    }
    return list;
}

void openWindow() {
    const bool fullscreen = einit.windowed == 0;
    auto fail = [&](const char* reason) {
        std::fprintf(stderr, "tamarack: cannot open a %dx%d %s OpenGL display: %s\n", einit.videoWidth,
                     einit.videoHeight, fullscreen ? "full-screen" : "windowed", reason);
        SDL_Quit();
        std::exit(1);
    };
    // SDL falls back to drivers that show nothing when no display is reachable;
    // a show nobody can see would run for ever, so that counts as no display
    // unless the user asked for such a driver. Unless SDL_VIDEODRIVER names one,
    // only the drivers whose display is announced are tried.
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    const bool userChose = asked && *asked;
    if (!userChose) {
        std::string candidates = reachableDrivers();
        if (candidates.empty()) fail("no display is reachable (neither DISPLAY nor WAYLAND_DISPLAY is set)");
        SDL_SetHint(SDL_HINT_VIDEODRIVER, candidates.c_str());
    }
    if (SDL_Init(SDL_INIT_VIDEO) != 0) fail(SDL_GetError());
    if (invisibleDriver(SDL_GetCurrentVideoDriver()) && !userChose) fail("no display is reachable");
    if (einit.windowed == 1) {
        einit.videoFlags &= ~kFullscreenFlag;
    } else {
        SDL_ShowCursor(SDL_DISABLE);
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    Uint32 flags = SDL_WINDOW_OPENGL | (fullscreen ? SDL_WINDOW_FULLSCREEN : 0);
    einit.screen = SDL_CreateWindow("Tamarack", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                    einit.videoWidth, einit.videoHeight, flags);
    if (!einit.screen) fail(SDL_GetError());
    glContext = SDL_GL_CreateContext(einit.screen);
    if (!glContext) fail(SDL_GetError());
    SDL_SetWindowTitle(einit.screen, "Tamarack");
    input.watchQuit();
    if (fullscreen) SDL_ShowCursor(SDL_DISABLE);
}

void initGlState() {
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    light.init();
    light.setLight(0, 0, 0.5f, 0.5f, 0.5f, 1.0f);
    light.setLight(0, 1, 1.0f, 1.0f, 1.0f, 1.0f);
    light.initLight(0);
    light.deinit();
}
