#include "script/script.h"

#include <utility>

// The symbolic OpenGL names a script may write instead of numbers. Comparison
// functions and blend factors carry their OpenGL values; the light names and
// light parameter names carry the light store's small indices (a light number
// 0 to 7, a parameter slot 0 to 5), not OpenGL enumerants.
static const std::pair<const char*, int32_t> kConstants[] = {
    {"GL_TRUE", 1},
    {"GL_FALSE", 0},
    {"GL_NEVER", 0x0200},
    {"GL_LESS", 0x0201},
    {"GL_EQUAL", 0x0202},
    {"GL_LEQUAL", 0x0203},
    {"GL_GREATER", 0x0204},
    {"GL_NOTEQUAL", 0x0205},
    {"GL_GEQUAL", 0x0206},
    {"GL_ALWAYS", 0x0207},
    {"GL_LIGHT0", 0},
    {"GL_LIGHT1", 1},
    {"GL_LIGHT2", 2},
    {"GL_LIGHT3", 3},
    {"GL_LIGHT4", 4},
    {"GL_LIGHT5", 5},
    {"GL_LIGHT6", 6},
    {"GL_LIGHT7", 7},
    {"GL_AMBIENT", 0},
    {"GL_DIFFUSE", 1},
    {"GL_SPECULAR", 2},
    {"GL_SHININESS", 3},
    {"GL_EMISSION", 4},
    {"GL_POSITION", 5},
    {"GL_ONE", 1},
    {"GL_ZERO", 0},
    {"GL_SRC_COLOR", 0x0300},
    {"GL_ONE_MINUS_SRC_COLOR", 0x0301},
    {"GL_SRC_ALPHA", 0x0302},
    {"GL_ONE_MINUS_SRC_ALPHA", 0x0303},
    {"GL_DST_ALPHA", 0x0304},
    {"GL_ONE_MINUS_DST_ALPHA", 0x0305},
    {"GL_DST_COLOR", 0x0306},
    {"GL_ONE_MINUS_DST_COLOR", 0x0307},
    {"GL_SRC_ALPHA_SATURATE", 0x0308},
};

void CScript::defineInit() {
    defines = {};
    constants = {};
    for (const auto& [name, value] : kConstants)
        constants[name] = value;
}
