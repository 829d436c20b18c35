// --render into a video file, read back with ffprobe and ffmpeg.
#include "support/make_audio.h"
#include "support/make_jpeg.h"
#include "support/media.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

const int W = 640, H = 480;

// data/NAME: a music file with one click at `at` seconds.
void writeClick(const TempShow& show, const std::string& name, double at) {
    const std::string ending = fs::path(name).extension();
    if (ending == ".it")
        show.write(name, clickModule(static_cast<int>(std::lround(at * 10))));
    else
        ASSERT_TRUE(writeClickFile(show.data(name), 44100, 2, 4.0, at,
                                   ending == ".mp3" ? "-c:a libmp3lame" : "-c:a libvorbis"));
}

// The Bezier effect turning for `seconds`.
std::string curves(double seconds) {
    return "@sync\n0.0 scene 1 duration " + std::to_string(seconds) +
           " translate 0 0 -60 rotate 0 0 1 angle 0 to 3600\n";
}

} // namespace

TEST(RenderVideo, TheFirstWhiteFrameAndTheClickMeet) {
    const struct {
        const char* out;
        const char* music;
        std::vector<std::string> codecs;
    } files[] = {
        {"show.mp4", "click.ogg", {"video:h264", "audio:aac"}},
        {"show.mkv", "click.it", {"video:h264", "audio:opus"}},
    };
    for (const auto& f : files) {
        TempShow show;
        writeClick(show, f.music, 2.0);
        show.write("white.jpg", solidJpeg(256, 256, 255, 255, 255));
        show.script("@sync\n2.0 track 1 type 1 object white.jpg duration 0.1 center\n3.0 end\n");
        for (int fps : {30, 60}) {
            for (double from : {0.0, 1.5}) {
                SCOPED_TRACE(std::string(f.out) + " at " + std::to_string(fps) + " fps from " +
                             std::to_string(from));
                const RunResult r = runTamarack(
                    {"--render", f.out, "--fps", std::to_string(fps), "--from", std::to_string(from)},
                    show.dir());
                ASSERT_EQ(r.status, 0) << r.err;
                const std::string path = show.dir() + "/" + f.out;
                EXPECT_EQ(streamCodecs(path), f.codecs);
                const auto frames = decodeGrey(path, W, H);
                const size_t count = static_cast<size_t>(3 * fps - std::ceil(from * fps) + 1);
                EXPECT_EQ(frames.size(), count);
                EXPECT_NEAR(audioSeconds(path), static_cast<double>(count) / fps, 1.0 / fps);
                const double white = static_cast<double>(firstWhiteFrame(frames, W, H)) / fps;
                const double click = static_cast<double>(firstLoudSample(decodeAudio(path))) / 48000;
                EXPECT_NEAR(white, 2.0 - from, 0.5 / fps);
                EXPECT_LT(std::abs(white - click), 1.0 / fps)
                    << "white at " << white << ", click at " << click;
            }
        }
    }
}

TEST(RenderVideo, EachContainerHoldsItsStreams) {
    const struct {
        const char *out, *music, *options, *flag; // music null: none
        std::vector<std::string> codecs;
        const char* report; // with --progress: the end of the last line; else stderr stays empty
    } cases[] = {
        {"show.webm", "tune.mp3", "", "--progress", {"video:vp9", "audio:opus"}, "video vp9 + audio opus"},
        {"show.mp4", "tune.ogg", "", "--mute", {"video:h264"}, nullptr},
        {"show.mkv", "tune.it", "Default !sound\n", "", {"video:h264"}, nullptr},
        {"show.mp4", nullptr, "", "--progress", {"video:h264"}, "video h264"},
    };
    for (const auto& c : cases) {
        TempShow show;
        if (c.music) writeClick(show, c.music, 0.5);
        show.script(c.options + curves(1.0));
        std::vector<std::string> args = {"--render", c.out, "--fps", "30"};
        if (*c.flag) args.push_back(c.flag);
        const RunResult r = runTamarack(args, show.dir());
        ASSERT_EQ(r.status, 0) << c.out << ": " << r.err;
        const std::string path = show.dir() + "/" + c.out;
        EXPECT_EQ(streamCodecs(path), c.codecs) << c.out;
        EXPECT_EQ(decodeGrey(path, W, H).size(), 31u) << c.out;
        if (c.codecs.size() > 1) {
            EXPECT_NEAR(audioSeconds(path), 31 / 30.0, 1 / 30.0) << c.out;
            float peak = 0;
            for (float v : decodeAudio(path))
                peak = std::max(peak, std::abs(v));
            EXPECT_GT(peak, 0.2f) << c.out << ": the music is silent";
        }
        const std::string last = r.err.substr(r.err.rfind('\n', r.err.size() - 2) + 1);
        EXPECT_EQ(c.report ? last : r.err, c.report ? "tamarack: wrote " + std::string(c.out) +
                                                          ": 31 frames, 1.03 s, " + c.report + "\n"
                                                    : "")
            << r.err;
    }
}

TEST(RenderVideo, ASignalStopsARenderAfterAWholeFrame) {
    const struct {
        const char* out;
        int signal, status;
    } cases[] = {{"show.mp4", SIGINT, 130}, {"-", SIGTERM, 143}};
    for (const auto& c : cases) {
        TempShow show;
        writeClick(show, "click.it", 1.0);
        show.script(curves(600));
        const std::string stream = show.dir() + "/stream.y4m";
        Started run({"--render", c.out, "--fps", "30", "--progress"}, show.dir(), {},
                    std::string(c.out) == "-" ? stream : "");
        // Under way: a progress line with frames written.
        for (int i = 0; i < 600 && run.errSoFar().find("frames (") == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        run.signal(c.signal);
        const RunResult r = run.wait();
        ASSERT_EQ(r.status, c.status) << c.out << ": " << r.err;
        const size_t at = r.err.find("tamarack: stopped: ");
        ASSERT_NE(at, std::string::npos) << r.err;
        const size_t written = std::stoul(r.err.substr(at + 19));
        EXPECT_GT(written, 0u) << c.out;
        const std::string path = show.dir() + "/" + c.out;
        if (std::string(c.out) == "show.mp4") {
            EXPECT_EQ(streamCodecs(path), (std::vector<std::string>{"video:h264", "audio:aac"}));
            EXPECT_EQ(decodeGrey(path, W, H).size(), written);
        } else {
            const std::string header = "YUV4MPEG2 W640 H480 F30:1 Ip A1:1 C420jpeg\n";
            EXPECT_EQ(fs::file_size(stream), header.size() + written * (6 + W * H * 3 / 2));
        }
    }
}

TEST(RenderVideo, AWriteFailureSaysWhyAndLeavesNoFilm) {
    TempShow show;
    show.script(curves(1.0));
    fs::create_directory(show.dir() + "/folder.mp4");
    fs::create_directories(show.dir() + "/frames/frame-000003.png");
    const struct {
        const char* out;
        const char* stdoutPath; // null: a temporary file
        const char* message;
    } cases[] = {
        {"folder.mp4", nullptr, "tamarack: cannot write folder.mp4: Is a directory\n"},
        {"-", "/dev/full", "tamarack: cannot write the stream: No space left on device\n"},
        {"frames", nullptr, "frame-000003.png: Is a directory\n"},
    };
    for (const auto& c : cases) {
        const RunResult r =
            Started({"--render", c.out, "--fps", "30"}, show.dir(), {}, c.stdoutPath ? c.stdoutPath : "")
                .wait();
        EXPECT_EQ(r.status, 1) << c.out;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.out << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}
