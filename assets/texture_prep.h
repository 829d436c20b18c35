#pragma once
#include "assets/jpeg_decode.h"
#include "assets/picture_decode.h"
#include "assets/pixel_buffer.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// How far the preparation of a picture has got, told by the thread that
// prepares it to the one that uploads it: whether the texture's levels are
// known (`started`), how many rows of each level are final, top row first,
// and whether the picture is finished (decoded or failed); and back, how many
// rows of level 0 are uploaded.
class PrepareProgress {
  public:
    struct State {
        bool started = false;
        bool finished = false;
        std::vector<int> rows; // final rows, per level
    };
    // Preparing thread.
    void reset();
    void start(size_t levels);
    void publish(const std::vector<int>& rows);
    void finish();
    // Waits until `rows` rows of level 0 are uploaded.
    void waitUploaded(int rows);
    // Uploading thread: waits until the state has moved on from `seen`, and
    // copies it there.
    void wait(State& seen);
    void uploaded(int rows);

  private:
    std::mutex lock;
    std::condition_variable changed;
    State state;
    int uploadedRows = 0;
};

// A JPEG file made ready for upload away from the GL thread: opened, decoded
// and, on the fast path, scaled to the texture's power-of-two size with its
// whole mip chain built, row by row, so that the upload can follow it. All
// buffers are kept and reused by the next picture, except a chain larger
// than `keepUpTo`, whose rows are given back as soon as they are uploaded;
// when an uploader follows (`followed`), such a chain is made no further
// than about `keepUpTo` ahead of the upload.
struct PreparedTexture {
    int openError = 0; // errno of a failed open; 0 when the file was read
    bool decoded = false;
    std::string error;
    std::vector<std::string> warnings;
    int width = 0, height = 0; // the picture's own size
    JpegImage image;           // the whole decoded picture (RGB), on the reference way
    RgbaPicture picture;       // a PNG, BMP or TGA picture, decoded whole with its alpha

    struct Level {
        int width, height;
        size_t offset; // into mips
    };
    bool hasMips = false;
    std::vector<Level> levels;
    PixelBuffer mips;         // RGBA, level after level
    bool releaseRows = false; // the uploader gives back each row it has uploaded
    bool followed = false;    // another thread uploads the rows as they come
    PrepareProgress progress; // rows of mips that are final
    int dctDenominator = 1;   // the picture was decoded at 1/dctDenominator of its size

    // Pictures whose decoded rows total this many bytes or more are decoded
    // on a helper thread while this one scales them.
    size_t helperFrom = size_t(24) << 20;
    size_t keepUpTo = size_t(64) << 20;

    std::vector<float> row; // scratch row of the scaler
    PixelBuffer window;     // decoded rows on their way to the scaler
};

// The level-0 size that gluBuild2DMipmaps picks for a picture side: the power
// of two below it, or the one above when its two leading bits are both set
// (1920 gives 2048, 1080 gives 1024, 300 gives 256, 200 gives 256).
int texturePowerOfTwo(int side);
// Both sides, halved together until neither exceeds maxSize.
void textureLevelSize(int width, int height, int maxSize, int& levelWidth, int& levelHeight);
// The largest of 1, 2, 4, 8 at which a width x height picture decodes to at
// least the level-0 size in both directions.
int dctDenominatorFor(int width, int height, int levelWidth, int levelHeight);

// Opens and decodes `path`; a JPEG with `buildMips` is also scaled and given
// its mip chain (maxSize: the context's GL_MAX_TEXTURE_SIZE), publishing its rows
// in `prepared.progress` as they are made. Without, the whole picture is left
// in `prepared.image`; a PNG, BMP or TGA file (by its ending) is always left
// whole in `prepared.picture`. Touches no GL state, so it may run on any thread.
void prepareTexture(const std::string& path, PreparedTexture& prepared, bool buildMips, int maxSize);

// Scales an RGB picture to RGBA of another size, each target texel the
// average of the source area it covers, alpha 255.
void scaleToRGBA(const uint8_t* rgb, int width, int height, uint8_t* rgba, int outWidth, int outHeight,
                 std::vector<float>& scratch);
// Scales an RGBA picture to another size, each target texel (alpha too) the
// average of the source area it covers.
void scaleRGBA(const uint8_t* rgba, int width, int height, uint8_t* out, int outWidth, int outHeight);
// One mip level from the one above: each texel the rounded mean of the 2 x 2
// (or 2 x 1 once a side is 1) texels above it.
void halveRGBA(const uint8_t* in, int width, int height, uint8_t* out);
