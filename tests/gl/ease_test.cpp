// "ease" on a command, drawn by the real binary: the eased opacity of a white
// layer over black, read from the frame.
#include "support/make_jpeg.h"
#include "support/run.h"
#include "support/temp_dir.h"
#include "tests/gl/render_util.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

// The red channel at the centre of the frame at `seconds`.
int centreAt(const TempShow& show, const char* seconds) {
    const std::string file = show.dir() + "/shot.png";
    const RunResult r = runTamarack({"--shot", seconds, file, "--fps", "100"}, show.dir());
    EXPECT_EQ(r.status, 0) << r.err;
    return readPNG(file).at(320, 240)[0];
}

std::string fade(const std::string& ease) {
    return "Default !sound\n@sync\n0 track 1 type 1 object white.jpg center duration 1.0 blend "
           "opacity 0 to 1 " +
           ease + "\n";
}

} // namespace

TEST(EaseDrawn, SmoothRunsTheOpacityAlongSmoothstep) {
    TempShow show;
    show.write("white.jpg", solidJpeg(64, 64, 255, 255, 255));
    const char* times[] = {"0.25", "0.5", "0.75"};
    show.script(fade("ease smooth"));
    for (const char* t : times) {
        const double x = std::stod(t);
        const double want = 255 * x * x * (3 - 2 * x); // 39.8, 127.5, 215.2
        EXPECT_NEAR(centreAt(show, t), want, 1) << t;
    }
    // Without "ease", and with "ease linear", the straight line of old.
    for (const char* ease : {"", "ease linear"}) {
        show.script(fade(ease));
        for (const char* t : times)
            EXPECT_NEAR(centreAt(show, t), 255 * std::stod(t), 1) << ease << " at " << t;
    }
}
