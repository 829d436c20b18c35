#pragma once
#include "assets/gfx.h"

#include <cstddef>

// What may be drawn of a model without reading past its arrays: the faces up
// to the smaller of polygonCount and the list read, and of those only the
// faces whose three corners index a vertex that exists.
inline size_t drawableFaces(const object_type& o) {
    if (o.polygonCount < 0) return 0;
    const size_t count = static_cast<size_t>(o.polygonCount);
    return count < o.polygons.size() ? count : o.polygons.size();
}

inline bool faceInside(const object_type& o, const polygon_type& f) {
    const size_t n = o.vertices.size();
    for (int32_t i : {f.a, f.b, f.c})
        if (i < 0 || static_cast<size_t>(i) >= n) return false;
    return true;
}
