#pragma once
#include <string>

// What the command line asked for. With no option the program is the live
// show exactly as the script says.
struct Options {
    enum Mode {
        Live,
        Preprocess,
        Inspect,
        Scenes,
        Assets,
        Shot,
        Render,
        Check,
        New,
        Timeline,
        ContactSheet,
        Tempo
    };
    Mode mode = Live;
    std::string showDir; // empty: the working directory
    bool window = false; // --window
    bool mute = false;   // --mute
    bool dev = false;    // --dev (authoring mode; implies --window)
    double seconds = 0;  // --scenes / --shot time
    bool brief = false;  // --brief: --scenes as one line per record
    bool hasStart = false;
    double start = 0;       // --start
    int fps = 60;           // --fps
    std::string file;       // --shot FILE.png, --timeline FILE.html, --contact-sheet FILE.png
    std::string out;        // --render OUT (made absolute before the program enters SHOW_DIR)
    std::string outArg;     // --render OUT as written, for messages
    bool progress = false;  // --progress
    bool overwrite = false; // --overwrite
    bool hasFrom = false, hasTo = false;
    double from = 0, to = 0;   // --render range
    std::string newDir;        // new DIR
    double every = 5;          // --timeline, --contact-sheet: seconds between frames
    int columns = 4;           // --contact-sheet
    int width = 0, height = 0; // --size: frames of that size (0: the script's)
    int display = 0;           // --display (the live show)
    bool modeSwitch = false;   // --mode-switch
    bool noVsync = false;      // --no-vsync
    bool tickClock = false;    // --clock ticks: the show clock runs by the system's ticks alone
    int audioOffset = 0;       // --audio-offset: ms the sound reaches the listener late
    bool json = false;         // --json (--tempo)
};

// Parses argv. Returns -1 to go on, or the exit status when the program is
// done (help and version: 0; a usage error: 2, with the usage on stderr).
int parseCommandLine(int argc, char** argv, Options& opt);

// Seconds to milliseconds, rounded to the nearest ms, halves away from zero.
int secondsToMs(double seconds);
