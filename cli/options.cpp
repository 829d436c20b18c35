#include "cli/options.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <iostream>

int secondsToMs(double seconds) {
    return static_cast<int>(std::llround(seconds * 1000.0));
}

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
    modes->require_option(0, 1);

    app.add_option("--fps", opt.fps, "Frame rate of the virtual clock (default 60)")
        ->check(CLI::Range(1, 1000));
    app.add_option("--from", opt.from, "--render: first time, in seconds (default 0)");
    app.add_option("--to", opt.to, "--render: last time, in seconds (default: the end of the show)");
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
    opt.hasStart = app.count("--start") > 0;
    opt.hasFrom = app.count("--from") > 0;
    opt.hasTo = app.count("--to") > 0;
    if (opt.dev) opt.window = true;
    return -1;
}
