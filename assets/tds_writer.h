#pragma once
// A small writer of 3DS model files, and the shapes a show needs: textured
// triangle meshes with per-vertex mapping coordinates and the file name of
// their texture. The chunks written are the ones the engine's model loader
// reads:
//
//   0x4D4D main
//     0x0002 version (3)
//     0x3D3D editor
//       0xAFFF material (one per texture)
//         0xA000 material name
//         0xA200 texture map
//           0xA300 texture file name
//       0x4000 object (name), one per mesh
//         0x4100 triangular mesh
//           0x4110 vertices
//           0x4140 mapping coordinates
//           0x4120 faces
//
// Everything is little-endian, floats are IEEE single precision. Header-only,
// so the tools, the tests, the benchmarks and the engine can all use it
// without a library.
//
// In this order: the mesh records (tds::Mesh); the chunk encoder
// (tds::detail); check, encode and write of a file; splitting a large model
// into objects (tds::split); the grids and sheets the shapes are built from;
// the shapes (torus, trefoil knot, plane, cube, sphere).

#include "base/output_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace tds {

struct Vertex {
    float x, y, z;
};
struct MapCoord {
    float u, v;
};
struct Face {
    uint16_t a, b, c;
};

struct Mesh {
    std::string name;    // object name, at most 19 characters
    std::string texture; // texture file name, at most 19 characters; empty: no material
    std::vector<Vertex> vertices;
    std::vector<MapCoord> mapcoords; // empty, or one per vertex
    std::vector<Face> faces;
};

// Names in a 3DS file are NUL-terminated and the reader takes at most 20
// bytes, so 19 characters is the longest name that survives.
constexpr size_t maxName = 19;
// The counts of a vertex, mapping and face list are 16 bits wide.
constexpr size_t maxCount = 0xFFFF;

namespace detail {
inline void put16(std::string& s, uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}
inline void put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
inline void putFloat(std::string& s, float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    put32(s, v);
}
inline std::string chunk(uint16_t id, const std::string& body) {
    std::string s;
    put16(s, id);
    put32(s, static_cast<uint32_t>(body.size() + 6));
    return s + body;
}
inline std::string cstr(const std::string& t) {
    return t + std::string(1, '\0');
}
inline std::string object(const Mesh& m) {
    std::string verts;
    put16(verts, static_cast<uint16_t>(m.vertices.size()));
    for (const Vertex& v : m.vertices) {
        putFloat(verts, v.x);
        putFloat(verts, v.y);
        putFloat(verts, v.z);
    }
    std::string faces;
    put16(faces, static_cast<uint16_t>(m.faces.size()));
    for (const Face& f : m.faces) {
        put16(faces, f.a);
        put16(faces, f.b);
        put16(faces, f.c);
        put16(faces, 7); // edge visibility flags: all three edges shown
    }
    std::string mesh = chunk(0x4110, verts);
    if (!m.mapcoords.empty()) {
        std::string uv;
        put16(uv, static_cast<uint16_t>(m.mapcoords.size()));
        for (const MapCoord& c : m.mapcoords) {
            putFloat(uv, c.u);
            putFloat(uv, c.v);
        }
        mesh += chunk(0x4140, uv);
    }
    mesh += chunk(0x4120, faces);
    return chunk(0x4000, cstr(m.name) + chunk(0x4100, mesh));
}
} // namespace detail

// Checks what a 3DS object can hold: names of at most 19 characters, at most
// 65535 vertices and faces, face indices within the vertices, and mapping
// coordinates for every vertex or for none. Returns an empty text when the
// mesh can be written, else the reason.
inline std::string check(const Mesh& m) {
    if (m.name.size() > maxName) return "object name longer than 19 characters: " + m.name;
    if (m.texture.size() > maxName) return "texture name longer than 19 characters: " + m.texture;
    if (m.vertices.size() > maxCount) return "more than 65535 vertices";
    if (m.faces.size() > maxCount) return "more than 65535 faces";
    if (!m.mapcoords.empty() && m.mapcoords.size() != m.vertices.size())
        return "mapping coordinates do not match the vertices";
    for (const Face& f : m.faces)
        if (f.a >= m.vertices.size() || f.b >= m.vertices.size() || f.c >= m.vertices.size())
            return "face index beyond the vertices";
    return "";
}

// The bytes of a 3DS file holding the meshes (each passes check()) as
// objects, in their order. Each texture gets one material, named after the
// first object that wears it, written before the objects.
inline std::string encode(const std::vector<Mesh>& meshes) {
    using namespace detail;
    std::string editor;
    std::vector<std::string> textures;
    for (const Mesh& m : meshes) {
        if (m.texture.empty()) continue;
        bool seen = false;
        for (const std::string& t : textures)
            seen = seen || t == m.texture;
        if (seen) continue;
        textures.push_back(m.texture);
        std::string material = chunk(0xA000, cstr((m.name + "_mat").substr(0, maxName)));
        material += chunk(0xA200, chunk(0xA300, cstr(m.texture)));
        editor += chunk(0xAFFF, material);
    }
    for (const Mesh& m : meshes)
        editor += object(m);
    std::string version;
    put32(version, 3);
    return chunk(0x4D4D, chunk(0x0002, version) + chunk(0x3D3D, editor));
}

inline std::string encode(const Mesh& m) {
    return encode(std::vector<Mesh>{m});
}

// Writes the bytes to `path` as one whole file (base/output_file.h): `path`
// is either the whole new file or untouched. Returns an empty text on
// success, else "cannot write PATH: REASON".
inline std::string writeFile(const std::string& path, const std::string& bytes) {
    std::string error;
    return writeOutputFile(path, bytes, error) ? "" : error;
}

// Writes the meshes to `path` as one file. Returns an empty text on success,
// else the reason; nothing is left at `path` by a failed write.
inline std::string write(const std::string& path, const std::vector<Mesh>& meshes) {
    for (const Mesh& m : meshes) {
        const std::string why = check(m);
        if (!why.empty()) return why;
    }
    return writeFile(path, encode(meshes));
}

inline std::string write(const std::string& path, const Mesh& m) {
    return write(path, std::vector<Mesh>{m});
}

// A triangle mesh of any size, as a converter or a generator builds it.
struct Triangle {
    uint32_t a, b, c;
};
struct Model {
    std::vector<Vertex> vertices;
    std::vector<MapCoord> mapcoords; // empty, or one per vertex
    std::vector<Triangle> faces;     // every index within the vertices
};

// The name of part `index` (0 first) of a model split into objects: the name
// itself, then NAME_2, NAME_3, ..., each cut to fit 19 characters.
inline std::string partName(const std::string& name, size_t index) {
    const std::string suffix = index == 0 ? "" : "_" + std::to_string(index + 1);
    return name.substr(0, maxName - suffix.size()) + suffix;
}

// Splits a model into meshes that one 3DS object each can hold: faces are
// taken in order and a new object begins when the next face would bring the
// current one past 65535 vertices or faces. Vertices no face uses are left
// out. Every part wears `texture`.
inline std::vector<Mesh> split(const Model& model, const std::string& name, const std::string& texture) {
    const uint32_t none = UINT32_MAX;
    const bool mapped = !model.mapcoords.empty();
    std::vector<uint32_t> local(model.vertices.size(), none); // the index in the current part
    std::vector<uint32_t> used;                               // the vertices the current part holds
    std::vector<Mesh> parts;
    auto begin = [&] {
        for (uint32_t v : used)
            local[v] = none;
        used.clear();
        parts.push_back(Mesh{partName(name, parts.size()), texture, {}, {}, {}});
    };
    begin();
    for (const Triangle& t : model.faces) {
        const uint32_t corners[3] = {t.a, t.b, t.c};
        size_t fresh = 0;
        for (int i = 0; i < 3; ++i)
            fresh += local[corners[i]] == none && (i == 0 || corners[i] != corners[0]) &&
                     (i < 2 || corners[2] != corners[1]);
        if (parts.back().vertices.size() + fresh > maxCount || parts.back().faces.size() == maxCount) begin();
        Mesh& part = parts.back();
        uint16_t index[3];
        for (int i = 0; i < 3; ++i) {
            const uint32_t v = corners[i];
            if (local[v] == none) {
                local[v] = static_cast<uint32_t>(part.vertices.size());
                used.push_back(v);
                part.vertices.push_back(model.vertices[v]);
                if (mapped) part.mapcoords.push_back(model.mapcoords[v]);
            }
            index[i] = static_cast<uint16_t>(local[v]);
        }
        part.faces.push_back({index[0], index[1], index[2]});
    }
    return parts;
}

// Adds a grid of (nu + 1) x (nv + 1) vertices, produced by point(i, j) for
// i in 0..nu and j in 0..nv, with mapping coordinates (i / nu * ru, j / nv * rv),
// and two triangles per cell. The last row and column repeat the first ones in
// position (the caller's point() wraps) but carry their own mapping
// coordinates, so a repeating texture has no seam.
template <class PointFn> inline void addGrid(Mesh& m, int nu, int nv, float ru, float rv, PointFn point) {
    const uint16_t base = static_cast<uint16_t>(m.vertices.size());
    for (int i = 0; i <= nu; ++i)
        for (int j = 0; j <= nv; ++j) {
            m.vertices.push_back(point(i % nu, j % nv));
            m.mapcoords.push_back({ru * static_cast<float>(i) / static_cast<float>(nu),
                                   rv * static_cast<float>(j) / static_cast<float>(nv)});
        }
    auto at = [&](int i, int j) { return static_cast<uint16_t>(base + i * (nv + 1) + j); };
    for (int i = 0; i < nu; ++i)
        for (int j = 0; j < nv; ++j) {
            m.faces.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
            m.faces.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
        }
}

// A sheet seen from its front: point(i, j) for i in 0..nu from left to right
// and j in 0..nv from top to bottom, unwrapped; the mapping runs u 0..1 to the
// right and v 0..1 downwards, as the engine's pictures lie (their first row is
// at v 0), so a picture appears upright. Faces turn counter-clockwise towards
// the front.
template <class PointFn> inline void addSheet(Mesh& m, int nu, int nv, PointFn point) {
    const uint16_t base = static_cast<uint16_t>(m.vertices.size());
    for (int i = 0; i <= nu; ++i)
        for (int j = 0; j <= nv; ++j) {
            m.vertices.push_back(point(i, j));
            m.mapcoords.push_back({static_cast<float>(i) / static_cast<float>(nu),
                                   static_cast<float>(j) / static_cast<float>(nv)});
        }
    auto at = [&](int i, int j) { return static_cast<uint16_t>(base + i * (nv + 1) + j); };
    for (int i = 0; i < nu; ++i)
        for (int j = 0; j < nv; ++j) {
            m.faces.push_back({at(i, j), at(i, j + 1), at(i + 1, j + 1)});
            m.faces.push_back({at(i, j), at(i + 1, j + 1), at(i + 1, j)});
        }
}

// The vertices of a sheet or grid of nu x nv cells.
inline size_t sheetVertices(int nu, int nv) {
    return static_cast<size_t>(nu + 1) * static_cast<size_t>(nv + 1);
}

// A torus about the z axis: ring radius R, tube radius r, nu segments around
// the ring and nv around the tube; the texture repeats ru times around the
// ring and rv times around the tube.
inline Mesh torus(const std::string& name, const std::string& texture, float R, float r, int nu, int nv,
                  float ru = 1, float rv = 1) {
    Mesh m{name, texture, {}, {}, {}};
    const double twoPi = 6.283185307179586;
    addGrid(m, nu, nv, ru, rv, [&](int i, int j) {
        const double a = twoPi * i / nu, b = twoPi * j / nv;
        const double d = R + r * std::cos(b);
        return Vertex{static_cast<float>(d * std::cos(a)), static_cast<float>(d * std::sin(a)),
                      static_cast<float>(r * std::sin(b))};
    });
    return m;
}

// A tube of radius r along the trefoil knot
//   (sin t + 2 sin 2t, cos t - 2 cos 2t, -sin 3t) * size,
// nu segments along the knot and nv around the tube. The tube's cross-section
// follows the curve's Frenet frame, which is periodic in t, so the tube closes.
inline Mesh trefoil(const std::string& name, const std::string& texture, float size, float r, int nu, int nv,
                    float ru = 1, float rv = 1) {
    Mesh m{name, texture, {}, {}, {}};
    const double twoPi = 6.283185307179586;
    struct V3 {
        double x, y, z;
    };
    auto cross = [](V3 a, V3 b) {
        return V3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    };
    auto norm = [](V3 a) {
        const double l = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
        return V3{a.x / l, a.y / l, a.z / l};
    };
    auto curve = [&](double t) {
        return V3{(std::sin(t) + 2 * std::sin(2 * t)) * size, (std::cos(t) - 2 * std::cos(2 * t)) * size,
                  -std::sin(3 * t) * size};
    };
    auto d1 = [&](double t) {
        return V3{(std::cos(t) + 4 * std::cos(2 * t)) * size, (-std::sin(t) + 4 * std::sin(2 * t)) * size,
                  -3 * std::cos(3 * t) * size};
    };
    auto d2 = [&](double t) {
        return V3{(-std::sin(t) - 8 * std::sin(2 * t)) * size, (-std::cos(t) + 8 * std::cos(2 * t)) * size,
                  9 * std::sin(3 * t) * size};
    };
    addGrid(m, nu, nv, ru, rv, [&](int i, int j) {
        const double t = twoPi * i / nu, b = twoPi * j / nv;
        const V3 T = norm(d1(t));
        const V3 B = norm(cross(d1(t), d2(t)));
        const V3 N = cross(B, T);
        const V3 c = curve(t);
        const double cb = std::cos(b) * r, sb = std::sin(b) * r;
        return Vertex{static_cast<float>(c.x + N.x * cb + B.x * sb),
                      static_cast<float>(c.y + N.y * cb + B.y * sb),
                      static_cast<float>(c.z + N.z * cb + B.z * sb)};
    });
    return m;
}

// A square of side `size` in the xy plane, centred on the origin and facing
// +z (the camera), n x n cells, the picture upright on it.
inline Mesh plane(const std::string& name, const std::string& texture, float size, int n) {
    Mesh m{name, texture, {}, {}, {}};
    const float h = size / 2, step = size / static_cast<float>(n);
    addSheet(m, n, n, [&](int i, int j) { return Vertex{-h + step * i, h - step * j, 0.0f}; });
    return m;
}

// A cube of side `size` centred on the origin, each face n x n cells with
// the whole picture upright on it as seen from outside (on the top and the
// bottom, its upper edge lies towards -z and +z).
inline Mesh cube(const std::string& name, const std::string& texture, float size, int n) {
    Mesh m{name, texture, {}, {}, {}};
    const float h = size / 2;
    struct Side {
        Vertex topLeft, right, down; // in half sides
    };
    const Side sides[6] = {
        {{-1, 1, 1}, {2, 0, 0}, {0, -2, 0}},  // front, +z
        {{1, 1, -1}, {-2, 0, 0}, {0, -2, 0}}, // back, -z
        {{1, 1, 1}, {0, 0, -2}, {0, -2, 0}},  // right, +x
        {{-1, 1, -1}, {0, 0, 2}, {0, -2, 0}}, // left, -x
        {{-1, 1, -1}, {2, 0, 0}, {0, 0, 2}},  // top, +y
        {{-1, -1, 1}, {2, 0, 0}, {0, 0, -2}}, // bottom, -y
    };
    for (const Side& s : sides)
        addSheet(m, n, n, [&](int i, int j) {
            const float a = static_cast<float>(i) / static_cast<float>(n);
            const float b = static_cast<float>(j) / static_cast<float>(n);
            return Vertex{h * (s.topLeft.x + a * s.right.x + b * s.down.x),
                          h * (s.topLeft.y + a * s.right.y + b * s.down.y),
                          h * (s.topLeft.z + a * s.right.z + b * s.down.z)};
        });
    return m;
}

// A sphere of the given radius about the origin: nu segments around the y
// axis and nv from the north pole (+y) to the south pole. The picture wraps
// once around, its middle facing +z and its top at the north pole; its left
// and right edges meet at the back.
inline Mesh sphere(const std::string& name, const std::string& texture, float radius, int nu, int nv) {
    Mesh m{name, texture, {}, {}, {}};
    const double pi = 3.141592653589793;
    addSheet(m, nu, nv, [&](int i, int j) {
        const double around = 2 * pi * i / nu - pi, down = pi * j / nv;
        return Vertex{static_cast<float>(radius * std::sin(down) * std::sin(around)),
                      static_cast<float>(radius * std::cos(down)),
                      static_cast<float>(radius * std::sin(down) * std::cos(around))};
    });
    return m;
}

} // namespace tds
