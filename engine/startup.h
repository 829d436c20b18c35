#pragma once

// Command-line switches that win over the script's options.
struct Overrides {
    bool window = false; // --window
    bool mute = false;   // --mute
    void apply() const;  // onto einit, after the options pass
};

extern Overrides overrides;

// Loads data/script.txt into `script` and applies the overrides. When the file
// cannot be opened, prints "tamarack: cannot open data/script.txt: REASON" on
// stderr and returns false.
bool openScript();

// Loads data/script.txt with these overrides, from the configuration's
// defaults, as openScript() does.
bool loadScript(const Overrides& o);

// The whole live start-up sequence: the configuration's defaults, the script
// (status 1 when it cannot be opened), the window, the GL state, the camera,
// the scan of data/ and the clock.
void startShow();
// Display set-up of the live show: the window and its GL context.
void openWindow();
// The fixed GL state every frame relies on.
void initGlState();

// Releases the GL context and the window of the live show.
void closeDisplay();
