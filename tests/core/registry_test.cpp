#include "assets/gfx.h"

#include <cstring>
#include <gtest/gtest.h>

// Look-ups by name are exact; indices count from the newest record; anything
// past the end, or -1, gives -1.
TEST(Registry, LookupsByNameAndIndex) {
    texture_type c{"logo.jpg", 8, 8, 13, nullptr};
    texture_type a{"a.jpg", 300, 200, 11, &c};
    texture_type b{"Logo.jpg", 64, 32, 12, &a}; // loaded after a.jpg: index 0
    gfx.textures = &b;
    object_type m;
    m.name = "ship.3ds";
    gfx.objects = &m;

    struct Case {
        const char* name;
        int num;
        int modelNum; // a model's texture: exact, else ignoring the case of letters
    } names[] = {{"Logo.jpg", 0, 0}, {"a.jpg", 1, 1},     {"logo.jpg", 2, 2}, {"LOGO.JPG", -1, 0},
                 {"A.JPG", -1, 1},   {"Logo.jp", -1, -1}, {"", -1, -1}};
    for (const Case& n : names) {
        EXPECT_EQ(getTextureNum(n.name), n.num) << n.name;
        EXPECT_EQ(findModelTexture(n.name, std::strlen(n.name)), n.modelNum) << n.name;
    }

    struct Prop {
        int index, what, value;
    } props[] = {{0, 0, 12},  {0, 1, 64}, {0, 2, 32},  {1, 0, 11}, {1, 1, 300},
                 {1, 2, 200}, {0, 3, -1}, {-1, 0, -1}, {3, 0, -1}, {99, 1, -1}};
    for (const Prop& p : props)
        EXPECT_EQ(getTexture(p.index, p.what), p.value) << p.index << "," << p.what;

    EXPECT_EQ(getObjectNum("ship.3ds"), 0);
    EXPECT_EQ(getObjectNum("Ship.3ds"), -1);
    EXPECT_EQ(getObject(0), &m);
    EXPECT_EQ(getObject(1), nullptr);
    EXPECT_EQ(getObject(-1), nullptr);

    // A model's own texture is looked up again once the registry changed.
    std::memcpy(m.textureName, "LOGO.JPG", 8);
    EXPECT_EQ(ownTextureId(m), 12);
    gfx.textures = &a;
    EXPECT_EQ(ownTextureId(m), 13);
    gfx = gfx_type{};
    EXPECT_EQ(getTextureNum("a.jpg"), -1);
    EXPECT_EQ(getTexture(0, 0), -1);
}
