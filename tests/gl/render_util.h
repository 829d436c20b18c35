#pragma once
// Helpers of the GL tests: textures made in memory, pixel queries, PNG files.
#include <GL/gl.h>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <png.h>
#include <string>
#include <unistd.h>
#include <vector>

using RGB = std::array<int, 3>;

// A w x h RGB texture, nearest filtering; row 0 of `at` is the picture's top, as in JPEG textures.
inline GLuint makeTexture(int w, int h, const std::function<RGB(int x, int y)>& at) {
    std::vector<uint8_t> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int v : at(x, y))
                px.push_back(static_cast<uint8_t>(v));
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

// The smallest box (rows from the top) holding every non-black pixel; x0 > x1 when all is black.
struct Box {
    int x0, y0, x1, y1;
};

inline Box litBox(const std::vector<uint8_t>& rgb, int w, int h) {
    Box b{w, h, -1, -1};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            if (p[0] || p[1] || p[2])
                b = {std::min(b.x0, x), std::min(b.y0, y), std::max(b.x1, x), std::max(b.y1, y)};
        }
    return b;
}

// Each side of the lit box (left, top, right, bottom) within `tolerance` pixels of the one wanted.
inline void expectBox(const Box& got, const std::array<double, 4>& want, double tolerance,
                      const std::string& what) {
    EXPECT_NEAR(got.x0, want[0], tolerance) << what << ": left";
    EXPECT_NEAR(got.y0, want[1], tolerance) << what << ": top";
    EXPECT_NEAR(got.x1, want[2], tolerance) << what << ": right";
    EXPECT_NEAR(got.y1, want[3], tolerance) << what << ": bottom";
}

// An 8-bit RGB picture read from a PNG file; width 0 when it cannot be read.
struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    RGB at(int x, int y) const {
        const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return {p[0], p[1], p[2]};
    }
};

inline Image readPNG(const std::string& path) {
    Image img;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return img;
    png.format = PNG_FORMAT_RGB;
    img.rgb.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, img.rgb.data(), 0, nullptr)) return Image{};
    img.width = static_cast<int>(png.width);
    img.height = static_cast<int>(png.height);
    return img;
}

// Works in `dir` while it lives, as the program works in its show folder.
class InDir {
    char saved[4096];

  public:
    explicit InDir(const std::string& dir) : ok(getcwd(saved, sizeof saved) && chdir(dir.c_str()) == 0) {}
    ~InDir() {
        if (ok && chdir(saved) != 0) std::abort();
    }
    InDir(const InDir&) = delete;
    InDir& operator=(const InDir&) = delete;
    const bool ok;
};
