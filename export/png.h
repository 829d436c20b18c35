#pragma once
#include "base/output_file.h"

#include <cstdint>
#include <string>

// Writes an 8-bit RGB PNG of width x height from rgb (width * height * 3
// bytes, top row first) as a whole file (base/output_file.h: a file of that
// name is replaced only by the complete new one, a link of that name is
// replaced, not followed). On failure returns false with the reason in err
// ("cannot write PATH: REASON") and the path is as it was. `fast`: zlib
// level 1 with the Up filter on every row (the offline render's frames:
// about 5 times faster, files about a third larger), else libpng's defaults
// (zlib level 6, filters chosen row by row); the pixels are the same.
bool writePNG(const std::string& path, int width, int height, const uint8_t* rgb, std::string& err,
              bool fast = false);
// The same through `out`, which a caller keeps to write file after file or
// to ask whether a link was replaced.
bool writePNG(OutputFile& out, const std::string& path, int width, int height, const uint8_t* rgb,
              std::string& err, bool fast = false);
