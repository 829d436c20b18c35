#pragma once
#include <cstdint>
#include <string>

// Writes an 8-bit RGB PNG of width x height from rgb (width * height * 3
// bytes, top row first). On failure returns false with the reason in err and
// leaves no partial file behind.
bool writePNG(const std::string& path, int width, int height, const uint8_t* rgb, std::string& err);
