// tamarack-make_music OUT_FILE: composes the show's music and writes it as an
// XM (FastTracker 2) module, byte by byte.
//
// The instruments are synthesised here (kick, snare and hat from sine sweeps
// and noise; bass, lead and pad from summed harmonics), so the module needs
// nothing from outside. The song runs at 125 BPM with 6 ticks a row: a row is
// 120 ms, a beat (4 rows) 480 ms, a bar (16 rows) 1.92 s and a pattern
// (64 rows) 7.68 s. The order list plays ten patterns: 76.8 s.
//
// Section start times, for synchronising a script to the music:
//    0.00 intro (pad)          7.68 bass enters       15.36 drums
//   23.04 lead, phrase A      30.72 lead, phrase B    38.40 breakdown
//   46.08 drums again         53.76 phrase A          61.44 phrase B
//   69.12 outro, fading out   76.80 silence
#include "assets/xm_writer.h"
#include "base/output_file.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using xm::Pattern;

enum Channel { Kick, Snare, Hat, Bass, Lead, Pad1, Pad2, Pad3, Channels };
enum InstrumentNumber { IKick = 1, ISnare, IHat, IBass, ILead, IPad };
const int Rows = 64;

// One chord per bar: A minor, F major, C major, G major.
const char* chords[4][3] = {
    {"A-3", "C-4", "E-4"}, {"F-3", "A-3", "C-4"}, {"G-3", "C-4", "E-4"}, {"G-3", "B-3", "D-4"}};
const char* roots[4] = {"A-2", "F-2", "C-3", "G-2"};

void addPad(Pattern& p, int volume, int fadeTo = -1) {
    const int pan[3] = {0x50, 0x80, 0xB0};
    for (int bar = 0; bar < 4; ++bar)
        for (int v = 0; v < 3; ++v) {
            const int vol = fadeTo < 0 ? volume : volume + (fadeTo - volume) * bar / 4;
            p.play(bar * 16, Pad1 + v, xm::note(chords[bar][v]), IPad, vol);
            p.at(bar * 16, Pad1 + v).effect = 8; // set panning
            p.at(bar * 16, Pad1 + v).param = pan[v];
        }
}

void addBass(Pattern& p, int fromBar = 0) {
    // eighth notes with an octave jump on the off-beat of beats 2 and 4
    for (int bar = fromBar; bar < 4; ++bar)
        for (int step = 0; step < 8; ++step) {
            const int row = bar * 16 + step * 2;
            const int n = xm::note(roots[bar]) + ((step == 3 || step == 7) ? 12 : 0);
            p.play(row, Bass, n, IBass, step % 2 ? 40 : 56);
        }
}

void addDrums(Pattern& p, int fromBar = 0, bool fill = true) {
    for (int bar = fromBar; bar < 4; ++bar)
        for (int beat = 0; beat < 4; ++beat) {
            const int row = bar * 16 + beat * 4;
            p.play(row, Kick, xm::note("C-4"), IKick);
            if (beat % 2) p.play(row, Snare, xm::note("C-4"), ISnare);
        }
    if (fill) { // a snare roll into the next pattern
        p.play(58, Snare, xm::note("C-4"), ISnare, 32);
        p.play(61, Snare, xm::note("C-4"), ISnare, 40);
        p.play(63, Snare, xm::note("C-4"), ISnare, 52);
    }
}

void addHats(Pattern& p, int fromBar = 0, int loud = 40) {
    for (int row = fromBar * 16; row < Rows; row += 2)
        p.play(row, Hat, xm::note("C-4"), IHat, row % 4 ? loud : loud / 2);
}

struct LeadNote {
    int row;
    const char* note;
    int length;
};

void addLead(Pattern& p, const std::vector<LeadNote>& melody) {
    for (const LeadNote& n : melody) {
        p.play(n.row, Lead, xm::note(n.note), ILead);
        p.off(n.row + n.length, Lead);
    }
}

const std::vector<LeadNote> phraseA = {
    {0, "E-5", 4},  {4, "D-5", 2},  {6, "C-5", 2},  {8, "A-4", 6},  {14, "C-5", 2}, // Am
    {16, "C-5", 4}, {20, "A-4", 2}, {22, "C-5", 2}, {24, "D-5", 6}, {30, "C-5", 2}, // F
    {32, "E-5", 4}, {36, "G-5", 4}, {40, "E-5", 2}, {42, "D-5", 2}, {44, "C-5", 4}, // C
    {48, "D-5", 6}, {54, "B-4", 2}, {56, "G-4", 8},                                 // G
};
const std::vector<LeadNote> phraseB = {
    {0, "E-5", 2},  {2, "E-5", 2},  {4, "G-5", 2},  {6, "E-5", 2},  {8, "D-5", 4}, {12, "C-5", 4}, // Am
    {16, "A-4", 4}, {20, "C-5", 4}, {24, "D-5", 4}, {28, "E-5", 4},                                // F
    {32, "G-5", 6}, {38, "E-5", 2}, {40, "D-5", 4}, {44, "C-5", 4},                                // C
    {48, "B-4", 4}, {52, "D-5", 4}, {56, "A-4", 8},                                                // G
};

std::vector<Pattern> compose() {
    std::vector<Pattern> ps(7, Pattern(Rows, Channels));
    // 0: intro, the pad swells in; hats from the third bar
    addPad(ps[0], 32, 52);
    addHats(ps[0], 2, 24);
    // 1: the bass enters, kicks from the third bar
    addPad(ps[1], 48);
    addBass(ps[1]);
    addHats(ps[1], 0, 32);
    addDrums(ps[1], 2);
    // 2: full groove
    addPad(ps[2], 48);
    addBass(ps[2]);
    addHats(ps[2]);
    addDrums(ps[2]);
    // 3 and 4: the groove with the lead, phrases A and B
    for (int i = 3; i <= 4; ++i) {
        addPad(ps[i], 44);
        addBass(ps[i]);
        addHats(ps[i]);
        addDrums(ps[i], 0, i == 4);
        addLead(ps[i], i == 3 ? phraseA : phraseB);
    }
    // 5: breakdown, pad and lead alone, kicks return in the last bar
    addPad(ps[5], 52);
    addLead(ps[5], phraseA);
    addHats(ps[5], 2, 20);
    for (int row = 48; row < 64; row += 4)
        ps[5].play(row, Kick, xm::note("C-4"), IKick, 24 + row - 48);
    ps[5].play(62, Snare, xm::note("C-4"), ISnare, 48);
    // 6: outro, one long A minor chord that fades out
    for (int v = 0; v < 3; ++v) {
        ps[6].play(0, Pad1 + v, xm::note(chords[0][v]), IPad, 52);
        for (int row = 4; row < 48; row += 4)
            ps[6].at(row, Pad1 + v).volume = 0x10 + 52 - row;
        ps[6].off(48, Pad1 + v);
    }
    ps[6].play(0, Kick, xm::note("C-4"), IKick);
    ps[6].play(0, Bass, xm::note("A-2"), IBass);
    ps[6].off(16, Bass);
    ps[6].play(0, Lead, xm::note("A-4"), ILead, 40);
    ps[6].off(24, Lead);
    return ps;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tamarack-make_music OUT_FILE.xm\n");
        return 2;
    }
    xm::Module m;
    m.name = "Tamarack";
    m.tracker = "tamarack-make_music";
    m.channels = Channels;
    m.patterns = compose();
    m.instruments = {xm::kick(), xm::snare(), xm::hat(), xm::bass(), xm::lead(), xm::pad()};
    m.order = {0, 1, 2, 3, 4, 5, 2, 3, 4, 6};
    const std::string s = xm::encode(m);

    std::string error;
    if (!writeOutputFile(argv[1], s, error)) {
        std::fprintf(stderr, "tamarack-make_music: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
