#include "assets/module_timing.h"
#include "assets/music_decode.h"
#include "assets/show_files.h"
#include "cli/json_text.h"
#include "cli/modes.h"
#include "script/musical_time.h"
#include "script/script.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

using nlohmann::ordered_json;

// --tempo: the music's musical map, the times that the notations of the
// script stand for. For a tracker module: each order's start and its rows'
// times, the speed and tempo changes; with a "Tempo": every beat to the
// music's end. As text, or with --json as one JSON object (docs/tools.md).

namespace {

std::string ms3(double ms) {
    char text[48];
    std::snprintf(text, sizeof text, "%.3f ms", ms);
    return text;
}

// A time in ms to the microsecond, as JSON gives it.
double exact(double ms) {
    return std::round(ms * 1000) / 1000;
}

// The rows where the speed or the tempo changes, the first row included.
std::vector<ModuleRowTime> changes(const ModuleTiming& timing) {
    std::vector<ModuleRowTime> out;
    for (const ModuleRowTime& r : timing.played)
        if (out.empty() || out.back().speed != r.speed || out.back().tempo != r.tempo) out.push_back(r);
    return out;
}

} // namespace

int runTempo(const Options& opt) {
    if (!loadScript(opt)) return 1;
    const std::string music = playingMusicIn("data");
    ModuleTiming timing;
    bool module = false;
    double seconds = 0;
    std::string error;
    if (!music.empty()) {
        if (musicKind(music) == MusicKind::Module) {
            if (!readModuleTiming(music, timing, error)) {
                std::fprintf(stderr, "tamarack: %s: %s\n", music.c_str(), error.c_str());
                return 1;
            }
            module = true;
            seconds = timing.duration;
        } else {
            MusicDecoder decoder;
            if (decoder.open(music, 44100, error)) seconds = decoder.duration();
        }
    }
    BeatGrid grid = script.grid;
    if (module) fillGrid(timing, grid);
    if (!grid.hasBeats() && !module) {
        std::fprintf(stderr,
                     "tamarack: the show has no musical map: %s and the script gives no 'Tempo'; add a "
                     "line 'Tempo BPM' (the music's beats a minute) before '@sync'\n",
                     music.empty() ? "data/ holds no music" : (music + " is no tracker module").c_str());
        return 1;
    }
    // Beats run to the music's end; without music's length, to the last command.
    double endMs = seconds * 1000;
    if (endMs <= 0)
        for (int32_t t : script.times)
            endMs = std::max(endMs, static_cast<double>(t));

    std::string out;
    ordered_json all = ordered_json::object();
    all["music"] = music.empty() ? ordered_json(nullptr) : ordered_json(music);
    all["seconds"] = exact(seconds * 1000) / 1000;
    if (!music.empty()) {
        char line[256];
        std::snprintf(line, sizeof line, "music %s, %s%.3f s\n", music.c_str(), module ? "module, " : "",
                      seconds);
        out += line;
    }
    if (grid.bpm > 0) {
        all["tempo"] = ordered_json{
            {"bpm", grid.bpm}, {"beatsPerBar", grid.beatsPerBar}, {"beatMs", exact(60000.0 / grid.bpm)}};
        char line[160];
        std::snprintf(line, sizeof line, "tempo %g beats a minute, %d beats a bar, a beat %s\n", grid.bpm,
                      grid.beatsPerBar, ms3(60000.0 / grid.bpm).c_str());
        out += line;
    } else {
        all["tempo"] = nullptr;
        out += "beat " + std::to_string(grid.rowsPerBeat) + " rows, " + std::to_string(grid.beatsPerBar) +
               " beats a bar\n";
    }
    if (module) {
        ordered_json m = ordered_json::object();
        m["title"] = timing.title;
        m["rowsPerBeat"] = grid.rowsPerBeat;
        ordered_json changed = ordered_json::array();
        for (const ModuleRowTime& c : changes(timing)) {
            changed.push_back(ordered_json{{"order", c.order},
                                           {"row", c.row},
                                           {"ms", exact(c.seconds * 1000)},
                                           {"speed", c.speed},
                                           {"tempo", c.tempo}});
            out += "change o" + std::to_string(c.order) + "r" + std::to_string(c.row) + " " +
                   ms3(c.seconds * 1000) + " speed " + std::to_string(c.speed) + " tempo " +
                   std::to_string(c.tempo) + "\n";
        }
        m["changes"] = changed;
        ordered_json orders = ordered_json::array();
        for (size_t o = 0; o < timing.orderRows.size(); ++o) {
            const std::vector<double>& rows = timing.orderRows[o];
            const std::string name = "o" + std::to_string(o);
            ordered_json times = ordered_json::array();
            const double start = rows.empty() ? -1 : rows[0];
            out += "order " + name + " " + (start < 0 ? std::string("never played") : ms3(start * 1000)) +
                   ", pattern " + std::to_string(timing.orderPatterns[o]) + ", " +
                   std::to_string(rows.size()) + " rows\n";
            for (size_t r = 0; r < rows.size(); ++r) {
                const std::string at = "  " + name + "r" + std::to_string(r) + " ";
                if (rows[r] < 0) {
                    times.push_back(nullptr);
                    out += at + "never played\n";
                    continue;
                }
                times.push_back(exact(rows[r] * 1000));
                out += at + ms3(rows[r] * 1000) + " " +
                       barBeatText(grid.beatAt(rows[r] * 1000), grid.beatsPerBar) + "\n";
            }
            orders.push_back(
                ordered_json{{"order", static_cast<int>(o)},
                             {"pattern", timing.orderPatterns[o]},
                             {"ms", start < 0 ? ordered_json(nullptr) : ordered_json(exact(start * 1000))},
                             {"rows", times}});
        }
        m["orders"] = orders;
        all["module"] = m;
    } else {
        all["module"] = nullptr;
    }
    ordered_json beats = ordered_json::array();
    for (long b = 0; grid.hasBeats(); ++b) {
        const double at = grid.beatMs(static_cast<double>(b));
        if (at > endMs && b > 0) break;
        const long bar = b / grid.beatsPerBar + 1, beat = b % grid.beatsPerBar + 1;
        beats.push_back(ordered_json{{"bar", bar}, {"beat", beat}, {"ms", roundMs(at)}});
        if (grid.bpm > 0)
            out += "beat " + std::to_string(bar) + ":" + std::to_string(beat) + " " +
                   std::to_string(roundMs(at)) + " ms\n";
    }
    all["beats"] = beats;

    if (opt.json) out = jsonText(all) + "\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
