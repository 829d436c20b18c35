#include "assets/gfx.h"
#include "render/texture_upload.h"
#include "support/gl_fixture.h"
#include "support/make_jpeg.h"
#include "support/make_picture.h"
#include "support/temp_dir.h"
#include "tests/gl/render_util.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

// The loader reads data/NAME relative to the show folder.
class Textures : public GLTest {
  protected:
    void TearDown() override {
        gfxClear();
        GLTest::TearDown();
    }
    // Loads data/NAME and returns what was printed on stderr.
    std::string load(const std::string& name) {
        testing::internal::CaptureStderr();
        loadTexture("data/" + name, true, false);
        return testing::internal::GetCapturedStderr();
    }
    TempShow show;
    InDir in{show.dir()};
};

using Rgba = std::array<uint8_t, 4>;

} // namespace

// Every texel opaque, the picture's top row texture row 0, greyscale as grey RGB.
TEST_F(Textures, TexelsAreOpaqueAndTheTopRowIsTextureRowZero) {
    const Rgba red{255, 0, 0}, blue{0, 0, 255}, dark{40, 40, 40}, light{220, 220, 220};
    const struct {
        int w, h; // 300 x 200 is rescaled by GLU but keeps its own size in the record
        JpegKind kind;
        Rgba top, bottom;
    } cases[] = {{64, 32, JpegKind::Rgb, red, blue},
                 {300, 200, JpegKind::Rgb, red, blue},
                 {16, 16, JpegKind::Grey, dark, light},
                 // Inverted inks: cyan, magenta, yellow and black all 255 for none.
                 {300, 200, JpegKind::Cmyk, Rgba{255, 0, 0, 255}, Rgba{0, 0, 255, 255}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        gfxClear();
        const PixelFunction halves = [&](int, int y) { return y < c.h / 2 ? c.top : c.bottom; };
        show.write("pic.jpg", makeJpeg(c.w, c.h, halves, c.kind));
        EXPECT_EQ(load("pic.jpg"), "");
        ASSERT_EQ(getTextureNum("pic.jpg"), 0);
        EXPECT_EQ(getTexture(0, 1), c.w);
        EXPECT_EQ(getTexture(0, 2), c.h);

        GLint w = 0, h = 0, level1 = 0;
        glBindTexture(GL_TEXTURE_2D, GLuint(getTexture(0, 0)));
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &level1);
        std::vector<uint8_t> t(size_t(w) * h * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, t.data());
        ASSERT_GT(w * h, 0);
        EXPECT_EQ(level1, std::max(1, w / 2)) << "mipmaps are built";
        for (size_t i = 3; i < t.size(); i += 4)
            ASSERT_EQ(t[i], 255) << "texel " << i / 4;
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(t[size_t(w / 2) * 4 + k], c.top[k], 30) << "top, channel " << k;
            EXPECT_NEAR(t[(size_t(h - 1) * w + w / 2) * 4 + k], c.bottom[k], 30) << "bottom, channel " << k;
        }
    }
}

// Undecodable pictures (JPEG, PNG, BMP, TGA) print the decoder's message and register nothing; a cut
// one loads, warned.
TEST_F(Textures, FaultyPicturesPrintTheDecodersMessage) {
    const std::string good = solidJpeg(8, 8);
    const std::string whole = makeJpeg(64, 64, [](int x, int y) {
        return Rgba{uint8_t(x * 4), uint8_t(y * 4)};
    });
    const PixelFunction two = [](int, int) { return Rgba{10, 20, 30, 40}; };
    const std::string twoComponents = makeJpeg(8, 8, two, JpegKind::Two);
    // A lossless JPEG: the frame marker of the process says so, and the
    // decoder stops there.
    std::string lossless = good;
    lossless[lossless.find("\xFF\xC0") + 1] = '\xC3';
    std::filesystem::create_directory(show.data("folder.jpg"));
    std::filesystem::create_symlink("nowhere", show.data("dangling.jpg"));
    const struct {
        const char* name;
        std::string bytes; // not written when the name is already there
        const char* message;
        int width; // in the record; -1: nothing registered
    } cases[] = {
        {"empty.jpg", "", "Empty input file; not loaded", -1},
        {"text.jpg", "hello", "Not a JPEG file: starts with 0x68 0x65; not loaded", -1},
        {"two.jpg", twoComponents,
         "Unsupported color conversion request: its colours are stored as 2 components of no colour space "
         "that turns into RGB: save it again as an RGB JPEG; not loaded",
         -1},
        {"lossless.jpg", lossless,
         "Unsupported JPEG process: SOF type 0xc3: it is a lossless JPEG, which the decoder cannot read: "
         "save "
         "it again as an ordinary (baseline) JPEG in a program that reads it; not loaded",
         -1},
        {"folder.jpg", "", "Is a directory; not loaded", -1},
        {"dangling.jpg", "", "No such file or directory; not loaded", -1},
        {"cut.jpg", whole.substr(0, whole.size() / 2), "Premature end of JPEG file", 64},
        {"text.png", "hello", "Not a PNG file: starts with 0x68 0x65; not loaded", -1},
        {"short.png", "h", "Not a PNG file: it is too short; not loaded", -1},
        {"text.bmp", "hello", "File is not a Windows BMP file; not loaded", -1},
        {"text.tga", "hello", "Error reading TGA data; not loaded", -1},
        {"good.jpg", good, nullptr, 8}, // the decoder still works after the faults
    };
    for (const auto& c : cases) {
        gfxClear();
        if (!std::filesystem::exists(show.data(c.name)) && !std::filesystem::is_symlink(show.data(c.name)))
            show.write(c.name, c.bytes);
        EXPECT_EQ(load(c.name),
                  c.message ? "tamarack: data/" + std::string(c.name) + ": " + c.message + "\n" : "");
        EXPECT_EQ(gfx.textures == nullptr, c.width < 0) << c.name;
        EXPECT_EQ(getTexture(getTextureNum(c.name), 1), c.width) << c.name;
    }
}

// CMYK and YCCK pictures (Adobe's inverted inks, as print work writes them)
// become the RGB that libjpeg-turbo's djpeg makes of them, texel for texel.
TEST_F(Textures, CmykAndYcckPicturesHaveTheColoursOfTheReferenceDecoder) {
    const int W = 64, H = 32;
    // Left: no black and no cyan ink (red); right: inks that leave a dark brown.
    const PixelFunction inks = [](int x, int y) {
        return x < 32 ? Rgba{255, 0, 0, 255} : Rgba{uint8_t(200 - y), 100, 50, uint8_t(100 + y)};
    };
    for (const JpegKind kind : {JpegKind::Cmyk, JpegKind::Ycck}) {
        SCOPED_TRACE(kind == JpegKind::Cmyk ? "CMYK" : "YCCK");
        gfxClear();
        show.write("ink.jpg", makeJpeg(W, H, inks, kind));
        EXPECT_EQ(load("ink.jpg"), "");
        ASSERT_EQ(getTexture(0, 1), W);
        std::vector<uint8_t> t(size_t(W) * H * 4);
        glBindTexture(GL_TEXTURE_2D, GLuint(getTexture(0, 0)));
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, t.data());

        ASSERT_EQ(std::system("djpeg -pnm -outfile data/ink.ppm data/ink.jpg"), 0);
        std::FILE* f = std::fopen("data/ink.ppm", "rb");
        ASSERT_NE(f, nullptr);
        int w = 0, h = 0, most = 0;
        ASSERT_EQ(std::fscanf(f, "P6 %d %d %d", &w, &h, &most), 3);
        std::fgetc(f);
        std::vector<uint8_t> ref(size_t(W) * H * 3);
        ASSERT_EQ(std::fread(ref.data(), 1, ref.size(), f), ref.size());
        std::fclose(f);
        ASSERT_EQ(w, W);
        ASSERT_EQ(h, H);
        int worst = 0;
        for (size_t i = 0; i < size_t(W) * H; ++i)
            for (int k = 0; k < 3; ++k)
                worst = std::max(worst, std::abs(t[i * 4 + k] - ref[i * 3 + k]));
        EXPECT_LE(worst, 1);
        // Red on the left; C * K / 255 on the right (row 0: 200 * 100 / 255).
        EXPECT_NEAR(t[(8 * W + 8) * 4], 255, 3);
        EXPECT_NEAR(t[(8 * W + 8) * 4 + 1], 0, 3);
        EXPECT_NEAR(t[48 * 4], 78, 4);
        EXPECT_NEAR(t[48 * 4 + 1], 39, 4);
        EXPECT_NEAR(t[48 * 4 + 2], 20, 4);
    }
}

// PNG, BMP and TGA pictures keep their orientation (texture row 0 the top row, whatever the order the
// file stores its rows in) and their alpha: 255 where the file holds none.
TEST_F(Textures, PngBmpAndTgaKeepTheirTopRowAndTheirAlpha) {
    const RgbaFunction halves = [](int, int y) { return y < 8 ? Rgba{255, 0, 0, 255} : Rgba{0, 0, 255, 64}; };
    const struct {
        const char* name;
        std::string bytes;
        int bottomAlpha;
    } cases[] = {{"p.png", makePng(20, 16, halves), 64},
                 {"p.BMP", makeBmp(20, 16, halves), 255},
                 {"p.tga", makeTga(20, 16, halves), 64}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        gfxClear();
        show.write(c.name, c.bytes);
        EXPECT_EQ(load(c.name), "");
        ASSERT_EQ(getTextureNum(c.name), 0);
        EXPECT_EQ(getTexture(0, 1), 20);
        EXPECT_EQ(getTexture(0, 2), 16);
        GLint w = 0, h = 0;
        glBindTexture(GL_TEXTURE_2D, GLuint(getTexture(0, 0)));
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        std::vector<uint8_t> t(size_t(w) * h * 4);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, t.data());
        const uint8_t* top = &t[size_t(w / 2) * 4];
        const uint8_t* bottom = &t[(size_t(h - 1) * w + w / 2) * 4];
        EXPECT_EQ((Rgba{top[0], top[1], top[2], top[3]}), (Rgba{255, 0, 0, 255}));
        EXPECT_EQ((Rgba{bottom[0], bottom[1], bottom[2], bottom[3]}),
                  (Rgba{0, 0, 255, uint8_t(c.bottomAlpha)}));
    }
}
