#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>

// Encodes a test picture as JPEG bytes with libjpeg. `pixel(x, y)` gives the
// colour of column x in row y counted from the top: RGB in its first three
// bytes, grey in the first, CMYK in all four.
enum class JpegKind { Rgb, Grey, Cmyk };
using PixelFunction = std::function<std::array<uint8_t, 4>(int x, int y)>;
std::string makeJpeg(int width, int height, const PixelFunction& pixel, JpegKind kind = JpegKind::Rgb);

// A picture of one colour.
std::string solidJpeg(int width, int height, uint8_t r = 200, uint8_t g = 100, uint8_t b = 50);

// The JPEG bytes with an EXIF block (APP1, little-endian TIFF) holding only
// the orientation tag, right after the start marker.
std::string withOrientation(const std::string& jpeg, int orientation);
