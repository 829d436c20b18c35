#include "engine/engine.h"
#include "engine/modes.h"
#include "engine/offline.h"
#include "engine/timer.h"
#include "script/script.h"
#include "timeline/frame_step.h"
#include "timeline/scene_json.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace {

// A show time in seconds with the fewest digits that give the same value: 3, 2.5.
void printSeconds(FILE* f, int32_t ms) {
    const double s = ms / 1000.0;
    char text[32];
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, s);
        if (std::strtod(text, nullptr) == s) break;
    }
    std::fputs(text, f);
}

} // namespace

// --scenes SECONDS: the scene list after the frame at SECONDS of the virtual
// clock, as one JSON object on stdout.
int runScenes(const Options& opt) {
    Offscreen frame;
    if (!openOffline(opt, frame)) return 1;
    const int32_t until = secondsToMs(opt.seconds);
    if (simulateUntil(until)) stepFrame();
    if (engine.ended) {
        std::fputs("tamarack: the show ends at ", stderr);
        printSeconds(stderr, engine.endedAt);
        std::fputs(" s\n", stderr);
        return 1;
    }

    nlohmann::ordered_json out;
    out["time"] = until;
    out["current"] = script.current;
    out["scenes"] = nlohmann::ordered_json::array();
    for (const CScene& s : script.scenes)
        out["scenes"].push_back(sceneJson(s));
    out["scene1"] = sceneJson(scene1);
    std::cout << out.dump() << "\n";
    return 0;
}
