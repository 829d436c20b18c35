#include "assets/module_timing.h"
#include "assets/music_decode.h"
#include "assets/show_files.h"
#include "assets/texture_prep.h"
#include "base/output_file.h"
#include "base/stop_signal.h"
#include "cli/modes.h"
#include "cli/music_peaks.h"
#include "cli/show_survey.h"
#include "script/musical_time.h"
#include "script/script.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <png.h>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// The page: inline CSS, SVG-free markup and a small script; {{THUMBS}} and
// {{DATA}} are filled in.
const char pageTemplate[] =
#include "timeline_page.inc"
    ;

constexpr int thumbWidth = 160;     // pixels of a thumbnail's side along the time axis, at most
constexpr int peaksPerSecond = 100; // the waveform's resolution
constexpr size_t maxThumbs = 1000;
constexpr int32_t longestMusicMs = 10 * 60 * 1000; // of the waveform, unless the show is longer

std::string base64(const uint8_t* data, size_t size) {
    static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((size + 2) / 3 * 4);
    for (size_t i = 0; i < size; i += 3) {
        const uint32_t n = static_cast<uint32_t>(data[i]) << 16 |
                           (i + 1 < size ? static_cast<uint32_t>(data[i + 1]) << 8 : 0) |
                           (i + 2 < size ? data[i + 2] : 0);
        out += digits[n >> 18 & 63];
        out += digits[n >> 12 & 63];
        out += i + 1 < size ? digits[n >> 6 & 63] : '=';
        out += i + 2 < size ? digits[n & 63] : '=';
    }
    return out;
}

// A frame scaled down to thumbnail size (each pixel the average of the area
// it covers) as PNG bytes; empty when libpng fails. Frames drawn at a size of
// their own (--size) are thumbnails as they are.
class Thumbnailer {
  public:
    Thumbnailer(int w, int h, bool asDrawn) : w(w), h(h) {
        tw = asDrawn ? w : std::min(w, thumbWidth);
        th = asDrawn ? h : std::max(1, static_cast<int>(static_cast<long>(h) * tw / w));
    }
    int width() const { return tw; }
    int height() const { return th; }

    std::vector<uint8_t> png(const std::vector<uint8_t>& frame) {
        rgba.resize(static_cast<size_t>(tw) * th * 4);
        scaleToRGBA(frame.data(), w, h, rgba.data(), tw, th, scratch);
        rgb.resize(static_cast<size_t>(tw) * th * 3);
        for (size_t i = 0, n = static_cast<size_t>(tw) * th; i < n; ++i)
            std::memcpy(&rgb[i * 3], &rgba[i * 4], 3);
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        image.width = static_cast<png_uint_32>(tw);
        image.height = static_cast<png_uint_32>(th);
        image.format = PNG_FORMAT_RGB;
        png_alloc_size_t size = 0;
        std::vector<uint8_t> out;
        if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr)) return out;
        out.resize(size);
        if (!png_image_write_to_memory(&image, out.data(), &size, 0, rgb.data(), 0, nullptr)) out.clear();
        out.resize(size);
        return out;
    }

  private:
    int w, h, tw, th;
    std::vector<uint8_t> rgba, rgb;
    std::vector<float> scratch;
};

const char* drawnCode(Drawn d) {
    switch (d) {
    case Drawn::Picture:
        return "p";
    case Drawn::Model:
        return "m";
    case Drawn::Bezier:
        return "b";
    case Drawn::Nothing:
        break;
    }
    return "n";
}

// The survey as the page's data: lanes in draw order with their command,
// script line and times; sync steps refer to a table of names.
nlohmann::json pageData(const Options& opt, const Survey& survey, const nlohmann::json& music,
                        const nlohmann::json& grid) {
    using nlohmann::json;
    std::vector<std::string> names;
    std::unordered_map<std::string, int> nameIndex;
    auto nameOf = [&](const std::string& n) {
        const auto [it, fresh] = nameIndex.emplace(n, static_cast<int>(names.size()));
        if (fresh) names.push_back(n);
        return it->second;
    };
    json lanes = json::array();
    for (const Lane& l : survey.lanes) {
        const size_t k = static_cast<size_t>(l.command);
        json lane = {{"c", l.command},
                     {"line", k < script.commandLines.size() ? script.commandLines[k] : 0},
                     {"text", script.commands[k]},
                     {"track", l.track},
                     {"made", l.made},
                     {"run", l.firstRun >= 0 ? json::array({l.firstRun, l.runEnd}) : json()},
                     {"erased", l.erased},
                     {"tpl", l.isTemplate},
                     {"sync", l.syncTrack},
                     {"d", drawnCode(l.look.drawn)},
                     {"name", l.look.name}};
        json steps = json::array();
        for (const SyncStep& s : l.steps)
            steps.push_back({s.time, s.position, s.templateTrack, s.templateLane, drawnCode(s.look.drawn),
                             nameOf(s.look.name)});
        lane["steps"] = std::move(steps);
        lanes.push_back(std::move(lane));
    }
    return {{"show", std::filesystem::current_path().filename().string()},
            {"end", survey.end},
            {"endCommand", survey.endCommand},
            {"fps", opt.fps},
            {"frames", survey.frames},
            {"commands", script.commands.size()},
            {"every", secondsToMs(opt.every)},
            {"music", music},
            {"grid", grid},
            {"names", names},
            {"lanes", std::move(lanes)}};
}

// The music's beat grid up to `endMs`: every beat's time (from the script's
// Tempo, or else a module's rows) and, for a module, every row played with
// its order and row. Null when the show has no tempo and no module.
nlohmann::json gridData(double endMs) {
    using nlohmann::json;
    BeatGrid grid = script.grid;
    const std::string path = showFiles.musicPath();
    if (!grid.hasModule() && !path.empty() && musicKind(path) == MusicKind::Module) {
        ModuleTiming timing;
        std::string error;
        if (readModuleTiming(path, timing, error, endMs / 1000.0)) fillGrid(timing, grid);
    }
    if (!grid.hasBeats()) return nullptr;
    const auto exact = [](double ms) { return std::round(ms * 1000) / 1000; };
    constexpr int kMostLines = 100000; // far more than a page draws at once
    json beats = json::array();
    for (int b = 0; b < kMostLines; ++b) {
        const double ms = grid.beatMs(b);
        if (ms > endMs && b > 0) break;
        beats.push_back(exact(ms));
    }
    std::vector<std::array<double, 3>> played;
    for (size_t o = 0; o < grid.orderRowMs.size(); ++o)
        for (size_t r = 0; r < grid.orderRowMs[o].size(); ++r)
            if (const double ms = grid.orderRowMs[o][r]; ms >= 0 && ms <= endMs)
                played.push_back({ms, static_cast<double>(o), static_cast<double>(r)});
    std::sort(played.begin(), played.end());
    if (played.size() > kMostLines) played.resize(kMostLines);
    json rows = json::array();
    for (const auto& p : played)
        rows.push_back({exact(p[0]), static_cast<int>(p[1]), static_cast<int>(p[2])});
    return {{"perBar", grid.beatsPerBar}, {"bpm", grid.bpm}, {"beats", beats}, {"rows", rows}};
}

// JSON that can stand inside a <script> element: no "<" outside escapes.
std::string scriptSafe(const nlohmann::json& j) {
    const std::string text = j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c == '<')
            out += "\\u003c";
        else
            out += c;
    return out;
}

void replaceOnce(std::string& page, const std::string& mark, const std::string& with) {
    const size_t at = page.find(mark);
    if (at != std::string::npos) page.replace(at, mark.size(), with);
}

} // namespace

// --timeline FILE.html: the whole show on one self-contained page.
int runTimeline(const Options& opt) {
    Offscreen frame;
    if (!openOffline(opt, frame)) return offlineFailure(frame);
    const int32_t every = secondsToMs(opt.every);
    const Survey survey = surveyShow(static_cast<int64_t>(every) * maxThumbs - 1);
    if (stopRequested()) return 1;
    if (!survey.complete) {
        std::fprintf(
            stderr,
            "tamarack: --timeline: the show runs longer than %s; a frame every %s gives more than %zu "
            "frames: give a larger --every\n",
            secondsText(survey.end).c_str(), secondsText(every).c_str(), maxThumbs);
        return 2;
    }
    const std::vector<int32_t> times = everyTimes(survey.end, every);

    std::string thumbs;
    Thumbnailer thumbnailer(frame.width, frame.height, opt.width > 0);
    drawFrames(times, opt.fps, frame, [&](int32_t t, const std::vector<uint8_t>& rgb) {
        const std::vector<uint8_t> png = thumbnailer.png(rgb);
        const std::string label = secondsText(t);
        thumbs += "<figure class=\"thumb\" data-t=\"" + std::to_string(t) + "\"><img width=\"" +
                  std::to_string(thumbnailer.width()) + "\" height=\"" +
                  std::to_string(thumbnailer.height()) + "\" alt=\"" + label +
                  "\" src=\"data:image/png;base64," + base64(png.data(), png.size()) + "\"><figcaption>" +
                  label + "</figcaption></figure>";
        return true;
    });
    if (stopRequested()) return 1;

    nlohmann::json music;
    if (const std::string path = showFiles.musicPath(); !path.empty()) {
        // The page spans the show and the music; music far longer than the
        // show is drawn for its first ten minutes, or as long as the show.
        const MusicPeaks peaks =
            musicPeaks(path, peaksPerSecond, std::max(survey.end + 1000, longestMusicMs));
        music = {{"file", path}};
        if (peaks.error.empty()) {
            music["end"] = peaks.length;
            music["rate"] = peaksPerSecond;
            music["peaks"] = base64(peaks.peaks.data(), peaks.peaks.size());
        } else {
            music["error"] = peaks.error;
        }
    }

    // The grid reaches as far as the page does: to the show's end, or to the
    // music's when the show has no "end" and the music runs longer.
    double gridEnd = survey.end;
    if (!survey.endCommand && music.contains("end")) gridEnd = std::max(gridEnd, music["end"].get<double>());
    const nlohmann::json grid = gridData(gridEnd);

    if (stopRequested()) return 1;
    std::string page = pageTemplate;
    replaceOnce(page, "{{THUMBS}}", thumbs);
    replaceOnce(page, "{{DATA}}", scriptSafe(pageData(opt, survey, music, grid)));
    std::string err;
    bool replacedLink = false;
    if (!writeOutputFile(opt.file, page, err, &replacedLink)) {
        std::fprintf(stderr, "tamarack: %s\n", err.c_str());
        return 1;
    }
    if (replacedLink) std::fprintf(stderr, "tamarack: %s\n", replacedLinkNote(opt.file).c_str());
    return 0;
}
