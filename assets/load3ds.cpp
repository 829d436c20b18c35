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

long filelength(int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0) return 0;
    return static_cast<long>(st.st_size);
}

namespace {

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

} // namespace

void parse3DS(object_type& o, const uint8_t* data, size_t size) {
    Reader in{data, size};
    while (in.pos < in.size) {
        if (in.left() < 6) break; // a header cut short by the end of the file
        const uint16_t id = in.u16();
        const uint32_t length = in.u32();
        // A length below the header's own size, or one that runs past the end
        // of the file, ends the reading; what was read so far is kept.
        if (length < 6 || length - 6 > in.left()) break;
        switch (id) {
        case 0x4D4D: // main chunk
        case 0x3D3D: // 3D editor block
        case 0x4100: // triangular mesh
        case 0xAFFF: // material block
        case 0xA200: // texture map
        case 0xB000: // keyframer block
        case 0xB002: // keyframer object node
            break;   // enter: the sub-chunks follow
        case 0x4000:
            in.name(o.objectName);
            break;
        case 0xA300:
            in.name(o.textureName);
            break;
        case 0x4110: { // vertex list
            if (in.left() < 2) return;
            const uint16_t count = in.u16();
            int32_t read = 0;
            for (; read < count && in.left() >= 12; ++read) {
                tmpXYZ.x = in.f32();
                tmpXYZ.y = in.f32();
                tmpXYZ.z = in.f32();
                o.vertices.push_back(tmpXYZ);
            }
            o.vertexCount = read; // a list cut short counts only what it holds
            break;
        }
        case 0x4120: { // face list; its sub-chunks follow and are skipped
            if (in.left() < 2) return;
            const uint16_t count = in.u16();
            o.hasPolygons = 1;
            int32_t read = 0;
            for (; read < count && in.left() >= 8; ++read) {
                tmppolygon.a = in.u16();
                tmppolygon.b = in.u16();
                tmppolygon.c = in.u16();
                in.u16(); // face flags
                o.polygons.push_back(tmppolygon);
            }
            o.polygonCount = read;
            break;
        }
        case 0x4140: { // mapping coordinates
            if (in.left() < 2) return;
            const uint16_t count = in.u16();
            o.hasMapcoords = 1;
            for (int32_t i = 0; i < count && in.left() >= 8; ++i) {
                tmpmapcoord.u = in.f32();
                tmpmapcoord.v = in.f32();
                o.mapcoords.push_back(tmpmapcoord);
            }
            break;
        }
        case 0x4700: // camera; its sub-chunks follow
            if (in.left() < 32) return;
            o.hasCamera = 1;
            for (float& v : o.cameraPosition)
                v = in.f32();
            for (float& v : o.cameraTarget)
                v = in.f32();
            o.cameraBank = in.f32();
            o.cameraLens = in.f32();
            break;
        case 0x4720: // camera ranges
            if (in.left() < 8) return;
            o.hasCameraRanges = 1;
            o.cameraNear = in.f32();
            o.cameraFar = in.f32();
            break;
        default: // anything else is skipped by its length
            in.pos += length - 6;
            break;
        }
    }
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
            bytes.resize(static_cast<size_t>(std::max(filelength(fileno(f)), 0L)));
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
    parse3DS(*o, bytes.data(), bytes.size());
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
