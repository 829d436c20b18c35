#include "assets/gfx.h"

#include <gtest/gtest.h>

// Look-ups by name are exact; indices count from the newest record; anything
// past the end, or -1, gives -1.
TEST(Registry, LookupsByNameAndIndex) {
    texture_type a{"a.jpg", 300, 200, 11, nullptr};
    texture_type b{"Logo.jpg", 64, 32, 12, &a}; // loaded after a.jpg: index 0
    gfx.textures = &b;
    object_type m;
    m.name = "ship.3ds";
    gfx.objects = &m;

    struct Case {
        const char* name;
        int num;
    } names[] = {{"Logo.jpg", 0}, {"a.jpg", 1}, {"logo.jpg", -1}, {"Logo.jp", -1}, {"", -1}};
    for (const Case& c : names)
        EXPECT_EQ(getTextureNum(c.name), c.num) << c.name;

    struct Prop {
        int index, what, value;
    } props[] = {{0, 0, 12},  {0, 1, 64}, {0, 2, 32},  {1, 0, 11}, {1, 1, 300},
                 {1, 2, 200}, {0, 3, -1}, {-1, 0, -1}, {2, 0, -1}, {99, 1, -1}};
    for (const Prop& p : props)
        EXPECT_EQ(getTexture(p.index, p.what), p.value) << p.index << "," << p.what;

    EXPECT_EQ(getObjectNum("ship.3ds"), 0);
    EXPECT_EQ(getObjectNum("Ship.3ds"), -1);
    EXPECT_EQ(getObject(0), &m);
    EXPECT_EQ(getObject(1), nullptr);
    EXPECT_EQ(getObject(-1), nullptr);
    gfx = gfx_type{};
    EXPECT_EQ(getTextureNum("a.jpg"), -1);
    EXPECT_EQ(getTexture(0, 0), -1);
}
