#pragma once
#include <cstdint>
#include <vector>

// Where the music's beats and a tracker module's rows fall on the show clock.
// Positions are counted in beats from show time 0 (beat 0 is at 0 ms);
// fractions of a beat are allowed. With a fixed tempo a beat lasts
// 60000 / bpm ms; without one, a module's rows as it plays them (their own
// speed and tempo changes included) set the beats, `rowsPerBeat` rows each.
// Times come out exact (unrounded); the show clock takes them rounded to
// the ms one by one, so that nothing accumulates.
struct BeatGrid {
    double bpm = 0;      // the script's Tempo; 0: none
    int beatsPerBar = 4; // the script's Tempo, or 4
    int rowsPerBeat = 4;
    // The module's rows in the order it plays them: the start of each in ms,
    // and one more entry, the end of the last row. Empty: no module.
    std::vector<double> rowMs;
    // Each order's rows: the start in ms, or a negative value for a row the
    // module never plays. Empty: no module.
    std::vector<std::vector<double>> orderRowMs;

    // Whether beats can be turned into times: a tempo, or a module's rows.
    bool hasBeats() const { return bpm > 0 || rowMs.size() >= 2; }
    bool hasModule() const { return !orderRowMs.empty(); }

    // The time of a beat position, and the beat position of a time.
    double beatMs(double beat) const;
    double beatAt(double ms) const;
};

// A time in ms rounded to the show clock's whole ms (halves away from zero),
// held within its 32 bits.
int32_t roundMs(double ms);
