#pragma once
#include "engine/display.h"

// Command-line switches that win over the script's options, and the choices
// of the display and the frame size that the script does not make.
struct Overrides {
    bool window = false; // --window
    bool mute = false;   // --mute
    void apply() const;  // onto einit, after the options pass

    int display = 0;         // --display: the monitor, 0 the first
    bool modeSwitch = false; // --mode-switch: full screen in a video mode of the script's size
    bool vsync = true;       // swaps wait for the display (off: --no-vsync)
    // --size: the offline frame's size; 0: the script's screen size.
    int width = 0, height = 0;
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
