#include "export/png.h"

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <png.h>

namespace {
struct PngError {
    std::string message;
    OutputFile* out = nullptr;
};

void onError(png_structp png, png_const_charp msg) {
    static_cast<PngError*>(png_get_error_ptr(png))->message = msg;
    png_longjmp(png, 1);
}

void onWarning(png_structp, png_const_charp) {}

// Writes through stdio, so that a failure gives the system's reason ("File
// too large") rather than libpng's "Write Error".
void onWrite(png_structp png, png_bytep data, png_size_t size) {
    OutputFile* out = static_cast<PngError*>(png_get_error_ptr(png))->out;
    if (std::fwrite(data, 1, size, out->stream()) == size) return;
    const int err = errno;
    out->fail(err);
    png_error(png, std::strerror(err));
}

void onFlush(png_structp) {}

// The libpng calls alone, so that nothing in this frame lives across the
// error jump: false when libpng failed (its message in the error record).
bool writeImage(png_structp png, png_infop info, int width, int height, const uint8_t* rgb, bool fast) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, nullptr, onWrite, onFlush);
    if (fast) {
        png_set_compression_level(png, 1);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_UP);
    }
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const size_t row = static_cast<size_t>(width) * 3;
    for (int y = 0; y < height; ++y)
        png_write_row(png, rgb + static_cast<size_t>(y) * row);
    png_write_end(png, nullptr);
    return true;
}
} // namespace

bool writePNG(OutputFile& out, const std::string& path, int width, int height, const uint8_t* rgb,
              std::string& err, bool fast) {
    if (!out.open(path, err)) {
        err = out.failure(err);
        return false;
    }
    PngError failure;
    failure.out = &out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure, onError, onWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, nullptr);
        out.discard();
        err = out.failure("out of memory");
        return false;
    }
    const bool written = writeImage(png, info, width, height, rgb, fast);
    png_destroy_write_struct(&png, &info);
    if (!written) {
        out.discard();
        err = out.failure(failure.message);
        return false;
    }
    if (out.commit(err)) return true;
    err = out.failure(err);
    return false;
}

bool writePNG(const std::string& path, int width, int height, const uint8_t* rgb, std::string& err,
              bool fast) {
    OutputFile out;
    return writePNG(out, path, width, height, rgb, err, fast);
}
