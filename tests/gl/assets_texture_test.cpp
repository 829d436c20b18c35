#include "assets/gfx.h"
#include "support/gl_fixture.h"
#include "support/make_jpeg.h"
#include "support/temp_dir.h"

#include <GL/gl.h>
#include <climits>
#include <filesystem>
#include <unistd.h>

namespace {

// Top half red, bottom half blue.
std::array<uint8_t, 4> redOverBlue(int, int y, int height) {
    return y < height / 2 ? std::array<uint8_t, 4>{255, 0, 0, 0} : std::array<uint8_t, 4>{0, 0, 255, 0};
}

// The loader reads data/NAME relative to the show folder.
class Textures : public GLTest {
  protected:
    void SetUp() override {
        GLTest::SetUp();
        ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
        ASSERT_EQ(chdir(show.dir().c_str()), 0);
    }
    void TearDown() override {
        gfxClear();
        ASSERT_EQ(chdir(saved), 0);
        GLTest::TearDown();
    }
    // Loads data/NAME and returns what was printed on stderr.
    std::string load(const std::string& name) {
        testing::internal::CaptureStderr();
        loadTexture("data/" + name, true, false);
        return testing::internal::GetCapturedStderr();
    }
    // Level 0 of texture `id` as RGBA, top row first.
    std::vector<uint8_t> texels(GLuint id, int& w, int& h) {
        glBindTexture(GL_TEXTURE_2D, id);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        std::vector<uint8_t> out(size_t(w) * h * 4);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
        glBindTexture(GL_TEXTURE_2D, 0);
        return out;
    }
    TempShow show;
    char saved[PATH_MAX] = {};
};

} // namespace

TEST_F(Textures, TexelsAreOpaqueAndTheTopRowIsTextureRowZero) {
    // 64 x 32 is uploaded as it is; 300 x 200 is rescaled by GLU but keeps its
    // own size in the record.
    struct Case {
        int w, h;
    } cases[] = {{64, 32}, {300, 200}};
    for (const Case& c : cases) {
        gfxClear();
        show.write("pic.jpg", makeJpeg(c.w, c.h, [&](int x, int y) { return redOverBlue(x, y, c.h); }));
        EXPECT_EQ(load("pic.jpg"), "");
        ASSERT_EQ(getTextureNum("pic.jpg"), 0);
        EXPECT_EQ(getTexture(0, 1), c.w);
        EXPECT_EQ(getTexture(0, 2), c.h);
        GLint bound = -1;
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
        EXPECT_EQ(bound, 0) << "the loader leaves texture 0 bound";

        int w = 0, h = 0;
        const std::vector<uint8_t> t = texels(GLuint(getTexture(0, 0)), w, h);
        ASSERT_GT(w * h, 0);
        size_t opaque = 0;
        for (size_t i = 3; i < t.size(); i += 4)
            opaque += t[i] == 255;
        EXPECT_EQ(opaque, size_t(w) * h) << c.w << "x" << c.h;
        const uint8_t* top = &t[size_t(w / 2) * 4];
        const uint8_t* bottom = &t[(size_t(h - 1) * w + w / 2) * 4];
        EXPECT_GT(top[0], 200);
        EXPECT_LT(top[2], 50);
        EXPECT_LT(bottom[0], 50);
        EXPECT_GT(bottom[2], 200);

        glBindTexture(GL_TEXTURE_2D, GLuint(getTexture(0, 0)));
        GLint minFilter = 0, magFilter = 0, levels1 = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &levels1);
        glBindTexture(GL_TEXTURE_2D, 0);
        EXPECT_EQ(minFilter, GL_LINEAR_MIPMAP_NEAREST);
        EXPECT_EQ(magFilter, GL_LINEAR);
        EXPECT_EQ(levels1, std::max(1, w / 2)) << "mipmaps are built";
    }
}

TEST_F(Textures, RegistryIsNewestFirstAndLookupsAreExact) {
    show.write("a.jpg", solidJpeg(8, 8));
    show.write("b.jpg", solidJpeg(16, 8));
    load("a.jpg");
    load("b.jpg");
    EXPECT_EQ(getTextureNum("b.jpg"), 0);
    EXPECT_EQ(getTextureNum("a.jpg"), 1);
    EXPECT_EQ(getTextureNum("A.jpg"), -1);
    EXPECT_EQ(getTexture(0, 1), 16);
    EXPECT_EQ(getTexture(1, 1), 8);
    EXPECT_NE(getTexture(0, 0), getTexture(1, 0));
    EXPECT_EQ(getTexture(0, 3), -1);
    EXPECT_EQ(getTexture(2, 0), -1); // beyond the last texture
    EXPECT_EQ(getTexture(-1, 1), -1);

    const GLuint id = GLuint(getTexture(0, 0));
    gfxClear();
    EXPECT_EQ(gfx.textures, nullptr);
    EXPECT_FALSE(glIsTexture(id));
}

TEST_F(Textures, GreyscalePicturesLoadAsRGB) {
    show.write("grey.jpg",
               makeJpeg(
                   16, 16, [](int, int y) { return std::array<uint8_t, 4>{uint8_t(y < 8 ? 40 : 220)}; },
                   JpegKind::Grey));
    EXPECT_EQ(load("grey.jpg"), "");
    ASSERT_EQ(getTextureNum("grey.jpg"), 0);
    int w = 0, h = 0;
    const std::vector<uint8_t> t = texels(GLuint(getTexture(0, 0)), w, h);
    ASSERT_EQ(w * h, 256);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(t[k], 40, 6);
        EXPECT_NEAR(t[(15 * 16) * 4 + k], 220, 6);
    }
    EXPECT_EQ(t[3], 255);
}

TEST_F(Textures, PicturesThatCannotBeDecodedAreSkippedWithTheDecodersMessage) {
    const std::string good = solidJpeg(8, 8);
    std::filesystem::create_directory(show.data("folder.jpg"));
    std::filesystem::create_symlink("nowhere", show.data("dangling.jpg"));
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"empty.jpg", "", "tamarack: data/empty.jpg: Empty input file; not loaded\n"},
        {"text.jpg", "hello",
         "tamarack: data/text.jpg: Not a JPEG file: starts with 0x68 0x65; not loaded\n"},
        {"header.jpg", good.substr(0, 2) + "\xFF\xC0\x00\x01" + good.substr(2),
         "tamarack: data/header.jpg: Bogus marker length; not loaded\n"},
        {"cmyk.jpg",
         makeJpeg(
             8, 8,
             [](int, int) {
                 return std::array<uint8_t, 4>{10, 20, 30, 40};
             },
             JpegKind::Cmyk),
         "tamarack: data/cmyk.jpg: Unsupported color conversion request; not loaded\n"},
        {"folder.jpg", "", "tamarack: data/folder.jpg: Is a directory; not loaded\n"},
        {"dangling.jpg", "", "tamarack: data/dangling.jpg: No such file or directory; not loaded\n"},
    };
    for (const Case& c : cases) {
        if (!std::filesystem::exists(show.data(c.name)) && !std::filesystem::is_symlink(show.data(c.name)))
            show.write(c.name, c.bytes);
        EXPECT_EQ(load(c.name), c.message);
        EXPECT_EQ(gfx.textures, nullptr) << c.name;
    }
    // The next picture still loads.
    show.write("good.jpg", good);
    EXPECT_EQ(load("good.jpg"), "");
    EXPECT_EQ(getTextureNum("good.jpg"), 0);
}

TEST_F(Textures, TruncatedPictureLoadsWhatWasDecodedWithTheWarning) {
    const std::string whole = makeJpeg(64, 64, [](int x, int y) {
        return std::array<uint8_t, 4>{uint8_t(x * 4), uint8_t(y * 4), 0};
    });
    show.write("cut.jpg", whole.substr(0, whole.size() / 2));
    EXPECT_EQ(load("cut.jpg"), "tamarack: data/cut.jpg: Premature end of JPEG file\n");
    ASSERT_EQ(getTextureNum("cut.jpg"), 0);
    EXPECT_EQ(getTexture(0, 1), 64);
    EXPECT_EQ(getTexture(0, 2), 64);
}
