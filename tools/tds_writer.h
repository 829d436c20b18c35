#pragma once
// A small writer of 3DS model files: one textured triangle mesh per file, with
// per-vertex mapping coordinates and the file name of its texture. The chunks
// written are the ones the engine's model loader reads:
//
//   0x4D4D main
//     0x0002 version (3)
//     0x3D3D editor
//       0xAFFF material
//         0xA000 material name
//         0xA200 texture map
//           0xA300 texture file name
//       0x4000 object (name)
//         0x4100 triangular mesh
//           0x4110 vertices
//           0x4140 mapping coordinates
//           0x4120 faces
//
// Everything is little-endian, floats are IEEE single precision. Header-only,
// so the tools, the tests and the benchmarks can all use it without a library.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
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
} // namespace detail

// Checks what a 3DS file can hold: names of at most 19 characters, at most
// 65535 vertices and faces, face indices within the vertices, and mapping
// coordinates for every vertex or for none. Returns an empty text when the
// mesh can be written, else the reason.
inline std::string check(const Mesh& m) {
    if (m.name.size() > maxName) return "object name longer than 19 characters: " + m.name;
    if (m.texture.size() > maxName) return "texture name longer than 19 characters: " + m.texture;
    if (m.vertices.size() > 0xFFFF) return "more than 65535 vertices";
    if (m.faces.size() > 0xFFFF) return "more than 65535 faces";
    if (!m.mapcoords.empty() && m.mapcoords.size() != m.vertices.size())
        return "mapping coordinates do not match the vertices";
    for (const Face& f : m.faces)
        if (f.a >= m.vertices.size() || f.b >= m.vertices.size() || f.c >= m.vertices.size())
            return "face index beyond the vertices";
    return "";
}

// The bytes of the 3DS file of a mesh that passes check().
inline std::string encode(const Mesh& m) {
    using namespace detail;
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

    std::string editor;
    if (!m.texture.empty()) {
        std::string material = chunk(0xA000, cstr((m.name + "_mat").substr(0, maxName)));
        material += chunk(0xA200, chunk(0xA300, cstr(m.texture)));
        editor += chunk(0xAFFF, material);
    }
    editor += chunk(0x4000, cstr(m.name) + chunk(0x4100, mesh));

    std::string version;
    put32(version, 3);
    return chunk(0x4D4D, chunk(0x0002, version) + chunk(0x3D3D, editor));
}

// Writes the mesh to `path`. Returns an empty text on success, else the reason.
inline std::string write(const std::string& path, const Mesh& m) {
    std::string why = check(m);
    if (!why.empty()) return why;
    std::ofstream f(path, std::ios::binary);
    if (!f) return "cannot write " + path;
    const std::string bytes = encode(m);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return f ? "" : "cannot write " + path;
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

} // namespace tds
