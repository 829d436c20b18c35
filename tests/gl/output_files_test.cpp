// The files the modes write appear only whole: a failed write keeps the file
// that was there, a killed render leaves no part of a frame or film under its
// name, and a symbolic link of an output's name is never written through.
#include "base/output_file.h"
#include "support/run.h"
#include "support/temp_dir.h"
#include "tests/gl/render_util.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

// The Bezier effect turning for `seconds`.
void curves(const TempShow& show, double seconds) {
    show.script("@sync\n0.0 scene 1 duration " + std::to_string(seconds) +
                " translate 0 0 -60 rotate 0 0 1 angle 0 to 3600\n");
}

// tamarack in `cwd` under a limit of 8 KiB a file, SIGXFSZ ignored: a write
// past it fails as on a full disk.
RunResult limited(const std::vector<std::string>& args, const std::string& cwd) {
    std::vector<std::string> all = {"-c", "ulimit -f 8; trap '' XFSZ; exec \"$0\" \"$@\"", TAMARACK_BIN};
    all.insert(all.end(), args.begin(), args.end());
    return runProgram("/bin/bash", all, cwd);
}

// The names in `dir` other than data/ and the temporary files of a writer.
std::vector<std::string> finalNames(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) {
        const std::string name = e.path().filename().string();
        if (name != "data" && !OutputFile::isTemporaryName(name)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool oneLine(const std::string& text) {
    return !text.empty() && text.find('\n') == text.size() - 1;
}

} // namespace

TEST(OutputFiles, AFailedWriteKeepsTheFileThatWasThere) {
    const struct {
        std::vector<std::string> args;
        const char* old; // null: a new show, of which nothing is left
    } cases[] = {
        {{"--shot", "0.5", "old.png", "."}, "old.png"},
        {{"--timeline", "old.html", "--every", "0.5", "."}, "old.html"},
        {{"--contact-sheet", "old.png", "--every", "0.5", "."}, "old.png"},
        {{"--render", "old.mkv", "--fps", "30", "."}, "old.mkv"},
        {{"--render", "old.mp4", "--fps", "30", "."}, "old.mp4"},
        {{"new", "fresh/show"}, nullptr},
    };
    for (const auto& c : cases) {
        TempShow show;
        curves(show, 1.0);
        const std::string before = "an earlier file\n";
        if (c.old) std::ofstream(show.dir() + "/" + c.old) << before;
        const RunResult r = limited(c.args, show.dir());
        const std::string& what = c.args[0];
        EXPECT_EQ(r.status, 1) << what << ": " << r.err;
        EXPECT_EQ(r.err.compare(0, 23, "tamarack: cannot write "), 0) << what << ": " << r.err;
        EXPECT_NE(r.err.find(": File too large\n"), std::string::npos) << what << ": " << r.err;
        EXPECT_TRUE(oneLine(r.err)) << r.err;
        if (c.old) {
            EXPECT_EQ(readFile(show.dir() + "/" + c.old), before) << what;
        }
        EXPECT_EQ(finalNames(show.dir()),
                  c.old ? std::vector<std::string>{c.old} : std::vector<std::string>{})
            << what;
        EXPECT_EQ(std::distance(fs::directory_iterator(show.dir()), {}), c.old ? 2 : 1)
            << what << ": a part left";
    }
}

TEST(OutputFiles, ALinkOfAnOutputsNameIsReplacedOrRefusedNeverWrittenThrough) {
    const struct {
        std::vector<std::string> args;
        const char* link; // made, to outside.txt or (dangling) to nowhere.txt
        bool dangling;
        int status;
        const char* line; // in the one line on stderr
    } cases[] = {
        {{"--shot", "0.5", "x.png", "."},
         "x.png",
         false,
         0,
         "x.png was a symbolic link: the new file replaces the link; what it pointed to is untouched"},
        {{"--timeline", "x.html", "--every", "0.5", "."}, "x.html", true, 0, "x.html was a symbolic link"},
        {{"--contact-sheet", "x.png", "--every", "0.5", "."}, "x.png", false, 0, "x.png was a symbolic link"},
        {{"--render", "x.mkv", "--fps", "10", "."}, "x.mkv", false, 0, "tamarack: x.mkv was a symbolic link"},
        {{"--render", "frames", "--fps", "10", "."},
         "frames/frame-000001.png",
         false,
         1,
         "tamarack: frames holds 1 symbolic link named as a frame (frame-NNNNNN.png); give --overwrite to "
         "remove "
         "them first (a link itself, never the file it points to), or render into another folder\n"},
        {{"--render", "frames", "--fps", "10", "."},
         "frames/frame-000001.png",
         true,
         1,
         "holds 1 symbolic link named as a frame"},
        {{"--render", "frames", "--fps", "10", "--overwrite", "."}, "frames/frame-000001.png", true, 0, ""},
    };
    for (const auto& c : cases) {
        TempShow show;
        curves(show, 0.5);
        fs::create_directory(show.dir() + "/frames");
        std::ofstream(show.dir() + "/outside.txt") << "keep";
        const std::string link = show.dir() + "/" + c.link;
        fs::create_symlink(show.dir() + (c.dangling ? "/nowhere.txt" : "/outside.txt"), link);
        const RunResult r = runTamarack(c.args, show.dir());
        const std::string what = c.args[0] + " " + c.link;
        EXPECT_EQ(r.status, c.status) << what << ": " << r.err;
        EXPECT_NE(r.err.find(c.line), std::string::npos) << what << ": " << r.err;
        EXPECT_TRUE(*c.line ? oneLine(r.err) : r.err.empty()) << what << ": " << r.err;
        EXPECT_EQ(readFile(show.dir() + "/outside.txt"), "keep") << what;
        EXPECT_FALSE(fs::exists(fs::symlink_status(show.dir() + "/nowhere.txt"))) << what;
        EXPECT_EQ(fs::is_symlink(link), c.status != 0) << what;
        if (c.status == 0 && fs::path(link).extension() == ".png") {
            EXPECT_GT(readPNG(link).width, 0) << what;
        }
    }
}

TEST(OutputFiles, AKilledRenderLeavesNoPartOfAFrameOrFilmUnderItsName) {
    for (const std::string out : {"frames", "old.mp4"}) {
        TempShow show;
        curves(show, 600);
        std::ofstream(show.dir() + "/old.mp4") << "an earlier film\n";
        Started run({"--render", out, "--fps", "30", "--progress"}, show.dir());
        for (int i = 0; i < 600 && run.errSoFar().find(" frames (") == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_NE(run.errSoFar().find(" frames ("), std::string::npos) << run.errSoFar();
        std::this_thread::sleep_for(std::chrono::milliseconds(200)); // frames on their way
        run.signal(SIGKILL);
        EXPECT_EQ(run.wait().status, -1);
        EXPECT_EQ(readFile(show.dir() + "/old.mp4"), "an earlier film\n") << out;
        if (out == "old.mp4") {
            EXPECT_EQ(finalNames(show.dir()), (std::vector<std::string>{"old.mp4"}));
            continue;
        }
        size_t frames = 0;
        for (const auto& e : fs::directory_iterator(show.dir() + "/frames")) {
            const std::string name = e.path().filename().string();
            if (OutputFile::isTemporaryName(name)) continue;
            EXPECT_EQ(readPNG(e.path().string()).width, 640) << name << " is not a whole frame";
            ++frames;
        }
        EXPECT_GT(frames, 0u);
    }
}
