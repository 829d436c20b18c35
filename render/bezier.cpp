#include "render/bezier.h"

#include "render/draw_path.h"
#include "render/gl_functions.h"
#include "timeline/scene.h"

#include <SDL.h>
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

// The control points of curve i.
static void curveControl(int i, float farX, double farDz, VECTOR control[4], float& w) {
    const float u = static_cast<float>(i) / 500.0f;
    w = static_cast<float>(2.0 * kPi * u);
    const float Y = static_cast<float>(10.0 * std::sin(w));
    const float Z = static_cast<float>(10.0 * std::cos(w));
    control[0] = {-10.0f, Y, Z};
    control[1] = {-5.0f, Y, Z};
    control[2] = {5.0f, Y, Z};
    control[3] = {farX, Y, static_cast<float>(Z + farDz)};
}

// Curve i's points and its colour ramps (red and blue grow with sin and cos
// of the curve's place on the circle).
static void curvePoints(int i, float farX, double farDz, VECTOR* points, double& red, double& blue) {
    VECTOR control[4];
    float w;
    curveControl(i, farX, farDz, control, w);
    CompBez(control, kPoints, points);
    red = 1.0 + std::sin(w);
    blue = 1.0 + std::cos(w);
}

static float shadeColor(double s, double ramp) {
    return static_cast<float>(0.5 * s * ramp);
}

// The reference way: one call per colour and per vertex.
static void drawCurvesImmediate(float farX, double farDz, const float* shade, float turn, const float* axis) {
    VECTOR points[kPoints];
    for (int i = 0; i < kCurves; ++i) {
        double red, blue;
        curvePoints(i, farX, farDz, points, red, blue);
        // 24 separate segments: each strip ends at point j and the next one
        // starts there again with point j's colour.
        glBegin(GL_LINE_STRIP);
        for (int j = 0; j < kPoints; ++j) {
            const double s = shade[j];
            glColor3f(shadeColor(s, red), 0.0f, shadeColor(s, blue));
            glVertex3f(points[j].x, points[j].y, points[j].z);
            glEnd();
            glBegin(GL_LINE_STRIP);
            glVertex3f(points[j].x, points[j].y, points[j].z);
        }
        glEnd();

        glRotatef(turn, axis[0], axis[1], axis[2]);
    }
}

namespace {
// One frame's segments: per curve 24 pairs of (colour, point), the pair j-1,
// j for each drawn segment. Reused from frame to frame.
constexpr int kSegmentVertices = 2 * (kPoints - 1);
struct CurveVertex {
    float r, g, b;
    float x, y, z;
};
CurveVertex frameVertices[kCurves * kSegmentVertices];
GLuint frameBuffer = 0;
void* frameBufferContext = nullptr;
} // namespace

// The same segments and colours computed into one array and handed to GL in
// one upload; each curve is then one draw call, with the same accumulated
// rotation on the matrix between curves.
static void drawCurvesArrays(float farX, double farDz, const float* shade, float turn, const float* axis) {
    VECTOR points[kPoints];
    CurveVertex* out = frameVertices;
    for (int i = 0; i < kCurves; ++i) {
        double red, blue;
        curvePoints(i, farX, farDz, points, red, blue);
        CurveVertex v[kPoints];
        for (int j = 0; j < kPoints; ++j)
            v[j] = {shadeColor(shade[j], red),
                    0.0f,
                    shadeColor(shade[j], blue),
                    points[j].x,
                    points[j].y,
                    points[j].z};
        for (int j = 1; j < kPoints; ++j) {
            *out++ = v[j - 1];
            *out++ = v[j];
        }
    }

    void* context = SDL_GL_GetCurrentContext();
    if (frameBuffer == 0 || frameBufferContext != context) {
        glGenBuffers(1, &frameBuffer);
        frameBufferContext = context;
    }
    glBindBuffer(GL_ARRAY_BUFFER, frameBuffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof frameVertices, frameVertices, GL_STREAM_DRAW);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_VERTEX_ARRAY);
    glColorPointer(3, GL_FLOAT, sizeof(CurveVertex), nullptr);
    glVertexPointer(3, GL_FLOAT, sizeof(CurveVertex), reinterpret_cast<const void*>(3 * sizeof(float)));
    for (int i = 0; i < kCurves; ++i) {
        glDrawArrays(GL_LINES, i * kSegmentVertices, kSegmentVertices);
        glRotatef(turn, axis[0], axis[1], axis[2]);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void drawBezier(CBezier& s) {
    s.timeUpdate();
    s.typeUpdate();
    const float A = s.angleValue;

    glPushMatrix();
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT);
    glDisable(GL_TEXTURE_2D);

    glTranslatef(s.translateStart[0], s.translateStart[1], s.translateStart[2]);
    glRotatef(-90.0f, 0.0f, 1.0f, 0.0f);

    // The far end and the colour ramp along a curve are the same for every curve.
    const float farX = static_cast<float>(10.0 * std::cos(0.05 * A) + 10.0 + 5.0);
    const double farDz = 10.0 * std::cos(0.02 * A);
    float shade[kPoints];
    for (int j = 0; j < kPoints; ++j)
        shade[j] = static_cast<float>(0.5 + 0.5 * std::sin(j * kPi / 25.0));
    const float turn = static_cast<float>(A * 0.01);

    if (drawPath == DrawPath::Immediate)
        drawCurvesImmediate(farX, farDz, shade, turn, s.axisStart);
    else
        drawCurvesArrays(farX, farDz, shade, turn, s.axisStart);

    glEnable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glPopAttrib();
    glPopMatrix();
}
