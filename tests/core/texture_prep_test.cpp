#include "assets/texture_prep.h"
#include "support/make_jpeg.h"
#include "support/temp_dir.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

// Photo-like: smooth colour fields with fine detail in both directions.
std::array<uint8_t, 4> photo(int x, int y) {
    const int d = ((x * 7 + y * 13) * 2654435761u >> 24) & 15;
    return {uint8_t(120 + 90 * std::sin(x * 0.05 + std::cos(y * 0.03)) + d),
            uint8_t(120 + 90 * std::sin(y * 0.07 + x * 0.02) + d),
            uint8_t(120 + 90 * std::cos(x * 0.04 - y * 0.05) + d), 0};
}

} // namespace

// The chain made from the decoder's rows is the whole picture's, byte for byte
// (within 4 levels when decoded smaller in the DCT); the size is the picture's.
TEST(TexturePrep, ChainFromTheDecodersRowsMatchesTheWholePicture) {
    const struct {
        int w, h, maxSize, denominator;
        JpegKind kind;
        bool helper;
    } cases[] = {
        {300, 200, 16384, 1, JpegKind::Rgb, true},  // scaled, the row window wrapping, helper thread
        {1000, 20, 16384, 1, JpegKind::Rgb, false}, // wider than tall, down to one row
        {64, 32, 16384, 1, JpegKind::Rgb, false},   // decoded straight into level 0
        {16, 64, 16384, 1, JpegKind::Grey, false},  // grey, straight, a column at the end
        {2000, 300, 256, 4, JpegKind::Rgb, true},   // larger than the texture, helper thread
        {1024, 512, 256, 4, JpegKind::Grey, false}, // ... grey, then of its size: straight
    };
    TempShow show;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " max " << c.maxSize);
        show.write("p.jpg", makeJpeg(c.w, c.h, photo, c.kind));
        PreparedTexture p;
        p.helperFrom = c.helper ? 0 : p.helperFrom;
        prepareTexture(show.data("p.jpg"), p, true, c.maxSize);
        ASSERT_TRUE(p.decoded) << p.error;
        EXPECT_EQ(p.dctDenominator, c.denominator);
        EXPECT_EQ(std::make_pair(p.width, p.height), std::make_pair(c.w, c.h));
        // Against the whole picture decoded, scaled to level 0, then halved.
        JpegImage image;
        std::string error;
        std::vector<std::string> warnings;
        std::FILE* f = std::fopen(show.data("p.jpg").c_str(), "rb");
        ASSERT_TRUE(f && decodeJpeg(f, image, error, warnings)) << error;
        std::fclose(f);
        int w = 0, h = 0;
        textureLevelSize(c.w, c.h, c.maxSize, w, h);
        std::vector<uint8_t> level(size_t(w) * h * 4), next;
        std::vector<float> scratch;
        scaleToRGBA(image.rgb.data(), image.width, image.height, level.data(), w, h, scratch);
        for (size_t k = 0; k < p.levels.size(); ++k) {
            int worst = 0;
            for (size_t i = 0; i < level.size(); ++i)
                worst = std::max(worst, std::abs(p.mips.data()[p.levels[k].offset + i] - level[i]));
            EXPECT_LE(worst, c.denominator == 1 ? 0 : 4) << "level " << k;
            EXPECT_EQ(k + 1 == p.levels.size(), w * h == 1) << "level " << k; // down to 1 x 1
            next.resize(size_t(std::max(w / 2, 1)) * std::max(h / 2, 1) * 4);
            halveRGBA(level.data(), w, h, next.data());
            level.swap(next);
            w = std::max(w / 2, 1);
            h = std::max(h / 2, 1);
        }
    }
}
