#include "assets/gfx.h"
#include "cli/json_text.h"
#include "cli/modes.h"
#include "cli/scene_json.h"
#include "cli/show_survey.h"
#include "engine/offline.h"
#include "script/frame_step.h"
#include "script/script.h"

#include <cstdio>
#include <iostream>
#include <string>

namespace {

// A number for a person: at most four significant digits.
std::string num(float v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4g", static_cast<double>(v) == 0.0 ? 0.0 : static_cast<double>(v));
    return buf;
}

std::string nums(const float* v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += (i ? " " : "") + num(v[i]);
    return s;
}

std::string pictureName(int32_t textureId) {
    for (const texture_type* t = gfx.textures; t; t = t->next)
        if (static_cast<int32_t>(t->textureId) == textureId) return t->name;
    return textureId < 0 ? "none" : "texture " + std::to_string(textureId);
}

std::string objectName(const CScene& s, int32_t value) {
    if (drawnAs(s) == Drawn::Model) {
        const object_type* o = getObject(value);
        return o ? o->name : "none";
    }
    return pictureName(value);
}

// One record on one line: its line in the script, track, what it draws, how
// much of its life is left, and the current value of every property that
// runs from a start to an end value.
std::string briefLine(const CScene& s) {
    // A template is never updated: its values are the ones its command gave.
    const bool running = s.isRunning();
    const int32_t object = running ? s.objectValue : s.objectStart, mask = running ? s.maskValue : s.maskStart;
    std::string out;
    if (s.command >= 0 && static_cast<size_t>(s.command) < script.commandLines.size())
        out = "line " + std::to_string(script.commandLines[static_cast<size_t>(s.command)]) + ": ";
    out += "track " + std::to_string(s.track) + " ";
    switch (drawnAs(s)) {
    case Drawn::Picture:
        out += "picture " + objectName(s, object);
        break;
    case Drawn::Model:
        out += "model " + objectName(s, object);
        break;
    case Drawn::Bezier:
        out += "Bezier sheaf";
        break;
    case Drawn::Nothing:
        out += "nothing (type " + std::to_string(s.type) + ", scene " + std::to_string(s.kind) + ")";
        break;
    }
    if (s.mask) out += ", mask " + pictureName(mask);
    if (!running) return out + ", template (insync), not drawn";
    if (s.sync) out += ", follows sync track " + std::to_string(s.syncTrack);
    char left[64];
    std::snprintf(left, sizeof left, ", progress %.3f (%.1f %% left)", static_cast<double>(s.progress),
                  100.0 * static_cast<double>(s.progress));
    out += left;
    if (s.objectInterp) out += ", object " + objectName(s, s.objectValue);
    if (s.maskInterp) out += ", mask " + pictureName(s.maskValue);
    if (s.opacityInterp) out += ", opacity " + num(s.opacityValue);
    if (s.colorInterp) out += ", color " + nums(s.colorValue, 3);
    if (s.angleInterp) out += ", angle " + num(s.angleValue);
    if (s.rotateInterp) out += ", rotate " + nums(s.axisValue, 3);
    if (s.scaleInterp) out += ", scale " + nums(s.scaleValue, drawnAs(s) == Drawn::Picture ? 2 : 3);
    if (s.translateInterp) out += ", translate " + nums(s.translateValue, 3);
    if (s.moveInterp) out += ", move " + nums(s.moveValue, 2);
    return out;
}

} // namespace

// --scenes SECONDS: the scene list after the frame at SECONDS of the virtual
// clock, as one JSON object on stdout; with --brief one line per record.
int runScenes(const Options& opt) {
    Offscreen frame;
    if (!openAtSeconds(opt, frame)) return 1;
    const int32_t until = secondsToMs(opt.seconds);
    stepFrame();

    if (opt.brief) {
        const size_t n = script.scenes.size();
        std::printf("%s: %zu record%s\n", secondsText(until).c_str(), n, n == 1 ? "" : "s");
        for (const CScene& s : script.scenes)
            std::printf("%s\n", briefLine(s).c_str());
        return 0;
    }
    nlohmann::ordered_json out;
    out["time"] = until;
    out["current"] = script.current;
    out["scenes"] = nlohmann::ordered_json::array();
    for (const CScene& s : script.scenes)
        out["scenes"].push_back(sceneJson(s));
    out["scene1"] = sceneJson(scene1);
    std::cout << jsonText(out) << "\n";
    return 0;
}
