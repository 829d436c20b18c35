#include "assets/gfx.h"
#include "support/make_audio.h"
#include "support/temp_dir.h"

#include <array>
#include <climits>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// 3DS bytes written by hand, little-endian.
using namespace audio_bytes;
std::string f32(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return u32(bits);
}
std::string chunk(unsigned id, const std::string& body) {
    return u16(id) + u32(uint32_t(body.size() + 6)) + body;
}
std::string text(const std::string& s) {
    return s + '\0';
}
// A count, then item(i) for each of n.
template <class F> std::string list(unsigned id, int n, F item) {
    std::string b = u16(n);
    for (int i = 0; i < n; ++i)
        b += item(i);
    return chunk(id, b);
}
std::string vertexList(int n) {
    return list(0x4110, n, [](int i) { return f32(i) + f32(i + 0.5f) + f32(-i); });
}
std::string faceList(int n) {
    return list(0x4120, n, [](int i) { return u16(i) + u16(i + 1) + u16(i + 2) + u16(7); });
}
std::string mapList(int n) {
    return list(0x4140, n, [](int i) { return f32(i * 0.25f) + f32(1 - i * 0.25f); });
}
std::string object(const std::string& name, const std::string& mesh) {
    return chunk(0x4000, text(name) + chunk(0x4100, mesh));
}
std::string model(const std::string& editor) {
    return chunk(0x4D4D, chunk(0x0002, u32(3)) + chunk(0x3D3D, editor));
}

object_type parse(const std::string& bytes) {
    object_type o;
    parse3DS(o, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return o;
}
std::string field(const char (&f)[20]) {
    return std::string(f, strnlen(f, 20));
}

} // namespace

// Every mesh is kept, its faces offset past the meshes before, its mapping ((0, 0) if none) beside.
TEST(Load3DS, MeshesAreAppendedWithTheirIndicesOffsetAndTheCameraIsRead) {
    std::string cam; // position, target, bank, lens; then the near and far ranges
    for (int i = 1; i <= 8; ++i)
        cam += f32(i * 1.5f);
    const object_type o = parse(model(
        chunk(0xAFFF, chunk(0xA200, chunk(0xA300, text("wood.jpg")))) +
        chunk(0x4000, text("cam") + chunk(0x4700, cam + chunk(0x4720, f32(0.5f) + f32(900)))) +
        object("a", vertexList(3) + mapList(3) + faceList(1)) + object("b", vertexList(4) + faceList(2)) +
        object("c", mapList(3) + vertexList(3) + faceList(1))));
    EXPECT_EQ((std::array{field(o.objectName), field(o.textureName)}),
              (std::array<std::string, 2>{"c", "wood.jpg"}));
    EXPECT_EQ((std::array{o.cameraPosition[0], o.cameraTarget[2], o.cameraBank, o.cameraLens, o.cameraNear,
                          o.cameraFar}),
              (std::array{1.5f, 9.0f, 10.5f, 12.0f, 0.5f, 900.0f}));
    EXPECT_EQ((std::array{o.vertexCount, o.polygonCount, o.hasPolygons, o.hasMapcoords, o.hasCamera,
                          o.hasCameraRanges}),
              (std::array{10, 4, 1, 1, 1, 1}));
    std::vector<float> corners, u;
    for (const polygon_type& f : o.polygons)
        corners.insert(corners.end(), {float(f.a), float(f.b), float(f.c)});
    for (const mapcoord_type& m : o.mapcoords)
        u.push_back(m.u);
    EXPECT_EQ(corners, (std::vector<float>{0, 1, 2, 3, 4, 5, 4, 5, 6, 7, 8, 9}));
    EXPECT_EQ(u, (std::vector<float>{0, 0.25f, 0.5f, 0, 0, 0, 0, 0, 0.25f, 0.5f}));
}

// Odd and damaged files: reading stops or stays in step, and the reason is told.
TEST(Load3DS, OddAndDamagedFilesKeepWhatWasRead) {
    const std::string good = object("first", vertexList(3) + faceList(2)); // 86 bytes
    const std::string later = object("later", vertexList(4));
    const std::string two =
        model(object("a", vertexList(3) + faceList(1)) + object("b", vertexList(4) + faceList(2)));
    struct Case {
        const char* what;
        std::string bytes;
        std::string objectName;
        size_t vertices, polygons, mapcoords;
        const char* problem;
    } cases[] = {
        {"unknown chunk skipped by its length", // its bytes would read as a vertex list
         chunk(0x4D4D, chunk(0x1234, vertexList(5)) + object("o", vertexList(2))), "o", 2, 0, 0, ""},
        {"chunk length below 6", good + u16(0x4000) + u32(3) + later, "first", 3, 2, 0,
         "a chunk at byte 86 gives its length as 3, less than its own 6-byte header; 1 object read"},
        {"skipped chunk running past the end", good + u16(0x1234) + u32(1000) + text("x") + vertexList(1),
         "first", 3, 2, 0, "the file ends inside a chunk after 114 of 1,086 bytes; 1 object read"},
        {"container running past the end: what it holds is read", u16(0x4D4D) + u32(0xFFFFFFFF) + good,
         "first", 3, 2, 0, "the file ends inside a chunk after 92 of 4,294,967,295 bytes; 1 object read"},
        {"a file cut inside its second object", two.substr(0, two.size() - 10), "b", 7, 1, 0,
         "the file ends inside a chunk after 180 of 190 bytes; 1 object read"},
        {"empty file", "", "", 0, 0, 0, "the file is empty; 0 objects read"},
        {"name without NUL at the end", u16(0x4000) + u32(9) + "abc", "abc", 0, 0, 0, ""},
        {"vertex list cut short", good + chunk(0x4110, u16(5) + vertexList(3).substr(8, 28)), "first", 5, 2,
         0, "the file ends inside a chunk after 122 of 154 bytes; 1 object read"},
    };
    for (const Case& c : cases) {
        object_type o;
        const Read3DS read = parse3DS(o, reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size());
        EXPECT_EQ(read.problem, c.problem) << c.what;
        EXPECT_EQ(field(o.objectName), c.objectName) << c.what;
        EXPECT_EQ((std::array{o.vertices.size(), o.polygons.size(), o.mapcoords.size(), size_t(o.vertexCount),
                              size_t(o.polygonCount), size_t(o.hasMapcoords)}),
                  (std::array{c.vertices, c.polygons, c.mapcoords, c.vertices, c.polygons,
                              size_t(c.mapcoords > 0)}))
            << c.what;
    }
    const object_type o =
        parse(model(object("o", chunk(0x4120, u16(1) + u16(0xFFFF) + u16(0x8000) + u32(1)))));
    EXPECT_EQ(o.polygons.at(0).a + o.polygons.at(0).b, 65535 + 32768); // indices are unsigned
}

// An empty file is registered too, so that later names keep their numbers.
TEST(Load3DSFile, AZeroByteFileIsRegisteredEmpty) {
    TempShow show;
    char saved[PATH_MAX] = {};
    ASSERT_TRUE(getcwd(saved, sizeof saved) && chdir(show.dir().c_str()) == 0);
    show.write("empty.3ds", "");
    EXPECT_TRUE(Load3DS("data/empty.3ds"));
    EXPECT_EQ(getObjectNum("empty.3ds"), 0);
    gfxClearObjects();
    ASSERT_EQ(chdir(saved), 0);
}
