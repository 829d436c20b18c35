#include "assets/file_kinds.h"
#include "assets/gfx.h"
#include "base/engine.h"
#include "script/frame_step.h"
#include "script/keywords.h"
#include "script/musical_time.h"
#include "script/script.h"
#include "script/words.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

// The words of one command, read from the front; a word taken back by a
// keyword with an optional "to" part waits as the pending word.
class Words {
  public:
    explicit Words(const std::string& text) : in(text) {}

    bool next(std::string& word) {
        if (hasPending) {
            hasPending = false;
            word.swap(pending);
            return true;
        }
        return in.read(word);
    }
    void putBack(std::string& word) {
        pending.swap(word);
        hasPending = true;
    }

  private:
    WordReader in;
    std::string pending;
    bool hasPending = false;
};

// A real number from the start of the word; a word that does not begin with
// a number leaves the target as it was.
void readFloat(const std::string& word, float& target) {
    const char* begin = word.c_str();
    char* end = nullptr;
    const float v = std::strtof(begin, &end);
    if (end == begin) return;
    target = v;
}

// The reader of one command into the working record, keyword by keyword as
// the keyword table says.
class Interpreter {
  public:
    Interpreter(const std::string& command, CScene& record, const BeatGrid& grid)
        : words(command), s(record), grid(grid) {}

    // Interprets the whole command; false when it was "end".
    bool run() {
        if (words.next(word)) readStartTime(word, grid, s.startTime, startBeat);
        while (words.next(word)) {
            const Keyword* k = findKeyword(word);
            if (!k) continue; // any other word is skipped
            if (k->values == Values::End) return false;
            keyword(*k);
        }
        // A synced record counts musical step lengths from its start's beat.
        if (s.sync) s.syncBeatEnd = std::isnan(startBeat) ? grid.beatAt(s.startTime) : startBeat;
        return true;
    }

  private:
    Words words;
    CScene& s;
    const BeatGrid& grid;
    double startBeat = 0; // the beat position of a musical start; NaN for one in ms
    std::string word;     // the keyword being interpreted
    std::string arg;      // its current argument

    // Reads the next argument word; false when the command has ended.
    bool argument() { return words.next(arg); }

    // The optional second part of a keyword: true when "to" follows. Any
    // other word is kept and interpreted next as a keyword of its own.
    bool to() {
        if (!words.next(arg)) return false;
        if (arg == "to") return true;
        words.putBack(arg);
        return false;
    }

    // An object name: a texture (with the picture's size), a model or a number.
    void objectArg(int32_t& target, bool withSize) {
        if (!argument()) return;
        switch (nameKind(arg)) {
        case FileKind::Picture: {
            const int p = getTextureNum(arg);
            target = getTexture(p, 0);
            if (withSize) {
                s.width = getTexture(p, 1);
                s.height = getTexture(p, 2);
            }
            break;
        }
        case FileKind::Model:
            target = getObjectNum(arg);
            break;
        default:
            readInt(arg, target);
            break;
        }
    }

    // A mask name: only textures are looked up; anything else is a number.
    void maskArg(int32_t& target) {
        if (!argument()) return;
        if (nameKind(arg) == FileKind::Picture)
            target = getTexture(getTextureNum(arg), 0);
        else
            readInt(arg, target);
    }

    // The values of one part: the first (`endPart` false) or those after "to".
    void values(const Keyword& k, bool endPart) {
        switch (k.values) {
        case Values::Integers:
            for (int i = 0; i < k.count; ++i)
                if (argument()) readInt(arg, s.*k.integers[i]);
            break;
        case Values::Length:
            if (argument()) {
                int32_t& length = s.*k.integers[0];
                double beats = 0;
                readLength(arg, grid, s.startTime, startBeat, length, beats);
                s.*k.integers[1] =
                    static_cast<int32_t>(static_cast<uint32_t>(s.startTime) + static_cast<uint32_t>(length));
            }
            break;
        case Values::Reals: {
            float* target = (endPart ? k.end : k.start)(s);
            for (int i = 0; i < k.count; ++i)
                if (argument()) readFloat(arg, target[i]);
            break;
        }
        case Values::Object:
            objectArg(s.*k.integers[endPart ? 1 : 0], !endPart);
            break;
        case Values::Mask:
            maskArg(s.*k.integers[endPart ? 1 : 0]);
            break;
        case Values::Choice:
            if (argument())
                for (int i = 0; i < k.choiceCount; ++i)
                    if (arg == k.choices[i]) s.*k.integers[0] = i;
            break;
        case Values::None:
        case Values::End:
            break;
        }
    }

    void keyword(const Keyword& k) {
        if (k.on) s.*k.on = true;
        if (k.rearm) s.*k.rearm = -1;
        values(k, false);
        if (k.hasTo() && to()) {
            s.*k.interp = true;
            values(k, true);
        }
    }
};

// The fields every command starts from: every keyword's switches off and the
// values its row gives for a command without it. The others carry over from
// the previous command of the same group.
void resetRecord(CScene& s) {
    for (const Keyword& k : keywords()) {
        if (k.on) s.*k.on = false;
        if (k.interp) s.*k.interp = false;
        for (const Unset& u : k.unset)
            if (u.field) s.*u.field = u.value;
    }
}

} // namespace

namespace {

// The records of one group of equal times, in the order interpreted; kept
// between groups so that its memory is reused.
std::vector<CScene> group;

// Where a record goes: in front of the first record of the list whose track
// is smaller (the list is in non-increasing track order, but for the records
// whose track a sync step changed), else at the end.
void insertOne(std::vector<CScene>& scenes, const CScene& record) {
    auto at = scenes.begin();
    while (at != scenes.end() && at->track >= record.track)
        ++at;
    at = scenes.insert(at, record);
    script.sceneIt = at;
    if (frameListener) frameListener->made(*at, at + 1 == scenes.end() ? nullptr : &*(at + 1));
}

// The same for a large group in one pass, with the same result and the same
// notifications as inserting its records one by one: each record goes into
// the gap of the list before the first older record of a smaller track, and
// within one gap the group's records stand in non-increasing track order,
// the earlier first among equal tracks.
void insertMany(std::vector<CScene>& scenes, std::vector<CScene>& records) {
    const size_t n = scenes.size(), m = records.size();
    // The smallest track of each prefix of the list: a record's gap is the
    // first position where it falls below the record's track.
    std::vector<int32_t> lowest(n);
    for (size_t i = 0; i < n; ++i)
        lowest[i] = i == 0 ? scenes[0].track : std::min(lowest[i - 1], scenes[i].track);
    std::vector<size_t> gap(m), order(m);
    std::vector<int32_t> tracks(m);
    for (size_t k = 0; k < m; ++k) {
        const int32_t track = tracks[k] = records[k].track;
        gap[k] = static_cast<size_t>(
            std::partition_point(lowest.begin(), lowest.end(), [&](int32_t t) { return t >= track; }) -
            lowest.begin());
        order[k] = k;
    }
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        if (gap[a] != gap[b]) return gap[a] < gap[b];
        return tracks[a] > tracks[b];
    });
    // The record that followed each one when it was inserted: the earliest
    // of the largest track below its own among the group's earlier records
    // in its gap, else the list's record that ends the gap.
    std::vector<size_t> place(m); // in the merged list
    {
        std::vector<CScene> merged;
        merged.reserve(n + m);
        size_t next = 0;
        for (size_t i = 0; i <= n; ++i) {
            for (; next < m && gap[order[next]] == i; ++next) {
                place[order[next]] = merged.size();
                merged.push_back(std::move(records[order[next]]));
            }
            if (i < n) merged.push_back(std::move(scenes[i]));
        }
        scenes.swap(merged);
    }
    script.sceneIt = scenes.begin() + static_cast<std::ptrdiff_t>(place[m - 1]);
    if (!frameListener) return;
    std::vector<size_t> gaps(m); // in merged order
    for (size_t j = 0; j < m; ++j)
        gaps[j] = gap[order[j]];
    std::map<std::pair<size_t, int32_t>, size_t> firstOfTrack; // (gap, track) to the earliest record
    for (size_t k = 0; k < m; ++k) {
        const int32_t track = tracks[k];
        const CScene* following = nullptr;
        auto below = firstOfTrack.lower_bound({gap[k], track});
        if (below != firstOfTrack.begin() && std::prev(below)->first.first == gap[k])
            following = &scenes[place[std::prev(below)->second]];
        else if (gap[k] < n) // the list's record that ends the gap, after the gap's group
            following =
                &scenes[gap[k] + static_cast<size_t>(std::upper_bound(gaps.begin(), gaps.end(), gap[k]) -
                                                     gaps.begin())];
        firstOfTrack.emplace(std::make_pair(gap[k], track), k);
        frameListener->made(scenes[place[k]], following);
    }
}

} // namespace

void CScript::parse() {
    if (current >= commands.size()) return;
    CScene record{}; // one working record for the whole group of equal times
    group.clear();
    bool ended = false;
    for (;;) {
        resetRecord(record);
        record.command = static_cast<int32_t>(current);
        if (!Interpreter(commands[current], record, grid).run()) {
            ended = true;
            break;
        }
        if (record.sync) record.syncEndTime = record.endTime;
        if (record.kind == 1) scene1.copy(record);
        group.push_back(record);

        const uint32_t done = current++;
        if (current >= commands.size() || current >= times.size()) break;
        if (times[current] != times[done]) break;
    }
    // A few records one by one; a large group (thousands of commands at one
    // time) in one pass, in time proportional to the list and the group.
    if (group.size() < 64)
        for (const CScene& r : group)
            insertOne(scenes, r);
    else
        insertMany(scenes, group);
    if (ended) engine.quit(); // the live show never comes back from here
}
