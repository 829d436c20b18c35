#include "assets/file_kinds.h"
#include "assets/module_timing.h"
#include "assets/music_decode.h"
#include "assets/show_files.h"
#include "base/config.h"
#include "script/musical_time.h"
#include "script/script.h"
#include "script/suggest.h"
#include "script/words.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

// The options pass: "Default" and "Sync" lines up to the line holding
// "@sync", then one timed command per line up to "@end".
//
// Faults of the plain pass that are mended here:
// - Without an "@sync" line the pass stops at the end of the kept lines: every
//   kept line counts as options and there are no commands (an error
//   diagnostic says so). It never reads past the end of `lines`.
// - A line of the options section holding only blanks is skipped; it does not
//   repeat the word read before it.
// - "Sync" pairs: an incomplete last pair is dropped, and a word that does not
//   begin with a number counts as 0 (each with a warning); blanks after the
//   last number add nothing.
// - "Tempo BPM [BEATS_PER_BAR]" sets the beat of the times written to the
//   music (musical_time.h); a musical time that cannot be read makes its
//   command, or its sync step, be left out, with an error.
// A line names its first few wrong words one by one and counts the rest in
// one more warning, so that a runaway line does not bury the others.

namespace {

constexpr int kWordWarningsPerLine = 3;
const char* const kOptionWords[] = {"!fullscreen", "!sound",  "anaglyphic", "!gui",
                                    "640x480",     "800x600", "1024x768"};

std::string unknownOption(const std::string& word) {
    const std::string nearest =
        nearestWord(word, std::vector<std::string>(std::begin(kOptionWords), std::end(kOptionWords)));
    std::string message = "\"" + word + "\" after \"Default\" is no option word and is ignored; ";
    if (!nearest.empty()) return message + "did you mean \"" + nearest + "\"?";
    message += "the option words are";
    for (const char* option : kOptionWords)
        message += std::string(" \"") + option + "\"";
    return message;
}

bool applyOption(std::string_view word) {
    if (word == "!fullscreen") {
        einit.windowed = 1;
    } else if (word == "!sound") {
        einit.soundOn = 0;
    } else if (word == "anaglyphic") {
        einit.anaglyphic = 1;
    } else if (word == "!gui") {
        einit.gui = 0;
    } else if (word == "640x480" || word == "800x600" || word == "1024x768") {
        const int w = word == "640x480" ? 640 : word == "800x600" ? 800 : 1024;
        const int h = word == "640x480" ? 480 : word == "800x600" ? 600 : 768;
        einit.videoWidth = einit.screenWidth = w;
        einit.videoHeight = einit.screenHeight = h;
    } else {
        return false;
    }
    return true;
}

// A number of beats a minute: a plain decimal number above 0.
bool readTempo(std::string_view word, double& bpm) {
    const std::string w(word);
    char* end = nullptr;
    const double v = std::strtod(w.c_str(), &end);
    if (end == w.c_str() || *end != '\0' || !(v > 0) || v > 100000) return false;
    bpm = v;
    return true;
}

// A sync step whose length is written to the music, read once the tempo is known.
struct MusicalStep {
    size_t track, step;
    std::string word;
    int line;
};

// The beat grid of the show: the tempo the options gave, and the rows of the
// module that plays when a time needs them.
void buildGrid(CScript& s, size_t firstCommand, const std::vector<MusicalStep>& steps) {
    // The module is read only when a time needs its rows: reading it takes
    // a while, and a show that writes no such time loads as it always has.
    bool needed = false;
    BeatGrid& grid = s.grid;
    for (const MusicalStep& step : steps)
        needed = needed || needsModule(step.word, grid.bpm > 0);
    std::vector<std::string_view> w;
    for (size_t i = firstCommand; i < s.lines.size() && !needed; ++i) {
        splitWords(s.lines[i], w);
        for (std::string_view word : w)
            if (needsModule(word, grid.bpm > 0)) needed = true;
    }
    s.modulePath.clear();
    grid.rowMs.clear();
    grid.orderRowMs.clear();
    if (!needed) return;
    const std::string music = playingMusicIn(s.musicFolder);
    if (music.empty() || musicKind(music) != MusicKind::Module) return;
    ModuleTiming timing;
    std::string error;
    const std::string shown = "data/" + music.substr(music.rfind('/') + 1);
    if (!readModuleTiming(music, timing, error)) {
        s.diagnostics.push_back(Diagnostic{Diagnostic::Error, kScriptPath, 0,
                                           "the times written to the music need the rows of " + shown +
                                               ", which cannot be read: " + error});
        return;
    }
    s.modulePath = shown;
    fillGrid(timing, grid);
}

} // namespace

void CScript::optionParse() {
    current = 0;
    grid = BeatGrid{};
    auto lineAt = [this](size_t i) { return i < lineNumbers.size() ? lineNumbers[i] : 0; };
    auto note = [this](Diagnostic::Severity severity, int line, const std::string& message) {
        diagnostics.push_back(Diagnostic{severity, kScriptPath, line, message});
    };

    size_t i = 0;
    bool timeline = false;
    std::vector<MusicalStep> musicalSteps;
    std::vector<std::string_view> w;
    for (; i < lines.size() && !timeline; ++i) {
        splitWords(lines[i], w);
        const int line = lineAt(i);
        int wrongWords = 0;
        auto wrongWord = [&](const std::string& message) {
            if (++wrongWords <= kWordWarningsPerLine) note(Diagnostic::Warning, line, message);
        };
        auto countRest = [&](const std::string& what) {
            if (wrongWords > kWordWarningsPerLine)
                note(Diagnostic::Warning, line,
                     std::to_string(wrongWords - kWordWarningsPerLine) + " more words " + what +
                         " (not listed one by one): correct the line");
        };
        for (size_t k = 0; k < w.size(); ++k) {
            if (w[k] == "@sync") {
                timeline = true; // the rest of the line is not read
                break;
            }
            if (w[k] == "Sync") {
                std::vector<SYNC>& track = syncTracks.emplace_back();
                size_t n = w.size() - (k + 1);
                if (n % 2) {
                    note(Diagnostic::Warning, line,
                         "\"Sync\" needs pairs of numbers (track, length) but holds " + std::to_string(n) +
                             " words; the incomplete last pair \"" + std::string(w.back()) +
                             "\" is dropped: add its length");
                    --n;
                }
                const size_t end = k + 1 + n;
                for (size_t p = k + 1; p < end; p += 2) {
                    SYNC step{};
                    if (!readInt(w[p], step.track))
                        wrongWord("\"" + std::string(w[p]) +
                                  "\" in \"Sync\" is no number and counts as 0: write a track number");
                    if (isMusicalWord(w[p + 1]))
                        musicalSteps.push_back(
                            MusicalStep{syncTracks.size() - 1, track.size(), std::string(w[p + 1]), line});
                    else if (!readInt(w[p + 1], step.length))
                        wrongWord("\"" + std::string(w[p + 1]) +
                                  "\" in \"Sync\" is no number and counts as 0: write a length in ms");
                    track.push_back(step);
                }
                countRest("in \"Sync\" are no numbers and count as 0");
                break;
            }
            if (w[k] == "Tempo") {
                double bpm = 0;
                int32_t perBar = 4;
                if (k + 1 >= w.size() || !readTempo(w[k + 1], bpm)) {
                    note(Diagnostic::Error, line,
                         "\"Tempo\" needs the music's beats a minute, a number above 0 (it may have a "
                         "fraction), then optionally its beats a bar: write e.g. \"Tempo 125\" or \"Tempo "
                         "101.25 3\"");
                } else if (k + 2 < w.size() && (!readInt(w[k + 2], perBar) || perBar < 1 || perBar > 64 ||
                                                std::to_string(perBar) != w[k + 2])) {
                    note(Diagnostic::Error, line,
                         "\"Tempo\": the beats a bar, \"" + std::string(w[k + 2]) +
                             "\", is no whole number from 1 to 64: write e.g. \"Tempo " +
                             std::string(w[k + 1]) + " 4\"");
                } else {
                    if (k + 3 < w.size())
                        note(Diagnostic::Warning, line,
                             "\"Tempo\" takes the beats a minute and the beats a bar; the words after them "
                             "are ignored: remove them");
                    grid.bpm = bpm;
                    grid.beatsPerBar = perBar;
                }
                break;
            }
            if (w[k] == "Default") {
                for (size_t p = k + 1; p < w.size(); ++p)
                    if (!applyOption(w[p])) wrongWord(unknownOption(std::string(w[p])));
                countRest("after \"Default\" are no option words and are ignored");
                break;
            }
            // any other word of the options section is ignored
        }
    }
    if (!timeline && !lines.empty())
        note(Diagnostic::Error, 0,
             "no \"@sync\" line: every line is read as options and the show has no commands; put a line "
             "\"@sync\" between the options and the timeline");

    buildGrid(*this, i, musicalSteps);
    std::string problem;
    for (auto m = musicalSteps.rbegin(); m != musicalSteps.rend(); ++m) {
        SYNC& step = syncTracks[m->track][m->step];
        if (readLength(m->word, grid, 0, 0.0, step.length, step.beats, &problem) == TimeRead::Wrong) {
            note(Diagnostic::Error, m->line,
                 "the length of a \"Sync\" step: " + problem + "; the step is left out");
            syncTracks[m->track].erase(syncTracks[m->track].begin() + static_cast<long>(m->step));
        }
    }

    for (; timeline && i < lines.size(); ++i) {
        if (lines[i] == "@end") break;
        int32_t time = 0;
        double beat = 0;
        splitWords(lines[i], w);
        if (!w.empty() &&
            readStartTime(w[0], grid, time, beat, &problem) == TimeRead::Wrong) { // else 0 when no number
            note(Diagnostic::Error, lineAt(i), "the start time " + problem + "; the command is left out");
            continue;
        }
        bool readable = true;
        for (size_t k = 0; k + 1 < w.size() && readable; ++k) {
            int32_t length = 0;
            double beats = 0;
            if (w[k] == "duration" && isMusicalWord(w[k + 1]) &&
                readLength(w[k + 1], grid, time, beat, length, beats, &problem) == TimeRead::Wrong) {
                note(Diagnostic::Error, lineAt(i), "the duration " + problem + "; the command is left out");
                readable = false;
            }
        }
        if (!readable) continue;
        times.push_back(time);
        commands.push_back(lines[i]);
        commandLines.push_back(lineAt(i));
    }
    lines.clear();
}
