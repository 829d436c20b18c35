#include "assets/asset_report.h"
#include "assets/face_guard.h"
#include "assets/gfx.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

VECTOR tmpXYZ;
polygon_type tmppolygon;
mapcoord_type tmpmapcoord;

namespace {

// The size of an open file as the file system reports it, 0 when it cannot.
size_t openFileSize(std::FILE* f) {
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || st.st_size < 0) return 0;
    return static_cast<size_t>(st.st_size);
}

// A little-endian reader over the file's bytes. Every read checks what is
// left, so nothing is ever read beyond the end.
struct Reader {
    const uint8_t* data;
    size_t size;
    size_t pos = 0;

    size_t left() const { return size - pos; }
    uint16_t u16() {
        uint16_t v = static_cast<uint16_t>(data[pos] | data[pos + 1] << 8);
        pos += 2;
        return v;
    }
    uint32_t u32() {
        uint32_t v = static_cast<uint32_t>(data[pos]) | static_cast<uint32_t>(data[pos + 1]) << 8 |
                     static_cast<uint32_t>(data[pos + 2]) << 16 | static_cast<uint32_t>(data[pos + 3]) << 24;
        pos += 4;
        return v;
    }
    float f32() {
        uint32_t bits = u32();
        float v;
        std::memcpy(&v, &bits, sizeof v);
        return v;
    }
    // A NUL-terminated text: the field keeps the first 20 bytes (NUL padded),
    // and the whole text is consumed up to and including its NUL so that the
    // chunks after it are read in step.
    void name(char (&field)[20]) {
        std::memset(field, 0, sizeof field);
        for (size_t i = 0; pos < size; ++i) {
            char c = static_cast<char>(data[pos++]);
            if (c == '\0') break;
            if (i < sizeof field) field[i] = c;
        }
    }
};

// "1,204": a byte count with its thousands marked, as the reports print it.
std::string grouped(uint64_t n) {
    std::string digits = std::to_string(n), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

} // namespace

Read3DS parse3DS(object_type& o, const uint8_t* data, size_t size) {
    Reader in{data, size};
    Read3DS result;
    // The reading is flat: a container is entered and its sub-chunks read as
    // they come, even when the file ends before the container does (a file
    // cut short keeps the objects before the cut). Only a chunk that is
    // skipped needs its whole length, and a length below the header's own
    // size ends the reading; what was read so far is kept either way.
    uint64_t announced = size;        // the furthest end that a chunk announced
    size_t stop = size;               // where the reading ended
    std::vector<uint64_t> objectEnds; // the end of each object block entered
    size_t meshVertices = 0;          // vertices read before the current mesh
    std::string shortLength;          // a chunk whose length is below 6
    // A list that the file ends inside of ends the reading: the list needed
    // `count` entries of `each` bytes from `first` on.
    auto listCut = [&](size_t first, uint16_t count, size_t each) {
        announced = std::max<uint64_t>(announced, first + uint64_t{count} * each);
        in.pos = in.size;
    };
    while (in.pos < in.size) {
        const size_t at = in.pos;
        if (in.left() < 6) { // a header cut short by the end of the file
            announced = std::max<uint64_t>(announced, at + 6);
            stop = at;
            break;
        }
        const uint16_t id = in.u16();
        const uint32_t length = in.u32();
        if (length < 6) {
            shortLength = "a chunk at byte " + grouped(at) + " gives its length as " + grouped(length) +
                          ", less than its own 6-byte header";
            stop = at;
            break;
        }
        const uint64_t end = uint64_t{at} + length;
        if (end > size) announced = std::max(announced, end);
        switch (id) {
        case 0x4D4D: // main chunk
        case 0x3D3D: // 3D editor block
        case 0xAFFF: // material block
        case 0xA200: // texture map
        case 0xB000: // keyframer block
        case 0xB002: // keyframer object node
            break;   // enter: the sub-chunks follow
        case 0x4100: // triangular mesh: its faces index its own vertices
            meshVertices = o.vertices.size();
            break;
        case 0x4000:
            objectEnds.push_back(end);
            in.name(o.objectName);
            break;
        case 0xA300:
            in.name(o.textureName);
            break;
        case 0x4110: { // vertex list
            if (in.left() < 2) {
                in.pos = in.size;
                break;
            }
            const uint16_t count = in.u16();
            const size_t first = in.pos;
            for (int32_t i = 0; i < count; ++i) {
                if (in.left() < 12) {
                    listCut(first, count, 12);
                    break;
                }
                tmpXYZ.x = in.f32();
                tmpXYZ.y = in.f32();
                tmpXYZ.z = in.f32();
                o.vertices.push_back(tmpXYZ);
            }
            // a list cut short counts only what it holds
            o.vertexCount = static_cast<int32_t>(o.vertices.size());
            break;
        }
        case 0x4120: { // face list; its sub-chunks follow and are skipped
            if (in.left() < 2) {
                in.pos = in.size;
                break;
            }
            const uint16_t count = in.u16();
            o.hasPolygons = 1;
            // The indices count from the first vertex of the face's own mesh.
            const int32_t base = static_cast<int32_t>(meshVertices);
            const size_t first = in.pos;
            for (int32_t i = 0; i < count; ++i) {
                if (in.left() < 8) {
                    listCut(first, count, 8);
                    break;
                }
                tmppolygon.a = base + in.u16();
                tmppolygon.b = base + in.u16();
                tmppolygon.c = base + in.u16();
                in.u16(); // face flags
                o.polygons.push_back(tmppolygon);
            }
            o.polygonCount = static_cast<int32_t>(o.polygons.size());
            break;
        }
        case 0x4140: { // mapping coordinates
            if (in.left() < 2) {
                in.pos = in.size;
                break;
            }
            const uint16_t count = in.u16();
            o.hasMapcoords = 1;
            // Entry n belongs to vertex n: a later mesh's list starts at its
            // first vertex, after (0, 0) for the vertices of earlier meshes
            // that had none.
            if (meshVertices > 0) o.mapcoords.resize(meshVertices, mapcoord_type{0.0f, 0.0f});
            const size_t first = in.pos;
            for (int32_t i = 0; i < count; ++i) {
                if (in.left() < 8) {
                    listCut(first, count, 8);
                    break;
                }
                tmpmapcoord.u = in.f32();
                tmpmapcoord.v = in.f32();
                o.mapcoords.push_back(tmpmapcoord);
            }
            break;
        }
        case 0x4700: // camera; its sub-chunks follow
            if (in.left() < 32) {
                in.pos = in.size;
                break;
            }
            o.hasCamera = 1;
            for (float& v : o.cameraPosition)
                v = in.f32();
            for (float& v : o.cameraTarget)
                v = in.f32();
            o.cameraBank = in.f32();
            o.cameraLens = in.f32();
            break;
        case 0x4720: // camera ranges
            if (in.left() < 8) {
                in.pos = in.size;
                break;
            }
            o.hasCameraRanges = 1;
            o.cameraNear = in.f32();
            o.cameraFar = in.f32();
            break;
        default: // anything else is skipped by its length
            if (end > size) {
                stop = at;
                in.pos = in.size;
                break;
            }
            in.pos += length - 6;
            break;
        }
    }
    for (uint64_t e : objectEnds)
        result.objects += e <= stop;
    const std::string objects =
        "; " + std::to_string(result.objects) + (result.objects == 1 ? " object read" : " objects read");
    if (size == 0)
        result.problem = "the file is empty" + objects;
    else if (!shortLength.empty())
        result.problem = shortLength + objects;
    else if (announced > size)
        result.problem = "the file ends inside a chunk after " + grouped(size) + " of " + grouped(announced) +
                         " bytes" + objects;
    return result;
}

bool Load3DS(std::string path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    int err = f ? 0 : errno;
    std::vector<uint8_t> bytes;
    if (f) {
        // The whole file in one go, as long as the file system reports it.
        struct stat st;
        if (fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
            err = EISDIR;
        } else {
            bytes.resize(openFileSize(f));
            bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
            if (std::ferror(f)) err = errno;
        }
        std::fclose(f);
    }
    if (err != 0) {
        assetReport.add(path, Diagnostic::Error, std::string(std::strerror(err)) + "; not loaded");
        return false;
    }
    object_type* o = new object_type;
    o->name = path.substr(5);
    const Read3DS read = parse3DS(*o, bytes.data(), bytes.size());
    if (!read.problem.empty())
        assetReport.add(path, read.objects > 0 ? Diagnostic::Warning : Diagnostic::Error,
                        read.problem + ": copy or export the model again");
    buildDrawArrays(*o);
    o->next = gfx.objects;
    gfx.objects = o;
    return true;
}

void buildDrawArrays(object_type& o) {
    const size_t mapCount = o.mapcoords.size();
    const size_t faces = drawableFaces(o);
    const bool mapped = o.hasMapcoords == 1;
    o.drawArray.clear();
    o.drawArray.reserve(faces * 3 * static_cast<size_t>(drawStride(o)));
    int32_t corners = 0;
    for (size_t i = 0; i < faces; ++i) {
        const polygon_type& f = o.polygons[i];
        const int32_t index[3] = {f.a, f.b, f.c};
        if (!faceInside(o, f)) continue;
        for (int32_t n : index) {
            const VECTOR& p = o.vertices[static_cast<size_t>(n)];
            o.drawArray.insert(o.drawArray.end(), {p.x, p.y, p.z});
            if (mapped) {
                if (static_cast<size_t>(n) < mapCount)
                    o.drawArray.insert(o.drawArray.end(), {o.mapcoords[static_cast<size_t>(n)].u,
                                                           o.mapcoords[static_cast<size_t>(n)].v});
                else
                    o.drawArray.insert(o.drawArray.end(), {0.0f, 0.0f});
            }
            ++corners;
        }
    }
    o.drawCorners = corners;
    o.drawArraysBuilt = true;
}

void gfxClearObjects() {
    while (object_type* o = gfx.objects) {
        gfx.objects = o->next;
        delete o;
    }
}
