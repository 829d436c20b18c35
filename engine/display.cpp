#include "engine/display.h"

#include "base/config.h"
#include "base/picture_fit.h"
#include "engine/input.h"
#include "engine/startup.h"
#include "render/gl_functions.h"
#include "render/light.h"

#include <SDL.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

static SDL_GLContext glContext = nullptr;

void closeDisplay() {
    if (glContext) {
        SDL_GL_MakeCurrent(einit.screen, nullptr);
        SDL_GL_DeleteContext(glContext);
        glContext = nullptr;
    }
    if (einit.screen) SDL_DestroyWindow(einit.screen);
    einit.screen = nullptr;
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
        if (std::strcmp(name, "windows") == 0)
            ok = true; // the desktop is always there
        else if (std::strcmp(name, "x11") == 0)
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

static PixelRect rectOf(const SDL_Rect& r) {
    return PixelRect{r.x, r.y, r.w, r.h};
}

// A window of the script's size, smaller with the same aspect where the
// display's usable area (without panels and docks) is smaller, wholly in it.
static PixelRect windowPlace(int display, int w, int h) {
    SDL_Rect usable;
    if (SDL_GetDisplayUsableBounds(display, &usable) != 0 && SDL_GetDisplayBounds(display, &usable) != 0)
        return PixelRect{static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(display)),
                         static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(display)), w, h};
    return fitWindow(w, h, rectOf(usable));
}

// Where the window manager adds a frame, the frame too must lie in the
// usable area: the window is made smaller and moved once its frame is known.
static void keepFrameOnScreen(SDL_Window* window, int display, int w, int h) {
    int top = 0, left = 0, bottom = 0, right = 0;
    SDL_Rect usable;
    if (SDL_GetWindowBordersSize(window, &top, &left, &bottom, &right) != 0 ||
        top + left + bottom + right == 0 || SDL_GetDisplayUsableBounds(display, &usable) != 0)
        return;
    const PixelRect inside{usable.x + left, usable.y + top, usable.w - left - right, usable.h - top - bottom};
    if (inside.width <= 0 || inside.height <= 0) return;
    const PixelRect r = fitWindow(w, h, inside);
    SDL_SetWindowSize(window, r.width, r.height);
    SDL_SetWindowPosition(window, r.x, r.y);
}

// The window's position and size in full screen: the whole display in its
// own mode or, switching modes, the mode nearest to the script's size, at
// the display's corner. The window is made where it will lie, so that it
// covers the display also where no window manager moves it there.
static PixelRect fullScreenPlace(int display, bool modeSwitch, int w, int h) {
    SDL_Rect bounds{0, 0, w, h};
    SDL_GetDisplayBounds(display, &bounds);
    if (!modeSwitch) return rectOf(bounds);
    SDL_DisplayMode want{}, got{};
    want.w = w;
    want.h = h;
    if (SDL_GetClosestDisplayMode(display, &want, &got)) {
        w = got.w;
        h = got.h;
    }
    return PixelRect{bounds.x, bounds.y, w, h};
}

// Adaptive vsync where the driver has it (a late frame is shown at once
// instead of waiting for the next refresh), else vsync; none when asked.
static void chooseSwapInterval(bool vsync) {
    if (!vsync) {
        SDL_GL_SetSwapInterval(0);
        return;
    }
    if (SDL_GL_SetSwapInterval(-1) != 0) SDL_GL_SetSwapInterval(1);
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

    const int display = overrides.display, displays = SDL_GetNumVideoDisplays();
    if (display < 0 || display >= displays) {
        std::fprintf(stderr, "tamarack: --display %d: there %s %d display%s here (%s%d)\n", display,
                     displays == 1 ? "is" : "are", displays, displays == 1 ? "" : "s",
                     displays == 1 ? "" : "0 to ", displays - 1);
        SDL_Quit();
        std::exit(2);
    }
    if (einit.windowed == 1) {
        einit.videoFlags &= ~kFullscreenFlag;
    } else {
        SDL_ShowCursor(SDL_DISABLE);
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_ALLOW_HIGHDPI;
    PixelRect place;
    if (fullscreen) {
        place = fullScreenPlace(display, overrides.modeSwitch, einit.videoWidth, einit.videoHeight);
        flags |= overrides.modeSwitch ? SDL_WINDOW_FULLSCREEN : SDL_WINDOW_FULLSCREEN_DESKTOP;
    } else {
        place = windowPlace(display, einit.videoWidth, einit.videoHeight);
        flags |= SDL_WINDOW_RESIZABLE;
    }
    einit.screen = SDL_CreateWindow("Tamarack", place.x, place.y, place.width, place.height, flags);
    if (!einit.screen) fail(SDL_GetError());
    glContext = SDL_GL_CreateContext(einit.screen);
    if (!glContext) fail(SDL_GetError());
    if (std::string why; !loadGlFunctions(why)) fail(why.c_str());
    if (!fullscreen) keepFrameOnScreen(einit.screen, display, place.width, place.height);
    chooseSwapInterval(overrides.vsync);
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

void toggleFullScreen() {
    static SDL_Rect before{}; // the window as it was
    SDL_Window* w = einit.screen;
    if (!w) return;
    if (SDL_GetWindowFlags(w) & SDL_WINDOW_FULLSCREEN) {
        SDL_SetWindowFullscreen(w, 0);
        SDL_SetWindowBordered(w, SDL_TRUE);
        SDL_SetWindowSize(w, before.w, before.h);
        SDL_SetWindowPosition(w, before.x, before.y);
        return;
    }
    SDL_GetWindowPosition(w, &before.x, &before.y);
    SDL_GetWindowSize(w, &before.w, &before.h);
    SDL_Rect bounds;
    if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(w), &bounds) != 0) return;
    // Moved over the display first, where no window manager would move it.
    SDL_SetWindowBordered(w, SDL_FALSE);
    SDL_SetWindowPosition(w, bounds.x, bounds.y);
    SDL_SetWindowSize(w, bounds.w, bounds.h);
    SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN_DESKTOP);
}
