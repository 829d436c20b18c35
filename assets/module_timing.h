#pragma once
#include <limits>
#include <string>
#include <vector>

// When each row of a tracker module plays, as libopenmpt times it: the
// module's own speed (ticks a row) and tempo changes, pattern breaks and
// jumps included. Read without playing a sample.
struct ModuleRowTime {
    int order = 0, row = 0;
    double seconds = 0; // from the start of the music
    int speed = 0;      // ticks a row, in effect on the row
    int tempo = 0;      // the module's tempo (a tick lasts 2.5 / tempo s), in effect on the row
};

struct ModuleTiming {
    std::string title;
    // Each order's rows: the start in seconds, or -1 for a row the module
    // never plays (after a pattern break, or an order it never reaches).
    std::vector<std::vector<double>> orderRows;
    std::vector<int> orderPatterns;    // the pattern each order plays
    std::vector<ModuleRowTime> played; // the rows played, in time order
    double duration = 0;               // the music's length in seconds
};

// Reads the timing of the module at `path`. False with the reason in plain
// words (without the path) when the file cannot be read or is no module.
// The work grows with the square of the number of rows (libopenmpt finds
// each row's time from the start): about half a second for 2,000 rows.
// Rows that play after `untilSeconds` are left unread (-1, not in `played`):
// once a row of an order lies past it, the rest of that order is skipped, so
// a page of the first minutes of a module of hours reads only those.
bool readModuleTiming(const std::string& path, ModuleTiming& out, std::string& error,
                      double untilSeconds = std::numeric_limits<double>::infinity());
