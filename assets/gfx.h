#pragma once
#include "base/vector.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct texture_type {
    std::string name;
    int32_t width = 0; // in pixels: JPEG sides reach 65,535
    int32_t height = 0;
    uint32_t textureId = 0;
    texture_type* next = nullptr;
    bool opaque = true; // every texel's alpha is 255 (a JPEG's always is)
};

struct polygon_type {
    int32_t a, b, c;
};

struct mapcoord_type {
    float u, v;
};

struct object_type {
    std::string name;
    char objectName[20] = {};
    char textureName[20] = {};
    int32_t vertexCount = 0;
    int32_t polygonCount = 0;
    std::vector<polygon_type> polygons;
    std::vector<mapcoord_type> mapcoords;
    std::vector<VECTOR> vertices;
    int32_t hasCamera = 0;
    float cameraPosition[3] = {};
    float cameraTarget[3] = {};
    float cameraBank = 0;
    float cameraLens = 0;
    int32_t hasCameraRanges = 0;
    float cameraNear = 0;
    float cameraFar = 0;
    int32_t hasMapcoords = 0;
    int32_t hasPolygons = 0;
    object_type* next = nullptr;

    // The drawn corners as one array, built once at load (buildDrawArrays):
    // per corner the position (x y z), then, with mapping coordinates, the
    // pair (u v). The normal is the position, and so is the texture coordinate
    // of a model without mapping coordinates.
    std::vector<float> drawArray;
    int32_t drawCorners = 0;
    bool drawArraysBuilt = false;
    uint32_t drawBuffer = 0;           // the GL buffer holding drawArray, 0: not uploaded yet
    void* drawBufferContext = nullptr; // the GL context that buffer belongs to

    // The model's own texture (ownTextureId), looked up once for each state of
    // the texture registry (the head and the count of changes it was found in).
    int32_t ownTexture = -1;
    const texture_type* ownTextureHead = nullptr;
    uint32_t ownTextureChanges = 0;
    bool ownTextureKnown = false;
};

// The asset registries: two singly linked lists, newest first.
struct gfx_type {
    texture_type* textures = nullptr;
    object_type* objects = nullptr;
    uint32_t textureChanges = 0; // counts every registration and release of textures
};

extern gfx_type gfx;

int getTextureNum(std::string name);
// The same look-up on a name that is not NUL-terminated, without a copy.
int getTextureNum(const char* name, size_t length);
int getTexture(int index, int what);
// Puts a new texture at the front of the registry.
void registerTexture(texture_type* texture);
// Puts a new texture at registry index `index` (at the end when the registry
// is shorter): the pictures that are no JPEG go after the JPEGs.
void registerTextureAt(texture_type* texture, int index);
// The registry index of the texture a model names: the exact name first,
// then a name that differs only in the case of its ASCII letters (models name
// their textures as the program that wrote them spelt them: IMAGE2.JPG for
// image2.jpg). -1 when there is neither.
int findModelTexture(const char* name, size_t length);
// The GL texture name of the model's own texture, -1 when it has none. Looked
// up again only after the texture registry changed.
int ownTextureId(object_type& object);
// Whether the texture of GL texture name `id` lets what lies behind show
// through its texels (a PNG or TGA with alpha); false for any other id.
bool textureHasAlpha(int id);
int getObjectNum(std::string name);
object_type* getObject(int index); // nullptr when there is none

bool Load3DS(std::string path);
// What reading a 3DS file found: the object blocks read whole, and why the
// file could not be read to its end (empty when it could).
struct Read3DS {
    int objects = 0;
    std::string problem;
};
// Reads the chunks of a 3DS file held in memory into `object` (Load3DS reads
// the file in one go and parses it with this). Never reads outside the buffer.
// Every mesh is appended: the faces of a mesh index the whole vertex list
// (offset by the vertices of the meshes before it), and so do the mapping
// coordinates; vertexCount and polygonCount count the whole lists.
Read3DS parse3DS(object_type& object, const uint8_t* data, size_t size);
// Builds the drawing array of a model from its faces, vertices and mapping
// coordinates: a face naming a vertex outside the list is left out, and a
// corner outside the mapping list gets the coordinate (0, 0).
void buildDrawArrays(object_type& object);
// Floats per corner in the drawing array.
inline int drawStride(const object_type& object) {
    return object.hasMapcoords == 1 ? 5 : 3;
}

// Releases the registered models only (needs no GL context).
void gfxClearObjects();
