#include "assets/gfx.h"
#include "support/temp_dir.h"

#include <climits>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace {

// 3DS bytes written by hand, little-endian.
std::string u16(unsigned v) {
    return {char(v & 0xFF), char(v >> 8 & 0xFF)};
}
std::string u32(uint32_t v) {
    return u16(v & 0xFFFF) + u16(v >> 16);
}
std::string f32(float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    return u32(bits);
}
std::string chunk(unsigned id, const std::string& body) {
    return u16(id) + u32(uint32_t(body.size() + 6)) + body;
}
std::string text(const std::string& s) {
    return s + std::string(1, '\0');
}

std::string vertexList(int n, float base = 0) {
    std::string b = u16(n);
    for (int i = 0; i < n; ++i)
        b += f32(base + i) + f32(base + i + 0.5f) + f32(-base - i);
    return chunk(0x4110, b);
}
std::string faceList(int n, unsigned first = 0) {
    std::string b = u16(n);
    for (int i = 0; i < n; ++i)
        b += u16(first + i) + u16(first + i + 1) + u16(first + i + 2) + u16(7);
    return chunk(0x4120, b);
}
std::string mapList(int n) {
    std::string b = u16(n);
    for (int i = 0; i < n; ++i)
        b += f32(i * 0.25f) + f32(1 - i * 0.25f);
    return chunk(0x4140, b);
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

TEST(Load3DS, OneMeshOfFourVerticesAndTwoFaces) {
    const object_type o = parse(model(chunk(0xAFFF, chunk(0xA200, chunk(0xA300, text("wood.jpg")))) +
                                      object("box", vertexList(4) + mapList(4) + faceList(2))));
    EXPECT_EQ(field(o.objectName), "box");
    EXPECT_EQ(field(o.textureName), "wood.jpg");
    EXPECT_EQ(o.vertexCount, 4);
    EXPECT_EQ(o.polygonCount, 2);
    ASSERT_EQ(o.vertices.size(), 4u);
    EXPECT_EQ(o.vertices[3].x, 3.0f);
    EXPECT_EQ(o.vertices[3].y, 3.5f);
    EXPECT_EQ(o.vertices[3].z, -3.0f);
    ASSERT_EQ(o.polygons.size(), 2u);
    EXPECT_EQ(o.polygons[1].a, 1);
    EXPECT_EQ(o.polygons[1].b, 2);
    EXPECT_EQ(o.polygons[1].c, 3);
    ASSERT_EQ(o.mapcoords.size(), 4u);
    EXPECT_EQ(o.mapcoords[2].u, 0.5f);
    EXPECT_EQ(o.mapcoords[2].v, 0.5f);
    EXPECT_EQ(o.hasPolygons, 1);
    EXPECT_EQ(o.hasMapcoords, 1);
    EXPECT_EQ(o.hasCamera, 0);
}

TEST(Load3DS, WithoutMappingChunkHasNoMapcoords) {
    const object_type o = parse(model(object("plain", vertexList(3) + faceList(1))));
    EXPECT_EQ(o.hasMapcoords, 0);
    EXPECT_TRUE(o.mapcoords.empty());
    EXPECT_EQ(field(o.textureName), "");
}

TEST(Load3DS, TwoMeshesAppendToOneRecordAndCountTheLastLists) {
    const object_type o = parse(model(object("a", vertexList(10) + faceList(8)) +
                                      object("b", vertexList(14, 100) + faceList(12, 1))));
    EXPECT_EQ(field(o.objectName), "b");
    EXPECT_EQ(o.polygons.size(), 20u);
    EXPECT_EQ(o.polygonCount, 12);
    EXPECT_EQ(o.vertices.size(), 24u);
    EXPECT_EQ(o.vertexCount, 14);
    EXPECT_EQ(o.polygons[8].a, 1); // indices stay relative to their own mesh
    EXPECT_EQ(o.vertices[10].x, 100.0f);
}

TEST(Load3DS, UnknownChunksAreSkippedByTheirLength) {
    // The unknown chunk holds bytes that would read as a vertex list.
    const object_type o = parse(
        chunk(0x4D4D, chunk(0x0002, vertexList(5)) + chunk(0x1234, "xyz") + object("o", vertexList(2))));
    EXPECT_EQ(o.vertices.size(), 2u);
    EXPECT_EQ(field(o.objectName), "o");
}

TEST(Load3DS, FaceIndexFFFFIsReadAs65535) {
    const object_type o =
        parse(model(object("o", chunk(0x4120, u16(1) + u16(0xFFFF) + u16(0x8000) + u16(1) + u16(0)))));
    ASSERT_EQ(o.polygons.size(), 1u);
    EXPECT_EQ(o.polygons[0].a, 65535);
    EXPECT_EQ(o.polygons[0].b, 32768);
}

TEST(Load3DS, CameraAndRanges) {
    std::string cam;
    for (int i = 1; i <= 8; ++i)
        cam += f32(i * 1.5f);
    const object_type o =
        parse(model(chunk(0x4000, text("cam") + chunk(0x4700, cam + chunk(0x4720, f32(0.5f) + f32(900))))));
    EXPECT_EQ(o.hasCamera, 1);
    EXPECT_EQ(o.cameraPosition[0], 1.5f);
    EXPECT_EQ(o.cameraTarget[2], 9.0f);
    EXPECT_EQ(o.cameraBank, 10.5f);
    EXPECT_EQ(o.cameraLens, 12.0f);
    EXPECT_EQ(o.hasCameraRanges, 1);
    EXPECT_EQ(o.cameraNear, 0.5f);
    EXPECT_EQ(o.cameraFar, 900.0f);
}

// Damaged files: the reading stops or stays in step, never reads past the
// data, and the counts never exceed the arrays.
TEST(Load3DS, DamagedFilesKeepWhatWasRead) {
    const std::string good = object("first", vertexList(3) + faceList(2));
    const std::string later = object("later", vertexList(4));
    const std::string twentyOne(21, 'n');
    struct Case {
        const char* what;
        std::string bytes;
        std::string objectName;
        size_t vertices, polygons;
        int32_t vertexCount, polygonCount;
    } cases[] = {
        {"chunk length below 6", good + u16(0x4000) + u32(3) + later, "first", 3, 2, 3, 2},
        {"chunk length 0", good + u16(0x1234) + u32(0) + later, "first", 3, 2, 3, 2},
        {"chunk running past the end", good + u16(0x4000) + u32(1000) + text("x") + vertexList(1), "first", 3,
         2, 3, 2},
        {"container running past the end", u16(0x4D4D) + u32(0xFFFFFFFF) + good, "", 0, 0, 0, 0},
        {"header cut short", good + u16(0x4110) + "\x01", "first", 3, 2, 3, 2},
        {"long name read to its NUL", object(twentyOne + "tail", vertexList(2)), twentyOne.substr(0, 20), 2,
         0, 2, 0},
        {"name of exactly 20 bytes", object(twentyOne.substr(1), vertexList(2)), twentyOne.substr(1), 2, 0, 2,
         0},
        {"name without NUL at the end", u16(0x4000) + u32(9) + "abc", "abc", 0, 0, 0, 0},
        {"vertex list cut short",
         good + u16(0x4110) + u32(8 + 12) + u16(5) + f32(1) + f32(2) + f32(3) + f32(4) + f32(5) + f32(6) +
             f32(7),
         "first", 5, 2, 2, 2},
        {"face list cut short",
         good + u16(0x4120) + u32(8 + 8) + u16(9) + u16(1) + u16(2) + u16(3) + u16(0) + u16(4), "first", 3, 3,
         3, 1},
        {"count without entries", good + u16(0x4120) + u32(6), "first", 3, 2, 3, 2},
    };
    for (const Case& c : cases) {
        const object_type o = parse(c.bytes);
        EXPECT_EQ(field(o.objectName), c.objectName) << c.what;
        EXPECT_EQ(o.vertices.size(), c.vertices) << c.what;
        EXPECT_EQ(o.polygons.size(), c.polygons) << c.what;
        EXPECT_EQ(o.vertexCount, c.vertexCount) << c.what;
        EXPECT_EQ(o.polygonCount, c.polygonCount) << c.what;
        EXPECT_LE(size_t(o.vertexCount), o.vertices.size()) << c.what;
        EXPECT_LE(size_t(o.polygonCount), o.polygons.size()) << c.what;
    }
}

TEST(Load3DS, MapcoordListCutShortKeepsTheWholePairs) {
    const object_type o = parse(chunk(0x4140, u16(4)) + f32(0.5f) + f32(0.25f) + f32(1));
    EXPECT_EQ(o.hasMapcoords, 1);
    ASSERT_EQ(o.mapcoords.size(), 1u);
    EXPECT_EQ(o.mapcoords[0].v, 0.25f);
}

// Load3DS works on data/NAME relative to the show folder.
class Load3DSFile : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
        ASSERT_EQ(chdir(show.dir().c_str()), 0);
        gfxClearObjects();
    }
    void TearDown() override {
        gfxClearObjects();
        ASSERT_EQ(chdir(saved), 0);
    }
    TempShow show;
    char saved[PATH_MAX] = {};
};

TEST_F(Load3DSFile, RegistryIsNewestFirstAndCaseSensitive) {
    show.write("a.3ds", model(object("A", vertexList(1))));
    show.write("b.3ds", model(object("B", vertexList(2))));
    EXPECT_TRUE(Load3DS("data/a.3ds"));
    EXPECT_TRUE(Load3DS("data/b.3ds"));
    EXPECT_EQ(getObjectNum("b.3ds"), 0);
    EXPECT_EQ(getObjectNum("a.3ds"), 1);
    EXPECT_EQ(getObjectNum("A.3ds"), -1);
    EXPECT_EQ(getObjectNum("a.3d"), -1);
    ASSERT_NE(getObject(1), nullptr);
    EXPECT_EQ(field(getObject(1)->objectName), "A");
    EXPECT_EQ(getObject(0)->vertices.size(), 2u);
}

TEST_F(Load3DSFile, ZeroByteFileIsRegisteredEmpty) {
    show.write("empty.3ds", "");
    EXPECT_TRUE(Load3DS("data/empty.3ds"));
    const object_type* o = getObject(0);
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->name, "empty.3ds");
    EXPECT_TRUE(o->vertices.empty() && o->polygons.empty() && o->mapcoords.empty());
    EXPECT_EQ(o->vertexCount + o->polygonCount + o->hasPolygons + o->hasMapcoords + o->hasCamera, 0);
}

TEST_F(Load3DSFile, FileThatCannotBeReadIsSkippedWithAMessage) {
    std::filesystem::create_directory(show.data("dir.3ds"));
    struct Case {
        const char* path;
        const char* message;
    } cases[] = {
        {"data/missing.3ds", "tamarack: data/missing.3ds: No such file or directory; not loaded\n"},
        {"data/dir.3ds", "tamarack: data/dir.3ds: Is a directory; not loaded\n"},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(Load3DS(c.path));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.message);
        EXPECT_EQ(gfx.objects, nullptr) << c.path;
    }
}

TEST(FileLength, IsTheSizeOfTheOpenFile) {
    TempShow show;
    show.write("x", std::string(1234, 'x'));
    FILE* f = std::fopen(show.data("x").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(filelength(fileno(f)), 1234);
    std::fclose(f);
}
