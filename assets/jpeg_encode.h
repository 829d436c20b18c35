#pragma once
#include <cstdint>
#include <string>
#include <vector>

// Encodes an 8-bit RGB picture (rows top first, 3 bytes a pixel) as a
// baseline JPEG file's bytes, with the integer DCT and optimised Huffman
// tables, so the same picture always gives the same bytes.
std::string encodeJpeg(const std::vector<uint8_t>& rgb, int width, int height, int quality = 85);
