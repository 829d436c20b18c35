#include "base/config.h"
#include "script/script.h"
#include "script/suggest.h"

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

const char* const kFile = "data/script.txt";
constexpr int kWordWarningsPerLine = 3;
const char* const kOptionWords[] = {"!fullscreen", "!sound",  "anaglyphic", "!gui",
                                    "640x480",     "800x600", "1024x768"};

// The words of a line, as views into it, into `out`: an options section of
// long lines is read without a string for each word or a list for each line.
void words(const std::string& text, std::vector<std::string_view>& out) {
    out.clear();
    size_t i = 0;
    auto blank = [](unsigned char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    while (i < text.size()) {
        while (i < text.size() && blank(text[i]))
            ++i;
        const size_t start = i;
        while (i < text.size() && !blank(text[i]))
            ++i;
        if (i > start) out.push_back(std::string_view(text).substr(start, i - start));
    }
}

// The leading decimal integer of a text as a C stream reads it: leading
// blanks, an optional sign, digits; out-of-range values stop at the limits.
// `ok` tells whether the text begins with a number at all.
int32_t leadingInt(std::string_view text, bool& ok) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    ok = i < text.size() && text[i] >= '0' && text[i] <= '9';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT32_MAX + 1LL) value = INT32_MAX + 1LL;
    }
    if (negative) value = -value;
    return static_cast<int32_t>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

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
        diagnostics.push_back(Diagnostic{severity, kFile, line, message});
    };

    size_t i = 0;
    bool timeline = false;
    std::vector<std::string_view> w;
    for (; i < lines.size() && !timeline; ++i) {
        words(lines[i], w);
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
                    bool ok = true;
                    step.track = leadingInt(w[p], ok);
                    if (!ok)
                        wrongWord("\"" + std::string(w[p]) +
                                  "\" in \"Sync\" is no number and counts as 0: write a track number");
                    step.length = leadingInt(w[p + 1], ok);
                    if (!ok)
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
        bool ok = true;
        times.push_back(leadingInt(lines[i], ok)); // 0 when the first word is no number
        commands.push_back(lines[i]);
        commandLines.push_back(lineAt(i));
    }
    lines.clear();
}
