#include "assets/jpeg_orientation.h"
#include "assets/texture_prep.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

// Arbitrary bytes as a picture: its orientation, then a chain holding every level it announces.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/fuzz_jpeg." + std::to_string(getpid()) + ".jpg";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    const int orientation = jpegOrientation(path);
    if (orientation < 0 || orientation > 8) __builtin_trap();

    static PreparedTexture prepared;
    prepareTexture(path, prepared, true, 256);
    if (prepared.decoded) {
        if (!prepared.hasMips || prepared.levels.empty()) __builtin_trap();
        const auto& last = prepared.levels.back();
        if (last.offset + size_t(last.width) * last.height * 4 > prepared.mips.capacity()) __builtin_trap();
    }
    return 0;
}
