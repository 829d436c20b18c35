#include "assets/xm_writer.h"

#include <cmath>
#include <cstdint>

namespace xm {

namespace {

const double pi = 3.14159265358979323846;

// The rate and cycle of the samples (see xm_writer.h).
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

} // namespace

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

namespace {

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

std::string patternBytes(const Pattern& p) {
    std::string data;
    for (int r = 0; r < p.rows; ++r)
        for (int ch = 0; ch < p.channels; ++ch) {
            const Cell& c = p.at(r, ch);
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
    put16(s, p.rows);
    put16(s, static_cast<int>(data.size()));
    return s + data;
}

} // namespace

void Pattern::play(int row, int channel, int n, int instrument, int vol) {
    Cell& c = at(row, channel);
    c.note = n;
    c.instrument = instrument;
    if (vol >= 0) c.volume = 0x10 + vol;
}

void Pattern::off(int row, int channel) {
    if (row < rows && at(row, channel).note == 0) at(row, channel).note = KeyOff;
}

int note(const char* name) {
    static const int base[7] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    int n = base[name[0] - 'A'];
    if (name[1] == '#') ++n;
    return 1 + 12 * (name[2] - '0') + n;
}

std::string encode(const Module& m) {
    std::string s = "Extended Module: ";
    putText(s, m.name, 20);
    put8(s, 0x1A);
    putText(s, m.tracker, 20);
    put16(s, 0x0104);
    put32(s, 276); // header size from here on
    put16(s, static_cast<int>(m.order.size()));
    put16(s, 0); // restart position
    put16(s, m.channels);
    put16(s, static_cast<int>(m.patterns.size()));
    put16(s, static_cast<int>(m.instruments.size()));
    put16(s, 1); // linear frequency table
    put16(s, m.speed);
    put16(s, m.bpm);
    for (int i = 0; i < 256; ++i)
        put8(s, i < static_cast<int>(m.order.size()) ? m.order[static_cast<size_t>(i)] : 0);
    for (const Pattern& p : m.patterns)
        s += patternBytes(p);
    for (const Instrument& in : m.instruments)
        s += instrumentBytes(in);
    return s;
}

} // namespace xm
