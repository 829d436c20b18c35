#pragma once
#include "engine/cli.h"

// Each mode runs in the show folder (the working directory has been changed
// to SHOW_DIR) and returns the process exit status.
int runLive(const Options& opt);       // the show itself (engine/live_mode.cpp)
int runPreprocess(const Options& opt); // -E (script/preprocess_mode.cpp)
int runInspect(const Options& opt);    // --inspect (script/inspect_mode.cpp)
int runScenes(const Options& opt);     // --scenes (timeline/scenes_mode.cpp)
int runAssets(const Options& opt);     // --assets (assets/assets_mode.cpp)
int runShot(const Options& opt);       // --shot (render/capture_mode.cpp)
int runRender(const Options& opt);     // --render (render/capture_mode.cpp)
int runCheck(const Options& opt);      // --check (script/check_mode.cpp)

// Loads data/script.txt and applies the command-line overrides. When the
// file cannot be opened, prints "tamarack: cannot open data/script.txt:
// REASON" and returns false (engine/startup.cpp).
bool loadScript(const Options& opt);
