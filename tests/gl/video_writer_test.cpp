// The video writer on its own, read back with ffprobe and ffmpeg. (Sound in
// step with the picture, and write failures, are tested through --render.)
#include "render/video_writer.h"
#include "support/media.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

const int W = 160, H = 120, fps = 30;

// Dark grey with a band of (200, 60, 120) at the top.
std::vector<uint8_t> picture() {
    std::vector<uint8_t> rgb(W * H * 3, 40);
    for (int p = 0; p < W * 8; ++p) {
        rgb[p * 3] = 200;
        rgb[p * 3 + 1] = 60;
        rgb[p * 3 + 2] = 120;
    }
    return rgb;
}

} // namespace

TEST(VideoWriter, EachContainerKeepsEveryFrameItsColoursAndTheSoundsLength) {
    const struct {
        const char* name;
        std::vector<std::string> codecs;
    } cases[] = {
        {"clip.mp4", {"video:h264", "audio:aac"}},
        {"clip.MKV", {"video:h264", "audio:opus"}},
        {"clip.webm", {"video:vp9", "audio:opus"}},
    };
    const std::vector<uint8_t> rgb = picture();
    const std::vector<float> tone(2 * 1601, 0.25f); // a little more than a frame, in uneven pieces
    for (const auto& c : cases) {
        TempShow dir;
        const std::string path = dir.dir() + "/" + c.name;
        VideoWriter out;
        std::string error;
        ASSERT_TRUE(out.open(path, W, H, fps, true, error)) << c.name << ": " << error;
        for (int i = 0; i < 45; ++i) {
            ASSERT_TRUE(out.writeFrame(rgb.data(), error)) << error;
            ASSERT_TRUE(out.writeAudio(tone.data(), i < 44 ? 1601 : 1600 * 45 - 1601 * 44, error)) << error;
        }
        ASSERT_TRUE(out.close(error)) << c.name << ": " << error;
        EXPECT_EQ(streamCodecs(path), c.codecs);
        const auto frames = decodeGrey(path, W, H);
        ASSERT_EQ(frames.size(), 45u) << c.name;
        // BT.601 luma of the band, through limited range and back.
        EXPECT_NEAR(frames[44][W * 4 + W / 2], 0.299 * 200 + 0.587 * 60 + 0.114 * 120, 4) << c.name;
        EXPECT_NEAR(audioSeconds(path), 1.5, 1.0 / fps) << c.name;
    }
}

TEST(VideoWriter, AWriterDestroyedUnclosedRemovesItsFile) {
    TempShow dir;
    const std::string path = dir.dir() + "/left.mp4";
    {
        VideoWriter out;
        std::string error;
        ASSERT_TRUE(out.open(path, W, H, fps, false, error)) << error;
        ASSERT_TRUE(out.writeFrame(picture().data(), error)) << error;
        EXPECT_TRUE(std::filesystem::exists(path));
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}
