#include "support/run.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

// Output paths are taken relative to where the program was started, wherever
// the show folder stands among the options.
TEST(CommandLine, OutputPathsAreRelativeToTheStartingFolderWhereverShowDirStands) {
    TempShow show, cwd;
    show.script("@sync\n");
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"--shot", "0", "a.png", show.dir()},
                                               {show.dir(), "--shot", "0", "b.png"},
                                               {"--shot", "0", "c.png", "--fps", "30", show.dir()}}) {
        const std::string name = args[0] == show.dir() ? args[3] : args[2];
        EXPECT_EQ(runTamarack(args, cwd.dir()).status, 0) << name;
        EXPECT_TRUE(std::filesystem::exists(cwd.dir() + "/" + name)) << name;
        EXPECT_FALSE(std::filesystem::exists(show.dir() + "/" + name)) << name;
    }
}

TEST(CommandLine, UsageErrorsExitWithStatusTwo) {
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"--bogus"}, {"--shot", "1"}, {"-E", "--inspect"}}) {
        const RunResult r = runTamarack(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_NE(r.err.find("Usage: tamarack"), std::string::npos) << args[0];
    }
}

// A value an option does not take: status 2 and one line that says what it
// takes, before anything is loaded or written.
TEST(CommandLine, BadValuesGetOneLineSayingWhatIsAllowed) {
    TempShow cwd;
    std::filesystem::create_directory(cwd.dir() + "/dir.png");
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"--start", "abc"}, "tamarack: --start: 'abc' is not a number of seconds"},
        {{"--scenes", "abc"}, "tamarack: --scenes: 'abc' is not a number of seconds"},
        {{"--shot", "x", "a.png"}, "tamarack: --shot: 'x' is not a number of seconds"},
        {{"--render", "out", "--fps", "2.5"}, "tamarack: --fps: 2.5 is not a frame rate"},
        {{"--contact-sheet", "x.png", "--columns", "x"}, "tamarack: --columns: x is no number of frames"},
        {{"--scenes", "-3"}, "tamarack: --scenes: -3 is before the show begins"},
        {{"--shot", "-1", "a.png"}, "tamarack: --shot: -1 is before the show begins"},
        {{"--render", "out", "--from", "-1"}, "tamarack: --from: -1 is before the show begins"},
        {{"--render", "out", "--from", "30", "--to", "20"}, "tamarack: --to: 20 is before --from 30"},
        {{"--render", "out", "--start", "3", "--to", "2.5"}, "tamarack: --to: 2.5 is before --start 3"},
        {{"--shot", "5", "."}, "tamarack: --shot: '.' must end in .png"},
        {{"--shot", "5", "x.jpg"}, "tamarack: --shot: 'x.jpg' must end in .png"},
        {{"--shot", "5", "dir.png"}, "tamarack: --shot: 'dir.png' is a folder"},
        {{"--shot", "5", "a.png", "--size", "1920"}, "tamarack: --size: '1920' is not WIDTHxHEIGHT"},
        {{"--render", "out", "--size", "640x0"}, "tamarack: --size: 640x0 has no pixels"},
        {{"--contact-sheet", "a.png", "--size", "-640x480"}, "tamarack: --size: -640x480 has no pixels"},
        {{"--render", "out.mp4", "--size", "1001x600"},
         "tamarack: --size: 1001x600: H.264 video (.mp4, .mkv) takes only even widths and heights: give "
         "1000x600"},
        {{"--size", "800x600"}, "tamarack: --size: only --shot, --render, --contact-sheet and --timeline"},
        {{"--shot", "5", "a.png", "--no-vsync"}, "tamarack: --no-vsync: only the live show"},
        {{"--display", "x"}, "tamarack: --display: x is no display"},
        {{"--window", "--mode-switch"}, "tamarack: --mode-switch: changes the video mode for full screen"},
        {{"--clock", "wall"}, "tamarack: --clock: 'wall' is no clock: give music or ticks"},
        {{"--audio-offset", "4.5"}, "tamarack: --audio-offset: 4.5 is no offset"},
        {{"--audio-offset", "20000"}, "tamarack: --audio-offset: 20000 is no offset"},
        {{"--clock", "ticks", "--audio-offset", "40"}, "tamarack: --audio-offset: moves the picture against"},
        {{"--render", "out", "--clock", "ticks"}, "tamarack: --clock: only the live show plays its music"},
        {{"--shot", "5", "a.png", "--audio-offset", "40"}, "tamarack: --audio-offset: only the live show"},
    };
    for (const auto& [args, head] : cases) {
        const RunResult r = runTamarack(args, cwd.dir());
        EXPECT_EQ(r.status, 2) << head;
        EXPECT_EQ(r.err.rfind(head, 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_FALSE(std::filesystem::exists(cwd.dir() + "/out")) << head;
    }
}
