#include "support/run.h"
#include "support/temp_dir.h"
#include "tests/gl/render_util.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <png.h>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    RGB at(int x, int y) const {
        const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return {p[0], p[1], p[2]};
    }
    bool black() const {
        for (uint8_t v : rgb)
            if (v) return false;
        return true;
    }
};

// Reads an 8-bit RGB PNG; width 0 when it cannot.
Image readPNG(const std::string& path) {
    Image img;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return img;
    EXPECT_EQ(png.format, static_cast<png_uint_32>(PNG_FORMAT_RGB)) << path;
    png.format = PNG_FORMAT_RGB;
    img.rgb.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, img.rgb.data(), 0, nullptr)) return Image{};
    img.width = static_cast<int>(png.width);
    img.height = static_cast<int>(png.height);
    return img;
}

// Writes a w x h JPEG; row 0 of `at` is the top of the picture.
void writeJPEG(const std::string& path, int w, int h, const std::function<RGB(int, int)>& at) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    jpeg_compress_struct c{};
    jpeg_error_mgr err{};
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = static_cast<JDIMENSION>(w);
    c.image_height = static_cast<JDIMENSION>(h);
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 100, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(w) * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const RGB v = at(x, y);
            for (int k = 0; k < 3; ++k)
                row[static_cast<size_t>(x) * 3 + k] = static_cast<uint8_t>(v[k]);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
}

std::vector<std::string> listFolder(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> numbered(int n) {
    std::vector<std::string> names;
    char buf[32];
    for (int i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "frame-%06d.png", i);
        names.push_back(buf);
    }
    return names;
}

// The Bezier effect for one second from time 0.
const char* kCurves = "Default !sound\n@sync\n"
                      "0.0 scene 1 duration 1.0 translate 0 0 -60 rotate 0 0 1 angle 0 to 360\n";

} // namespace

TEST(Capture, EmptyShowIsOneBlackFrameAtTimeZero) {
    TempShow show;
    show.script("@sync\n");
    RunResult r = runTamarack({"--render", "out"}, show.dir());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(listFolder(show.dir() + "/out"), numbered(1));
    const Image img = readPNG(show.dir() + "/out/frame-000000.png");
    EXPECT_EQ(img.width, 640);
    EXPECT_EQ(img.height, 480);
    EXPECT_TRUE(img.black());

    r = runTamarack({"--shot", "0", "black.png"}, show.dir());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(readPNG(show.dir() + "/black.png").black());
}

TEST(Capture, RenderWritesEveryFrameUntilNothingIsLeftAndShotMatchesIt) {
    TempShow show;
    show.script(kCurves);
    // Frames at 0, 100, ..., 1000 ms: the one at 1000 is the first in which
    // nothing runs, the last one written.
    RunResult r = runTamarack({"--render", "films/all", "--fps", "10"}, show.dir());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, ""); // no progress line when stderr is not a terminal
    const std::string all = show.dir() + "/films/all/";
    ASSERT_EQ(listFolder(all), numbered(11));
    EXPECT_FALSE(readPNG(all + "frame-000000.png").black());
    EXPECT_FALSE(readPNG(all + "frame-000009.png").black());
    EXPECT_TRUE(readPNG(all + "frame-000010.png").black());

    // Successive frames differ: the angle runs.
    EXPECT_NE(readPNG(all + "frame-000002.png").rgb, readPNG(all + "frame-000003.png").rgb);

    r = runTamarack({"--shot", "0.5", "shot.png", "--fps", "10"}, show.dir());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readPNG(show.dir() + "/shot.png").rgb, readPNG(all + "frame-000005.png").rgb);

    r = runTamarack({"--render", "part", "--fps", "10", "--from", "0.3", "--to", "0.5"}, show.dir());
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string part = show.dir() + "/part/";
    ASSERT_EQ(listFolder(part), numbered(3));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(readPNG(part + numbered(3)[i]).rgb, readPNG(all + numbered(6)[3 + i]).rgb) << i;
}

TEST(Capture, EndCommandEndsTheFilmAndRefusesLaterShots) {
    TempShow show;
    show.script("Default !sound\n@sync\n"
                "0.0 scene 1 duration 5.0 translate 0 0 -60 rotate 0 0 1 angle 0 to 360\n"
                "0.5 end\n");
    RunResult r = runTamarack({"--render", "out", "--fps", "10"}, show.dir());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(listFolder(show.dir() + "/out"), numbered(5)); // the frame at 0.5 s is not written

    for (const char* t : {"0.5", "0.7"}) {
        r = runTamarack({"--shot", t, "late.png", "--fps", "10"}, show.dir());
        EXPECT_EQ(r.status, 1) << t;
        EXPECT_EQ(r.err, "tamarack: the show ends at 0.5 s\n") << t;
        EXPECT_FALSE(fs::exists(show.dir() + "/late.png")) << t;
    }
    r = runTamarack({"--shot", "0.4", "early.png", "--fps", "10"}, show.dir());
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST(Capture, Y4MStreamReadsBackThroughFfmpeg) {
    TempShow show;
    show.script(kCurves);
    RunResult r = runTamarack({"--render", "-", "--fps", "10"}, show.dir());
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string header = "YUV4MPEG2 W640 H480 F10:1 Ip A1:1 C420jpeg\n";
    ASSERT_EQ(r.out.compare(0, header.size(), header), 0) << r.out.substr(0, 60);
    const size_t frameBytes = 6 + 640 * 480 + 2 * 320 * 240;
    ASSERT_EQ(r.out.size(), header.size() + 11 * frameBytes);
    EXPECT_EQ(r.out.compare(header.size(), 6, "FRAME\n"), 0);

    // The luma of frame 3 is the full-range BT.601 luma of the PNG frame.
    r = runTamarack({"--render", "png", "--fps", "10"}, show.dir());
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string stream = runTamarack({"--render", "-", "--fps", "10"}, show.dir()).out;
    const Image png = readPNG(show.dir() + "/png/frame-000003.png");
    const size_t y3 = header.size() + 3 * frameBytes + 6;
    int worst = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const RGB c = png.at(x, y);
            const int luma = static_cast<int>(0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2] + 0.5);
            const int got = static_cast<uint8_t>(stream[y3 + static_cast<size_t>(y) * 640 + x]);
            worst = std::max(worst, std::abs(got - luma));
        }
    EXPECT_LE(worst, 1);
    // Chroma of a black pixel is neutral.
    EXPECT_EQ(static_cast<uint8_t>(stream[y3 + 640 * 480]), 128);

    const std::string y4m = show.dir() + "/show.y4m", raw = show.dir() + "/luma.raw";
    {
        FILE* f = std::fopen(y4m.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(stream.data(), 1, stream.size(), f);
        std::fclose(f);
    }
    const std::string cmd =
        "ffmpeg -nostdin -v error -y -i " + y4m + " -f rawvideo -pix_fmt gray " + raw + " 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    EXPECT_EQ(fs::file_size(raw), 11u * 640 * 480);
}

TEST(Capture, ImageShowFromJPEGFiles) {
    TempShow show;
    writeJPEG(show.data("halves.jpg"), 256, 256, [](int, int y) {
        return y < 128 ? RGB{255, 255, 255} : RGB{0, 0, 255};
    });
    show.script("Default !sound\n@sync\n0.0 track 1 type 1 object halves.jpg duration 2.0 center\n");
    RunResult r = runTamarack({"--shot", "1", "layer.png"}, show.dir());
    ASSERT_EQ(r.status, 0) << r.err;
    const Image img = readPNG(show.dir() + "/layer.png");
    const Box b = litBox(img.rgb, img.width, img.height);
    EXPECT_EQ(b.x0, 192);
    EXPECT_EQ(b.x1, 447);
    EXPECT_EQ(b.y0, 112);
    EXPECT_EQ(b.y1, 367);
    const RGB top = img.at(320, 150), bottom = img.at(320, 330);
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(top[k], 255, 3) << k;
    EXPECT_NEAR(bottom[0], 0, 3);
    EXPECT_NEAR(bottom[2], 255, 3);
}

TEST(LiveShow, RunsUnderXvfbAndExitsAtTheEndCommand) {
    if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "xvfb-run is not installed";
    TempShow show;
    show.script("Default !sound !fullscreen\n@sync\n"
                "0.0 scene 1 duration 5.0 translate 0 0 -60 rotate 0 0 1 angle 0 to 360\n"
                "0.8 end\n");
    const auto start = std::chrono::steady_clock::now();
    const std::string cmd = "cd " + show.dir() + " && SDL_AUDIODRIVER=dummy timeout 60 xvfb-run -a " +
                            TAMARACK_BIN + " --window >/dev/null 2>&1";
    const int st = std::system(cmd.c_str());
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_TRUE(WIFEXITED(st));
    EXPECT_EQ(WEXITSTATUS(st), 0);
    EXPECT_GE(took, 0.8);
    EXPECT_LT(took, 30.0);
}
