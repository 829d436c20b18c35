#pragma once
#include "timeline/scene.h"

// Where a running record lands on the picture, from its current values: the
// rectangle of an image layer and the perspective a model is seen through.
// The renderer draws with these numbers and the checks of --check reason
// with them, so both agree on what lies where.

// The rectangle of an image layer, in window pixels (origin bottom-left) of
// a picture of screenWidth x screenHeight.
struct ImageRect {
    float x0, y0, x1, y1;
};
ImageRect imageRect(const CScene& s, int screenWidth, int screenHeight);

// The perspective frustum of the frame for a picture of W x H: its width
// follows the picture's aspect, exactly 1.33 for 4:3.
struct Frustum {
    double left, right, bottom, top, zNear, zFar;
};
Frustum viewFrustum(int W, int H);

// A 4 x 4 matrix of doubles, column-major as OpenGL keeps it.
struct Matrix4 {
    double m[16];
    static Matrix4 identity();
    Matrix4 operator*(const Matrix4& o) const;
    // The point (x, y, z, 1) times this matrix: x, y, z, w.
    void apply(const double in[3], double out[4]) const;
};
// The matrices of glTranslatef, glRotatef (degrees; an axis of length 0 is no
// turn) and glScalef, and glFrustum.
Matrix4 translation(double x, double y, double z);
Matrix4 rotation(double degrees, double x, double y, double z);
Matrix4 scaling(double x, double y, double z);
Matrix4 frustumMatrix(const Frustum& f);

// A model's matrix after objUpdate: translate, rotate, scale, as its
// switches say (the camera, which never moves, stands at the origin).
Matrix4 modelMatrix(const CScene& s);
