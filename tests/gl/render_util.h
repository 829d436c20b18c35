#pragma once
// Helpers of the rendering tests: textures made in memory and pixel queries.
#include <GL/gl.h>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

using RGB = std::array<int, 3>;

// A w x h RGB texture with nearest filtering; row 0 of `at` is the top of the
// picture, as the engine's JPEG textures keep it.
inline GLuint makeTexture(int w, int h, const std::function<RGB(int x, int y)>& at) {
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const RGB c = at(x, y);
            for (int k = 0; k < 3; ++k)
                px[(static_cast<size_t>(y) * w + x) * 3 + k] = static_cast<uint8_t>(c[k]);
        }
    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, w, h, 0, GL_RGB, GL_UNSIGNED_BYTE, px.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return id;
}

inline GLuint solidTexture(int w, int h, RGB c) {
    return makeTexture(w, h, [c](int, int) { return c; });
}

// The smallest rectangle (columns x0..x1, rows y0..y1 from the top) that holds
// every pixel that is not black; x0 > x1 when the frame is black.
struct Box {
    int x0, y0, x1, y1;
};

inline Box litBox(const std::vector<uint8_t>& rgb, int w, int h) {
    Box b{w, h, -1, -1};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            if (p[0] || p[1] || p[2]) {
                if (x < b.x0) b.x0 = x;
                if (x > b.x1) b.x1 = x;
                if (y < b.y0) b.y0 = y;
                if (y > b.y1) b.y1 = y;
            }
        }
    return b;
}
