#pragma once

// How the program runs in one mode, stated once as the mode starts
// (cli/main.cpp) instead of switches set here and there: whether each frame
// is shown in the window, whether asset problems are printed as the scan
// meets them, and what the script's "end" does.
struct RunMode {
    bool presentFrames = false;     // swap the window's buffers after each frame (the live window)
    bool printAssetProblems = true; // "tamarack: data/NAME: ..." on stderr as they are met
    void (*onEnd)() = nullptr;      // "end" calls it and never comes back (the live show); null:
                                    // the show only records that it ended and the caller stops
};

// The offline modes: frames are read back, never shown; "end" stops the run.
inline constexpr RunMode kOfflineRun{false, true, nullptr};
// --check: the asset problems are printed with the others, once.
inline constexpr RunMode kCheckRun{false, false, nullptr};

// Sets the switches that the frame (effect.present), the asset report
// (assetReport.print) and the process exit (engine.exitHandler) read.
void applyRunMode(const RunMode& mode);
