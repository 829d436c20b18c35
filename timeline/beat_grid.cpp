#include "timeline/beat_grid.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

// The length of row i of the played rows; past either end, the length of
// the row at that end.
double rowLength(const std::vector<double>& rows, long i) {
    const long last = static_cast<long>(rows.size()) - 2;
    i = std::clamp(i, 0L, last);
    return rows[static_cast<size_t>(i) + 1] - rows[static_cast<size_t>(i)];
}

} // namespace

double BeatGrid::beatMs(double beat) const {
    if (bpm > 0) return beat * 60000.0 / bpm;
    if (rowMs.size() < 2) return 0;
    const double row = beat * rowsPerBeat;
    const long rows = static_cast<long>(rowMs.size()) - 1; // rows played
    long i = static_cast<long>(std::floor(row));
    if (i < 0) return rowMs.front() + row * rowLength(rowMs, 0);
    if (i >= rows) return rowMs.back() + (row - static_cast<double>(rows)) * rowLength(rowMs, rows - 1);
    return rowMs[static_cast<size_t>(i)] + (row - static_cast<double>(i)) * rowLength(rowMs, i);
}

double BeatGrid::beatAt(double ms) const {
    if (bpm > 0) return ms * bpm / 60000.0;
    if (rowMs.size() < 2) return 0;
    const long rows = static_cast<long>(rowMs.size()) - 1;
    double row;
    if (ms < rowMs.front()) {
        row = (ms - rowMs.front()) / rowLength(rowMs, 0);
    } else if (ms >= rowMs.back()) {
        row = static_cast<double>(rows) + (ms - rowMs.back()) / rowLength(rowMs, rows - 1);
    } else {
        const auto it = std::upper_bound(rowMs.begin(), rowMs.end(), ms) - 1;
        const long i = it - rowMs.begin();
        const double len = rowLength(rowMs, i);
        row = static_cast<double>(i) + (len > 0 ? (ms - *it) / len : 0);
    }
    return row / rowsPerBeat;
}

int32_t roundMs(double ms) {
    if (!(ms == ms)) return 0;
    const double r = std::round(ms);
    if (r >= 2147483647.0) return INT32_MAX;
    if (r <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(r);
}
