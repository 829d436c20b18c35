#include "base/config.h"
#include "cli/json_text.h"
#include "cli/modes.h"
#include "script/script.h"
#include "script/words.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

using nlohmann::ordered_json;

// --inspect: the configuration after the options pass and the command-line
// overrides, the sync tracks and the timed commands, as one JSON object.
// Each command gives its time in ms and, as "written", its time as the
// script writes it (12b, 4:3, o3r16, or the ms); a sync step written to the
// music adds its length in beats; a show with a tempo adds "tempo".
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
        for (const SYNC& s : track) {
            ordered_json step{{"track", s.track}, {"length", s.length}};
            if (s.beats > 0) step["beats"] = s.beats;
            steps.push_back(step);
        }
        tracks.push_back(steps);
    }

    ordered_json commands = ordered_json::array();
    for (size_t i = 0; i < script.commands.size(); ++i) {
        std::string_view written;
        WordReader(script.commands[i]).read(written);
        commands.push_back(ordered_json{
            {"time", script.times[i]}, {"written", std::string(written)}, {"text", script.commands[i]}});
    }

    ordered_json all = ordered_json::object();
    all["config"] = config;
    if (script.grid.bpm > 0 || !script.modulePath.empty()) {
        ordered_json tempo = ordered_json::object();
        if (script.grid.bpm > 0) tempo["bpm"] = script.grid.bpm;
        tempo["beatsPerBar"] = script.grid.beatsPerBar;
        if (!script.modulePath.empty()) {
            tempo["module"] = script.modulePath;
            tempo["rowsPerBeat"] = script.grid.rowsPerBeat;
        }
        all["tempo"] = tempo;
    }
    all["syncTracks"] = tracks;
    all["commands"] = commands;
    std::string out = jsonText(all);
    out += '\n';
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0; // main checks that it reached stdout
}
