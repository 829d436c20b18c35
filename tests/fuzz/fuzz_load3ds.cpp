#include "assets/gfx.h"

#include <cstddef>
#include <cstdint>

// The 3DS reader on arbitrary bytes: the counts never exceed the arrays.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    object_type o;
    parse3DS(o, data, size);
    if (o.polygonCount < 0 || static_cast<size_t>(o.polygonCount) > o.polygons.size()) __builtin_trap();
    if (o.vertexCount < 0 || static_cast<size_t>(o.vertexCount) > o.vertices.size()) __builtin_trap();
    if (o.polygons.size() > size / 8 || o.vertices.size() > size / 12) __builtin_trap();
    return 0;
}
