#include "assets/jpeg_decode.h"

#include <csetjmp>
#include <jpeglib.h>
// after jpeglib.h, which it needs
#include <jerror.h>
#include <string>

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

// What a refusal of the decoder means for the author, after its own words:
// the kinds of JPEG that real files use and the decoder cannot read.
std::string explained(j_common_ptr cinfo) {
    const jpeg_error_mgr& err = *cinfo->err;
    std::string text = messageText(cinfo);
    if (err.msg_code == JERR_SOF_UNSUPPORTED) {
        const int sof = err.msg_parm.i[0];
        const bool lossless = (sof & 3) == 3;                       // 0xc3, 0xc7, 0xcb, 0xcf
        const bool hierarchical = (sof & 4) != 0 && (sof & 3) != 0; // 0xc5 to 0xc7, 0xcd to 0xcf
        if (lossless || hierarchical)
            text += std::string(": it is a ") + (lossless ? "lossless" : "hierarchical") +
                    " JPEG, which the decoder cannot read: save it again as an ordinary (baseline) JPEG "
                    "in a program that reads it";
    } else if (err.msg_code == JERR_ARITH_NOTIMPL) {
        text += ": it is an arithmetic-coded JPEG, which this decoder cannot read: save it again "
                "Huffman-coded, e.g. 'jpegtran -copy all IN.jpg > OUT.jpg'";
    } else if (err.msg_code == JERR_CONVERSION_NOTIMPL) {
        const j_decompress_ptr d = reinterpret_cast<j_decompress_ptr>(cinfo);
        text += ": its colours are stored as " + std::to_string(d->num_components) +
                " components of no colour space that turns into RGB: save it again as an RGB JPEG";
    }
    return text;
}

void onError(j_common_ptr cinfo) {
    ErrorManager* mgr = reinterpret_cast<ErrorManager*>(cinfo->err);
    *mgr->error = explained(cinfo);
    std::longjmp(mgr->escape, 1);
}

// CMYK as the decoder gives it to RGB: each colour is what its ink and the
// black ink leave of the white. Adobe's files (the marker says so) store every
// ink inverted, 255 for none.
void cmykToRgb(const uint8_t* cmyk, uint8_t* out, int width, int bytesPerPixel, bool inverted) {
    for (int x = 0; x < width; ++x, cmyk += 4, out += bytesPerPixel) {
        const int k = inverted ? cmyk[3] : 255 - cmyk[3];
        for (int i = 0; i < 3; ++i) {
            const int c = inverted ? cmyk[i] : 255 - cmyk[i];
            out[i] = static_cast<uint8_t>((c * k + 127) / 255);
        }
        if (bytesPerPixel == 4) out[3] = 255;
    }
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
    // A CMYK or YCCK picture is decoded to CMYK a row at a time into `ink`
    // and turned into the caller's rows.
    bool cmyk = false, inverted = false;
    int bytesPerPixel = 3;
    std::vector<uint8_t> ink;
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
    // Greyscale and YCbCr both convert to RGB; CMYK and YCCK come as CMYK,
    // which read() turns into RGB.
    state->cmyk = c.jpeg_color_space == JCS_CMYK || c.jpeg_color_space == JCS_YCCK;
    state->inverted = c.saw_Adobe_marker;
    state->bytesPerPixel = bytesPerPixel;
    c.out_color_space = state->cmyk ? JCS_CMYK : bytesPerPixel == 4 ? JCS_EXT_RGBA : JCS_RGB;
    jpeg_start_decompress(&c);
    if (state->cmyk) state->ink.resize(static_cast<size_t>(c.output_width) * 4);
    if (c.output_components != (state->cmyk ? 4 : bytesPerPixel)) {
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
    while (state->cmyk && stored < count && c.output_scanline < c.output_height) {
        JSAMPROW ink = state->ink.data();
        if (jpeg_read_scanlines(&c, &ink, 1) == 0) break;
        cmykToRgb(ink, rows[stored], static_cast<int>(c.output_width), state->bytesPerPixel, state->inverted);
        ++stored;
    }
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
