#pragma once
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <jpeglib.h>
#include <string>
#include <vector>

// A test picture as JPEG bytes; `pixel(x, y)` gives column x of row y from the top: RGB in its
// first three bytes, grey in the first, CMYK in all four (stored as given, with libjpeg's Adobe
// marker, so that decoders read them as Adobe's inverted inks: 255 for none), two components of no
// colour space in the first two.
enum class JpegKind { Rgb, Grey, Cmyk, Ycck, Two };
using PixelFunction = std::function<std::array<uint8_t, 4>(int x, int y)>;
inline std::string makeJpeg(int width, int height, const PixelFunction& pixel,
                            JpegKind kind = JpegKind::Rgb) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &out, &size);
    c.image_width = width;
    c.image_height = height;
    const bool ink = kind == JpegKind::Cmyk || kind == JpegKind::Ycck;
    c.input_components = kind == JpegKind::Rgb    ? 3
                         : kind == JpegKind::Grey ? 1
                         : kind == JpegKind::Two  ? 2
                                                  : 4;
    c.in_color_space = kind == JpegKind::Rgb    ? JCS_RGB
                       : kind == JpegKind::Grey ? JCS_GRAYSCALE
                       : ink                    ? JCS_CMYK
                                                : JCS_UNKNOWN;
    jpeg_set_defaults(&c);
    if (kind == JpegKind::Ycck) jpeg_set_colorspace(&c, JCS_YCCK);
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(width) * c.input_components);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::array<uint8_t, 4> p = pixel(x, y);
            std::copy(p.begin(), p.begin() + c.input_components, &row[x * c.input_components]);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::string bytes(reinterpret_cast<char*>(out), size);
    std::free(out);
    return bytes;
}

// A picture of one colour.
inline std::string solidJpeg(int width, int height, uint8_t r = 200, uint8_t g = 100, uint8_t b = 50) {
    return makeJpeg(width, height, [=](int, int) { return std::array<uint8_t, 4>{r, g, b, 0}; });
}

// The JPEG bytes with an EXIF block (APP1 of 34 bytes: "Exif", a little-endian
// TIFF header, one directory of one entry: tag 0x0112, SHORT, count 1, the
// orientation), right after the start marker.
inline std::string withOrientation(const std::string& jpeg, int orientation) {
    std::string app1("\xFF\xE1\x00\x22"
                     "Exif\0\0II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0?\0\0\0\0\0\0\0",
                     36);
    app1[app1.size() - 8] = static_cast<char>(orientation);
    return jpeg.substr(0, 2) + app1 + jpeg.substr(2);
}
