#include "assets/gfx.h"
#include "render/texture_upload.h"
#include "support/gl_fixture.h"
#include "support/make_jpeg.h"
#include "support/temp_dir.h"
#include "tests/gl/render_util.h"

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
                 {16, 16, JpegKind::Grey, dark, light}};
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

// Undecodable pictures print the decoder's message and register nothing; a cut one loads, warned.
TEST_F(Textures, FaultyPicturesPrintTheDecodersMessage) {
    const std::string good = solidJpeg(8, 8);
    const std::string whole = makeJpeg(64, 64, [](int x, int y) {
        return Rgba{uint8_t(x * 4), uint8_t(y * 4)};
    });
    const PixelFunction ink = [](int, int) { return Rgba{10, 20, 30, 40}; };
    const std::string cmyk = makeJpeg(8, 8, ink, JpegKind::Cmyk);
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
        {"cmyk.jpg", cmyk, "Unsupported color conversion request; not loaded", -1},
        {"folder.jpg", "", "Is a directory; not loaded", -1},
        {"dangling.jpg", "", "No such file or directory; not loaded", -1},
        {"cut.jpg", whole.substr(0, whole.size() / 2), "Premature end of JPEG file", 64},
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
