#include "timeline/scene_geometry.h"

#include <cmath>

ImageRect imageRect(const CScene& s, int W, int H) {
    const int w = s.width, h = s.height;
    ImageRect r{0.0f, 0.0f, 0.0f, 0.0f};
    if (s.center) {
        r.x0 = static_cast<float>(W - (W / 2 + w / 2));
        r.y0 = static_cast<float>(H - (H / 2 + h / 2));
    }
    if (s.move) {
        r.x0 = s.moveValue[0];
        r.y0 = s.moveValue[1];
    }
    if (!s.scale) {
        r.x1 = r.x0 + w;
        r.y1 = r.y0 + h;
    } else {
        const float sx = s.scaleValue[0], sy = s.scaleValue[1];
        r.x0 = r.x0 - w * (sx - 1) * 0.5f;
        r.y0 = r.y0 - h * (sy - 1) * 0.5f;
        r.x1 = r.x0 + w * sx;
        r.y1 = r.y0 + h * sy;
    }
    return r;
}

Frustum viewFrustum(int W, int H) {
    const double aspect = W > 0 && H > 0 ? (3.0 * W) / (4.0 * H) : 1.0;
    return Frustum{-1.33 * aspect, 1.33 * aspect, -1.0, 1.0, 1.5, 10000.0};
}

Matrix4 Matrix4::identity() {
    Matrix4 r{};
    r.m[0] = r.m[5] = r.m[10] = r.m[15] = 1.0;
    return r;
}

Matrix4 Matrix4::operator*(const Matrix4& o) const {
    Matrix4 r{};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            double v = 0;
            for (int k = 0; k < 4; ++k)
                v += m[k * 4 + row] * o.m[col * 4 + k];
            r.m[col * 4 + row] = v;
        }
    return r;
}

void Matrix4::apply(const double in[3], double out[4]) const {
    for (int row = 0; row < 4; ++row)
        out[row] = m[row] * in[0] + m[4 + row] * in[1] + m[8 + row] * in[2] + m[12 + row];
}

Matrix4 translation(double x, double y, double z) {
    Matrix4 r = Matrix4::identity();
    r.m[12] = x;
    r.m[13] = y;
    r.m[14] = z;
    return r;
}

Matrix4 rotation(double degrees, double x, double y, double z) {
    const double len = std::sqrt(x * x + y * y + z * z);
    if (len <= 1e-4) return Matrix4::identity(); // as Mesa: no axis, no turn
    x /= len;
    y /= len;
    z /= len;
    const double a = degrees * 3.14159265358979323846 / 180.0, c = std::cos(a), s = std::sin(a), t = 1 - c;
    Matrix4 r = Matrix4::identity();
    r.m[0] = x * x * t + c;
    r.m[1] = y * x * t + z * s;
    r.m[2] = x * z * t - y * s;
    r.m[4] = x * y * t - z * s;
    r.m[5] = y * y * t + c;
    r.m[6] = y * z * t + x * s;
    r.m[8] = x * z * t + y * s;
    r.m[9] = y * z * t - x * s;
    r.m[10] = z * z * t + c;
    return r;
}

Matrix4 scaling(double x, double y, double z) {
    Matrix4 r = Matrix4::identity();
    r.m[0] = x;
    r.m[5] = y;
    r.m[10] = z;
    return r;
}

Matrix4 frustumMatrix(const Frustum& f) {
    Matrix4 r{};
    const double n = f.zNear, fa = f.zFar;
    r.m[0] = 2 * n / (f.right - f.left);
    r.m[5] = 2 * n / (f.top - f.bottom);
    r.m[8] = (f.right + f.left) / (f.right - f.left);
    r.m[9] = (f.top + f.bottom) / (f.top - f.bottom);
    r.m[10] = -(fa + n) / (fa - n);
    r.m[11] = -1;
    r.m[14] = -2 * fa * n / (fa - n);
    return r;
}

Matrix4 modelMatrix(const CScene& s) {
    Matrix4 r = Matrix4::identity();
    if (s.translate) r = r * translation(s.translateValue[0], s.translateValue[1], s.translateValue[2]);
    if (s.rotate) r = r * rotation(s.angleValue, s.axisValue[0], s.axisValue[1], s.axisValue[2]);
    if (s.scale) r = r * scaling(s.scaleValue[0], s.scaleValue[1], s.scaleValue[2]);
    return r;
}
