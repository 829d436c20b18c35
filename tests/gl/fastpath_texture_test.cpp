// The fast texture path against GLU and against the one-at-a-time scan.
#include "assets/asset_report.h"
#include "assets/gfx.h"
#include "assets/texture_prep.h"
#include "engine/config.h"
#include "render/draw_path.h"
#include "support/gl_fixture.h"
#include "support/make_jpeg.h"
#include "support/temp_dir.h"

#include <GL/glu.h>
#include <algorithm>
#include <cmath>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A picture with detail in both directions (RGB, row 0 at the top).
std::vector<uint8_t> pattern(int w, int h) {
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = static_cast<uint8_t>(128 + 120 * std::sin(x * 0.21));
            p[1] = static_cast<uint8_t>((x * 5 + y * 3) & 255);
            p[2] = static_cast<uint8_t>(128 + 120 * std::cos(y * 0.13));
        }
    return rgb;
}

std::vector<uint8_t> level(int lv, int& w, int& h) {
    glGetTexLevelParameteriv(GL_TEXTURE_2D, lv, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, lv, GL_TEXTURE_HEIGHT, &h);
    std::vector<uint8_t> px(static_cast<size_t>(w) * h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, lv, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    return px;
}

class FastPathTexture : public GLTest {};

} // namespace

// Level 0 has GLU's size for every kind of side (below, above, exact powers,
// one-pixel sides), and every texel of the chain is within a few levels of
// GLU's: the scaler's rounding differs, the halving is the same.
TEST_F(FastPathTexture, MipChainMatchesGluBuild2DMipmaps) {
    const int sizes[][2] = {{300, 200}, {1920, 1080}, {64, 64}, {1, 1},  {3, 5},
                            {1000, 20}, {700, 700},   {6, 12},  {1, 40}, {17, 1}};
    for (const auto& s : sizes) {
        const int w = s[0], h = s[1];
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const std::vector<uint8_t> rgb = pattern(w, h);
        std::vector<uint8_t> rgba(rgb.size() / 3 * 4);
        for (size_t i = 0; i < rgb.size() / 3; ++i) {
            std::copy_n(&rgb[i * 3], 3, &rgba[i * 4]);
            rgba[i * 4 + 3] = 255;
        }
        GLuint ids[2];
        glGenTextures(2, ids);
        glBindTexture(GL_TEXTURE_2D, ids[0]);
        ASSERT_EQ(gluBuild2DMipmaps(GL_TEXTURE_2D, 4, w, h, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data()), 0);

        // GLU's scaler turns a one-row picture whose width is not a power of
        // two into transparent black; ours scales it like any other.
        const bool gluLosesRow = h == 1 && texturePowerOfTwo(w) != w;
        int lw = 0, lh = 0;
        textureLevelSize(w, h, maxTextureSize(), lw, lh);
        std::vector<uint8_t> ours(static_cast<size_t>(lw) * lh * 4);
        std::vector<float> scratch;
        scaleToRGBA(rgb.data(), w, h, ours.data(), lw, lh, scratch);

        for (int lv = 0;; ++lv) {
            int gw, gh;
            glBindTexture(GL_TEXTURE_2D, ids[0]);
            const std::vector<uint8_t> glu = level(lv, gw, gh);
            ASSERT_EQ(gw, lw) << "level " << lv;
            ASSERT_EQ(gh, lh) << "level " << lv;
            int worst = 0;
            for (size_t i = 0; i < glu.size(); ++i)
                worst = std::max(worst, std::abs(glu[i] - ours[i]));
            if (gluLosesRow)
                EXPECT_EQ(ours[3], 255); // the picture is kept, opaque
            else
                EXPECT_LE(worst, 4) << "level " << lv;
            if (lw == 1 && lh == 1) break;
            std::vector<uint8_t> next(static_cast<size_t>(std::max(lw / 2, 1)) * std::max(lh / 2, 1) * 4);
            halveRGBA(ours.data(), lw, lh, next.data());
            ours.swap(next);
            lw = std::max(lw / 2, 1);
            lh = std::max(lh / 2, 1);
        }
        glDeleteTextures(2, ids);
    }
}

TEST(FastPathTextureSize, PowerOfTwoFollowsGlu) {
    const int cases[][2] = {{1, 1},       {2, 2},       {3, 4},      {5, 4},       {6, 8},
                            {7, 8},       {200, 256},   {300, 256},  {1080, 1024}, {1920, 2048},
                            {1024, 1024}, {1536, 2048}, {1535, 1024}};
    for (const auto& c : cases)
        EXPECT_EQ(texturePowerOfTwo(c[0]), c[1]) << c[0];
    int w, h;
    textureLevelSize(1920, 1080, 1024, w, h); // halved together
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 512);
    textureLevelSize(1, 3000, 1024, w, h); // a side stops at 1
    EXPECT_EQ(w, 1);
    EXPECT_EQ(h, 1024);
}

// The scan with decoding on worker threads registers the same textures in the
// same order, with the same reports, as the one-at-a-time scan; broken files
// and a folder whose name ends in jpg among them.
TEST_F(FastPathTexture, ScanOrderAndReportsMatchTheOneAtATimeScan) {
    TempShow show;
    for (int i = 0; i < 9; ++i)
        show.write("p" + std::to_string(i) + ".jpg", solidJpeg(40 + i * 13, 30 + i * 7, 10 * i, 200, 50));
    show.write("broken.jpg", "not a jpeg");
    show.write("empty.JPG", "");
    const std::string whole = solidJpeg(64, 64);
    show.write("cut.jpg", whole.substr(0, whole.size() / 2));
    show.write("Zed.JPG", solidJpeg(8, 8));
    ASSERT_EQ(mkdir(show.data("folder.jpg").c_str(), 0755), 0);
    show.write("m.3ds", "");

    struct Result {
        std::vector<std::string> names;
        std::vector<std::pair<int, int>> sizes;
        std::vector<std::string> reports;
    };
    auto scan = [&](DrawPath path) {
        Result r;
        char saved[4096];
        EXPECT_NE(getcwd(saved, sizeof saved), nullptr);
        EXPECT_EQ(chdir(show.dir().c_str()), 0);
        drawPath = path;
        assetReport.clear();
        const bool print = assetReport.print;
        assetReport.print = false;
        einit.dir();
        assetReport.print = print;
        drawPath = DrawPath::Arrays;
        for (texture_type* t = gfx.textures; t; t = t->next) {
            r.names.push_back(t->name);
            r.sizes.emplace_back(t->width, t->height);
        }
        for (const Diagnostic& d : assetReport.diagnostics)
            r.reports.push_back(d.file + ": " + d.message + (d.severity == Diagnostic::Error ? " E" : " W"));
        assetReport.clear();
        gfxClear();
        EXPECT_EQ(chdir(saved), 0);
        return r;
    };
    const Result reference = scan(DrawPath::Immediate);
    const Result fast = scan(DrawPath::Arrays);
    EXPECT_EQ(fast.names, reference.names);
    EXPECT_EQ(fast.sizes, reference.sizes);
    EXPECT_EQ(fast.reports, reference.reports);
    ASSERT_GE(reference.names.size(), 10u); // the nine pictures and Zed.JPG at least
    EXPECT_EQ(reference.names.front(), "p8.jpg");
    EXPECT_GE(reference.reports.size(), 3u); // broken, empty, folder at least
}
