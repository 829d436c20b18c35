#pragma once
// OpenGL as the engine draws with it: version 1.1 and GLU, plus the buffer
// and framebuffer-object functions of later versions. Where the system's GL
// library exports only 1.1 (Windows' opengl32), those later functions are
// pointers of the same names that loadGlFunctions fills from the current
// context; elsewhere they are linked as any other.
#include <GL/gl.h>
#include <GL/glext.h>
#include <string>

#define TAMARACK_GL_FUNCTIONS(X)                                                                             \
    X(PFNGLGENBUFFERSPROC, glGenBuffers)                                                                     \
    X(PFNGLBINDBUFFERPROC, glBindBuffer)                                                                     \
    X(PFNGLBUFFERDATAPROC, glBufferData)                                                                     \
    X(PFNGLDELETEBUFFERSPROC, glDeleteBuffers)                                                               \
    X(PFNGLGENFRAMEBUFFERSPROC, glGenFramebuffers)                                                           \
    X(PFNGLBINDFRAMEBUFFERPROC, glBindFramebuffer)                                                           \
    X(PFNGLDELETEFRAMEBUFFERSPROC, glDeleteFramebuffers)                                                     \
    X(PFNGLFRAMEBUFFERRENDERBUFFERPROC, glFramebufferRenderbuffer)                                           \
    X(PFNGLCHECKFRAMEBUFFERSTATUSPROC, glCheckFramebufferStatus)                                             \
    X(PFNGLGENRENDERBUFFERSPROC, glGenRenderbuffers)                                                         \
    X(PFNGLBINDRENDERBUFFERPROC, glBindRenderbuffer)                                                         \
    X(PFNGLRENDERBUFFERSTORAGEPROC, glRenderbufferStorage)                                                   \
    X(PFNGLDELETERENDERBUFFERSPROC, glDeleteRenderbuffers)

#ifdef _WIN32
#define TAMARACK_GL_DECLARE(type, name) extern type name;
TAMARACK_GL_FUNCTIONS(TAMARACK_GL_DECLARE)
#undef TAMARACK_GL_DECLARE
#endif

// Makes the functions above callable in the context made current last. False
// when its OpenGL lacks some, with `error` naming them and what to do.
bool loadGlFunctions(std::string& error);
