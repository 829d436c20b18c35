#pragma once
// Model files in the formats show authors bring, written by the tests.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

struct ModelFile {
    std::string bytes;
    size_t corners = 0; // distinct (position, mapping) pairs: the vertices a 3DS file needs
    size_t triangles = 0;
};

// A cube of side 2 about the origin as OBJ: six quads each mapped with the whole picture upright
// (OBJ's v 0 is the bottom), one line, "mtllib MTL" and "usemtl skin".
inline ModelFile objCube(const std::string& mtl) {
    const int faces[6][4] = {{1, 2, 3, 4}, {6, 5, 8, 7}, {2, 6, 7, 3},
                             {5, 1, 4, 8}, {4, 3, 7, 8}, {5, 6, 2, 1}};
    ModelFile f;
    f.bytes = "mtllib " + mtl +
              "\nv -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\nv -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\n"
              "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nusemtl skin\n";
    std::set<std::pair<int, int>> corners;
    for (const auto& q : faces) {
        f.bytes += "f";
        for (int i = 0; i < 4; ++i) {
            f.bytes += " " + std::to_string(q[i]) + "/" + std::to_string(i + 1);
            corners.insert({q[i], i + 1});
        }
        f.bytes += "\n";
    }
    f.bytes += "l 1 7\n";
    f.corners = corners.size();
    f.triangles = 12;
    return f;
}

// The material file for it: material "skin" wearing the picture `texture`.
inline std::string objMaterial(const std::string& texture) {
    return "newmtl skin\nKd 1 1 1\nmap_Kd " + texture + "\n";
}

// A strip of `cells` quads along x, each vertex with its own mapping coordinate (none can be joined).
inline ModelFile objStrip(int cells) {
    ModelFile f;
    for (int i = 0; i <= cells; ++i)
        for (int y = 0; y < 2; ++y)
            f.bytes += "v " + std::to_string(i) + " " + std::to_string(y) + " 0\nvt " + std::to_string(i) +
                       " " + std::to_string(y) + "\n";
    for (int i = 0; i < cells; ++i) {
        const std::string a = std::to_string(2 * i + 1), b = std::to_string(2 * i + 2),
                          c = std::to_string(2 * i + 4), d = std::to_string(2 * i + 3);
        f.bytes += "f " + a + "/" + a + " " + d + "/" + d + " " + c + "/" + c + " " + b + "/" + b + "\n";
    }
    f.corners = 2 * static_cast<size_t>(cells + 1);
    f.triangles = 2 * static_cast<size_t>(cells);
    return f;
}

inline std::string base64(const std::string& in) {
    static const char* digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < in.size(); i += 3) {
        uint32_t n = 0;
        for (size_t k = 0; k < 3; ++k)
            n = n << 8 | (i + k < in.size() ? static_cast<uint8_t>(in[i + k]) : 0);
        for (size_t k = 0; k < 4; ++k)
            out += i + k <= in.size() ? digits[(n >> (18 - 6 * k)) & 63] : '=';
    }
    return out;
}

// A glTF 2.0 file, its buffer inline: a unit square about the origin in the xy plane mapped upright
// (glTF's v 0 is the top), wearing `image`, placed by two nodes at x -1.5 and x +1.5.
inline ModelFile gltfTwoSquares(const std::string& image) {
    const float corners[] = {-0.5f, -0.5f, 0, 0.5f, -0.5f, 0, 0.5f, 0.5f, 0, -0.5f, 0.5f, 0, // 48 bytes
                             0,     1,     1, 1,    1,     0, 0,    0};                      // 32 bytes
    const uint16_t indices[] = {0, 1, 2, 0, 2, 3};                                           // 12 bytes
    const std::string buffer = std::string(reinterpret_cast<const char*>(corners), sizeof corners) +
                               std::string(reinterpret_cast<const char*>(indices), sizeof indices);
    const std::string views = R"({"buffer": 0, "byteOffset": 0, "byteLength": 48},
        {"buffer": 0, "byteOffset": 48, "byteLength": 32}, {"buffer": 0, "byteOffset": 80, "byteLength": 12})";
    const std::string accessors =
        R"({"bufferView": 0, "componentType": 5126, "count": 4, "type": "VEC3", "min": [-0.5, -0.5, 0],
        "max": [0.5, 0.5, 0]}, {"bufferView": 1, "componentType": 5126, "count": 4, "type": "VEC2"},
        {"bufferView": 2, "componentType": 5123, "count": 6, "type": "SCALAR"})";
    ModelFile f;
    f.bytes = R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0, 1]}],
        "nodes": [{"mesh": 0, "translation": [-1.5, 0, 0]}, {"mesh": 0, "translation": [1.5, 0, 0]}],
        "meshes": [{"primitives": [{"attributes": {"POSITION": 0, "TEXCOORD_0": 1}, "indices": 2, "material": 0}]}],
        "materials": [{"pbrMetallicRoughness": {"baseColorTexture": {"index": 0}}}],
        "textures": [{"source": 0}], "images": [{"uri": ")" +
              image + R"("}], "buffers": [{"byteLength": 92, "uri": "data:application/octet-stream;base64,)" +
              base64(buffer) + R"("}], "bufferViews": [)" + views + R"(], "accessors": [)" + accessors + "]}";
    f.corners = 8;
    f.triangles = 4;
    return f;
}

// A binary glTF (.glb) file: the unit square of gltfTwoSquares at the origin, wearing the picture
// `jpeg` held inside the file (a buffer view with mimeType image/jpeg).
inline std::string glbSquareWithPicture(const std::string& jpeg) {
    const float corners[] = {-0.5f, -0.5f, 0, 0.5f, -0.5f, 0, 0.5f, 0.5f, 0, -0.5f, 0.5f, 0, // 48 bytes
                             0,     1,     1, 1,    1,     0, 0,    0};                      // 32 bytes
    const uint16_t indices[] = {0, 1, 2, 0, 2, 3};                                           // 12 bytes
    std::string bin = std::string(reinterpret_cast<const char*>(corners), sizeof corners) +
                      std::string(reinterpret_cast<const char*>(indices), sizeof indices) + jpeg;
    const size_t binLength = bin.size();
    bin.resize((bin.size() + 3) / 4 * 4, '\0');
    std::string json =
        R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}], "nodes": [{"mesh": 0}],
        "meshes": [{"primitives": [{"attributes": {"POSITION": 0, "TEXCOORD_0": 1}, "indices": 2, "material": 0}]}],
        "materials": [{"pbrMetallicRoughness": {"baseColorTexture": {"index": 0}}}],
        "textures": [{"source": 0}], "images": [{"bufferView": 3, "mimeType": "image/jpeg"}],
        "buffers": [{"byteLength": )" +
        std::to_string(binLength) + R"(}], "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 48},
        {"buffer": 0, "byteOffset": 48, "byteLength": 32}, {"buffer": 0, "byteOffset": 80, "byteLength": 12},
        {"buffer": 0, "byteOffset": 92, "byteLength": )" +
        std::to_string(jpeg.size()) +
        R"(}], "accessors": [{"bufferView": 0, "componentType": 5126, "count": 4,
        "type": "VEC3", "min": [-0.5, -0.5, 0], "max": [0.5, 0.5, 0]},
        {"bufferView": 1, "componentType": 5126, "count": 4, "type": "VEC2"},
        {"bufferView": 2, "componentType": 5123, "count": 6, "type": "SCALAR"}]})";
    json.resize((json.size() + 3) / 4 * 4, ' ');
    auto u32 = [](uint32_t v) {
        return std::string{static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                           static_cast<char>(v >> 24)};
    };
    const uint32_t total = static_cast<uint32_t>(12 + 8 + json.size() + 8 + bin.size());
    return "glTF" + u32(2) + u32(total) + u32(static_cast<uint32_t>(json.size())) + "JSON" + json +
           u32(static_cast<uint32_t>(bin.size())) + std::string("BIN\0", 4) + bin;
}
