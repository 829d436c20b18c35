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

bool decodeJpeg(std::FILE* file, JpegImage& image, std::string& error, std::vector<std::string>& warnings) {
    // The pixel buffer keeps its capacity: a loader that decodes picture after
    // picture into the same image touches no fresh memory.
    image.width = 0;
    image.height = 0;
    image.rgb.clear();
    jpeg_decompress_struct cinfo;
    ErrorManager mgr;
    cinfo.err = jpeg_std_error(&mgr.pub);
    mgr.pub.error_exit = onError;
    mgr.pub.output_message = onMessage;
    mgr.error = &error;
    mgr.warnings = &warnings;
    std::vector<JSAMPROW>& rows = image.rows; // before setjmp: a longjmp skips no destructor
    if (setjmp(mgr.escape)) {
        jpeg_destroy_decompress(&cinfo);
        image.width = 0;
        image.height = 0;
        image.rgb.clear();
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    // Greyscale and YCbCr both convert to RGB; CMYK and YCCK cannot, and
    // libjpeg refuses them here with its "Unsupported color conversion" error.
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 3) {
        // Not reachable with libjpeg's RGB output; kept so that nothing below
        // can ever read past the rows.
        jpeg_destroy_decompress(&cinfo);
        error = "unexpected number of colour components";
        return false;
    }
    const size_t rowBytes = static_cast<size_t>(cinfo.output_width) * 3;
    image.width = static_cast<int>(cinfo.output_width);
    image.height = static_cast<int>(cinfo.output_height);
    image.rgb.resize(rowBytes * cinfo.output_height);
    rows.resize(cinfo.output_height);
    for (JDIMENSION r = 0; r < cinfo.output_height; ++r)
        rows[r] = image.rgb.data() + r * rowBytes;
    // Each call stores the rows still missing from the next unfilled one on,
    // so row 0 of the buffer is the top row of the picture.
    while (cinfo.output_scanline < cinfo.output_height) {
        JDIMENSION got = jpeg_read_scanlines(&cinfo, rows.data() + cinfo.output_scanline,
                                             cinfo.output_height - cinfo.output_scanline);
        if (got == 0) break; // a standard-I/O source never suspends; guard anyway
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}
