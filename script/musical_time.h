#pragma once
#include "assets/module_timing.h"
#include "timeline/beat_grid.h"

#include <cstdint>
#include <string>
#include <string_view>

// Times written to the music, wherever the script takes a time: a command's
// start, the length after "duration" and a "Sync" step's length.
//
//   12b, 0.5b   beats from the start of the show (beat 0 is at 0 ms); as a
//               length, that many beats
//   64r, 2r     rows of the module, rowsPerBeat (4) to a beat; as a length,
//               that many rows
//   4:3, 2:1.5  bar 4, beat 3 (both counted from 1: 1:1 is the start);
//               positions only
//   o3r16, o3   order 3, row 16 (row 0 when left out) of the module, both
//               counted from 0 as trackers show them; positions only
//
// Any other word is read as before: an integer of ms (seconds with a dot are
// milliseconds by the time a command gets here). Each time is rounded to
// whole ms on its own; a length ends at the rounded time of its start plus
// the length, so a run of musical lengths stays on the beat grid.

enum class TimeRead {
    Plain,   // no musical notation: read as an integer, as always
    Musical, // a musical time, turned into ms
    Wrong,   // musical notation that cannot be read: `problem` says why and what to write
};

// A start time: `ms` (rounded) and, for a musical time that has one, `beat`,
// the exact beat position (NaN otherwise). A plain word is read with
// readInt: `ms` keeps its value when it is no number.
TimeRead readStartTime(std::string_view word, const BeatGrid& grid, int32_t& ms, double& beat,
                       std::string* problem = nullptr);

// A length from a start (`startMs`, and `startBeat` when the start was
// musical, NaN when it was not): `ms` is the rounded time of start + length
// minus `startMs`; `beats` the length in beats (0 for a plain word).
TimeRead readLength(std::string_view word, const BeatGrid& grid, int32_t startMs, double startBeat,
                    int32_t& ms, double& beats, std::string* problem = nullptr);

// Whether a word is written in musical notation, readable or not; and
// whether reading it needs the module (an order and row, or beats or rows
// with no tempo to read them by).
bool isMusicalWord(std::string_view word);
bool needsModule(std::string_view word, bool hasTempo);

// "bar:beat" of a beat position, both from 1 ("5:1", "5:2.5").
std::string barBeatText(double beat, int beatsPerBar);

// A module's rows as the grid counts them (their times in ms); the tempo and
// the bar are left as they are.
void fillGrid(const ModuleTiming& timing, BeatGrid& grid);
