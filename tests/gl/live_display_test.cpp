// The live show on X screens of several sizes (xvfb-run, no window manager),
// as the screen shows it: full screen covers the screen with the picture's
// aspect kept, a window lies wholly on the screen, and a live frame equals
// the --shot of the same time at the screen's size.
#include "support/make_jpeg.h"
#include "support/run.h"
#include "support/temp_dir.h"
#include "tests/gl/render_util.h"

#include <cstdio>
#include <sstream>

namespace {

const std::string kBundled = TAMARACK_SOURCE_DIR;

// The shell functions of every run: start the program in the show folder
// and find its window, and end it with Escape, printing its status.
const std::string kPrelude = R"sh(set -u
bin=$1 xc=$2 show=$3 out=$4
start() {
  (cd "$show" && SDL_AUDIODRIVER=dummy exec "$bin" "$@" 2>"$out/err") &
  pid=$!
  wid=$("$xc" --find "$pid") || { echo "no window"; exit 1; }
}
finish() { "$xc" --escape "$wid"; wait "$pid"; echo "status $?"; }
)sh";

// Runs the script under an X server of `screen` ("1920x1080"); it writes
// into `out`. Returns its stdout.
std::string underX(const std::string& screen, const std::string& script, const std::string& show,
                   const std::string& out) {
    const RunResult r =
        runProgram("/usr/bin/env", {"xvfb-run", "-a", "-s", "-screen 0 " + screen + "x24", "bash", "-c",
                                    kPrelude + script, "run", TAMARACK_BIN, TAMARACK_XCLOSE, show, out});
    return r.out + r.err;
}

// A binary PPM as written by tamarack-xclose --grab.
Image readPPM(const std::string& path) {
    Image img;
    const std::string bytes = readFile(path);
    std::istringstream head(bytes);
    std::string magic;
    int max = 0;
    head >> magic >> img.width >> img.height >> max;
    const size_t at = static_cast<size_t>(head.tellg()) + 1,
                 size = static_cast<size_t>(img.width) * img.height * 3;
    if (magic != "P6" || max != 255 || bytes.size() < at + size) return Image{};
    img.rgb.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                   bytes.begin() + static_cast<std::ptrdiff_t>(at + size));
    return img;
}

// "X Y WIDTH HEIGHT" of every mapped top-level window.
std::vector<std::array<int, 4>> windows(const std::string& path) {
    std::vector<std::array<int, 4>> all;
    std::istringstream lines(readFile(path));
    unsigned long id;
    std::array<int, 4> g;
    while (lines >> id >> g[0] >> g[1] >> g[2] >> g[3])
        all.push_back(g);
    return all;
}

struct Screen {
    int width, height;
    std::array<double, 4> picture; // where the 640 x 480 picture lies: left, top, right, bottom
    std::string size() const { return std::to_string(width) + "x" + std::to_string(height); }
};

const Screen kScreens[] = {
    {1920, 1080, {240, 0, 1679, 1079}},
    {1280, 1024, {0, 32, 1279, 991}},
    {800, 600, {0, 0, 799, 599}},
};

} // namespace

// The bundled show (640 x 480), full screen in the desktop's mode: one window,
// the whole screen; the picture as large as it fits, centred, black beside it.
// From 1 s on every frame of the show lights its picture to the edges.
TEST(LiveDisplay, FullScreenCoversEveryScreenWithThePicturesAspectKept) {
    for (const Screen& s : kScreens) {
        TempShow out;
        const std::string got = underX(s.size(), R"sh(
start --start 20 --mute
"$xc" --grab "$out/screen.ppm"
"$xc" --windows >"$out/windows"
finish
)sh",
                                       kBundled, out.dir());
        EXPECT_NE(got.find("status 0"), std::string::npos) << s.size() << ": " << got;
        EXPECT_EQ(windows(out.dir() + "/windows"),
                  (std::vector<std::array<int, 4>>{{0, 0, s.width, s.height}}))
            << s.size();
        const Image screen = readPPM(out.dir() + "/screen.ppm");
        ASSERT_EQ(screen.width, s.width) << got;
        expectBox(litBox(screen.rgb, screen.width, screen.height), s.picture, 0, s.size());
        EXPECT_EQ(readFile(out.dir() + "/err"), "") << s.size();
    }
}

// The mode switch where the X server has no mode of the script's size: the
// nearest larger mode, the screen's own, covered whole. A display that is not
// there: one line, status 2.
TEST(LiveDisplay, ModeSwitchAndDisplayNumber) {
    TempShow out;
    const std::string got = underX("1280x1024", R"sh(
start --mode-switch --start 20 --mute
"$xc" --grab "$out/screen.ppm"
"$xc" --windows >"$out/windows"
finish
cd "$show" && "$bin" --display 1 --mute 2>"$out/display-err"; echo "display status $?"
)sh",
                                   kBundled, out.dir());
    EXPECT_NE(got.find("status 0"), std::string::npos) << got;
    EXPECT_EQ(windows(out.dir() + "/windows"), (std::vector<std::array<int, 4>>{{0, 0, 1280, 1024}}));
    const Image screen = readPPM(out.dir() + "/screen.ppm");
    ASSERT_EQ(screen.width, 1280) << got;
    expectBox(litBox(screen.rgb, 1280, 1024), kScreens[1].picture, 0, "--mode-switch");
    EXPECT_NE(got.find("display status 2"), std::string::npos) << got;
    EXPECT_EQ(readFile(out.dir() + "/display-err"), "tamarack: --display 1: there is 1 display here (0)\n");
}

// A 1024 x 768 show in a window on an 800 x 600 screen: 800 x 600, wholly on
// it, the picture filling it; made narrower, the picture keeps its aspect.
TEST(LiveDisplay, AWindowTooLargeForTheScreenIsMadeSmallerAndFollowsItsSize) {
    TempShow show, out;
    show.write("white.jpg", solidJpeg(1024, 768, 255, 255, 255));
    show.script("Default 1024x768\n@sync\n0 track 1 type 1 object white.jpg duration 600.0\n");
    const std::string got = underX("800x600", R"sh(
start --window
"$xc" --grab "$out/screen.ppm"
"$xc" --windows >"$out/windows"
xdotool windowsize "$wid" 400 600
sleep 1
"$xc" --grab "$out/narrow.ppm"
finish
)sh",
                                   show.dir(), out.dir());
    EXPECT_NE(got.find("status 0"), std::string::npos) << got;
    EXPECT_EQ(windows(out.dir() + "/windows"), (std::vector<std::array<int, 4>>{{0, 0, 800, 600}}));
    const Image screen = readPPM(out.dir() + "/screen.ppm"), narrow = readPPM(out.dir() + "/narrow.ppm");
    ASSERT_EQ(screen.width, 800) << got;
    ASSERT_EQ(narrow.width, 800) << got;
    expectBox(litBox(screen.rgb, 800, 600), {0, 0, 799, 599}, 0, "the whole window");
    EXPECT_EQ(screen.at(400, 300), (RGB{255, 255, 255}));
    expectBox(litBox(narrow.rgb, 800, 600), {0, 150, 399, 449}, 0, "400 x 600");
}

// The authoring mode gone full screen (F11) and paused at exactly 20 s (Home,
// then four seeks of 5 s) shows what --shot 20 --size of the screen draws.
TEST(LiveDisplay, ALiveFullScreenFrameEqualsTheShotAtTheScreensSize) {
    const Screen& s = kScreens[1];
    TempShow out;
    const std::string got = underX(s.size(), R"sh(
start --dev --start 20 --mute
title() { xdotool getwindowname "$wid"; }
for _ in $(seq 300); do [[ "$(title)" =~ fps ]] && break; sleep 0.1; done
xdotool windowfocus --sync "$wid" key F11
sleep 0.5
xdotool windowfocus --sync "$wid" key space Home Right Right Right Right
for _ in $(seq 300); do [[ "$(title)" =~ ^Tamarack\ -\ 20\.00\ s\ .*paused$ ]] && break; sleep 0.1; done
echo "title: $(title)"
sleep 0.5
"$xc" --grab "$out/screen.ppm"
"$xc" --windows >"$out/windows"
finish
)sh",
                                   kBundled, out.dir());
    EXPECT_NE(got.find("status 0"), std::string::npos) << got;
    EXPECT_NE(got.find("title: Tamarack - 20.00 s - "), std::string::npos) << got;
    EXPECT_EQ(windows(out.dir() + "/windows"), (std::vector<std::array<int, 4>>{{0, 0, s.width, s.height}}));
    const RunResult r = runTamarack({"--shot", "20", out.dir() + "/shot.png", "--size", s.size()}, kBundled);
    ASSERT_EQ(r.status, 0) << r.err;
    const Image live = readPPM(out.dir() + "/screen.ppm"), shot = readPNG(out.dir() + "/shot.png");
    ASSERT_EQ(live.width, shot.width) << got;
    ASSERT_EQ(live.height, shot.height);
    long differ = 0;
    int most = 0;
    for (size_t i = 0; i < shot.rgb.size(); ++i) {
        const int d = std::abs(live.rgb[i] - shot.rgb[i]);
        differ += d > 0;
        most = std::max(most, d);
    }
    // The window's depth buffer has 32 bits here, the offscreen frame's 24:
    // where the model's faces nearly meet, a few pixels take the other face
    // (169 of 3.9 million samples, by up to 39 levels). Any other time, or
    // the picture misplaced by a pixel, differs nearly everywhere.
    EXPECT_LT(differ, static_cast<long>(shot.rgb.size() / 10000))
        << differ << " samples differ, the largest difference " << most;
}
