#include "assets/jpeg_orientation.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// The orientation tag (0x0112) of the first image directory of an EXIF
// block: "Exif\0\0", then a TIFF header in either byte order.
int exifOrientation(const std::vector<uint8_t>& b) {
    if (b.size() < 14 || std::memcmp(b.data(), "Exif\0\0", 6) != 0) return 0;
    const uint8_t* t = b.data() + 6;
    const size_t n = b.size() - 6;
    const bool little = t[0] == 'I' && t[1] == 'I';
    if (!little && !(t[0] == 'M' && t[1] == 'M')) return 0;
    auto u16 = [&](size_t at) -> uint32_t {
        return little ? t[at] | t[at + 1] << 8 : t[at] << 8 | t[at + 1];
    };
    auto u32 = [&](size_t at) -> uint32_t {
        return little ? u16(at) | u16(at + 2) << 16 : u16(at) << 16 | u16(at + 2);
    };
    if (u16(2) != 42) return 0;
    const uint32_t dir = u32(4);
    if (dir > n || n - dir < 2) return 0;
    const uint32_t entries = u16(dir);
    for (uint32_t i = 0; i < entries; ++i) {
        const size_t at = dir + 2 + size_t{i} * 12;
        if (at + 12 > n) return 0;
        if (u16(at) == 0x0112 && u16(at + 2) == 3) { // SHORT
            const uint32_t v = u16(at + 8);
            return v >= 1 && v <= 8 ? static_cast<int>(v) : 0;
        }
    }
    return 0;
}

} // namespace

int jpegOrientation(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return 0;
    int orientation = 0;
    uint8_t m[4];
    if (std::fread(m, 1, 2, f) == 2 && m[0] == 0xFF && m[1] == 0xD8) {
        // The segments before the picture data: marker, big-endian length.
        while (std::fread(m, 1, 4, f) == 4 && m[0] == 0xFF) {
            const uint8_t marker = m[1];
            const size_t length = static_cast<size_t>(m[2] << 8 | m[3]);
            if (marker == 0xDA || marker == 0xD9 || length < 2) break; // the picture data begins
            if (marker == 0xE1) {
                std::vector<uint8_t> body(length - 2);
                if (std::fread(body.data(), 1, body.size(), f) != body.size()) break;
                orientation = exifOrientation(body);
                if (orientation) break;
            } else if (std::fseek(f, static_cast<long>(length - 2), SEEK_CUR) != 0) {
                break;
            }
        }
    }
    std::fclose(f);
    return orientation;
}

const char* orientationTransform(int o) {
    static const char* const kTransforms[] = {
        "",           "",           "-flip horizontal", "-rotate 180", "-flip vertical",
        "-transpose", "-rotate 90", "-transverse",      "-rotate 270"};
    return o >= 0 && o <= 8 ? kTransforms[o] : "";
}

const char* orientationWords(int o) {
    static const char* const kWords[] = {"",
                                         "upright",
                                         "to be viewed mirrored left to right",
                                         "to be viewed turned 180 degrees",
                                         "to be viewed mirrored top to bottom",
                                         "to be viewed mirrored along its diagonal",
                                         "to be viewed turned 90 degrees clockwise",
                                         "to be viewed mirrored along its other diagonal",
                                         "to be viewed turned 90 degrees anticlockwise"};
    return o >= 0 && o <= 8 ? kWords[o] : "";
}
