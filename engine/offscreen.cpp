#include "engine/offscreen.h"

#include "render/gl_functions.h"

#include <SDL.h>
#include <cstring>

#ifndef GL_PACK_INVERT_MESA
#define GL_PACK_INVERT_MESA 0x8758
#endif

// SDL's offscreen driver draws through EGL, which Windows lacks: there a
// hidden window of the system's own driver carries the context.
#ifdef _WIN32
static const char* const kContextDriver = "windows";
#else
static const char* const kContextDriver = "offscreen";
#endif

bool Offscreen::open(int w, int h, std::string& err) {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) {
        if (SDL_Init(0) != 0 || SDL_VideoInit(kContextDriver) != 0) {
            err = std::string("cannot start SDL's ") + kContextDriver + " video driver: " + SDL_GetError();
            return false;
        }
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    // The frame is drawn into the framebuffer object; the window only carries the context.
    window = SDL_CreateWindow("Tamarack", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) {
        err = std::string("cannot create an offscreen window: ") + SDL_GetError();
        return false;
    }
    context = SDL_GL_CreateContext(window);
    if (!context) {
        err = std::string("cannot create an OpenGL context: ") + SDL_GetError();
        close();
        return false;
    }
    if (!loadGlFunctions(err)) {
        close();
        return false;
    }
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    packInvert = extensions && std::strstr(extensions, "GL_MESA_pack_invert");
    if (resize(w, h, err)) return true;
    close();
    return false;
}

// The largest frame this OpenGL draws: its viewport and renderbuffer limits.
static bool drawable(int w, int h, std::string& err) {
    GLint viewport[2] = {0, 0}, renderbuffer = 0;
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &renderbuffer);
    const std::string size = std::to_string(w) + "x" + std::to_string(h);
    if (w > viewport[0] || h > viewport[1]) {
        err = size + " is larger than this OpenGL draws: its largest viewport (GL_MAX_VIEWPORT_DIMS) is " +
              std::to_string(viewport[0]) + "x" + std::to_string(viewport[1]);
        return false;
    }
    if (w > renderbuffer || h > renderbuffer) {
        err = size +
              " is larger than this OpenGL draws: its largest renderbuffer (GL_MAX_RENDERBUFFER_SIZE) is " +
              std::to_string(renderbuffer) + "x" + std::to_string(renderbuffer);
        return false;
    }
    return true;
}

bool Offscreen::resize(int w, int h, std::string& err) {
    tooLarge = !drawable(w, h, err);
    if (tooLarge) return false;
    if (fbo) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &fbo);
        glDeleteRenderbuffers(1, &colorBuffer);
        glDeleteRenderbuffers(1, &depthBuffer);
        fbo = colorBuffer = depthBuffer = 0;
    }
    width = w;
    height = h;
    glGenFramebuffers(1, &fbo);
    glGenRenderbuffers(1, &colorBuffer);
    glGenRenderbuffers(1, &depthBuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, colorBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, w, h);
    glBindRenderbuffer(GL_RENDERBUFFER, depthBuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24, w, h);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colorBuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthBuffer);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        err =
            "the offscreen framebuffer of " + std::to_string(w) + "x" + std::to_string(h) + " is incomplete";
        return false;
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    glViewport(0, 0, w, h);
    flipRow.resize(static_cast<size_t>(w) * 3);
    return true;
}

void Offscreen::close() {
    if (context) {
        if (fbo) {
            glBindFramebuffer(GL_FRAMEBUFFER, 0);
            glDeleteFramebuffers(1, &fbo);
            glDeleteRenderbuffers(1, &colorBuffer);
            glDeleteRenderbuffers(1, &depthBuffer);
        }
        SDL_GL_DeleteContext(context);
    }
    if (window) SDL_DestroyWindow(window);
    fbo = colorBuffer = depthBuffer = 0;
    context = nullptr;
    window = nullptr;
}

void Offscreen::readRGB(std::vector<uint8_t>& out) const {
    out.resize(static_cast<size_t>(width) * 3 * height);
    readRGB(out.data());
}

void Offscreen::readRGB(uint8_t* out) const {
    const size_t row = static_cast<size_t>(width) * 3;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // glReadPixels waits for the drawing itself. GL delivers the bottom row first; Mesa turns the rows over
    // as it reads when asked, else they are flipped here.
    if (packInvert) glPixelStorei(GL_PACK_INVERT_MESA, GL_TRUE);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, out);
    if (packInvert) {
        glPixelStorei(GL_PACK_INVERT_MESA, GL_FALSE);
        return;
    }
    for (int y = 0; y < height / 2; ++y) {
        uint8_t* a = out + y * row;
        uint8_t* b = out + (height - 1 - y) * row;
        std::memcpy(flipRow.data(), a, row);
        std::memcpy(a, b, row);
        std::memcpy(b, flipRow.data(), row);
    }
}
