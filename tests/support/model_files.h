#pragma once
// Model files in the formats show authors bring, written by the tests.
#include <cstddef>
#include <string>

struct ModelFile {
    std::string bytes;
    size_t corners = 0; // distinct (position, mapping) pairs: the vertices a 3DS file needs
    size_t triangles = 0;
};

// A cube of side 2 about the origin as Wavefront OBJ: 8 positions, 4 mapping
// coordinates (v 0 at the bottom, as OBJ has it), six quads each mapped with
// the whole picture upright, one line, and "mtllib MTL" with "usemtl skin".
ModelFile objCube(const std::string& mtl);
// The material file for it: material "skin" wearing the picture `texture`.
std::string objMaterial(const std::string& texture);
// A strip of `cells` quads along x, 2 * (cells + 1) vertices each with its own
// mapping coordinate, so no two can be joined.
ModelFile objStrip(int cells);

// A glTF 2.0 file (its buffer inline, base64): one mesh, a unit square with
// corners at +-0.5 in the xy plane mapped with the picture upright (glTF's v 0
// is the top), wearing `image`, placed by two nodes at x -1.5 and x +1.5.
ModelFile gltfTwoSquares(const std::string& image);
