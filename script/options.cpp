#include "base/config.h"
#include "script/script.h"
#include "script/suggest.h"
#include "script/words.h"

#include <algorithm>
#include <climits>
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

} // namespace

void CScript::optionParse() {
    current = 0;
    auto lineAt = [this](size_t i) { return i < lineNumbers.size() ? lineNumbers[i] : 0; };
    auto note = [this](Diagnostic::Severity severity, int line, const std::string& message) {
        diagnostics.push_back(Diagnostic{severity, kScriptPath, line, message});
    };

    size_t i = 0;
    bool timeline = false;
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
                    if (!readInt(w[p + 1], step.length))
                        wrongWord("\"" + std::string(w[p + 1]) +
                                  "\" in \"Sync\" is no number and counts as 0: write a length in ms");
                    track.push_back(step);
                }
                countRest("in \"Sync\" are no numbers and count as 0");
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

    for (; timeline && i < lines.size(); ++i) {
        if (lines[i] == "@end") break;
        int32_t time = 0;
        readInt(lines[i], time); // 0 when the first word is no number
        times.push_back(time);
        commands.push_back(lines[i]);
        commandLines.push_back(lineAt(i));
    }
    lines.clear();
}
