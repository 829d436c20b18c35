// --render into PNG frames and a Y4M stream, and --shot, run as the real binary.
#include "support/media.h"
#include "support/run.h"
#include "support/temp_dir.h"
#include "tests/gl/render_util.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

bool black(const Image& img) {
    return !img.rgb.empty() && std::all_of(img.rgb.begin(), img.rgb.end(), [](uint8_t v) { return v == 0; });
}

std::vector<std::string> listFolder(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// frame-000000.png .. the n-th.
std::vector<std::string> numbered(int n) {
    std::vector<std::string> names;
    for (int i = 0; i < n; ++i)
        names.push_back("frame-" + std::string(6 - std::to_string(i).size(), '0') + std::to_string(i) +
                        ".png");
    return names;
}

// The Bezier effect for one second from time 0, then `tail`.
std::string curves(const std::string& tail = "") {
    return "Default !sound\n@sync\n0.0 scene 1 duration 1.0 translate 0 0 -60 rotate 0 0 1 angle 0 to 360\n" +
           tail;
}

} // namespace

TEST(Capture, EmptyShowIsOneBlackFrameAtTimeZero) {
    TempShow show;
    show.script("@sync\n");
    ASSERT_EQ(runTamarack({"--render", "out"}, show.dir()).status, 0);
    EXPECT_EQ(listFolder(show.dir() + "/out"), numbered(1));
    const Image img = readPNG(show.dir() + "/out/frame-000000.png");
    EXPECT_TRUE(img.width == 640 && img.height == 480 && black(img));
}

TEST(Capture, RenderWritesEveryFrameUntilNothingIsLeft) {
    TempShow show;
    show.script(curves());
    // Frames at 0, 100, ..., 1000 ms: at 1000 nothing runs any more, the last one written.
    RunResult r = runTamarack({"--render", "all", "--fps", "10"}, show.dir());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, ""); // no progress line when stderr is not a terminal
    const std::string all = show.dir() + "/all/";
    ASSERT_EQ(listFolder(all), numbered(11));
    EXPECT_FALSE(black(readPNG(all + numbered(10)[9])));
    EXPECT_TRUE(black(readPNG(all + "frame-000010.png")));
    EXPECT_NE(readPNG(all + "frame-000002.png").rgb, readPNG(all + "frame-000003.png").rgb); // the angle runs

    // A section into all/ is refused; --overwrite removes only the old frames first.
    std::ofstream(all + "notes.txt") << "keep";
    std::ofstream(all + "frame-1.png") << "not ours";
    std::vector<std::string> args = {"--render", "all", "--fps", "10", "--from", "0.3", "--to", "0.5"};
    r = runTamarack(args, show.dir());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "tamarack: all holds 11 frames of an earlier render (frame-NNNNNN.png); give --overwrite to "
              "remove them first, or render into another folder\n");
    EXPECT_EQ(listFolder(all).size(), 13u);
    std::vector<std::vector<uint8_t>> before;
    for (int i = 3; i < 6; ++i)
        before.push_back(readPNG(all + numbered(6)[i]).rgb);
    args.push_back("--overwrite");
    ASSERT_EQ(runTamarack(args, show.dir()).status, 0);
    std::vector<std::string> expected = numbered(3);
    expected.insert(expected.end(), {"frame-1.png", "notes.txt"});
    EXPECT_EQ(listFolder(all), expected);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(readPNG(all + numbered(3)[i]).rgb, before[i]) << i;
}

TEST(Capture, EndCommandEndsTheFilmAndRefusesLaterShots) {
    TempShow show;
    show.script(curves("0.5 end\n"));
    ASSERT_EQ(runTamarack({"--render", "out", "--fps", "10"}, show.dir()).status, 0);
    EXPECT_EQ(listFolder(show.dir() + "/out"), numbered(6)); // the frame at 0.5 s is the last
    EXPECT_EQ(runTamarack({"--shot", "0.5", "last.png", "--fps", "10"}, show.dir()).status, 0);
    EXPECT_EQ(readPNG(show.dir() + "/last.png").rgb, readPNG(show.dir() + "/out/" + numbered(6)[5]).rgb);
    const RunResult r = runTamarack({"--shot", "0.6", "late.png", "--fps", "10"}, show.dir());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tamarack: the show ends at 0.5 s\n");
    EXPECT_FALSE(fs::exists(show.dir() + "/late.png"));
}

// Each frame of the stream is the full-range BT.601 picture of the PNG frame.
TEST(Capture, Y4MStreamIsThePNGFramesAndReadsBackThroughFfmpeg) {
    TempShow show;
    show.script(curves());
    const RunResult r = runTamarack({"--render", "-", "--fps", "10"}, show.dir());
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string header = "YUV4MPEG2 W640 H480 F10:1 Ip A1:1 C420jpeg\n";
    const size_t frameBytes = 6 + 640 * 480 * 3 / 2;
    ASSERT_EQ(r.out.compare(0, header.size(), header), 0) << r.out.substr(0, 60);
    ASSERT_EQ(r.out.size(), header.size() + 11 * frameBytes);
    ASSERT_EQ(runTamarack({"--render", "png", "--fps", "10"}, show.dir()).status, 0);
    for (int k = 0; k < 11; ++k) {
        const Image png = readPNG(show.dir() + "/png/" + numbered(11)[k]);
        const auto* y = reinterpret_cast<const uint8_t*>(r.out.data()) + header.size() + k * frameBytes + 6;
        const uint8_t *cb = y + 640 * 480, *cr = cb + 320 * 240;
        int worst = 0;
        auto check = [&](int got, double want) { worst = std::max(worst, std::abs(got - int(want + 0.5))); };
        for (int py = 0; py < 480; ++py)
            for (int px = 0; px < 640; ++px) {
                const RGB c = png.at(px, py);
                check(y[py * 640 + px], 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2]);
                if (px % 2 || py % 2) continue;
                double m[3] = {0, 0, 0};
                for (const RGB& q : {c, png.at(px + 1, py), png.at(px, py + 1), png.at(px + 1, py + 1)})
                    for (int i = 0; i < 3; ++i)
                        m[i] += q[i] / 4.0;
                const size_t i = (py / 2) * 320 + px / 2;
                check(cb[i], 128 - 0.168736 * m[0] - 0.331264 * m[1] + 0.5 * m[2]);
                check(cr[i], 128 + 0.5 * m[0] - 0.418688 * m[1] - 0.081312 * m[2]);
            }
        EXPECT_LE(worst, 1) << "frame " << k;
    }
    std::ofstream(show.dir() + "/show.y4m", std::ios::binary) << r.out;
    EXPECT_EQ(decodeGrey(show.dir() + "/show.y4m", 640, 480).size(), 11u);
}
