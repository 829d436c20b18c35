#include "render/y4m.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

uint8_t clamp(float v) {
    return static_cast<uint8_t>(std::lround(std::min(255.0f, std::max(0.0f, v))));
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

void y4mFrame(const uint8_t* rgb, int w, int h, uint8_t* out) {
    const int cw = (w + 1) / 2, ch = (h + 1) / 2;
    std::memcpy(out, frameTag, tagBytes);
    uint8_t* y = out + tagBytes;
    uint8_t* cb = y + static_cast<size_t>(w) * h;
    uint8_t* cr = cb + static_cast<size_t>(cw) * ch;
    for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i) {
        const float r = rgb[i * 3], g = rgb[i * 3 + 1], b = rgb[i * 3 + 2];
        y[i] = clamp(0.299f * r + 0.587f * g + 0.114f * b);
    }
    for (int cy = 0; cy < ch; ++cy) {
        for (int cx = 0; cx < cw; ++cx) {
            float sr = 0, sg = 0, sb = 0;
            int count = 0;
            for (int py = cy * 2; py < std::min(cy * 2 + 2, h); ++py) {
                for (int px = cx * 2; px < std::min(cx * 2 + 2, w); ++px) {
                    const uint8_t* p = &rgb[(static_cast<size_t>(py) * w + px) * 3];
                    sr += p[0];
                    sg += p[1];
                    sb += p[2];
                    ++count;
                }
            }
            sr /= count;
            sg /= count;
            sb /= count;
            const size_t i = static_cast<size_t>(cy) * cw + cx;
            cb[i] = clamp(128.0f - 0.168736f * sr - 0.331264f * sg + 0.5f * sb);
            cr[i] = clamp(128.0f + 0.5f * sr - 0.418688f * sg - 0.081312f * sb);
        }
    }
}
