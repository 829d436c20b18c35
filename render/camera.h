#pragma once
#include "base/vector.h"

// The viewer's position and rotation, applied as the inverse viewing transform.
class CCamera {
  public:
    VECTOR position{0, 0, 0};
    VECTOR rotation{0, 0, 0}; // x: about Y, y: about X, z: about Z (degrees)

    void init();
    void add(VECTOR* target, const VECTOR* delta);
    void translate(float x, float y, float z, bool relative);
    void translate(VECTOR v, bool relative);
    void rotate(float x, float y, float z, bool relative);
    void rotate(VECTOR v, bool relative);
    void render();
};

extern CCamera camera;
