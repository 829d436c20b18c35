#pragma once
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <png.h>
#include <string>
#include <vector>

// Test pictures in the formats other than JPEG, as file bytes; `pixel(x, y)`
// gives column x of row y from the top as RGBA.
using RgbaFunction = std::function<std::array<uint8_t, 4>(int x, int y)>;

// An 8-bit RGBA PNG.
inline std::string makePng(int width, int height, const RgbaFunction& pixel) {
    std::vector<uint8_t> rgba(size_t(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto p = pixel(x, y);
            std::memcpy(&rgba[(size_t(y) * width + x) * 4], p.data(), 4);
        }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_RGBA;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, rgba.data(), 0, nullptr);
    std::string out(size, '\0');
    if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgba.data(), 0, nullptr)) return {};
    out.resize(size);
    return out;
}

inline void putLittle(std::string& s, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        s += static_cast<char>(v >> (8 * i) & 0xFF);
}

// A 24-bit BMP, its rows stored bottom first as the format has them.
inline std::string makeBmp(int width, int height, const RgbaFunction& pixel) {
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    std::string s = "BM";
    putLittle(s, 54 + rowBytes * height, 4);
    putLittle(s, 0, 4);
    putLittle(s, 54, 4);
    putLittle(s, 40, 4);
    putLittle(s, width, 4);
    putLittle(s, height, 4);
    putLittle(s, 1, 2);
    putLittle(s, 24, 2);
    for (int i = 0; i < 6; ++i)
        putLittle(s, 0, 4);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const auto p = pixel(x, y);
            s += static_cast<char>(p[2]);
            s += static_cast<char>(p[1]);
            s += static_cast<char>(p[0]);
        }
        s.append(size_t(rowBytes - width * 3), '\0');
    }
    return s;
}

// An uncompressed 32-bit TGA with its origin at the bottom left (rows bottom
// first), as most programs write it.
inline std::string makeTga(int width, int height, const RgbaFunction& pixel) {
    std::string s;
    putLittle(s, 0, 1); // no image id
    putLittle(s, 0, 1); // no colour map
    putLittle(s, 2, 1); // true colour, uncompressed
    putLittle(s, 0, 4);
    putLittle(s, 0, 1);
    putLittle(s, 0, 2); // x origin
    putLittle(s, 0, 2); // y origin
    putLittle(s, width, 2);
    putLittle(s, height, 2);
    putLittle(s, 32, 1);
    putLittle(s, 8, 1); // 8 bits of alpha, bottom-left origin
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x) {
            const auto p = pixel(x, y);
            s += static_cast<char>(p[2]);
            s += static_cast<char>(p[1]);
            s += static_cast<char>(p[0]);
            s += static_cast<char>(p[3]);
        }
    return s;
}
