#include "base/picture_fit.h"

#include <gtest/gtest.h>

TEST(PictureFit, TheLargestRectangleOfThePicturesAspectCentredInTheOutput) {
    const struct {
        int w, h, outW, outH;
        PixelRect want;
    } cases[] = {
        {640, 480, 640, 480, {0, 0, 640, 480}},
        {640, 480, 1920, 1440, {0, 0, 1920, 1440}},
        {640, 480, 1920, 1080, {240, 0, 1440, 1080}},
        {640, 480, 1280, 1024, {0, 32, 1280, 960}},
        {640, 480, 3840, 2160, {480, 0, 2880, 2160}},
        {1024, 768, 800, 600, {0, 0, 800, 600}},
        {640, 480, 333, 100, {100, 0, 133, 100}},
        {640, 480, 101, 1000, {0, 462, 101, 76}}, // 75.75
        {640, 480, 1, 1, {0, 0, 1, 1}},
        {640, 480, 1, 1000, {0, 499, 1, 1}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fitPicture(c.w, c.h, c.outW, c.outH), c.want) << c.outW << "x" << c.outH;
}

TEST(PictureFit, AWindowKeepsTheScriptsSizeUnlessTheUsableAreaIsSmaller) {
    const struct {
        int w, h;
        PixelRect area, want;
    } cases[] = {
        {640, 480, {0, 0, 1920, 1080}, {640, 300, 640, 480}},
        {1024, 768, {0, 0, 800, 600}, {0, 0, 800, 600}},
        {1024, 768, {0, 24, 1280, 696}, {176, 24, 928, 696}},     // a 1280 x 720 screen with a top panel
        {800, 600, {1920, 0, 1280, 1024}, {2160, 212, 800, 600}}, // the second monitor
        {640, 480, {0, 0, 640, 400}, {53, 0, 533, 400}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fitWindow(c.w, c.h, c.area), c.want) << c.area.width << "x" << c.area.height;
}
