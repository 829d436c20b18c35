#pragma once
#include "assets/jpeg_decode.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A JPEG file made ready for upload away from the GL thread: opened, decoded
// and, on the fast path, scaled to the texture's power-of-two size with its
// whole mip chain built. All buffers are kept and reused by the next picture.
struct PreparedTexture {
    int openError = 0; // errno of a failed open; 0 when the file was read
    bool decoded = false;
    std::string error;
    std::vector<std::string> warnings;
    JpegImage image; // the decoded picture (RGB)

    struct Level {
        int width, height;
        size_t offset; // into mips
    };
    bool hasMips = false;
    std::vector<Level> levels;
    std::vector<uint8_t> mips; // RGBA, level after level
    std::vector<float> row;    // scratch row of the scaler
};

// The level-0 size that gluBuild2DMipmaps picks for a picture side: the power
// of two below it, or the one above when its two leading bits are both set
// (1920 gives 2048, 1080 gives 1024, 300 gives 256, 200 gives 256).
int texturePowerOfTwo(int side);
// Both sides, halved together until neither exceeds maxSize.
void textureLevelSize(int width, int height, int maxSize, int& levelWidth, int& levelHeight);

// Opens and decodes `path`; with `buildMips` also scales it and builds the
// mip chain (maxSize: the context's GL_MAX_TEXTURE_SIZE). Touches no GL state,
// so it may run on any thread.
void prepareTexture(const std::string& path, PreparedTexture& prepared, bool buildMips, int maxSize);

// Scales an RGB picture to RGBA of another size, each target texel the
// average of the source area it covers, alpha 255.
void scaleToRGBA(const uint8_t* rgb, int width, int height, uint8_t* rgba, int outWidth, int outHeight,
                 std::vector<float>& scratch);
// One mip level from the one above: each texel the rounded mean of the 2 x 2
// (or 2 x 1 once a side is 1) texels above it.
void halveRGBA(const uint8_t* in, int width, int height, uint8_t* out);
