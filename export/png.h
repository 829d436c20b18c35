#pragma once
#include <cstdint>
#include <string>

// Writes an 8-bit RGB PNG of width x height from rgb (width * height * 3
// bytes, top row first). On failure returns false with the reason in err and
// leaves no partial file behind. `fast`: zlib level 1 with the Up filter on
// every row (the offline render's frames: about 5 times faster, files about
// a third larger), else libpng's defaults (zlib level 6, filters chosen row
// by row); the pixels are the same.
bool writePNG(const std::string& path, int width, int height, const uint8_t* rgb, std::string& err,
              bool fast = false);
