#include "support/make_jpeg.h"
#include "support/run.h"
#include "support/temp_dir.h"

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
data/logo.jpg: warning: the picture's EXIF orientation is 6 (to be viewed turned 90 degrees clockwise), but the show draws it as stored: turn the file itself, e.g. 'jpegtran -copy none -rotate 90 data/logo.jpg > upright.jpg', and use that file in its place
data/m.3ds: error: the file ends inside a chunk after 1 of 6 bytes; 0 objects read: copy or export the model again
data/pic.png: warning: data/pic.png is not loaded: only .jpg/.JPG, .3ds and music endings are (.mp3, .ogg, .xm, .it, all small or all capital): convert it or move it out of data/
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
data/script.txt:17: error: 'mask' takes a picture (.jpg/.JPG); 'm.3ds' is not one and is ignored: name a loaded picture
data/script.txt:17: warning: 'duration 1' is 1 ms, shorter than a frame or two: if seconds were meant, write 'duration 1.0'
data/script.txt:18: warning: the time 'x' is no number, so the command gets time 0: write its start time first, in ms (1500) or seconds (1.5)
data/script.txt:19: error: the replacement of "LOOP" never ends (its definition holds its own name, directly or through other names); the line is kept as it stands: change the definition so that its text does not lead back to its name
data/script.txt:19: warning: unknown word 'LOOP' is skipped: remove it or write a keyword
data/script.txt:20: warning: the words after 'end' are never read (the show ends there): remove them
data/ship.3DS: warning: data/ship.3DS is not loaded: the ending must be written ".3ds": rename the file
9 errors, 14 warnings
)";

TEST(CheckMode, SeededShowYieldsExactlyTheExpectedLines) {
    TempShow show;
    show.script(kSeededScript);
    for (const char* name : {"m.3ds", "ship.3DS", "pic.png", "a.mp3", "b.ogg"})
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
