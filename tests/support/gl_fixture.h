#pragma once
#include "base/config.h"
#include "engine/offscreen.h"
#include "engine/startup.h"

#include <array>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

// A test with an OpenGL context and no display: a 640 x 480 offscreen frame, the engine's GL state.
class GLTest : public ::testing::Test {
  protected:
    void SetUp() override {
        einit.defaults();
        std::string err;
        ASSERT_TRUE(frame.open(640, 480, err)) << err;
        initGlState();
    }
    void TearDown() override { frame.close(); }
    // Reads the frame back; pixel(x, y) counts rows from the top.
    void grab() { frame.readRGB(rgb); }
    std::array<int, 3> pixel(int x, int y) const {
        const size_t i = (static_cast<size_t>(y) * frame.width + x) * 3;
        return {rgb[i], rgb[i + 1], rgb[i + 2]};
    }

    Offscreen frame;
    std::vector<uint8_t> rgb;
};
