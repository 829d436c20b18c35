#pragma once
#include "timeline/scene.h"

#include <nlohmann/json.hpp>

// Every field of a scene record under its own name, in declaration order:
// booleans, integers, floats (written with the fewest digits that read back
// as the same single-precision value) and 2- or 3-component arrays.
nlohmann::ordered_json sceneJson(const CScene& s);

// The shortest decimal that reads back as the same float, as a JSON number.
double shortestFloat(float v);
