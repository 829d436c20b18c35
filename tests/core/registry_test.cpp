#include "assets/gfx.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

// Look-ups by name are exact, a model's texture falls back to the same name in
// other letter case; indices count from the newest record (the interpreter's
// table reads the sizes); anything past the end, or -1, gives -1.
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

    EXPECT_EQ((std::vector{getTexture(0, 1), getTexture(1, 2), getTexture(0, 3), getTexture(-1, 0),
                           getTexture(3, 0)}),
              (std::vector{64, 200, -1, -1, -1}));
    EXPECT_EQ((std::vector{getObjectNum("ship.3ds"), getObjectNum("Ship.3ds")}), (std::vector{0, -1}));
    EXPECT_EQ((std::vector{getObject(0), getObject(1), getObject(-1)}),
              (std::vector<object_type*>{&m, nullptr, nullptr}));

    // A model's own texture is looked up again once the registry changed.
    std::memcpy(m.textureName, "LOGO.JPG", 8);
    EXPECT_EQ(ownTextureId(m), 12);
    gfx.textures = &a;
    EXPECT_EQ(ownTextureId(m), 13);
    gfx = gfx_type{};
    EXPECT_EQ(getTexture(0, 0), -1);
}
