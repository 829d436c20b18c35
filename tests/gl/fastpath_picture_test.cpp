// The fast paths draw what the reference (immediate) way draws, pixel by pixel.
#include "assets/gfx.h"
#include "base/engine.h"
#include "base/timer.h"
#include "cli/modes.h"
#include "engine/offline.h"
#include "render/draw_path.h"
#include "render/effect.h"
#include "render/texture_upload.h"
#include "script/frame_step.h"
#include "script/script.h"
#include "support/make_jpeg.h"
#include "support/temp_dir.h"
#include "tests/gl/render_util.h"

#include <cmath>
#include <gtest/gtest.h>
#include <set>

namespace {

using Frame = std::vector<uint8_t>;

// The frames asked for of the show in `dir`, loaded and stepped as the program does, by `path`.
std::vector<Frame> render(const std::string& dir, DrawPath path, const std::set<int>& frames) {
    std::vector<Frame> out;
    InDir in(dir);
    if (!in.ok) return out;
    drawPath = path;
    script.reset();
    engine = CMain{};
    Offscreen frame;
    if (openOffline(Options{}, frame)) {
        effect.present = false;
        for (int i = 0; i <= *frames.rbegin() && !engine.ended; ++i) {
            if (frames.count(i)) {
                effect.DrawGLScene();
                frame.readRGB(out.emplace_back());
            } else {
                stepFrame();
            }
            timer.getTime();
        }
    }
    gfxClear();
    script.reset();
    frame.close();
    drawPath = DrawPath::Arrays;
    return out;
}

// No colour channel of any pixel further apart than `tolerance`.
void expectSame(const std::string& dir, const std::set<int>& frames, int tolerance) {
    const std::vector<Frame> reference = render(dir, DrawPath::Immediate, frames);
    const std::vector<Frame> fast = render(dir, DrawPath::Arrays, frames);
    ASSERT_EQ(reference.size(), frames.size());
    ASSERT_EQ(fast.size(), frames.size());
    auto at = frames.begin();
    for (size_t i = 0; i < reference.size(); ++i, ++at) {
        int worst = 0;
        for (size_t k = 0; k < reference[i].size(); ++k)
            worst = std::max(worst, std::abs(reference[i][k] - fast[i][k]));
        EXPECT_LE(worst, tolerance) << "frame " << *at;
    }
    EXPECT_TRUE(std::any_of(reference.begin(), reference.end(), [](const Frame& f) {
        return *std::max_element(f.begin(), f.end()) > 0;
    })) << "drew nothing";
}

std::string photo(int w, int h) {
    return makeJpeg(w, h, [](int x, int y) -> std::array<uint8_t, 4> {
        return {static_cast<uint8_t>(128 + 100 * std::sin(x * 0.05)), static_cast<uint8_t>((x ^ y) & 255),
                static_cast<uint8_t>(128 + 100 * std::cos(y * 0.07)), 0};
    });
}

const std::string kHead = "Default 640x480\n@sync\n";

} // namespace

// Image layers in runs that share a texture and state (one array of quads), broken by a colour, a
// turn and a wireframe layer; 300 x 200 is rescaled, and the two scalers round up to 4 levels apart.
TEST(FastPathPicture, ImageLayersStayWithinTheScalersRounding) {
    TempShow show;
    show.write("odd.jpg", photo(300, 200));
    show.write("even.jpg", photo(256, 256));
    std::string text = kHead;
    for (int i = 0; i < 12; ++i)
        text += "0 track " + std::to_string(i + 1) + " type 1 blendFunc GL_SRC_ALPHA GL_ONE object " +
                (i % 4 < 2 ? "odd.jpg" : "even.jpg") + " duration 10.0 move " + std::to_string(i * 40) + " " +
                std::to_string(i * 25) + " to " + std::to_string(400 - i * 30) +
                " 100 opacity 0.4 scale 1 1 1 to 0.3 0.5 1" + (i == 6 ? " color 1 0.5 0.5" : "") +
                (i == 9 ? " rotate 0 0 1 angle 0 to 30" : "") + (i == 10 ? " wireframe" : "") + "\n";
    show.script(text);
    expectSame(show.dir(), {0, 50, 120}, 4);
}

// The bundled show (mapped models, envmap, wireframe), a frame every 2 s; its pictures are powers
// of two, so the mip chains agree with GLU's to the texel.
TEST(FastPathPicture, BundledShowIsIdentical) {
    std::set<int> frames;
    for (int i = 0; i < 78 * 60; i += 120)
        frames.insert(i);
    expectSame(TAMARACK_SOURCE_DIR, frames, 0);
}
