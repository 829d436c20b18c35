// The video writer on its own (containers, sync and failures: through --render).
#include "export/video_writer.h"
#include "support/media.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <fstream>
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

TEST(VideoWriter, KeepsEveryFrameItsColoursAndTheSoundsLength) {
    TempShow dir;
    const std::string path = dir.dir() + "/clip.MKV";
    const std::vector<uint8_t> rgb = picture();
    const std::vector<float> tone(2 * 1601, 0.25f); // a little more than a frame, in uneven pieces
    VideoWriter out;
    std::string error;
    ASSERT_TRUE(out.open(path, W, H, fps, true, error)) << error;
    for (int i = 0; i < 45; ++i) {
        ASSERT_TRUE(out.writeFrame(rgb.data(), error)) << error;
        ASSERT_TRUE(out.writeAudio(tone.data(), i < 44 ? 1601 : 1600 * 45 - 1601 * 44, error)) << error;
    }
    ASSERT_TRUE(out.close(error)) << error;
    EXPECT_EQ(streamCodecs(path), (std::vector<std::string>{"video:h264", "audio:opus"}));
    const auto frames = decodeGrey(path, W, H);
    ASSERT_EQ(frames.size(), 45u);
    // BT.601 luma of the band, through limited range and back.
    EXPECT_NEAR(frames[44][W * 4 + W / 2], 0.299 * 200 + 0.587 * 60 + 0.114 * 120, 4);
    EXPECT_NEAR(audioSeconds(path), 1.5, 1.0 / fps);
}

TEST(VideoWriter, TheFilmTakesItsNameWhenClosedAndAWriterDestroyedUnclosedLeavesNothing) {
    for (const bool closed : {true, false}) {
        TempShow dir;
        const std::string path = dir.dir() + "/film.mp4";
        std::ofstream(path) << "an earlier film";
        {
            VideoWriter out;
            std::string error;
            ASSERT_TRUE(out.open(path, W, H, fps, false, error)) << error;
            ASSERT_TRUE(out.writeFrame(picture().data(), error)) << error;
            EXPECT_EQ(readFile(path), "an earlier film");
            if (closed) {
                ASSERT_TRUE(out.close(error)) << error;
            }
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.dir()), {}), 2); // data/, film.mp4
        if (closed)
            EXPECT_EQ(decodeGrey(path, W, H).size(), 1u);
        else
            EXPECT_EQ(readFile(path), "an earlier film");
    }
}
