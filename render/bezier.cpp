#include "render/bezier.h"

#include "timeline/scene.h"

#include <GL/gl.h>
#include <cmath>

// One coordinate of the curve. The two first coefficients are formed in
// double precision from single-precision differences; the rest is single.
static float bezierComponent(float p0, float p1, float p2, float p3, float t) {
    const float c = static_cast<float>(3.0 * static_cast<double>(p1 - p0));
    const float b = static_cast<float>(3.0 * static_cast<double>(p2 - p1) - static_cast<double>(c));
    const float a = p3 - p0 - c - b;
    return a * t * t * t + b * t * t + c * t + p0;
}

VECTOR PBez3D(VECTOR* control, float t) {
    VECTOR r;
    r.x = bezierComponent(control[0].x, control[1].x, control[2].x, control[3].x, t);
    r.y = bezierComponent(control[0].y, control[1].y, control[2].y, control[3].y, t);
    r.z = bezierComponent(control[0].z, control[1].z, control[2].z, control[3].z, t);
    return r;
}

void CompBez(VECTOR* control, int n, VECTOR* out) {
    if (n <= 0) return;
    // n 1 divides by zero: the step is infinite but only t 0 is ever used.
    const float step = static_cast<float>(1.0 / (n - 1));
    float t = 0.0f;
    for (int i = 0; i < n; ++i) {
        out[i] = PBez3D(control, t);
        t = t + step;
    }
}

namespace {
constexpr int kCurves = 500;
constexpr int kPoints = 25;
constexpr double kPi = 3.14159265358979323846;
} // namespace

void CBezier::Bezier() {
    timeUpdate();
    typeUpdate();
    const float A = angleValue;

    glPushMatrix();
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT);
    glDisable(GL_TEXTURE_2D);

    glTranslatef(translateStart[0], translateStart[1], translateStart[2]);
    glRotatef(-90.0f, 0.0f, 1.0f, 0.0f);

    // The far end and the colour ramp along a curve are the same for every curve.
    const float farX = static_cast<float>(10.0 * std::cos(0.05 * A) + 10.0 + 5.0);
    const double farDz = 10.0 * std::cos(0.02 * A);
    float shade[kPoints];
    for (int j = 0; j < kPoints; ++j)
        shade[j] = static_cast<float>(0.5 + 0.5 * std::sin(j * kPi / 25.0));
    const float turn = static_cast<float>(A * 0.01);

    VECTOR control[4];
    VECTOR points[kPoints];
    for (int i = 0; i < kCurves; ++i) {
        const float u = static_cast<float>(i) / 500.0f;
        const float w = static_cast<float>(2.0 * kPi * u);
        const float Y = static_cast<float>(10.0 * std::sin(w));
        const float Z = static_cast<float>(10.0 * std::cos(w));
        control[0] = {-10.0f, Y, Z};
        control[1] = {-5.0f, Y, Z};
        control[2] = {5.0f, Y, Z};
        control[3] = {farX, Y, static_cast<float>(Z + farDz)};
        CompBez(control, kPoints, points);

        const double red = 1.0 + std::sin(w);
        const double blue = 1.0 + std::cos(w);
        // 24 separate segments: each strip ends at point j and the next one
        // starts there again with point j's colour.
        glBegin(GL_LINE_STRIP);
        for (int j = 0; j < kPoints; ++j) {
            const double s = shade[j];
            glColor3f(static_cast<float>(0.5 * s * red), 0.0f, static_cast<float>(0.5 * s * blue));
            glVertex3f(points[j].x, points[j].y, points[j].z);
            glEnd();
            glBegin(GL_LINE_STRIP);
            glVertex3f(points[j].x, points[j].y, points[j].z);
        }
        glEnd();

        glRotatef(turn, axisStart[0], axisStart[1], axisStart[2]);
    }

    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glPopAttrib();
    glPopMatrix();
}
