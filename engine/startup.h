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

// Releases the GL context and the window of the live show.
void closeDisplay();
