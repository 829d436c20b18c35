#include "cli/options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

int secondsToMs(double seconds) {
    return static_cast<int>(std::llround(seconds * 1000.0));
}

namespace {

// The longest time the show clock holds, in seconds (about 24 days).
constexpr double kMaxSeconds = 2147483.647;

// A value given on the command line that is not what its option takes: one
// line saying what is allowed, and the usage error's status.
int refuse(const std::string& option, const std::string& message) {
    std::cerr << "tamarack: " << option << ": " << message << "\n";
    return 2;
}

// The whole of `text` as a finite number, or false.
bool number(const std::string& text, double& out) {
    char* end = nullptr;
    errno = 0;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(out) && errno != ERANGE;
}

// Reads a time in seconds, 0 or more; 0 when it is good, else the status.
int readSeconds(const std::string& option, const std::string& text, double& out) {
    if (!number(text, out))
        return refuse(option, "'" + text + "' is not a number of seconds: write one like 12 or 12.5");
    if (out < 0) return refuse(option, text + " is before the show begins: times are 0 seconds or more");
    if (out > kMaxSeconds)
        return refuse(option, text + " is past what the show clock holds: times are at most 2147483.647 s");
    return 0;
}

// Reads a number in [low, high] (a whole one when `whole`); else says
// `problem` about the text as given and returns the status.
template <typename T>
int readRange(const std::string& option, const std::string& text, double low, double high, bool whole,
              const std::string& problem, T& out) {
    double value = 0;
    if (!number(text, value) || value < low || value > high || (whole && value != std::floor(value)))
        return refuse(option, text + " " + problem);
    out = static_cast<T>(value);
    return 0;
}

// Why an output file name is refused, or nullptr: it must end in `ending`
// (or `other`) and must not name a folder.
const char* outputProblem(const std::string& path, const char* ending, const char* other) {
    auto endsIn = [&](const char* e) {
        const size_t n = e ? std::strlen(e) : 0;
        return e && path.size() > n && path.compare(path.size() - n, n, e) == 0;
    };
    if (!endsIn(ending) && !(other && endsIn(other)))
        return other ? "must end in .html or .htm" : "must end in .png";
    if (std::filesystem::is_directory(path)) return "is a folder: name a file in it";
    return nullptr;
}

int checkOutput(const std::string& option, const std::string& path, const char* ending, const char* other) {
    const char* problem = outputProblem(path, ending, other);
    return problem ? refuse(option, "'" + path + "' " + problem) : 0;
}

// Reads WIDTHxHEIGHT, whole numbers of pixels from 1 up (larger than any
// OpenGL draws stop at INT_MAX; the frame's opening refuses them).
int readSize(const std::string& text, int& w, int& h) {
    auto side = [](const std::string& t, long long& v) {
        size_t i = t.size() > 1 && t[0] == '-' ? 1 : 0;
        if (i == t.size()) return false;
        v = 0;
        for (size_t k = i; k < t.size(); ++k) {
            if (t[k] < '0' || t[k] > '9') return false;
            v = std::min<long long>(v * 10 + (t[k] - '0'), INT_MAX);
        }
        if (i) v = -v;
        return true;
    };
    const size_t x = text.find_first_of("xX");
    long long a = 0, b = 0;
    if (x == std::string::npos || !side(text.substr(0, x), a) || !side(text.substr(x + 1), b))
        return refuse("--size",
                      "'" + text + "' is not WIDTHxHEIGHT: give the size in pixels, as in --size 1920x1080");
    if (a < 1 || b < 1)
        return refuse("--size",
                      text +
                          " has no pixels: the width and the height are 1 or more, as in --size 1920x1080");
    w = static_cast<int>(a);
    h = static_cast<int>(b);
    return 0;
}

bool endsWithNoCase(const std::string& text, const char* ending) {
    const size_t n = std::strlen(ending);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != ending[i]) return false;
    return true;
}

} // namespace

int parseCommandLine(int argc, char** argv, Options& opt) {
    CLI::App app{"Tamarack plays the timed audiovisual show in SHOW_DIR/data: the script "
                 "data/script.txt and the JPEG, 3DS and music files beside it.",
                 "tamarack"};
    // CLI11 reads "/name" as an option on Windows; there it is a path, as
    // everywhere: the options are written the same on every system.
    app.allow_windows_style_options(false);
    app.set_version_flag("--version", std::string("tamarack ") + TAMARACK_VERSION);
    app.add_option("SHOW_DIR", opt.showDir, "Folder that holds data/ (default: the working directory)");
    app.add_flag("--window", opt.window, "Run in a window, whatever the script's options say");
    app.add_flag("--mute", opt.mute, "Play no music, whatever the script's options say");
    std::string display, size;
    app.add_option("--display", display, "Live show: the monitor to play on, 0 the first (default 0)")
        ->type_name("N");
    app.add_flag("--mode-switch", opt.modeSwitch,
                 "Live show: full screen in a video mode of the script's size instead of the desktop's own "
                 "mode (the monitor then scales the picture)");
    app.add_flag("--no-vsync", opt.noVsync,
                 "Live show: show each frame at once instead of waiting for the display's refresh");
    std::string clock, audioOffset;
    app.add_option("--clock", clock,
                   "Live show: what the show's time follows: 'music' (default), the music as it is "
                   "heard while it plays, or 'ticks', the system clock alone")
        ->type_name("music|ticks");
    app.add_option("--audio-offset", audioOffset,
                   "Live show: ms by which this audio device's sound reaches the listener later than "
                   "it says (negative: earlier); the picture waits as long (default 0)")
        ->type_name("MS");

    // The numbers are taken as words and read below, so that a bad one gets a
    // line of its own saying what the option takes.
    bool preprocess = false, inspect = false, assets = false, check = false;
    std::string scenes, fps, from, to, start, every, columns;
    auto* modes = app.add_option_group("modes", "Authoring modes (no window, no music)");
    modes->add_flag("-E,--preprocess", preprocess, "Print the script's kept lines after preprocessing");
    modes->add_flag("--inspect", inspect, "Print the options, sync tracks and commands as JSON");
    modes->add_option("--scenes", scenes, "Print the scene list at SECONDS as JSON")->type_name("SECONDS");
    app.add_flag("--brief", opt.brief,
                 "--scenes: one line per record for a person (line, track, what it draws, progress, the "
                 "values that run) instead of JSON");
    bool tempo = false;
    modes->add_flag("--tempo", tempo,
                    "Print the music's musical map: a module's orders, rows and speed and tempo changes, "
                    "and with a 'Tempo' every beat");
    app.add_flag("--json", opt.json, "--tempo: print the map as JSON");
    modes->add_flag("--assets", assets, "Print the registered textures, models and music as JSON");
    std::vector<std::string> shot;
    modes->add_option("--shot", shot, "Render the frame at SECONDS to FILE.png")
        ->expected(2)
        ->allow_extra_args(false)
        ->type_name("SECONDS FILE.png");
    modes
        ->add_option("--render", opt.out,
                     "Render every frame to OUT: a video file (.mp4, .mkv, .webm) with the music, "
                     "a Y4M stream on stdout ('-'), or else a folder of PNG frames")
        ->type_name("OUT");
    modes->add_flag("--check", check, "Report every problem of the show, with file and line");
    std::string timeline, sheet;
    modes
        ->add_option("--timeline", timeline,
                     "Write the whole show at a glance to FILE.html: a lane per record, "
                     "the music's waveform, a frame every --every seconds")
        ->type_name("FILE.html");
    modes->add_option("--contact-sheet", sheet, "Write the frames every --every seconds as one PNG grid")
        ->type_name("FILE.png");
    modes->require_option(0, 1);

    app.add_option("--fps", fps, "Frame rate of the virtual clock, 1 to 1000 (default 60)")->type_name("N");
    app.add_option("--from", from, "--render: first time, in seconds (default 0)")->type_name("SECONDS");
    app.add_option("--to", to,
                   "--render: last time, in seconds, not before --from (default: the end of the show)")
        ->type_name("SECONDS");
    app.add_option("--every", every, "--timeline, --contact-sheet: seconds between frames (default 5)")
        ->type_name("SECONDS");
    app.add_option("--columns", columns, "--contact-sheet: frames in a row (default 4)")->type_name("N");
    app.add_option("--size", size,
                   "--shot, --render, --contact-sheet, --timeline: frames of WIDTHxHEIGHT pixels (default: "
                   "the script's size); the picture fills the largest rectangle of its own shape, centred, "
                   "the rest black")
        ->type_name("WxH");
    app.add_option("--start", start, "Begin the show at SECONDS (live and --render)")->type_name("SECONDS");
    app.add_flag("--progress", opt.progress,
                 "--render: the progress line and a final report on stderr even when it is no terminal");
    app.add_flag("--overwrite", opt.overwrite,
                 "--render: remove the frame-NNNNNN.png files of an earlier render from the folder first");
    app.add_flag("--dev", opt.dev,
                 "Authoring mode in a window: Space pauses and resumes the show and the music, "
                 "Left/Right seek 5 s back/forward (1 s with Shift), Home restarts from 0, Escape quits; "
                 "a change saved in data/ is reloaded at once and the title shows the time and frame rate");

    auto* create = app.add_subcommand("new", "Make a starter show in DIR (made when missing): a commented "
                                             "data/script.txt with its picture, model and music");
    create->add_option("DIR", opt.newDir, "Folder for the new show; it must not hold data/ yet")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        std::cerr << "tamarack: " << e.what() << "\n" << app.help();
        return 2;
    }

    opt.hasStart = app.count("--start") > 0;
    opt.hasFrom = app.count("--from") > 0;
    opt.hasTo = app.count("--to") > 0;
    int status = 0;
    if (app.count("--fps") &&
        (status = readRange("--fps", fps, 1, 1000, true,
                            "is not a frame rate: write a whole number from 1 to 1000", opt.fps)))
        return status;
    if (app.count("--every")) {
        // Frames fall on the show clock's milliseconds: less than one would
        // round to a millisecond (0.0005) or to none at all.
        double seconds = 0;
        if (number(every, seconds) && seconds > 0 && seconds < 0.001)
            return refuse("--every", every + " is less than a millisecond, the show clock's step: give "
                                             "seconds from 0.001 up, as in --every 5");
        if ((status = readRange("--every", every, 0.001, 1e6, false,
                                "is no time between frames: give seconds from 0.001 up, as in --every 5",
                                opt.every)))
            return status;
    }
    if (app.count("--columns") &&
        (status =
             readRange("--columns", columns, 1, 1000, true,
                       "is no number of frames in a row: give 1 to 1000, as in --columns 4", opt.columns)))
        return status;
    if (opt.hasStart && (status = readSeconds("--start", start, opt.start))) return status;
    if (opt.hasFrom && (status = readSeconds("--from", from, opt.from))) return status;
    if (opt.hasTo && (status = readSeconds("--to", to, opt.to))) return status;
    // The first frame --render writes is at --from, or else at --start.
    const bool hasFirst = opt.hasFrom || opt.hasStart;
    const std::string firstOption = opt.hasFrom ? "--from" : "--start";
    const std::string& first = opt.hasFrom ? from : start;
    if (hasFirst && opt.hasTo && (opt.hasFrom ? opt.from : opt.start) > opt.to)
        return refuse("--to",
                      to + " is before " + firstOption + " " + first +
                          ": the frames written lie from the one to the other, so --to must be the later "
                          "(or the same, for the one frame at that time)");

    if (preprocess) opt.mode = Options::Preprocess;
    if (inspect) opt.mode = Options::Inspect;
    if (app.count("--scenes")) {
        opt.mode = Options::Scenes;
        if ((status = readSeconds("--scenes", scenes, opt.seconds))) return status;
    }
    if (assets) opt.mode = Options::Assets;
    if (!shot.empty()) {
        opt.mode = Options::Shot;
        if ((status = readSeconds("--shot", shot[0], opt.seconds))) return status;
        if ((status = checkOutput("--shot", shot[1], ".png", nullptr))) return status;
        opt.file = shot[1];
    }
    if (app.count("--render")) {
        opt.mode = Options::Render;
        opt.outArg = opt.out;
    }
    if (check) opt.mode = Options::Check;
    if (create->parsed()) {
        opt.mode = Options::New;
        if (opt.newDir.empty())
            return refuse("new", "the folder's name is empty: name the folder for the new show, as in "
                                 "'tamarack new myshow'");
    }
    if (app.count("--timeline") || app.count("--contact-sheet")) {
        const bool page = app.count("--timeline") > 0;
        opt.mode = page ? Options::Timeline : Options::ContactSheet;
        opt.file = page ? timeline : sheet;
        if ((status = checkOutput(page ? "--timeline" : "--contact-sheet", opt.file, page ? ".html" : ".png",
                                  page ? ".htm" : nullptr)))
            return status;
    }
    if (tempo) opt.mode = Options::Tempo;
    if (opt.json && opt.mode != Options::Tempo)
        return refuse("--json", "only --tempo prints its map as text or, with --json, as JSON");
    if (opt.dev) opt.window = true;
    if (opt.brief && opt.mode != Options::Scenes)
        return refuse("--brief", "only --scenes prints records, in JSON or, with --brief, one line each");

    const bool live = opt.mode == Options::Live;
    const bool draws = opt.mode == Options::Shot || opt.mode == Options::Render ||
                       opt.mode == Options::ContactSheet || opt.mode == Options::Timeline;
    if (app.count("--size")) {
        if (!draws)
            return refuse("--size", "only --shot, --render, --contact-sheet and --timeline draw frames of a "
                                    "size; the live show fills its screen or window");
        if ((status = readSize(size, opt.width, opt.height))) return status;
        // H.264 in 4:2:0 keeps one colour sample for each 2 x 2 pixels.
        if (opt.mode == Options::Render &&
            (endsWithNoCase(opt.out, ".mp4") || endsWithNoCase(opt.out, ".mkv")) &&
            (opt.width % 2 || opt.height % 2))
            return refuse("--size",
                          size + ": H.264 video (.mp4, .mkv) takes only even widths and heights: give " +
                              std::to_string(opt.width & ~1 ? opt.width & ~1 : 2) + "x" +
                              std::to_string(opt.height & ~1 ? opt.height & ~1 : 2) +
                              ", or a .webm file, which takes any size");
    }
    const char* liveOnly = app.count("--display") ? "--display"
                           : opt.modeSwitch       ? "--mode-switch"
                           : opt.noVsync          ? "--no-vsync"
                                                  : nullptr;
    if (liveOnly && !live)
        return refuse(liveOnly, "only the live show opens a display; the other modes draw offscreen");
    const char* clockOption = app.count("--clock")          ? "--clock"
                              : app.count("--audio-offset") ? "--audio-offset"
                                                            : nullptr;
    if (clockOption && !live)
        return refuse(clockOption, "only the live show plays its music on a device; the other modes run on "
                                   "the frame clock of --fps");
    if (app.count("--clock")) {
        if (clock != "music" && clock != "ticks")
            return refuse("--clock", "'" + clock + "' is no clock: give music or ticks");
        opt.tickClock = clock == "ticks";
    }
    if (app.count("--audio-offset")) {
        if ((status = readRange("--audio-offset", audioOffset, -10000, 10000, true,
                                "is no offset: give whole ms from -10000 to 10000, as in --audio-offset 40",
                                opt.audioOffset)))
            return status;
        if (opt.tickClock)
            return refuse("--audio-offset", "moves the picture against the music as heard, and --clock ticks "
                                            "does not follow the music");
    }
    if (app.count("--display") &&
        (status = readRange("--display", display, 0, 1000, true,
                            "is no display: give its number, 0 for the first", opt.display)))
        return status;
    if (opt.modeSwitch && opt.window)
        return refuse("--mode-switch", std::string("changes the video mode for full screen, and ") +
                                           (opt.dev ? "--dev" : "--window") + " plays in a window");
    return -1;
}
