#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// A decoded picture: 8-bit RGB, three bytes per pixel, row 0 the top row.
struct JpegImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;   // width * height * 3 bytes
    std::vector<uint8_t*> rows; // the decoder's row table, kept for reuse
};

// Decodes the JPEG stream of `file` into RGB. Colour and greyscale pictures
// are delivered as RGB; CMYK and YCCK ones are refused. Returns false with
// libjpeg's message in `error` when the picture cannot be decoded; the
// process never exits from inside the decoder. A damaged but readable stream
// (a truncated file) still decodes, and libjpeg's warnings are returned in
// `warnings` either way. The image's buffers are reused when large enough.
bool decodeJpeg(std::FILE* file, JpegImage& image, std::string& error, std::vector<std::string>& warnings);
