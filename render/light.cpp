#include "render/light.h"

#include <GL/gl.h>

CLight light;

void CLight::init() {
    const unsigned codes[6] = {GL_AMBIENT, GL_DIFFUSE, GL_SPECULAR, GL_SHININESS, GL_EMISSION, GL_POSITION};
    for (int i = 0; i < 6; ++i)
        parameterCodes[i] = codes[i];
    glEnable(GL_LIGHTING);
}

void CLight::deinit() {
    glDisable(GL_LIGHTING);
}

void CLight::setLight(int number, int slot, const float* values) {
    setLight(number, slot, values[0], values[1], values[2], values[3]);
}

void CLight::setLight(int number, int slot, float a, float b, float c, float d) {
    float* v = parameterValues[number][slot];
    v[0] = a;
    v[1] = b;
    v[2] = c;
    v[3] = d;
    parameterSet[number][slot] = 1;
}

void CLight::unsetLight(int number, int slot) {
    parameterSet[number][slot] = 0;
}

void CLight::initLight(int number) {
    for (int slot = 0; slot < 6; ++slot) {
        // Shininess and emission are material parameters that glLight rejects;
        // a value stored there stays in the store and is not handed over.
        if (!parameterSet[number][slot] || slot == 3 || slot == 4) continue;
        glLightfv(GL_LIGHT0 + number, parameterCodes[slot], parameterValues[number][slot]);
    }
    glEnable(GL_LIGHT0 + number);
}

void CLight::deinitLight(int number) {
    glDisable(GL_LIGHT0 + number);
}
