#include "base/config.h"
#include "cli/json_text.h"
#include "cli/modes.h"
#include "script/script.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

using nlohmann::ordered_json;

// --inspect: the configuration after the options pass and the command-line
// overrides, the sync tracks and the timed commands, as one JSON object.
int runInspect(const Options& opt) {
    if (!loadScript(opt)) return 1;
    ordered_json config = ordered_json::object();
    config["windowed"] = einit.windowed;
    config["soundOn"] = einit.soundOn;
    config["anaglyphic"] = einit.anaglyphic;
    config["gui"] = einit.gui;
    config["screenWidth"] = einit.screenWidth;
    config["screenHeight"] = einit.screenHeight;
    config["videoWidth"] = einit.videoWidth;
    config["videoHeight"] = einit.videoHeight;

    ordered_json tracks = ordered_json::array();
    for (const std::vector<SYNC>& track : script.syncTracks) {
        ordered_json steps = ordered_json::array();
        for (const SYNC& s : track)
            steps.push_back(ordered_json{{"track", s.track}, {"length", s.length}});
        tracks.push_back(steps);
    }

    ordered_json commands = ordered_json::array();
    for (size_t i = 0; i < script.commands.size(); ++i)
        commands.push_back(ordered_json{{"time", script.times[i]}, {"text", script.commands[i]}});

    ordered_json all = ordered_json::object();
    all["config"] = config;
    all["syncTracks"] = tracks;
    all["commands"] = commands;
    std::string out = jsonText(all);
    out += '\n';
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
