#pragma once
#include "cli/options.h"
#include "engine/offline.h"
#include "engine/startup.h"

// Each mode runs in the show folder (the working directory has been changed
// to SHOW_DIR) and returns the process exit status.
int runLive(const Options& opt);         // the show itself (cli/live_mode.cpp)
int runPreprocess(const Options& opt);   // -E (cli/preprocess_mode.cpp)
int runInspect(const Options& opt);      // --inspect (cli/inspect_mode.cpp)
int runScenes(const Options& opt);       // --scenes (cli/scenes_mode.cpp)
int runAssets(const Options& opt);       // --assets (cli/assets_mode.cpp)
int runShot(const Options& opt);         // --shot (cli/capture_mode.cpp)
int runRender(const Options& opt);       // --render (cli/capture_mode.cpp)
int runCheck(const Options& opt);        // --check (cli/check_mode.cpp)
int runTimeline(const Options& opt);     // --timeline (cli/timeline_mode.cpp)
int runContactSheet(const Options& opt); // --contact-sheet (cli/contact_sheet_mode.cpp)
int runNew(const Options& opt);
int runTempo(const Options& opt); // --tempo (cli/tempo_mode.cpp)          // new DIR (cli/new_mode.cpp)

// The live show's exit: stops the music, closes the display and ends the
// process with status 0 (what "end", Escape and a window close do).
[[noreturn]] void quitShow();

// The command-line switches that win over the script's options.
inline Overrides overridesOf(const Options& opt) {
    Overrides o;
    o.window = opt.window;
    o.mute = opt.mute;
    o.display = opt.display;
    o.modeSwitch = opt.modeSwitch;
    o.vsync = !opt.noVsync;
    o.width = opt.width;
    o.height = opt.height;
    return o;
}

// Loads data/script.txt and applies the command-line overrides. When the
// file cannot be opened, prints "tamarack: cannot open data/script.txt:
// REASON" and returns false.
inline bool loadScript(const Options& opt) {
    return loadScript(overridesOf(opt));
}

// The show loaded offline and played up to the frame at opt.seconds, which is
// left to the caller: it is a frame of the show even when it interprets
// "end". False, with one line on stderr, when the show cannot be loaded or an
// "end" comes before that frame (cli/capture_mode.cpp).
bool openAtSeconds(const Options& opt, Offscreen& frame);

// The show loaded for an offline mode at the command line's frame rate, in a
// frame of --size or the script's size. When it fails, the status to exit
// with: 2 for a --size larger than the OpenGL draws, else 1.
inline int offlineFailure(const Offscreen& frame) {
    return frame.tooLarge ? 2 : 1;
}
inline bool openOffline(const Options& opt, Offscreen& frame, bool scanAssets = true,
                        bool* soundOn = nullptr) {
    return openOffline(overridesOf(opt), opt.fps, frame, scanAssets, soundOn);
}
