#pragma once

// A store of fixed-function light parameters: values are stored per light
// (0-7) and slot (ambient, diffuse, specular, shininess, emission, position)
// and handed to OpenGL in one step per light.
class CLight {
  public:
    unsigned parameterCodes[6] = {};
    int parameterSet[8][6] = {};
    float parameterValues[8][6][4] = {};

    void init();
    void deinit();
    void setLight(int number, int slot, const float* values);
    void setLight(int number, int slot, float a, float b, float c, float d);
    void unsetLight(int number, int slot);
    void initLight(int number);
    void deinitLight(int number);
};

extern CLight light;
