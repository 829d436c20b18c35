#include "assets/gfx.h"
#include "assets/show_files.h"
#include "cli/json_text.h"
#include "cli/modes.h"
#include "engine/offline.h"

#include <cstring>
#include <iostream>
#include <nlohmann/json.hpp>

using nlohmann::ordered_json;

// A 20-byte name field: the text up to the first NUL, or all 20 bytes.
static std::string fieldText(const char (&field)[20]) {
    return std::string(field, strnlen(field, sizeof field));
}

static ordered_json triple(float x, float y, float z) {
    return ordered_json::array({x, y, z});
}

static ordered_json objectJson(const object_type& o) {
    ordered_json j;
    j["name"] = o.name;
    j["objectName"] = fieldText(o.objectName);
    j["textureName"] = fieldText(o.textureName);
    j["vertexCount"] = o.vertexCount;
    j["polygonCount"] = o.polygonCount;
    j["hasPolygons"] = o.hasPolygons;
    j["hasMapcoords"] = o.hasMapcoords;
    j["hasCamera"] = o.hasCamera;
    j["hasCameraRanges"] = o.hasCameraRanges;
    j["cameraPosition"] = triple(o.cameraPosition[0], o.cameraPosition[1], o.cameraPosition[2]);
    j["cameraTarget"] = triple(o.cameraTarget[0], o.cameraTarget[1], o.cameraTarget[2]);
    j["cameraBank"] = o.cameraBank;
    j["cameraLens"] = o.cameraLens;
    j["cameraNear"] = o.cameraNear;
    j["cameraFar"] = o.cameraFar;
    ordered_json vertices = ordered_json::array();
    for (const VECTOR& v : o.vertices)
        vertices.push_back(triple(v.x, v.y, v.z));
    j["vertices"] = std::move(vertices);
    ordered_json polygons = ordered_json::array();
    for (const polygon_type& p : o.polygons)
        polygons.push_back(ordered_json::array({p.a, p.b, p.c}));
    j["polygons"] = std::move(polygons);
    ordered_json mapcoords = ordered_json::array();
    for (const mapcoord_type& m : o.mapcoords)
        mapcoords.push_back(ordered_json::array({m.u, m.v}));
    j["mapcoords"] = std::move(mapcoords);
    return j;
}

int runAssets(const Options& opt) {
    Offscreen frame;
    if (!openOffline(opt, frame)) return 1;
    ordered_json out;
    out["textures"] = ordered_json::array();
    for (const texture_type* t = gfx.textures; t; t = t->next)
        out["textures"].push_back(
            {{"name", t->name}, {"textureId", t->textureId}, {"width", t->width}, {"height", t->height}});
    out["objects"] = ordered_json::array();
    for (const object_type* o = gfx.objects; o; o = o->next)
        out["objects"].push_back(objectJson(*o));
    const std::string music = showFiles.musicPath();
    out["music"] = music.empty() ? ordered_json(nullptr) : ordered_json(music);
    // Names come from the file system and the model files: bytes that are not
    // UTF-8 are replaced rather than aborting the dump.
    std::cout << jsonText(out) << "\n";
    return 0;
}
