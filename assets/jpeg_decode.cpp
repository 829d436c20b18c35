#include "assets/jpeg_decode.h"

#include <csetjmp>
#include <jpeglib.h>

namespace {

// libjpeg's standard error manager, except that a fatal error returns to the
// caller instead of ending the process and every message is collected.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf escape;
    std::string* error;
    std::vector<std::string>* warnings;
};

std::string messageText(j_common_ptr cinfo) {
    char text[JMSG_LENGTH_MAX] = {};
    (*cinfo->err->format_message)(cinfo, text);
    return text;
}

void onError(j_common_ptr cinfo) {
    ErrorManager* mgr = reinterpret_cast<ErrorManager*>(cinfo->err);
    *mgr->error = messageText(cinfo);
    std::longjmp(mgr->escape, 1);
}

// Called by the standard emit_message for the messages it lets through: the
// first warning of a stream, and traces at the chosen trace level.
void onMessage(j_common_ptr cinfo) {
    ErrorManager* mgr = reinterpret_cast<ErrorManager*>(cinfo->err);
    mgr->warnings->push_back(messageText(cinfo));
}

} // namespace

struct JpegReader::State {
    jpeg_decompress_struct cinfo;
    ErrorManager mgr;
    bool created = false;
};

JpegReader::JpegReader(std::string& error, std::vector<std::string>& warnings) : state(new State) {
    state->cinfo.err = jpeg_std_error(&state->mgr.pub);
    state->mgr.pub.error_exit = onError;
    state->mgr.pub.output_message = onMessage;
    state->mgr.error = &error;
    state->mgr.warnings = &warnings;
}

JpegReader::~JpegReader() {
    if (state->created) jpeg_destroy_decompress(&state->cinfo);
}

// Each step sets its own return point for libjpeg's fatal errors: after one,
// the decompressor is destroyed and every later step fails.
#define JPEG_GUARD(failure)                                                                                  \
    if (failed_) return failure;                                                                             \
    if (setjmp(state->mgr.escape)) {                                                                         \
        jpeg_destroy_decompress(&state->cinfo);                                                              \
        state->created = false;                                                                              \
        failed_ = true;                                                                                      \
        return failure;                                                                                      \
    }

bool JpegReader::readHeader(std::FILE* file) {
    JPEG_GUARD(false)
    jpeg_create_decompress(&state->cinfo);
    state->created = true;
    jpeg_stdio_src(&state->cinfo, file);
    jpeg_read_header(&state->cinfo, TRUE);
    width_ = static_cast<int>(state->cinfo.image_width);
    height_ = static_cast<int>(state->cinfo.image_height);
    return true;
}

bool JpegReader::start(int denominator, int bytesPerPixel) {
    JPEG_GUARD(false)
    jpeg_decompress_struct& c = state->cinfo;
    c.scale_num = 1;
    c.scale_denom = static_cast<unsigned>(denominator);
    // Greyscale and YCbCr both convert to RGB; CMYK and YCCK cannot, and
    // libjpeg refuses them here with its "Unsupported color conversion" error.
    c.out_color_space = bytesPerPixel == 4 ? JCS_EXT_RGBA : JCS_RGB;
    jpeg_start_decompress(&c);
    if (c.output_components != bytesPerPixel) {
        // Not reachable with libjpeg's RGB output; kept so that nothing below
        // can ever write past a row.
        *state->mgr.error = "unexpected number of colour components";
        jpeg_destroy_decompress(&c);
        state->created = false;
        failed_ = true;
        return false;
    }
    outWidth_ = static_cast<int>(c.output_width);
    outHeight_ = static_cast<int>(c.output_height);
    return true;
}

int JpegReader::read(uint8_t* const* rows, int count) {
    JPEG_GUARD(0)
    jpeg_decompress_struct& c = state->cinfo;
    int stored = 0;
    // Each call stores the rows still missing from the next unfilled one on,
    // so the rows arrive top row first.
    while (stored < count && c.output_scanline < c.output_height) {
        const JDIMENSION got = jpeg_read_scanlines(&c, const_cast<JSAMPARRAY>(rows + stored),
                                                   static_cast<JDIMENSION>(count - stored));
        if (got == 0) break; // a standard-I/O source never suspends; guard anyway
        stored += static_cast<int>(got);
    }
    if (stored == 0 && count > 0 && c.output_scanline < c.output_height) {
        *state->mgr.error = "the decoder stopped before the end of the picture";
        jpeg_destroy_decompress(&c);
        state->created = false;
        failed_ = true;
    }
    rowsRead_ += stored;
    return stored;
}

bool JpegReader::finish() {
    JPEG_GUARD(false)
    jpeg_finish_decompress(&state->cinfo);
    jpeg_destroy_decompress(&state->cinfo);
    state->created = false;
    return true;
}

bool decodeJpeg(std::FILE* file, JpegImage& image, std::string& error, std::vector<std::string>& warnings) {
    // The pixel buffer keeps its capacity: a loader that decodes picture after
    // picture into the same image touches no fresh memory.
    image.width = 0;
    image.height = 0;
    image.rgb.clear();
    JpegReader reader(error, warnings);
    bool ok = reader.readHeader(file) && reader.start(1, 3);
    if (ok) {
        const size_t rowBytes = static_cast<size_t>(reader.outWidth()) * 3;
        image.rgb.resize(rowBytes * static_cast<size_t>(reader.outHeight()));
        image.rows.resize(static_cast<size_t>(reader.outHeight()));
        for (size_t r = 0; r < image.rows.size(); ++r)
            image.rows[r] = image.rgb.data() + r * rowBytes;
        ok = reader.read(image.rows.data(), reader.outHeight()) == reader.outHeight() && reader.finish();
    }
    if (!ok) {
        image.rgb.clear();
        return false;
    }
    image.width = reader.outWidth();
    image.height = reader.outHeight();
    return true;
}
