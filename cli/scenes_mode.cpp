#include "cli/json_text.h"
#include "cli/modes.h"
#include "cli/scene_json.h"
#include "engine/offline.h"
#include "script/frame_step.h"
#include "script/script.h"

#include <iostream>

// --scenes SECONDS: the scene list after the frame at SECONDS of the virtual
// clock, as one JSON object on stdout.
int runScenes(const Options& opt) {
    Offscreen frame;
    if (!openAtSeconds(opt, frame)) return 1;
    const int32_t until = secondsToMs(opt.seconds);
    stepFrame();

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
