#include "assets/jpeg_decode.h"
#include "support/make_jpeg.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// One problem of each kind, each on a line of its own.
const char* const kSeededScript = "Default 800x600 !fulscreen\n"                               // 1
                                  "Sync 1 0.5 9 0.5\n"                                         // 2
                                  "Sync\n"                                                     // 3
                                  "@sync\n"                                                    // 4
                                  "Define LOOP LOOP\n"                                         // 5
                                  "0 track 1 type 1 object logo.jpg insync\n"                  // 6
                                  "1.0 track 2 type 1 object Logo.jpg duration 2.0\n"          // 7
                                  "2.0 track 2 type 1 object logo.jpg duration 2.0 opacty 1\n" // 8
                                  "0.5 track 3 type 1 object logo.jpg duration 1.0\n"          // 9
                                  "2.0 track 3 type 1 object logo.jpg\n"                       // 10
                                  "2.0 track 4 object logo.jpg duration 1.0\n"                 // 11
                                  "3.0 track 5 type 1 object logo.jpg duration 1.0 sync 7\n"   // 12
                                  "3.0 track 5 type 1 object logo.jpg duration 1.0 sync 1\n"   // 13
                                  "4.0 track 6 type 1 object logo.jpg \\\n"                    // 14
                                  "    duration 1.0 color 1 1\n"                               // 15
                                  "5.0 track 6 type 0 object ship.3ds duration 1.0\n"          // 16
                                  "5.0 track 6 type 1 object logo.jpg mask m.3ds duration 1\n" // 17
                                  "x track 7 type 0 object m.3ds duration 1.0\n"               // 18
                                  "6.0 track 8 type 1 object logo.jpg LOOP duration 1000\n"    // 19
                                  "9.0 end now\n";                                             // 20

// The whole report, one line of the source per line printed.
const char* const kExpected =
    R"(data/a.mp3: warning: data/a.mp3 never plays: only the last music file in name order plays (data/b.ogg); remove the others from data/
data/b.ogg: error: the music cannot be played, so the show runs silent: it is no Ogg Vorbis file FFmpeg can read (End of file); replace it with an MP3, Ogg Vorbis, XM or IT file that plays
data/logo.jpg: warning: the picture's EXIF orientation is 6 (to be viewed turned 90 degrees clockwise), but the show draws it as stored: turn the file itself, e.g. 'jpegtran -copy none -trim -rotate 90 data/logo.jpg > upright.jpg', and use that file in its place
data/m.3ds: error: the file ends inside a chunk after 1 of 6 bytes; 0 objects read: copy or export the model again
data/photo.jpeg: warning: data/photo.jpeg is not loaded: it is a JPEG picture, but only the endings ".jpg" and ".JPG" are read: rename it 'photo.jpg'
data/pic.gif: warning: data/pic.gif is not loaded: only pictures (.jpg, .png, .bmp, .tga), .3ds models and music (.mp3, .ogg, .xm, .it) are, each ending all small or all capital: convert it or move it out of data/
data/script.txt:1: warning: "!fulscreen" after "Default" is no option word and is ignored; did you mean "!fullscreen"?
data/script.txt:2: warning: sync track 0 has a step of track 9, but no command has 'track 9', so that step shows nothing: add a template with 'track 9' and 'insync'
data/script.txt:7: error: 'object Logo.jpg': no picture 'Logo.jpg' is loaded; did you mean 'logo.jpg'?
data/script.txt:8: warning: unknown word 'opacty'; did you mean 'opacity'?
data/script.txt:9: warning: the time 500 ms is earlier than the 2000 ms of the command before it (line 8), so it waits for that one and starts late: move the line to its place in time
data/script.txt:10: warning: the command has no 'duration' and no 'insync', so it is erased before it is drawn: add 'duration 2.0' or 'insync'
data/script.txt:11: warning: the command has no 'type' and is not 'scene 1', so nothing is drawn: add 'type 1' (a picture) or 'type 0' (a model)
data/script.txt:12: error: 'sync 7' names no sync track (the script has 2: 0 to 1): add a 'Sync' line before '@sync' or correct the number
data/script.txt:13: error: 'sync 1' names an empty sync track (its 'Sync' line has no steps): add pairs of a template's track and a length to that line
data/script.txt:14: error: 'color' needs 3 numbers (red green blue) but the command ends: write the values after 'color', e.g. 'color 1 1 1'
data/script.txt:16: error: 'object ship.3ds': no model 'ship.3ds' is loaded; data/ship.3DS is not loaded because of the case of its ending (see its warning): rename it 'ship.3ds'
data/script.txt:17: error: 'mask' takes a picture (.jpg, .png, .bmp, .tga); 'm.3ds' is not one and is ignored: name a loaded picture
data/script.txt:17: warning: 'duration 1' is 1 ms, shorter than a frame or two: if seconds were meant, write 'duration 1.0'
data/script.txt:18: warning: the time 'x' is no number, so the command gets time 0: write its start time first, in ms (1500) or seconds (1.5)
data/script.txt:19: error: the replacement of "LOOP" never ends (its definition holds its own name, directly or through other names); the line is kept as it stands: change the definition so that its text does not lead back to its name
data/script.txt:19: warning: unknown word 'LOOP' is skipped: remove it or write a keyword
data/script.txt:20: warning: the words after 'end' are never read (the show ends there): remove them
data/ship.3DS: warning: data/ship.3DS is not loaded: the ending must be written ".3ds": rename the file
9 errors, 15 warnings
)";

TEST(CheckMode, SeededShowYieldsExactlyTheExpectedLines) {
    TempShow show;
    show.script(kSeededScript);
    for (const char* name : {"m.3ds", "ship.3DS", "pic.gif", "photo.jpeg", "a.mp3", "b.ogg"})
        show.write(name, "x");
    show.write("logo.jpg", withOrientation(solidJpeg(8, 8), 6));
    const RunResult r = runTamarack({"--check", show.dir()}, "", {"SDL_AUDIODRIVER=dummy"});
    EXPECT_EQ(r.out, kExpected);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, ""); // the asset problems are printed once, on stdout
}

TEST(CheckMode, BundledShowIsCleanAndAMissingScriptIsOneError) {
    const RunResult bundled = runTamarack({"--check", TAMARACK_SOURCE_DIR});
    EXPECT_EQ(bundled.out, "0 errors, 0 warnings\n");
    EXPECT_EQ(bundled.status, 0);
    TempShow show; // data/ without script.txt
    const RunResult r = runTamarack({"--check", show.dir()});
    EXPECT_EQ(r.out, "data/script.txt: error: cannot open data/script.txt: No such file or directory\n"
                     "1 errors, 0 warnings\n");
    EXPECT_EQ(r.status, 1);
}

// The command --check gives for a turned photo, run as given, makes the upright
// picture, also when a side is no whole number of blocks (100 x 75 in 16 x 16
// blocks): the partial blocks at the edges that turn to the top or the left
// are dropped, and every pixel left is where the upright picture has it.
TEST(CheckMode, TheSuggestedJpegtranCommandTurnsThePhotoUpright) {
    const int W = 100, H = 75;
    auto stored = [](int x, int y) { return std::array<int, 3>{x * 2 + 20, y * 3 + 10, x + y + 20}; };
    const struct {
        int orientation;
        int width, height;                                // of the upright picture
        std::function<std::array<int, 2>(int, int)> from; // the stored pixel for upright (x, y)
    } cases[] = {
        {6, 64, 100,
         [](int x, int y) {
             return std::array<int, 2>{y, 63 - x};
         }},
        {3, 96, 64,
         [](int x, int y) {
             return std::array<int, 2>{95 - x, 63 - y};
         }},
        {8, 75, 96,
         [](int x, int y) {
             return std::array<int, 2>{95 - y, x};
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.orientation);
        TempShow show;
        show.script("@sync\n0 track 1 type 1 object photo.jpg duration 1.0\n");
        show.write(
            "photo.jpg",
            withOrientation(
                makeJpeg(W, H,
                         [&](int x, int y) {
                             const auto p = stored(x, y);
                             return std::array<uint8_t, 4>{uint8_t(p[0]), uint8_t(p[1]), uint8_t(p[2]), 0};
                         }),
                c.orientation));
        const std::string out = runTamarack({"--check", show.dir()}).out;
        const size_t from = out.find("e.g. '"), to = out.find("'", from + 6);
        ASSERT_NE(to, std::string::npos) << out;
        const std::string command = out.substr(from + 6, to - from - 6);
        ASSERT_EQ(command.rfind("jpegtran ", 0), 0u) << command;
        ASSERT_EQ(runProgram("/bin/sh", {"-c", "cd \"$1\" && " + command, "sh", show.dir()}).status, 0)
            << command;

        std::FILE* f = std::fopen((show.dir() + "/upright.jpg").c_str(), "rb");
        ASSERT_NE(f, nullptr);
        JpegImage img;
        std::string error;
        std::vector<std::string> warnings;
        ASSERT_TRUE(decodeJpeg(f, img, error, warnings)) << error;
        std::fclose(f);
        ASSERT_EQ(img.width, c.width);
        ASSERT_EQ(img.height, c.height);
        double difference = 0;
        for (int y = 0; y < img.height; ++y)
            for (int x = 0; x < img.width; ++x) {
                const auto at = c.from(x, y);
                const auto want = stored(at[0], at[1]);
                for (int k = 0; k < 3; ++k)
                    difference += std::abs(img.rgb[(size_t(y) * img.width + x) * 3 + k] - want[k]);
            }
        EXPECT_LT(difference / (img.width * img.height * 3), 2.0);
    }
}

// The script is a pipe given once: a second open would wait for a writer that never comes.
TEST(CheckMode, ReadsTheScriptOnce) {
    TempShow show;
    ASSERT_EQ(mkfifo(show.data("script.txt").c_str(), 0600), 0);
    const RunResult r =
        runProgram("/bin/sh", {"-c",
                               "printf '@sync\\n' >\"$1\" & timeout 10 \"$2\" --check \"$3\"; st=$?; "
                               "kill $! 2>/dev/null; exit $st",
                               "sh", show.data("script.txt"), TAMARACK_BIN, show.dir()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "0 errors, 0 warnings\n");
}

} // namespace
