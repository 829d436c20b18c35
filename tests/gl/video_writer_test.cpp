// The video writer, read back with ffprobe and ffmpeg: streams and codecs,
// every frame and the sound in step, colours, and no file left behind by a
// failure.
#include "render/video_writer.h"
#include "support/make_audio.h"
#include "support/media.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const int W = 160, H = 120, fps = 30;

// Frame i: dark grey, white from frame 30 (1.000 s) on, in a colour band
// at the top.
std::vector<uint8_t> picture(int i) {
    std::vector<uint8_t> rgb(W * H * 3, i >= 30 ? 255 : 40);
    for (int p = 0; p < W * 8; ++p) {
        rgb[p * 3] = 200;
        rgb[p * 3 + 1] = 60;
        rgb[p * 3 + 2] = 120;
    }
    return rgb;
}

// `frames` frames with the click at 1.000 s, the sound handed in uneven
// pieces as long as the pictures.
bool writeClip(VideoWriter& out, const std::string& path, int frames, bool sound, std::string& error) {
    if (!out.open(path, W, H, fps, sound, error)) return false;
    std::vector<float> click;
    for (int16_t s : clickSamples(VideoWriter::audioRate, 2, frames / double(fps), 1.0))
        click.push_back(s / 32768.0f);
    size_t handed = 0;
    for (int i = 0; i < frames; ++i) {
        if (!out.writeFrame(picture(i).data(), error)) return false;
        const size_t upTo = std::min(click.size() / 2, static_cast<size_t>((i + 1) * 1601));
        if (sound && !out.writeAudio(click.data() + handed * 2, upTo - handed, error)) return false;
        handed = upTo;
    }
    if (sound && !out.writeAudio(click.data() + handed * 2, click.size() / 2 - handed, error)) return false;
    return out.close(error);
}

} // namespace

TEST(VideoWriter, EveryContainerHoldsEveryFrameAndTheSoundInStep) {
    const struct {
        const char* name;
        std::vector<std::string> codecs;
    } cases[] = {
        {"clip.mp4", {"video:h264", "audio:aac"}},
        {"clip.MKV", {"video:h264", "audio:opus"}},
        {"clip.webm", {"video:vp9", "audio:opus"}},
    };
    for (const auto& c : cases) {
        for (bool sound : {true, false}) {
            TempShow dir;
            const std::string path = dir.dir() + "/" + c.name;
            VideoWriter out;
            std::string error;
            ASSERT_TRUE(writeClip(out, path, 45, sound, error)) << c.name << ": " << error;
            EXPECT_EQ(out.framesWritten(), 45);
            EXPECT_EQ(out.videoCodec() + (sound ? " " + out.audioCodec() : ""),
                      c.codecs[0].substr(6) + (sound ? " " + c.codecs[1].substr(6) : ""));
            const std::vector<std::string> want(c.codecs.begin(), c.codecs.begin() + (sound ? 2 : 1));
            EXPECT_EQ(streamCodecs(path), want) << c.name;

            const auto frames = decodeGrey(path, W, H);
            ASSERT_EQ(frames.size(), 45u) << c.name;
            EXPECT_EQ(firstWhiteFrame(frames, W, H), 30u) << c.name;
            // The colour band: BT.601 luma of (200, 60, 120), limited range
            // on the way and full range back.
            EXPECT_NEAR(frames[10][W * 4 + W / 2], 0.299 * 200 + 0.587 * 60 + 0.114 * 120, 4) << c.name;
            if (!sound) continue;
            const std::vector<float> audio = decodeAudio(path);
            const double period = VideoWriter::audioRate / double(fps);
            EXPECT_NEAR(audioSeconds(path), 1.5, 1.0 / fps) << c.name;
            EXPECT_NEAR(double(firstLoudSample(audio)), 30 * period, period / 2) << c.name;
        }
    }
}

TEST(VideoWriter, AFailureLeavesNoFile) {
    TempShow dir;
    fs::create_directory(dir.dir() + "/folder.mp4");
    const struct {
        std::string path;
        const char* reason;
    } opens[] = {
        {dir.dir() + "/folder.mp4", "Is a directory"},
        {dir.dir() + "/missing/clip.mkv", "No such file or directory"},
        {dir.dir() + "/clip.avi", "a video file name ends in .mp4, .mkv or .webm"},
    };
    for (const auto& c : opens) {
        VideoWriter out;
        std::string error;
        EXPECT_FALSE(out.open(c.path, W, H, fps, true, error)) << c.path;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.path << ": " << error;
        EXPECT_FALSE(out.isOpen());
    }
    EXPECT_TRUE(fs::is_directory(dir.dir() + "/folder.mp4"));

    // A full disk: the write or the close fails with the reason, and the
    // file goes.
    const std::string full = dir.dir() + "/full.mkv";
    fs::create_symlink("/dev/full", full);
    {
        VideoWriter out;
        std::string error;
        EXPECT_FALSE(writeClip(out, full, 45, true, error));
        EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
        out.discard();
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(full)));

    // Destroyed unclosed: the file goes.
    const std::string left = dir.dir() + "/left.mp4";
    {
        VideoWriter out;
        std::string error;
        ASSERT_TRUE(out.open(left, W, H, fps, false, error)) << error;
        ASSERT_TRUE(out.writeFrame(picture(0).data(), error)) << error;
        EXPECT_TRUE(fs::exists(left));
    }
    EXPECT_FALSE(fs::exists(left));
}
