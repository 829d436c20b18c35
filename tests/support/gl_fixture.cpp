#include "support/gl_fixture.h"

#include "base/config.h"

void GLTest::SetUp() {
    einit.defaults();
    std::string err;
    ASSERT_TRUE(frame.open(640, 480, err)) << err;
    einit.opengl();
}

void GLTest::TearDown() {
    frame.close();
}

void GLTest::grab() {
    frame.readRGB(rgb);
}

std::array<int, 3> GLTest::pixel(int x, int y) const {
    const size_t i = (static_cast<size_t>(y) * frame.width + x) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
}
