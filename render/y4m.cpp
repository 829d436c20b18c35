#include "render/y4m.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

// Clamped to 0..255 and rounded to the nearest, halves up (as lround does
// for these values).
inline uint8_t toByte(float v) {
    const float c = std::min(255.0f, std::max(0.0f, v));
    return static_cast<uint8_t>(static_cast<int>(static_cast<double>(c) + 0.5));
}

const char frameTag[] = "FRAME\n";
const size_t tagBytes = sizeof frameTag - 1;

} // namespace

std::string y4mHeader(int width, int height, int fps) {
    char header[96];
    std::snprintf(header, sizeof header, "YUV4MPEG2 W%d H%d F%d:1 Ip A1:1 C420jpeg\n", width, height, fps);
    return header;
}

size_t y4mFrameBytes(int width, int height) {
    const size_t chroma = static_cast<size_t>((width + 1) / 2) * ((height + 1) / 2);
    return tagBytes + static_cast<size_t>(width) * height + 2 * chroma;
}

// The same arithmetic as the plain formula, in the same order, so that every
// byte is the same: the products of each channel come from tables, the
// chroma sums (exact in float) from integers, and rounding halves away from
// zero goes through double, where v + 0.5 is exact.
void y4mFrame(const uint8_t* rgb, int w, int h, uint8_t* out) {
    static const struct Tables {
        float yr[256], yg[256], yb[256];
        Tables() {
            for (int v = 0; v < 256; ++v) {
                const float f = static_cast<float>(v);
                yr[v] = 0.299f * f;
                yg[v] = 0.587f * f;
                yb[v] = 0.114f * f;
            }
        }
    } t;
    const int cw = (w + 1) / 2, ch = (h + 1) / 2;
    std::memcpy(out, frameTag, tagBytes);
    uint8_t* y = out + tagBytes;
    uint8_t* cb = y + static_cast<size_t>(w) * h;
    uint8_t* cr = cb + static_cast<size_t>(cw) * ch;
    const size_t pixels = static_cast<size_t>(w) * h;
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* p = rgb + i * 3;
        y[i] = toByte(t.yr[p[0]] + t.yg[p[1]] + t.yb[p[2]]);
    }
    for (int cy = 0; cy < ch; ++cy) {
        const int rows = std::min(cy * 2 + 2, h) - cy * 2;
        const uint8_t* top = rgb + static_cast<size_t>(cy) * 2 * w * 3;
        const uint8_t* below = rows > 1 ? top + static_cast<size_t>(w) * 3 : nullptr;
        for (int cx = 0; cx < cw; ++cx) {
            const int cols = std::min(cx * 2 + 2, w) - cx * 2;
            int sums[3] = {0, 0, 0};
            for (int k = 0; k < 3; ++k) {
                const int at = cx * 6 + k;
                sums[k] = top[at] + (cols > 1 ? top[at + 3] : 0);
                if (below) sums[k] += below[at] + (cols > 1 ? below[at + 3] : 0);
            }
            const float count = static_cast<float>(rows * cols);
            const float sr = static_cast<float>(sums[0]) / count, sg = static_cast<float>(sums[1]) / count,
                        sb = static_cast<float>(sums[2]) / count;
            const size_t i = static_cast<size_t>(cy) * cw + cx;
            cb[i] = toByte(128.0f - 0.168736f * sr - 0.331264f * sg + 0.5f * sb);
            cr[i] = toByte(128.0f + 0.5f * sr - 0.418688f * sg - 0.081312f * sb);
        }
    }
}
