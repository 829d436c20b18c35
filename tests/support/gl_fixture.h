#pragma once
#include "engine/offscreen.h"

#include <array>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

// Gives a test an OpenGL context without a display: a 640 x 480 offscreen
// frame with the engine's fixed GL state, read back top row first.
class GLTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Reads the frame back; pixel(x, y) then gives the colour at column x of
    // row y counted from the top.
    void grab();
    std::array<int, 3> pixel(int x, int y) const;

    Offscreen frame;
    std::vector<uint8_t> rgb;
};
