#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// A JPEG stream read row by row. Colour, greyscale, CMYK and YCCK pictures
// are delivered as RGB (or RGBA with alpha 255). Every step
// returns false with libjpeg's message in `error` when the picture cannot be
// decoded; the process never exits from inside the decoder. A damaged but
// readable stream (a truncated file) still decodes, and libjpeg's warnings are
// collected in `warnings` either way.
class JpegReader {
  public:
    JpegReader(std::string& error, std::vector<std::string>& warnings);
    ~JpegReader();
    JpegReader(const JpegReader&) = delete;
    JpegReader& operator=(const JpegReader&) = delete;

    // Reads the header of the stream in `file`: width() and height() are the
    // picture's size.
    bool readHeader(std::FILE* file);
    // Starts decoding at 1/denominator of the picture's size (1, 2, 4 or 8:
    // libjpeg scales in the DCT, which costs less than decoding it whole),
    // with 3 or 4 (alpha 255) bytes a pixel. outWidth() and outHeight() are
    // then the size of the rows delivered.
    bool start(int denominator, int bytesPerPixel);
    // Decodes up to `count` of the next rows into `rows`; the number stored,
    // 0 at the end or on an error (then failed() is true).
    int read(uint8_t* const* rows, int count);
    // Reads to the end of the stream.
    bool finish();

    int width() const { return width_; }
    int height() const { return height_; }
    int outWidth() const { return outWidth_; }
    int outHeight() const { return outHeight_; }
    int rowsRead() const { return rowsRead_; }
    bool failed() const { return failed_; }

    // The size of a picture of `side` pixels decoded at 1/denominator.
    static int scaledSide(int side, int denominator) { return (side + denominator - 1) / denominator; }

  private:
    struct State;
    std::unique_ptr<State> state;
    int width_ = 0, height_ = 0, outWidth_ = 0, outHeight_ = 0, rowsRead_ = 0;
    bool failed_ = false;
};

// A decoded picture: 8-bit RGB, three bytes per pixel, row 0 the top row.
struct JpegImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;   // width * height * 3 bytes
    std::vector<uint8_t*> rows; // the decoder's row table, kept for reuse
};

// Decodes the whole JPEG stream of `file` into RGB, with JpegReader's
// messages. The image's buffers are reused when large enough.
bool decodeJpeg(std::FILE* file, JpegImage& image, std::string& error, std::vector<std::string>& warnings);
