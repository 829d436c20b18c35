#include "render/gl_functions.h"

#include <SDL.h>

#define TAMARACK_GL_DEFINE(type, name) type name = nullptr;
TAMARACK_GL_FUNCTIONS(TAMARACK_GL_DEFINE)
#undef TAMARACK_GL_DEFINE

bool loadGlFunctions(std::string& error) {
    std::string missing;
#define TAMARACK_GL_LOAD(type, name)                                                                         \
    name = reinterpret_cast<type>(SDL_GL_GetProcAddress(#name));                                             \
    if (!name) missing += std::string(missing.empty() ? "" : ", ") + #name;
    TAMARACK_GL_FUNCTIONS(TAMARACK_GL_LOAD)
#undef TAMARACK_GL_LOAD
    if (missing.empty()) return true;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    error = std::string("this machine's OpenGL (") + (version ? version : "version unknown") + ") lacks " +
            missing +
            ", which the engine needs (OpenGL 3.0 has them): install the graphics "
            "card's own driver";
    return false;
}
