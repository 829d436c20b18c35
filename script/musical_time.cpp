#include "script/musical_time.h"

#include "script/words.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

struct Notation {
    enum Kind { None, Beats, Rows, BarBeat, OrderRow, Malformed } kind = None;
    double amount = 0; // Beats, Rows: how many; BarBeat: the beat within the bar (from 1)
    long bar = 0;      // BarBeat, from 1
    long order = 0, row = 0;
    std::string problem; // Malformed: why
};

std::string quoted(std::string_view w) {
    return "'" + std::string(w) + "'";
}

bool allDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Digits with at most one dot and at least one digit ("12", "0.5", ".5").
bool readAmount(std::string_view s, double& value) {
    int dots = 0, digits = 0;
    for (char c : s) {
        if (c == '.')
            ++dots;
        else if (c >= '0' && c <= '9')
            ++digits;
        else
            return false;
    }
    if (dots > 1 || digits == 0) return false;
    value = std::strtod(std::string(s).c_str(), nullptr);
    return true;
}

bool readCount(std::string_view s, long& value) {
    if (!allDigits(s) || s.size() > 9) return false;
    value = std::strtol(std::string(s).c_str(), nullptr, 10);
    return true;
}

// Digits and dots only, with at least one digit: what looks like a number to
// a reader, however many dots it has.
bool numberLike(std::string_view s) {
    bool digit = false;
    for (char c : s) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c != '.')
            return false;
    }
    return digit;
}

Notation parse(std::string_view w) {
    Notation n;
    if (const size_t colon = w.find(':'); colon != std::string_view::npos) {
        n.kind = Notation::BarBeat;
        const std::string_view bar = w.substr(0, colon), beat = w.substr(colon + 1);
        if (!readCount(bar, n.bar) || n.bar < 1) {
            n.kind = Notation::Malformed;
            n.problem = quoted(w) + ": the bar " + quoted(bar) +
                        " is no bar number: write bar:beat, both counted from 1, e.g. '4:3' (bar 4, beat 3)";
        } else if (!readAmount(beat, n.amount) || n.amount < 1) {
            n.kind = Notation::Malformed;
            n.problem = quoted(w) + ": the beat " + quoted(beat) +
                        " is no beat number: write bar:beat, both counted from 1, e.g. '4:3' (bar 4, beat 3)";
        }
        return n;
    }
    if (w.size() > 1 && w[0] == 'o' && w[1] >= '0' && w[1] <= '9') {
        n.kind = Notation::OrderRow;
        const size_t r = w.find('r');
        const std::string_view order = w.substr(1, r == std::string_view::npos ? w.npos : r - 1);
        const std::string_view row = r == std::string_view::npos ? std::string_view("0") : w.substr(r + 1);
        if (!readCount(order, n.order) || !readCount(row, n.row)) {
            n.kind = Notation::Malformed;
            n.problem = quoted(w) +
                        " is no order and row: write 'o' with the order and 'r' with the row, both counted "
                        "from 0 as the tracker shows them, e.g. 'o3r16'";
        }
        return n;
    }
    if (w.size() > 1 && (w.back() == 'b' || w.back() == 'r') && numberLike(w.substr(0, w.size() - 1))) {
        n.kind = w.back() == 'b' ? Notation::Beats : Notation::Rows;
        if (!readAmount(w.substr(0, w.size() - 1), n.amount)) {
            n.kind = Notation::Malformed;
            n.problem = quoted(w) + ": " + quoted(w.substr(0, w.size() - 1)) + " is no number of " +
                        (w.back() == 'b' ? "beats: write e.g. '12b' or '0.5b'" : "rows: write e.g. '16r'");
        }
    }
    return n;
}

std::string noTempo(std::string_view w) {
    return quoted(w) +
           " is in beats, but the show has no tempo to read it by: add a line 'Tempo 120' (the music's beats "
           "a minute, and optionally its beats a bar) before '@sync', or put the tracker module that sets "
           "the beat in data/";
}

// The beat position of a beat, row or bar:beat notation.
bool beatsOf(const Notation& n, std::string_view w, const BeatGrid& grid, double& beat,
             std::string* problem) {
    if (!grid.hasBeats()) {
        if (problem) *problem = noTempo(w);
        return false;
    }
    switch (n.kind) {
    case Notation::Beats:
        beat = n.amount;
        return true;
    case Notation::Rows:
        beat = n.amount / grid.rowsPerBeat;
        return true;
    case Notation::BarBeat:
        if (n.amount >= grid.beatsPerBar + 1) {
            if (problem)
                *problem = quoted(w) + ": a bar has " + std::to_string(grid.beatsPerBar) + " beats (1 to " +
                           std::to_string(grid.beatsPerBar) + "): write the next bar's number instead";
            return false;
        }
        beat = static_cast<double>(n.bar - 1) * grid.beatsPerBar + (n.amount - 1);
        return true;
    default:
        return false;
    }
}

bool orderRowMs(const Notation& n, std::string_view w, const BeatGrid& grid, double& ms,
                std::string* problem) {
    auto fail = [&](const std::string& why) {
        if (problem) *problem = why;
        return false;
    };
    if (!grid.hasModule())
        return fail(quoted(w) +
                    " is a position in a tracker module, but the music is none: write the time in beats "
                    "('12b', with a 'Tempo' line before '@sync') or in ms");
    const long orders = static_cast<long>(grid.orderRowMs.size());
    if (n.order >= orders)
        return fail(quoted(w) + ": the module has " + std::to_string(orders) + " orders (o0 to o" +
                    std::to_string(orders - 1) + "): write an order it has");
    const std::vector<double>& rows = grid.orderRowMs[static_cast<size_t>(n.order)];
    const long count = static_cast<long>(rows.size());
    if (n.row >= count)
        return fail(quoted(w) + ": order " + std::to_string(n.order) + " has " + std::to_string(count) +
                    " rows (r0 to r" + std::to_string(count - 1) +
                    "), so the row is past its end: write a row " + "below " + std::to_string(count) +
                    " or the next order");
    ms = rows[static_cast<size_t>(n.row)];
    if (ms < 0)
        return fail(quoted(w) + ": the module never plays row " + std::to_string(n.row) + " of order " +
                    std::to_string(n.order) +
                    " (a pattern break or a jump passes it): write a row that it plays");
    return true;
}

constexpr double kNoBeat = std::numeric_limits<double>::quiet_NaN();

} // namespace

TimeRead readStartTime(std::string_view word, const BeatGrid& grid, int32_t& ms, double& beat,
                       std::string* problem) {
    beat = kNoBeat;
    const Notation n = parse(word);
    switch (n.kind) {
    case Notation::None:
        readInt(word, ms);
        return TimeRead::Plain;
    case Notation::Malformed:
        if (problem) *problem = n.problem;
        return TimeRead::Wrong;
    case Notation::OrderRow: {
        double exact = 0;
        if (!orderRowMs(n, word, grid, exact, problem)) return TimeRead::Wrong;
        ms = roundMs(exact);
        if (grid.hasBeats()) beat = grid.beatAt(exact);
        return TimeRead::Musical;
    }
    default: {
        double b = 0;
        if (!beatsOf(n, word, grid, b, problem)) return TimeRead::Wrong;
        beat = b;
        ms = roundMs(grid.beatMs(b));
        return TimeRead::Musical;
    }
    }
}

TimeRead readLength(std::string_view word, const BeatGrid& grid, int32_t startMs, double startBeat,
                    int32_t& ms, double& beats, std::string* problem) {
    beats = 0;
    const Notation n = parse(word);
    switch (n.kind) {
    case Notation::None:
        readInt(word, ms);
        return TimeRead::Plain;
    case Notation::Malformed:
        if (problem) *problem = n.problem;
        return TimeRead::Wrong;
    case Notation::BarBeat:
    case Notation::OrderRow:
        if (problem)
            *problem = quoted(word) +
                       " is a position, not a length: write a length in beats ('8b') or in rows ('16r')";
        return TimeRead::Wrong;
    default: {
        double b = 0;
        if (!beatsOf(n, word, grid, b, problem)) return TimeRead::Wrong;
        const double from = std::isnan(startBeat) ? grid.beatAt(startMs) : startBeat;
        beats = b;
        const int64_t end = roundMs(grid.beatMs(from + b));
        ms = static_cast<int32_t>(std::clamp<int64_t>(end - startMs, INT32_MIN, INT32_MAX));
        return TimeRead::Musical;
    }
    }
}

bool isMusicalWord(std::string_view word) {
    return parse(word).kind != Notation::None;
}

bool needsModule(std::string_view word, bool hasTempo) {
    const Notation n = parse(word);
    if (n.kind == Notation::OrderRow) return true;
    return !hasTempo &&
           (n.kind == Notation::Beats || n.kind == Notation::Rows || n.kind == Notation::BarBeat);
}

std::string barBeatText(double beat, int beatsPerBar) {
    if (beatsPerBar < 1) beatsPerBar = 4;
    const double rounded = std::round(beat * 1000) / 1000; // to a thousandth of a beat
    const double bar = std::floor(rounded / beatsPerBar);
    const double within = rounded - bar * beatsPerBar + 1;
    char text[64];
    std::snprintf(text, sizeof text, "%.0f:%.3g", bar + 1, within);
    return text;
}

void fillGrid(const ModuleTiming& timing, BeatGrid& grid) {
    grid.orderRowMs.clear();
    grid.rowMs.clear();
    for (const std::vector<double>& rows : timing.orderRows) {
        std::vector<double>& ms = grid.orderRowMs.emplace_back();
        for (double seconds : rows)
            ms.push_back(seconds < 0 ? -1.0 : seconds * 1000.0);
    }
    for (const ModuleRowTime& row : timing.played)
        grid.rowMs.push_back(row.seconds * 1000.0);
    if (!grid.rowMs.empty()) grid.rowMs.push_back(std::max(timing.duration * 1000.0, grid.rowMs.back()));
    if (grid.rowMs.size() == 2 && grid.rowMs[1] <= grid.rowMs[0]) grid.rowMs.clear();
}
