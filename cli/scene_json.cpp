#include "cli/scene_json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

double shortestFloat(float v) {
    if (!std::isfinite(v)) return v;
    char text[32];
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(v));
        if (std::strtof(text, nullptr) == v) return std::strtod(text, nullptr);
    }
    return v; // nine significant digits always read back
}

namespace {

template <int N> nlohmann::ordered_json floats(const float (&v)[N]) {
    nlohmann::ordered_json a = nlohmann::ordered_json::array();
    for (int i = 0; i < N; ++i)
        a.push_back(shortestFloat(v[i]));
    return a;
}

} // namespace

nlohmann::ordered_json sceneJson(const CScene& s) {
    nlohmann::ordered_json j;
#define FIELD(name) j[#name] = s.name
#define REAL(name) j[#name] = shortestFloat(s.name)
#define REALS(name) j[#name] = floats(s.name)
    FIELD(blend);
    FIELD(envmap);
    FIELD(wireframe);
    FIELD(reflect);
    FIELD(rotateInterp);
    FIELD(translateInterp);
    FIELD(scaleInterp);
    FIELD(moveInterp);
    FIELD(colorInterp);
    FIELD(angleInterp);
    FIELD(objectInterp);
    FIELD(opacityInterp);
    FIELD(rotate);
    FIELD(translate);
    FIELD(scale);
    FIELD(move);
    FIELD(blendFunc);
    FIELD(color);
    FIELD(opacity);
    FIELD(mask);
    FIELD(maskInterp);
    FIELD(sync);
    FIELD(insync);
    FIELD(center);

    FIELD(duration);
    FIELD(startTime);
    FIELD(endTime);
    FIELD(syncEndTime);
    FIELD(track);
    FIELD(type);
    FIELD(objectValue);
    FIELD(objectStart);
    FIELD(objectEnd);
    FIELD(maskValue);
    FIELD(maskStart);
    FIELD(maskEnd);
    FIELD(blendSrc);
    FIELD(blendDst);
    FIELD(width);
    FIELD(height);
    FIELD(syncTrack);
    FIELD(syncPosition);
    FIELD(syncStepEnd);
    FIELD(kind);
    // `command` is the authoring views' tag, not part of the show's state.

    REAL(opacityValue);
    REAL(opacityStart);
    REAL(opacityEnd);
    REAL(angleValue);
    REAL(angleStart);
    REAL(angleEnd);
    REAL(progress);
    REALS(colorValue);
    REALS(colorStart);
    REALS(colorEnd);
    REALS(axisValue);
    REALS(axisStart);
    REALS(axisEnd);
    REALS(scaleValue);
    REALS(scaleStart);
    REALS(scaleEnd);
    REALS(translateValue);
    REALS(translateStart);
    REALS(translateEnd);
    REALS(moveValue);
    REALS(moveStart);
    REALS(moveEnd);
#undef FIELD
#undef REAL
#undef REALS
    return j;
}
