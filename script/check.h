#pragma once
#include "base/diagnostic.h"
#include "timeline/beat_grid.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Every problem of the loaded show: what the script loader collected, what
// the asset scan reported, and what reading each command once, as the
// interpreter would but without touching the show, finds. Call after the
// script has been loaded and the assets scanned. Sorted by file and line.
// The show is also played once on the virtual clock at `fps` to find what is
// drawn but never seen (unseen.h); the timeline is left as it was.
std::vector<Diagnostic> checkShow(int fps = 60);

// One diagnostic in the compilers' form: "FILE:LINE: error: MESSAGE", or
// "FILE: error: MESSAGE" for a problem of a file as a whole (line 0).
std::string formatDiagnostic(const Diagnostic& d);

// What the checks know of the loaded show when they read one command.
struct ShowNames {
    std::vector<std::string> textures;  // registered pictures, as the script names them
    std::vector<std::string> models;    // registered 3DS models
    std::vector<std::string> files;     // every name in data/ (loaded or not)
    std::vector<size_t> syncTrackSizes; // number of steps of each sync track
    BeatGrid grid;                      // the tempo and module rows times are written by
};

// One command read once, as the interpreter reads it (same words, same
// optional "to" parts, same name classification), without touching the show.
struct CommandReading {
    bool timeIsNumber = false;
    int32_t time = 0;
    bool hasDuration = false, hasInsync = false, hasType = false, hasSync = false;
    bool bezier = false;              // "scene 1" (at any place)
    int32_t kind = 0;                 // the last "scene"
    bool isEnd = false;               // holds the keyword "end"
    std::vector<int32_t> tracks;      // every number given to "track"
    long type = 100;                  // the last "type" (100: none)
    long duration = -1;               // the last "duration" (-1: none)
    std::vector<std::string> objects; // the names given to "object", with the one after "to"
    std::vector<Diagnostic> problems; // at `line` of data/script.txt
};

CommandReading readCommand(const std::string& command, int line, const ShowNames& names);
