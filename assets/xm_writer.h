#pragma once
// A writer of XM (FastTracker 2) modules, the music format the engine plays
// most exactly, and the instruments our music is made of, synthesised here
// so a module needs nothing from outside.
//
// Samples are computed at four times the XM base rate and played with a
// relative note of +24, so note C-4 plays them at their own rate. Tonal
// samples hold whole cycles of 128 samples: C-4 sounds at 261.3 Hz.
#include <string>
#include <utility>
#include <vector>

namespace xm {

struct Envelope {
    std::vector<std::pair<int, int>> points; // (tick, volume 0..64); empty: no envelope
    int sustain = -1;                        // point held until key off; -1: none
};

struct Instrument {
    std::string name;
    std::vector<double> wave;          // -1..1
    int loopStart = 0, loopLength = 0; // in samples; length 0: no loop
    int volume = 64;
    Envelope env;
    int fadeout = 0;
    int vibDepth = 0, vibRate = 0, vibSweep = 0;
};

// The synthesised instruments: kick, snare and hat from sine sweeps and
// noise; bass, lead and a chorused pad from summed harmonics.
Instrument kick();
Instrument snare();
Instrument hat();
Instrument bass();
Instrument lead();
Instrument pad();

constexpr int KeyOff = 97;

// "A-3" -> the XM note number (C-0 is 1).
int note(const char* name);

struct Cell {
    int note = 0, instrument = 0, volume = 0, effect = 0, param = 0;
};

struct Pattern {
    int rows, channels;
    std::vector<Cell> cells;
    Pattern(int rowCount, int channelCount)
        : rows(rowCount), channels(channelCount), cells(static_cast<size_t>(rowCount * channelCount)) {}
    Cell& at(int row, int channel) { return cells[static_cast<size_t>(row * channels + channel)]; }
    const Cell& at(int row, int channel) const {
        return cells[static_cast<size_t>(row * channels + channel)];
    }
    // A note with its instrument (numbered from 1) and, with vol >= 0, a volume 0..64.
    void play(int row, int channel, int n, int instrument, int vol = -1);
    // A key off, on a row within the pattern whose cell has no note.
    void off(int row, int channel);
};

struct Module {
    std::string name, tracker;
    int channels = 8;
    int speed = 6; // ticks a row
    int bpm = 125; // a tick is 2.5 / bpm seconds
    std::vector<int> order;
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
};

// The bytes of the module file.
std::string encode(const Module& module);

} // namespace xm
