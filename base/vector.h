#pragma once

// Three single-precision floats, copied by value and stored contiguously
// (model vertices, Bezier control points, camera position and angles).
struct VECTOR {
    float x, y, z;
};
