#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The picture formats other than JPEG that the show reads, by the ending of
// the file name: PNG through libpng, BMP and TGA through SDL2_image.
enum class PictureFormat { Jpeg, Png, Bmp, Tga };

// The format a picture's name says, from the same endings the scan takes
// ("jpg", "png", "bmp", "tga", all small or all capital); Jpeg for any other.
PictureFormat pictureFormat(const std::string& name);

// A whole decoded picture: 8-bit RGBA, row 0 the top row, with the alpha the
// file holds (255 where it holds none).
struct RgbaPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba; // width * height * 4 bytes
};

// Decodes the PNG, BMP or TGA file at `path`. False with the reason in
// `error` when it cannot be read; warnings of a readable file in `warnings`.
bool decodePicture(const std::string& path, PictureFormat format, RgbaPicture& picture, std::string& error,
                   std::vector<std::string>& warnings);
