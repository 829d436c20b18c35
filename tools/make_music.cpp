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
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const double pi = 3.14159265358979323846;

// Samples are computed at four times the XM base rate and played with a
// relative note of +24, so note C-4 plays them at their own rate. Tonal
// samples hold whole cycles of 128 samples: C-4 sounds at 261.3 Hz.
const double sampleRate = 8363.0 * 4;
const int cycle = 128;

struct Random {
    uint64_t s;
    explicit Random(uint64_t seed) : s(seed) {}
    double next() { // uniform in [-1, 1)
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(s >> 11) / 4503599627370496.0 - 1.0;
    }
};

void put8(std::string& s, int v) {
    s += static_cast<char>(v & 0xFF);
}
void put16(std::string& s, int v) {
    put8(s, v);
    put8(s, v >> 8);
}
void put32(std::string& s, uint32_t v) {
    put16(s, static_cast<int>(v & 0xFFFF));
    put16(s, static_cast<int>(v >> 16));
}
void putText(std::string& s, const std::string& t, size_t n) {
    std::string f = t.substr(0, n);
    f.resize(n, '\0');
    s += f;
}

// --- instruments ------------------------------------------------------------

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

void normalise(std::vector<double>& w, double peak) {
    double m = 0;
    for (double v : w)
        m = std::max(m, std::abs(v));
    if (m > 0)
        for (double& v : w)
            v *= peak / m;
}

// `cycles` whole cycles of 128 samples, harmonic k with amplitude amp(k).
template <class Amp> std::vector<double> harmonics(int cycles, int count, Amp amp) {
    std::vector<double> w(static_cast<size_t>(cycle) * cycles);
    for (size_t n = 0; n < w.size(); ++n) {
        const double ph = 2 * pi * static_cast<double>(n) / cycle;
        double v = 0;
        for (int k = 1; k <= count; ++k)
            v += amp(k) * std::sin(k * ph);
        w[n] = v;
    }
    normalise(w, 0.9);
    return w;
}

Instrument kick() {
    Instrument in{"kick", {}, 0, 0, 64, {}, 0, 0, 0, 0};
    const int n = static_cast<int>(sampleRate * 0.42);
    double phase = 0;
    for (int i = 0; i < n; ++i) {
        const double t = i / sampleRate;
        const double f = 48 + 140 * std::exp(-t * 28);
        phase += 2 * pi * f / sampleRate;
        const double body = std::sin(phase) * std::exp(-t * 6.5);
        const double click = std::exp(-t * 400) * 0.4;
        in.wave.push_back(std::tanh((body + click) * 1.6));
    }
    normalise(in.wave, 0.95);
    return in;
}

Instrument snare() {
    Instrument in{"snare", {}, 0, 0, 52, {}, 0, 0, 0, 0};
    Random rnd(11);
    const int n = static_cast<int>(sampleRate * 0.28);
    double last = 0;
    for (int i = 0; i < n; ++i) {
        const double t = i / sampleRate;
        const double white = rnd.next();
        const double bright = white - last * 0.6; // tilt the noise up
        last = white;
        const double noise = bright * std::exp(-t * 16);
        const double tone = std::sin(2 * pi * 185 * t) * std::exp(-t * 30) * 0.8;
        in.wave.push_back(noise * 0.7 + tone);
    }
    normalise(in.wave, 0.9);
    return in;
}

Instrument hat() {
    Instrument in{"hat", {}, 0, 0, 30, {}, 0, 0, 0, 0};
    Random rnd(23);
    const int n = static_cast<int>(sampleRate * 0.09);
    double last = 0;
    for (int i = 0; i < n; ++i) {
        const double t = i / sampleRate;
        const double white = rnd.next();
        in.wave.push_back((white - last) * std::exp(-t * 55)); // high-passed noise
        last = white;
    }
    normalise(in.wave, 0.9);
    return in;
}

Instrument bass() {
    Instrument in{"bass", harmonics(4, 18, [](int k) { return std::pow(k, -1.25) * (k % 2 ? 1.0 : 0.7); }),
                  0,      0,
                  56,     {},
                  0,      0,
                  0,      0};
    in.loopLength = static_cast<int>(in.wave.size());
    in.env.points = {{0, 64}, {6, 52}, {30, 40}, {34, 0}};
    in.env.sustain = 2;
    in.fadeout = 2048;
    return in;
}

Instrument lead() {
    Instrument in{
        "lead", harmonics(4, 14, [](int k) { return (k % 2 ? 1.0 : 0.45) / k; }), 0, 0, 40, {}, 0, 0, 0, 0};
    in.loopLength = static_cast<int>(in.wave.size());
    in.env.points = {{0, 0}, {2, 64}, {10, 50}, {14, 0}};
    in.env.sustain = 2;
    in.fadeout = 1536;
    in.vibDepth = 6;
    in.vibRate = 10;
    in.vibSweep = 24;
    return in;
}

// Three detuned saw-like voices of 127, 128 and 129 cycles in one loop of
// 128 x 128 samples: a slow, wide chorus.
Instrument pad() {
    Instrument in{"pad", {}, 0, 0, 30, {}, 0, 0, 0, 0};
    const int n = cycle * cycle;
    in.wave.resize(n);
    const int voices[3] = {127, 128, 129};
    for (int i = 0; i < n; ++i) {
        double v = 0;
        for (int c : voices) {
            const double ph = 2 * pi * static_cast<double>(c) * i / n;
            for (int k = 1; k <= 10; ++k)
                v += std::sin(k * ph + c * 0.37 * k) * std::pow(k, -1.4);
        }
        in.wave[i] = v;
    }
    normalise(in.wave, 0.9);
    in.loopLength = n;
    in.env.points = {{0, 0}, {24, 64}, {60, 52}, {90, 0}};
    in.env.sustain = 2;
    in.fadeout = 384;
    return in;
}

std::string instrumentBytes(const Instrument& in) {
    std::string s;
    put32(s, 263); // header size, as FastTracker 2 writes it
    putText(s, in.name, 22);
    put8(s, 0);   // type
    put16(s, 1);  // one sample
    put32(s, 40); // sample header size
    for (int i = 0; i < 96; ++i)
        put8(s, 0);                // every note plays sample 0
    for (int i = 0; i < 12; ++i) { // volume envelope
        const bool has = i < static_cast<int>(in.env.points.size());
        put16(s, has ? in.env.points[i].first : 0);
        put16(s, has ? in.env.points[i].second : 0);
    }
    for (int i = 0; i < 24; ++i)
        put16(s, 0); // panning envelope
    put8(s, static_cast<int>(in.env.points.size()));
    put8(s, 0); // panning points
    put8(s, in.env.sustain < 0 ? 0 : in.env.sustain);
    put8(s, 0); // volume loop start
    put8(s, 0); // volume loop end
    put8(s, 0); // panning sustain
    put8(s, 0); // panning loop start
    put8(s, 0); // panning loop end
    put8(s, (in.env.points.empty() ? 0 : 1) | (in.env.sustain >= 0 ? 2 : 0));
    put8(s, 0); // panning type
    put8(s, 0); // vibrato: sine
    put8(s, in.vibSweep);
    put8(s, in.vibDepth);
    put8(s, in.vibRate);
    put16(s, in.fadeout);
    put16(s, 0); // reserved
    s.resize(263, '\0');

    // one 16-bit sample, delta-coded
    const uint32_t bytes = static_cast<uint32_t>(in.wave.size() * 2);
    put32(s, bytes);
    put32(s, static_cast<uint32_t>(in.loopStart * 2));
    put32(s, static_cast<uint32_t>(in.loopLength * 2));
    put8(s, in.volume);
    put8(s, 0);                                  // finetune
    put8(s, 0x10 | (in.loopLength > 0 ? 1 : 0)); // 16-bit, forward loop
    put8(s, 128);                                // panning: centre
    put8(s, 24);                                 // relative note: see sampleRate
    put8(s, 0);
    putText(s, in.name, 22);
    int prev = 0;
    for (double v : in.wave) {
        const int q = static_cast<int>(std::lround(v * 32767));
        put16(s, (q - prev) & 0xFFFF);
        prev = q;
    }
    return s;
}

// --- patterns -----------------------------------------------------------------

enum Channel { Kick, Snare, Hat, Bass, Lead, Pad1, Pad2, Pad3, Channels };
enum InstrumentNumber { IKick = 1, ISnare, IHat, IBass, ILead, IPad };
const int Rows = 64;
const int KeyOff = 97;

struct Cell {
    int note = 0, instrument = 0, volume = 0, effect = 0, param = 0;
};

struct Pattern {
    Cell cells[Rows][Channels];
    void note(int row, int ch, int n, int ins, int vol = -1) {
        Cell& c = cells[row][ch];
        c.note = n;
        c.instrument = ins;
        if (vol >= 0) c.volume = 0x10 + vol;
    }
    void off(int row, int ch) {
        if (row < Rows && cells[row][ch].note == 0) cells[row][ch].note = KeyOff;
    }
};

// "A-3" -> XM note number (C-0 is 1).
int N(const char* t) {
    static const int base[7] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    int n = base[t[0] - 'A'];
    if (t[1] == '#') ++n;
    return 1 + 12 * (t[2] - '0') + n;
}

// One chord per bar: A minor, F major, C major, G major.
const char* chords[4][3] = {
    {"A-3", "C-4", "E-4"}, {"F-3", "A-3", "C-4"}, {"G-3", "C-4", "E-4"}, {"G-3", "B-3", "D-4"}};
const char* roots[4] = {"A-2", "F-2", "C-3", "G-2"};

void addPad(Pattern& p, int volume, int fadeTo = -1) {
    const int pan[3] = {0x50, 0x80, 0xB0};
    for (int bar = 0; bar < 4; ++bar)
        for (int v = 0; v < 3; ++v) {
            const int vol = fadeTo < 0 ? volume : volume + (fadeTo - volume) * bar / 4;
            p.note(bar * 16, Pad1 + v, N(chords[bar][v]), IPad, vol);
            p.cells[bar * 16][Pad1 + v].effect = 8; // set panning
            p.cells[bar * 16][Pad1 + v].param = pan[v];
        }
}

void addBass(Pattern& p, int fromBar = 0) {
    // eighth notes with an octave jump on the off-beat of beats 2 and 4
    for (int bar = fromBar; bar < 4; ++bar)
        for (int step = 0; step < 8; ++step) {
            const int row = bar * 16 + step * 2;
            const int n = N(roots[bar]) + ((step == 3 || step == 7) ? 12 : 0);
            p.note(row, Bass, n, IBass, step % 2 ? 40 : 56);
        }
}

void addDrums(Pattern& p, int fromBar = 0, bool fill = true) {
    for (int bar = fromBar; bar < 4; ++bar)
        for (int beat = 0; beat < 4; ++beat) {
            const int row = bar * 16 + beat * 4;
            p.note(row, Kick, N("C-4"), IKick);
            if (beat % 2) p.note(row, Snare, N("C-4"), ISnare);
        }
    if (fill) { // a snare roll into the next pattern
        p.note(58, Snare, N("C-4"), ISnare, 32);
        p.note(61, Snare, N("C-4"), ISnare, 40);
        p.note(63, Snare, N("C-4"), ISnare, 52);
    }
}

void addHats(Pattern& p, int fromBar = 0, int loud = 40) {
    for (int row = fromBar * 16; row < Rows; row += 2)
        p.note(row, Hat, N("C-4"), IHat, row % 4 ? loud : loud / 2);
}

struct LeadNote {
    int row;
    const char* note;
    int length;
};

void addLead(Pattern& p, const std::vector<LeadNote>& melody) {
    for (const LeadNote& n : melody) {
        p.note(n.row, Lead, N(n.note), ILead);
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
    std::vector<Pattern> ps(7);
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
        ps[5].note(row, Kick, N("C-4"), IKick, 24 + row - 48);
    ps[5].note(62, Snare, N("C-4"), ISnare, 48);
    // 6: outro, one long A minor chord that fades out
    for (int v = 0; v < 3; ++v) {
        ps[6].note(0, Pad1 + v, N(chords[0][v]), IPad, 52);
        for (int row = 4; row < 48; row += 4)
            ps[6].cells[row][Pad1 + v].volume = 0x10 + 52 - row;
        ps[6].off(48, Pad1 + v);
    }
    ps[6].note(0, Kick, N("C-4"), IKick);
    ps[6].note(0, Bass, N("A-2"), IBass);
    ps[6].off(16, Bass);
    ps[6].note(0, Lead, N("A-4"), ILead, 40);
    ps[6].off(24, Lead);
    return ps;
}

std::string patternBytes(const Pattern& p) {
    std::string data;
    for (int r = 0; r < Rows; ++r)
        for (int ch = 0; ch < Channels; ++ch) {
            const Cell& c = p.cells[r][ch];
            int mask = 0x80;
            if (c.note) mask |= 1;
            if (c.instrument) mask |= 2;
            if (c.volume) mask |= 4;
            if (c.effect) mask |= 8;
            if (c.param) mask |= 16;
            put8(data, mask);
            if (c.note) put8(data, c.note);
            if (c.instrument) put8(data, c.instrument);
            if (c.volume) put8(data, c.volume);
            if (c.effect) put8(data, c.effect);
            if (c.param) put8(data, c.param);
        }
    std::string s;
    put32(s, 9); // pattern header length
    put8(s, 0);  // packing type
    put16(s, Rows);
    put16(s, static_cast<int>(data.size()));
    return s + data;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tamarack-make_music OUT_FILE.xm\n");
        return 2;
    }
    const std::vector<Pattern> patterns = compose();
    const std::vector<Instrument> instruments = {kick(), snare(), hat(), bass(), lead(), pad()};
    const std::vector<int> order = {0, 1, 2, 3, 4, 5, 2, 3, 4, 6};

    std::string s = "Extended Module: ";
    putText(s, "Tamarack", 20);
    put8(s, 0x1A);
    putText(s, "tamarack-make_music", 20);
    put16(s, 0x0104);
    put32(s, 276); // header size from here on
    put16(s, static_cast<int>(order.size()));
    put16(s, 0); // restart position
    put16(s, Channels);
    put16(s, static_cast<int>(patterns.size()));
    put16(s, static_cast<int>(instruments.size()));
    put16(s, 1);   // linear frequency table
    put16(s, 6);   // ticks per row
    put16(s, 125); // BPM
    for (int i = 0; i < 256; ++i)
        put8(s, i < static_cast<int>(order.size()) ? order[i] : 0);
    for (const Pattern& p : patterns)
        s += patternBytes(p);
    for (const Instrument& in : instruments)
        s += instrumentBytes(in);

    FILE* f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(s.data(), 1, s.size(), f) != s.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "tamarack-make_music: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
