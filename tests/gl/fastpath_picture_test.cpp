// The fast paths draw the same picture as the reference (immediate) way:
// shows rendered both ways, frame by frame, and compared pixel by pixel.
#include "assets/asset_report.h"
#include "assets/gfx.h"
#include "engine/config.h"
#include "engine/engine.h"
#include "engine/modes.h"
#include "engine/offline.h"
#include "engine/timer.h"
#include "render/draw_path.h"
#include "render/effect.h"
#include "script/script.h"
#include "support/make_jpeg.h"
#include "support/temp_dir.h"
#include "timeline/frame_step.h"
#include "tools/tds_writer.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

namespace {

using Frame = std::vector<uint8_t>;

// How far two frames are apart.
struct Difference {
    int maxChannel = 0; // the largest difference of one colour channel
    int pixels = 0;     // pixels that differ at all
    int farPixels = 0;  // pixels that differ by more than 8 in a channel
};

Difference compare(const Frame& a, const Frame& b) {
    Difference d;
    for (size_t i = 0; i < a.size(); i += 3) {
        int m = 0;
        for (int k = 0; k < 3; ++k)
            m = std::max(m, std::abs(a[i + k] - b[i + k]));
        d.maxChannel = std::max(d.maxChannel, m);
        if (m > 0) ++d.pixels;
        if (m > 8) ++d.farPixels;
    }
    return d;
}

// Loads the show in `dir` as the program does, by `path`, and draws the frames
// of the virtual clock up to the last one asked for; returns the frames asked
// for (the others are only stepped).
std::vector<Frame> render(const std::string& dir, DrawPath path, const std::set<int>& frames) {
    char saved[4096];
    std::vector<Frame> out;
    if (!getcwd(saved, sizeof saved) || chdir(dir.c_str()) != 0) return out;
    drawPath = path;
    script.reset();
    engine = CMain{};
    Offscreen frame;
    Options opt;
    if (openOffline(opt, frame)) {
        effect.present = false;
        const int last = *frames.rbegin();
        for (int i = 0; i <= last && !engine.ended; ++i) {
            if (frames.count(i)) {
                effect.DrawGLScene();
                out.emplace_back();
                frame.readRGB(out.back());
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
    if (chdir(saved) != 0) out.clear();
    return out;
}

struct Tolerance {
    int maxChannel; // per channel, anywhere
    int farPixels;  // pixels beyond 8 levels in some channel
};

void expectSame(const std::string& dir, const std::set<int>& frames, Tolerance tol) {
    const std::vector<Frame> reference = render(dir, DrawPath::Immediate, frames);
    const std::vector<Frame> fast = render(dir, DrawPath::Arrays, frames);
    ASSERT_EQ(reference.size(), frames.size());
    ASSERT_EQ(fast.size(), frames.size());
    auto at = frames.begin();
    bool drewSomething = false;
    for (size_t i = 0; i < reference.size(); ++i, ++at) {
        const Difference d = compare(reference[i], fast[i]);
        EXPECT_LE(d.maxChannel, tol.maxChannel) << "frame " << *at << ", " << d.pixels << " pixels differ";
        EXPECT_LE(d.farPixels, tol.farPixels) << "frame " << *at;
        drewSomething |=
            std::any_of(reference[i].begin(), reference[i].end(), [](uint8_t v) { return v > 0; });
    }
    EXPECT_TRUE(drewSomething);
}

std::string photo(int w, int h) {
    return makeJpeg(w, h, [](int x, int y) -> std::array<uint8_t, 4> {
        return {static_cast<uint8_t>(128 + 100 * std::sin(x * 0.05)), static_cast<uint8_t>((x ^ y) & 255),
                static_cast<uint8_t>(128 + 100 * std::cos(y * 0.07)), 0};
    });
}

const char* kHead = "Default 640x480\n@sync\n";

} // namespace

// Identical, pixel for pixel: the same segments and colours, the same matrices.
TEST(FastPathPicture, BezierSheafIsIdentical) {
    TempShow show;
    show.script(std::string(kHead) +
                "0 track 1 scene 1 blend duration 10.0 angle 0 to 7000 rotate 1 0 0 translate 0 0 -40\n"
                "0 track 2 scene 1 wireframe duration 10.0\n");
    expectSame(show.dir(), {0, 40, 90}, {0, 0});
}

// A mapped model, a model without mapping coordinates (the position is its
// texture coordinate) and one with environment mapping (the normals feed it),
// on power-of-two textures: identical.
TEST(FastPathPicture, ModelsAreIdentical) {
    TempShow show;
    show.write("skin.jpg", photo(256, 128));
    tds::write(show.data("ring.3ds"), tds::torus("ring", "skin.jpg", 2.0f, 0.7f, 60, 20, 3, 2));
    tds::Mesh bare = tds::trefoil("knot", "skin.jpg", 0.8f, 0.3f, 80, 12);
    bare.mapcoords.clear();
    tds::write(show.data("knot.3ds"), bare);
    show.script(std::string(kHead) +
                "0 track 1 type 0 object ring.3ds duration 10.0 color 1 1 1 translate -2 0 -9 "
                "angle 0 to 400 rotate 0.2 1 0.3\n"
                "0 track 2 type 0 object knot.3ds duration 10.0 color 1 0.8 1 translate 2 0 -8 "
                "angle 0 to -300 rotate 1 0.2 0\n"
                "0 track 3 type 0 object ring.3ds envmap wireframe duration 10.0 translate 0 2 -12 "
                "angle 0 to 200 rotate 1 0 0\n");
    expectSame(show.dir(), {0, 30, 77}, {0, 0});
}

// Image layers, in runs that share a texture and state (drawn as one array of
// quads) broken by a colour, a turn and a wireframe layer, on a picture that
// GLU has to rescale (300 x 200 to 256 x 256):
// the texels of the two scalers differ by rounding (up to 4 levels here), and
// a layer drawn smaller than its texture samples the mip levels.
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
    expectSame(show.dir(), {0, 50, 120}, {4, 0});
}

// The bundled show, a frame every two seconds from start to end. Its pictures
// are powers of two, so the mip chains agree with GLU's to the texel.
TEST(FastPathPicture, BundledShowIsIdentical) {
    std::set<int> frames;
    for (int i = 0; i < 78 * 60; i += 120)
        frames.insert(i);
    expectSame(std::string(TAMARACK_SOURCE_DIR), frames, {0, 0});
}
