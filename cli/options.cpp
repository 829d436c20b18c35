#include "cli/options.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <iostream>

int secondsToMs(double seconds) {
    return static_cast<int>(std::llround(seconds * 1000.0));
}

namespace {

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

} // namespace

int parseCommandLine(int argc, char** argv, Options& opt) {
    CLI::App app{"Tamarack plays the timed audiovisual show in SHOW_DIR/data: the script "
                 "data/script.txt and the JPEG, 3DS and music files beside it.",
                 "tamarack"};
    app.set_version_flag("--version", std::string("tamarack ") + TAMARACK_VERSION);
    app.add_option("SHOW_DIR", opt.showDir, "Folder that holds data/ (default: the working directory)");
    app.add_flag("--window", opt.window, "Run in a window, whatever the script's options say");
    app.add_flag("--mute", opt.mute, "Play no music, whatever the script's options say");

    bool preprocess = false, inspect = false, assets = false, check = false;
    auto* modes = app.add_option_group("modes", "Authoring modes (no window, no music)");
    modes->add_flag("-E,--preprocess", preprocess, "Print the script's kept lines after preprocessing");
    modes->add_flag("--inspect", inspect, "Print the options, sync tracks and commands as JSON");
    modes->add_option("--scenes", opt.seconds, "Print the scene list at SECONDS as JSON")
        ->type_name("SECONDS");
    modes->add_flag("--assets", assets, "Print the registered textures, models and music as JSON");
    std::vector<std::string> shot;
    modes->add_option("--shot", shot, "Render the frame at SECONDS to FILE.png")
        ->expected(2)
        ->allow_extra_args(false)
        ->type_name("SECONDS FILE.png");
    modes->add_option("--render", opt.out, "Render every frame to the folder OUT, or a Y4M stream to '-'")
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

    app.add_option("--fps", opt.fps, "Frame rate of the virtual clock (default 60)")
        ->check(CLI::Range(1, 1000));
    app.add_option("--from", opt.from, "--render: first time, in seconds (default 0)");
    app.add_option("--to", opt.to, "--render: last time, in seconds (default: the end of the show)");
    app.add_option("--every", opt.every, "--timeline, --contact-sheet: seconds between frames (default 5)")
        ->type_name("SECONDS");
    app.add_option("--columns", opt.columns, "--contact-sheet: frames in a row (default 4)");
    app.add_option("--start", opt.start, "Begin the show at SECONDS (live and --render)")
        ->type_name("SECONDS");
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

    if (preprocess) opt.mode = Options::Preprocess;
    if (inspect) opt.mode = Options::Inspect;
    if (app.count("--scenes")) opt.mode = Options::Scenes;
    if (assets) opt.mode = Options::Assets;
    if (!shot.empty()) {
        opt.mode = Options::Shot;
        try {
            opt.seconds = std::stod(shot[0]);
        } catch (const std::exception&) {
            std::cerr << "tamarack: --shot: '" << shot[0] << "' is not a number of seconds\n" << app.help();
            return 2;
        }
        opt.file = shot[1];
    }
    if (app.count("--render")) opt.mode = Options::Render;
    if (check) opt.mode = Options::Check;
    if (create->parsed()) opt.mode = Options::New;
    if (app.count("--timeline") || app.count("--contact-sheet")) {
        const bool page = app.count("--timeline") > 0;
        opt.mode = page ? Options::Timeline : Options::ContactSheet;
        opt.file = page ? timeline : sheet;
        if (const char* problem = outputProblem(opt.file, page ? ".html" : ".png", page ? ".htm" : nullptr)) {
            std::cerr << "tamarack: " << (page ? "--timeline" : "--contact-sheet") << ": '" << opt.file
                      << "' " << problem << "\n";
            return 2;
        }
        if (!(opt.every >= 0.0005 && opt.every < 1e6)) {
            std::cerr << "tamarack: --every: " << opt.every
                      << " is no time between frames: give seconds from 0.001 up, as in --every 5\n";
            return 2;
        }
        if (opt.columns < 1 || opt.columns > 1000) {
            std::cerr << "tamarack: --columns: " << opt.columns
                      << " is no number of frames in a row: give 1 to 1000, as in --columns 4\n";
            return 2;
        }
    }
    opt.hasStart = app.count("--start") > 0;
    opt.hasFrom = app.count("--from") > 0;
    opt.hasTo = app.count("--to") > 0;
    if (opt.dev) opt.window = true;
    return -1;
}
