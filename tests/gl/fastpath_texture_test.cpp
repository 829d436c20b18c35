// The fast texture path against GLU and against the one-at-a-time scan.
#include "assets/asset_report.h"
#include "assets/gfx.h"
#include "assets/texture_prep.h"
#include "base/config.h"
#include "engine/scan.h"
#include "render/draw_path.h"
#include "render/texture_upload.h"
#include "support/gl_fixture.h"
#include "support/make_jpeg.h"
#include "support/temp_dir.h"
#include "tests/gl/render_util.h"

#include <GL/glu.h>
#include <cmath>
#include <sys/stat.h>
#include <thread>

using FastPathTexture = GLTest;

// Every level has GLU's size for every kind of side (powers, not, one pixel), and every texel of the
// chain is within a few levels of GLU's: the scalers round differently, the halving is the same.
TEST_F(FastPathTexture, MipChainMatchesGluBuild2DMipmaps) {
    const int sizes[][2] = {{300, 200}, {1920, 1080}, {64, 64}, {1, 1},  {3, 5},
                            {1000, 20}, {700, 700},   {6, 12},  {1, 40}, {17, 1}};
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    for (const auto& [w, h] : sizes) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        std::vector<uint8_t> rgb; // detail in both directions
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                rgb.insert(rgb.end(),
                           {uint8_t(128 + 120 * std::sin(x * 0.21)), uint8_t((x * 5 + y * 3) & 255),
                            uint8_t(128 + 120 * std::cos(y * 0.13))});
        GLuint id;
        glGenTextures(1, &id);
        glBindTexture(GL_TEXTURE_2D, id);
        ASSERT_EQ(gluBuild2DMipmaps(GL_TEXTURE_2D, 4, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data()), 0);
        // GLU turns a one-row picture of width not a power of two into transparent black; ours scales it.
        const bool gluLosesRow = h == 1 && texturePowerOfTwo(w) != w;
        int lw = 0, lh = 0;
        textureLevelSize(w, h, maxTextureSize(), lw, lh);
        std::vector<uint8_t> ours(size_t(lw) * lh * 4), glu, next;
        std::vector<float> scratch;
        scaleToRGBA(rgb.data(), w, h, ours.data(), lw, lh, scratch);
        for (int lv = 0;; ++lv) {
            GLint gw = 0, gh = 0;
            glGetTexLevelParameteriv(GL_TEXTURE_2D, lv, GL_TEXTURE_WIDTH, &gw);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, lv, GL_TEXTURE_HEIGHT, &gh);
            ASSERT_EQ(std::make_pair(gw, gh), std::make_pair(lw, lh)) << "level " << lv;
            glu.resize(ours.size());
            glGetTexImage(GL_TEXTURE_2D, lv, GL_RGBA, GL_UNSIGNED_BYTE, glu.data());
            int worst = 0;
            for (size_t i = 0; i < glu.size(); ++i)
                worst = std::max(worst, std::abs(glu[i] - ours[i]));
            EXPECT_TRUE(gluLosesRow ? ours[3] == 255 : worst <= 4) << "level " << lv << ": " << worst;
            if (lw == 1 && lh == 1) break;
            next.resize(size_t(std::max(lw / 2, 1)) * std::max(lh / 2, 1) * 4);
            halveRGBA(ours.data(), lw, lh, next.data());
            ours.swap(next);
            lw = std::max(lw / 2, 1);
            lh = std::max(lh / 2, 1);
        }
        glDeleteTextures(1, &id);
    }
    // Above the largest size both sides are halved together.
    int w, h;
    textureLevelSize(1920, 1080, 1024, w, h);
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(1024, 512));
}

// The scan with decoding on worker threads registers the same textures in the same order, with the
// same reports, as the one-at-a-time scan; broken files and a folder named like a picture among them.
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

    // Per texture "name w x h", then per report "file: message E|W".
    auto scan = [&](DrawPath path) {
        std::vector<std::string> textures, reports;
        InDir in(show.dir());
        drawPath = path;
        assetReport.clear();
        const bool print = assetReport.print;
        assetReport.print = false;
        scanData();
        assetReport.print = print;
        drawPath = DrawPath::Arrays;
        for (texture_type* t = gfx.textures; t; t = t->next)
            textures.push_back(t->name + " " + std::to_string(t->width) + "x" + std::to_string(t->height));
        for (const Diagnostic& d : assetReport.diagnostics)
            reports.push_back(d.file + ": " + d.message + (d.severity == Diagnostic::Error ? " E" : " W"));
        assetReport.clear();
        gfxClear();
        return std::make_pair(textures, reports);
    };
    const auto [textures, reports] = scan(DrawPath::Immediate);
    EXPECT_EQ(scan(DrawPath::Arrays), std::make_pair(textures, reports));
    ASSERT_GE(textures.size(), 10u); // the nine pictures and Zed.JPG at least
    EXPECT_EQ(textures.front().substr(0, 7), "p8.jpg ");
    EXPECT_GE(reports.size(), 3u); // broken, empty, folder at least
}

// The upload that follows a preparation on another thread row by row (decoded on a helper thread,
// rows given back once uploaded) makes the texture that uploading the finished chain makes.
TEST_F(FastPathTexture, UploadFollowingThePreparationMakesTheSameTexture) {
    TempShow show;
    show.write("p.jpg", makeJpeg(3000, 1500, [](int x, int y) -> std::array<uint8_t, 4> {
                   return {uint8_t(x / 12), uint8_t(y / 6), uint8_t((x * 7 + y * 13) & 63), 0};
               }));
    InDir in(show.dir());
    auto levels = [] {
        std::vector<std::vector<uint8_t>> chain;
        glBindTexture(GL_TEXTURE_2D, GLuint(getTexture(getTextureNum("p.jpg"), 0)));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        for (GLint lv = 0, w = 2, h = 2; w * h > 1; ++lv) {
            glGetTexLevelParameteriv(GL_TEXTURE_2D, lv, GL_TEXTURE_WIDTH, &w);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, lv, GL_TEXTURE_HEIGHT, &h);
            chain.emplace_back(size_t(w) * h * 4);
            glGetTexImage(GL_TEXTURE_2D, lv, GL_RGBA, GL_UNSIGNED_BYTE, chain.back().data());
        }
        glBindTexture(GL_TEXTURE_2D, 0);
        gfxClear();
        return chain;
    };
    loadTexture("data/p.jpg", true, false);
    const auto finished = levels();
    ASSERT_EQ(finished.size(), 12u); // 2048 x 1024 down to 1 x 1

    PreparedTexture p;
    p.helperFrom = 0;
    p.keepUpTo = 0;
    p.followed = true;
    p.progress.reset();
    const int maxSize = maxTextureSize();
    std::thread worker([&] { prepareTexture("data/p.jpg", p, true, maxSize); });
    uploadTexture("data/p.jpg", p);
    worker.join();
    EXPECT_TRUE(levels() == finished);
    EXPECT_EQ(p.mips.capacity(), 0u) << "the chain is given back";
}
