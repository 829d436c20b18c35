#include "assets/picture_decode.h"

#include <SDL.h>
#include <SDL_image.h>
#include <cstdio>
#include <cstring>
#include <png.h>

PictureFormat pictureFormat(const std::string& name) {
    if (name.size() < 3) return PictureFormat::Jpeg;
    const std::string e = name.substr(name.size() - 3);
    if (e == "png" || e == "PNG") return PictureFormat::Png;
    if (e == "bmp" || e == "BMP") return PictureFormat::Bmp;
    if (e == "tga" || e == "TGA") return PictureFormat::Tga;
    return PictureFormat::Jpeg;
}

namespace {

// libpng's simplified reader: every kind of PNG (palette, grey, 16 bits,
// transparency chunks) comes out as 8-bit RGBA.
bool decodePng(const std::string& path, RgbaPicture& out, std::string& error,
               std::vector<std::string>& warnings) {
    // The signature first: libpng's own word for a file too short for it is
    // "Read Error".
    uint8_t head[8] = {};
    std::FILE* f = std::fopen(path.c_str(), "rb");
    const size_t got = f ? std::fread(head, 1, sizeof head, f) : 0;
    if (f) std::fclose(f);
    if (got < sizeof head || png_sig_cmp(head, 0, sizeof head) != 0) {
        char start[48] = "Not a PNG file: it is too short";
        if (got >= 2)
            std::snprintf(start, sizeof start, "Not a PNG file: starts with 0x%02x 0x%02x", head[0], head[1]);
        error = start;
        return false;
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        error = image.message;
        png_image_free(&image);
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    const size_t bytes = PNG_IMAGE_SIZE(image);
    if (image.width > 65535 || image.height > 65535) {
        error = "the picture is " + std::to_string(image.width) + " x " + std::to_string(image.height) +
                " pixels, more than 65535 on a side: make it smaller";
        png_image_free(&image);
        return false;
    }
    out.rgba.assign(bytes, 0);
    if (!png_image_finish_read(&image, nullptr, out.rgba.data(), 0, nullptr)) {
        error = image.message;
        png_image_free(&image);
        out.rgba.clear();
        return false;
    }
    if (image.warning_or_error & PNG_IMAGE_WARNING) warnings.push_back(image.message);
    out.width = static_cast<int>(image.width);
    out.height = static_cast<int>(image.height);
    png_image_free(&image);
    return true;
}

// SDL2_image's own BMP and TGA readers (they need no IMG_Init), the surface
// converted to RGBA bytes.
bool decodeWithSdlImage(const std::string& path, PictureFormat format, RgbaPicture& out, std::string& error) {
    SDL_RWops* file = SDL_RWFromFile(path.c_str(), "rb");
    if (!file) {
        error = SDL_GetError();
        return false;
    }
    SDL_Surface* read = format == PictureFormat::Bmp ? IMG_LoadBMP_RW(file) : IMG_LoadTGA_RW(file);
    SDL_RWclose(file);
    if (!read) {
        error = *IMG_GetError()                ? IMG_GetError()
                : format == PictureFormat::Bmp ? "not a BMP picture SDL2_image reads"
                                               : "not a TGA picture SDL2_image reads";
        return false;
    }
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(read, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(read);
    if (!rgba) {
        error = SDL_GetError();
        return false;
    }
    out.width = rgba->w;
    out.height = rgba->h;
    const size_t row = static_cast<size_t>(rgba->w) * 4;
    out.rgba.resize(row * static_cast<size_t>(rgba->h));
    SDL_LockSurface(rgba);
    for (int y = 0; y < rgba->h; ++y)
        std::memcpy(out.rgba.data() + static_cast<size_t>(y) * row,
                    static_cast<const uint8_t*>(rgba->pixels) + static_cast<size_t>(y) * rgba->pitch, row);
    SDL_UnlockSurface(rgba);
    SDL_FreeSurface(rgba);
    return true;
}

} // namespace

bool decodePicture(const std::string& path, PictureFormat format, RgbaPicture& picture, std::string& error,
                   std::vector<std::string>& warnings) {
    picture = RgbaPicture();
    const bool ok = format == PictureFormat::Png ? decodePng(path, picture, error, warnings)
                                                 : decodeWithSdlImage(path, format, picture, error);
    if (ok && (picture.width < 1 || picture.height < 1)) {
        error = "the picture has no pixels";
        return false;
    }
    return ok;
}
