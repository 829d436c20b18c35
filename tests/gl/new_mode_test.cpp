// tamarack new DIR: the starter show, and a folder that already holds a show left as it was.
#include "support/run.h"
#include "support/temp_dir.h"
#include "tests/gl/render_util.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

TEST(NewShow, ChecksCleanPlaysTenSecondsAndShowsItsScenes) {
    TempShow tmp;
    const std::string dir = tmp.dir() + "/first/show";
    const RunResult made = runTamarack({"new", dir});
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(made.err, "");
    for (const char* f : {"script.txt", "picture.jpg", "cube.3ds", "music.xm"})
        EXPECT_TRUE(fs::is_regular_file(dir + "/data/" + f)) << f;

    const RunResult check = runTamarack({"--check", dir});
    EXPECT_EQ(check.status, 0);
    EXPECT_EQ(check.out + check.err, "0 errors, 0 warnings\n");
    const RunResult late = runTamarack({"--shot", "11", tmp.dir() + "/late.png", dir});
    EXPECT_EQ(late.status, 1);
    EXPECT_EQ(late.err, "tamarack: the show ends at 10 s\n");

    const std::string shot = tmp.dir() + "/five.png";
    ASSERT_EQ(runTamarack({"--shot", "5", shot, dir}).status, 0);
    const Image img = readPNG(shot);
    ASSERT_EQ(img.width, 640);
    using Test = std::function<bool(RGB)>;
    const Test green = [](RGB p) { return p[1] > p[0] + 40 && p[1] > p[2] + 20; };
    const Test magenta = [](RGB p) { return p[0] > p[1] + 60 && p[2] > p[1] + 30; };
    const Test lit = [](RGB p) { return p[0] + p[1] + p[2] > 30; };
    const struct {
        const char* what;
        int x0, y0, x1, y1; // y from the top
        const Test& test;
        int atLeast; // -1: none at all
    } regions[] = {
        {"the layer, half way from x 40 to 260, 40 px up", 150, 312, 278, 440, green, 8000},
        {"the turning cube, right of the middle", 380, 190, 550, 335, green, 12000},
        {"the Bezier sheaf, upper left", 0, 0, 320, 300, magenta, 20000},
        {"nothing in the lower right corner", 560, 380, 640, 480, lit, -1},
    };
    for (const auto& r : regions) {
        int n = 0;
        for (int y = r.y0; y < r.y1; ++y)
            for (int x = r.x0; x < r.x1; ++x)
                n += r.test(img.at(x, y));
        EXPECT_TRUE(r.atLeast < 0 ? n == 0 : n >= r.atLeast) << r.what << ": " << n;
    }
}

TEST(NewShow, AFolderThatHoldsDataIsRefusedUntouched) {
    TempShow tmp; // holds an empty data/
    tmp.write("script.txt", "@sync\n");
    const std::string file = tmp.dir() + "/plain";
    std::ofstream(file) << "text";
    for (const std::string& dir : {tmp.dir(), file}) {
        const RunResult r = runTamarack({"new", dir});
        EXPECT_EQ(r.status, 1) << dir;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(dir == file ? " is not a folder" : " already holds data/; nothing was changed"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.dir()), {}), 2); // data/ and plain
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.dir() + "/data"), {}), 1);
    EXPECT_EQ(readFile(tmp.data("script.txt")) + readFile(file), "@sync\ntext");
}
