#include "base/file_read.h"
#include "script/script.h"
#include "script/words.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// Loading of data/script.txt: one textual pass over the file that drops
// comments, empty lines and definitions, substitutes constants and defined
// names, turns seconds into milliseconds and joins continued lines. The kept
// lines then go to the options pass.
//
// Three faults of the line procedure are mended here:
// - A definition whose text holds its own name (directly or through other
//   names) would make the rereads of a line endless. The rereads caused by
//   defined names are bounded per physical line, and the work of loading is
//   bounded for the whole file in proportion to its size, so that no script
//   takes long to load. Past either bound the line is kept as it stands,
//   with an error diagnostic.
// - A continuation backslash on the last line of the file ends the line there
//   (the backslash is dropped, as for any continuation).
// - "Define" with nothing after its name defines empty text; "Define" with no
//   name at all defines nothing. Either way the line is not kept.
//
// A backslash inside a definition's text is not special to the definition: the
// loader reads it as a continuation mark wherever it reads it. On the Define
// line itself it joins the next physical line to the definition line (which is
// not kept, so that line is lost), and wherever the name is replaced later the
// backslash joins the following physical line there. The loader warns about
// such a definition.

namespace {

// Rereads caused by defined names, per physical line, on top of one per word
// the line holds as written: far more than any chain of definitions needs.
constexpr int kMaxRereads = 1000;
// How far the text of one physical line may grow through replacements: far
// more than definitions that end ever make of a line.
constexpr size_t kMaxGrowth = 8 * 1024;
constexpr size_t kMaxGrowthFactor = 16;
// The work of loading, in characters: each character read word by word, each
// character a definition or a replacement puts in, and for each replacement
// one in 64 of the characters of the line (searched and moved as plain
// memory, many times faster). Each physical line may spend kWorkPerChar
// times its length plus kLineWork; past that it draws on the file's reserve
// of kWorkPerChar times the file's size plus kFileWork. A line of a real show
// spends about its length; the reserve lets a long line of many names
// through. In all, loading does at most about 1,060 times the file's size
// plus a million characters of such work.
constexpr size_t kWorkPerChar = 16;
constexpr size_t kLineWork = 1024;
constexpr size_t kFileWork = size_t{1} << 20;
constexpr size_t kMemoryShare = 64;
// The largest script read: hundreds of times a long show's, while its work
// above stays in seconds.
constexpr uint64_t kMaxScriptBytes = 64'000'000;
// A script may come through a FIFO, but something must write to it.
constexpr int kFifoWaitMs = 3000;

// Compared often: as strings, a word of another length is told apart at once.
const std::string kSync = "Sync", kDuration = "duration", kDefine = "Define", kBackslash = "\\";

int countWords(const std::string& text) {
    WordReader in(text);
    std::string w;
    int n = 0;
    while (in.read(w))
        ++n;
    return n;
}

// The physical lines of the file: each ends at a line feed (not included); a
// carriage return before it stays part of the line. A line feed at the very
// end of the file does not start another line.
struct PhysicalLines {
    std::string data;
    size_t pos = 0;
    int number = 0; // of the line read last, from 1

    bool next(std::string& line) {
        if (pos >= data.size()) return false;
        size_t lf = data.find('\n', pos);
        if (lf == std::string::npos) lf = data.size();
        line.assign(data, pos, lf - pos);
        pos = lf + 1;
        ++number;
        return true;
    }
};

// Digits and dots only, at least one of each.
bool isSeconds(const std::string& word) {
    bool digit = false, dot = false;
    for (char c : word) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c == '.')
            dot = true;
        else
            return false;
    }
    return digit && dot;
}

// Returns where the replacement went, or npos when `what` is not there.
size_t replaceFirst(std::string& text, const std::string& what, const std::string& with) {
    const size_t at = text.find(what);
    if (at != std::string::npos) text.replace(at, what.size(), with);
    return at;
}

// Moves `in` to the start of the word that holds position `at` of its text,
// and sets `word` to the word before that one (the previous word when
// reading goes on there), unless that word is the first of the text.
void skipUntouched(WordReader& in, size_t at, std::string& word) {
    const std::string& text = *in.text;
    size_t start = std::min(at, text.size());
    while (start > 0 && !isBlank(text[start - 1]))
        --start;
    size_t end = start;
    while (end > 0 && isBlank(text[end - 1]))
        --end;
    if (end == 0) return; // the first word: read from the start
    size_t from = end;
    while (from > 0 && !isBlank(text[from - 1]))
        --from;
    word.assign(text, from, end - from);
    in.pos = start;
}

bool holdsBackslashWord(const std::string& text) {
    WordReader in(text);
    std::string w;
    while (in.read(w))
        if (w == "\\") return true;
    return false;
}

class Loader {
  public:
    Loader(CScript& s, std::string data) : script(s) {
        file.data = std::move(data);
        for (const auto& c : script.constants)
            constantStarts[static_cast<unsigned char>(c.first[0])] = true;
        fileWork = kWorkPerChar * file.data.size() + kFileWork;
    }

    void run() {
        std::string text;
        while (file.next(text)) {
            if (text.empty()) continue;
            if (text[0] == '#') continue;
            const int first = file.number;
            joined = false;
            defined = false;
            const std::string processed = process(text);
            if (processed == "@end") {
                keep(processed, first);
                return;
            }
            if (joined) {
                if (!defined) keep(joinBuffer + processed, first);
                joinBuffer.clear();
            } else if (!defined) {
                keep(processed, first);
            }
        }
        keep("@end", 0); // appended: no physical line of its own
    }

  private:
    CScript& script;
    PhysicalLines file;
    std::string joinBuffer;
    bool joined = false;
    bool defined = false;
    // The first characters of the names of constants and definitions: most
    // words are neither, and are told so without a look-up.
    bool constantStarts[256] = {}, defineStarts[256] = {};
    size_t lineWork = 0; // left to the physical line being read
    size_t fileWork = 0; // the file's reserve

    static bool named(const bool (&starts)[256], const std::string& word) {
        return starts[static_cast<unsigned char>(word[0])];
    }

    void startLine(const std::string& text) { lineWork = kWorkPerChar * text.size() + kLineWork; }

    // Charges work to the line, then to the file's reserve; false once both
    // are spent.
    bool spend(size_t chars) {
        const size_t fromLine = std::min(chars, lineWork);
        lineWork -= fromLine;
        chars -= fromLine;
        if (chars > fileWork) {
            fileWork = 0;
            return false;
        }
        fileWork -= chars;
        return true;
    }

    void neverEnds(const std::string& word) {
        note(Diagnostic::Error, "the replacement of \"" + word +
                                    "\" never ends (its definition holds its own name, directly or "
                                    "through other names); the line is kept as it stands: change the "
                                    "definition so that its text does not lead back to its name");
    }
    void tooMuchWork() {
        note(Diagnostic::Error,
             "the line asks more of loading (replacements and definitions) than a script of this size is "
             "allowed; the line is kept as it stands: split it, or write milliseconds and numbers instead "
             "of seconds and names");
    }

    void keep(const std::string& text, int line) {
        script.lines.push_back(text);
        script.lineNumbers.push_back(line);
    }

    void note(Diagnostic::Severity severity, const std::string& message) {
        script.diagnostics.push_back(Diagnostic{severity, kScriptPath, file.number, message});
    }

    std::string milliseconds(const std::string& word) {
        // Standard C conversion: it stops at a second '.', so "1.2.3" is 1.2.
        const double ms = std::strtod(word.c_str(), nullptr) * 1000.0;
        if (ms >= 2147483648.0) {
            note(Diagnostic::Warning, "\"" + word +
                                          "\" seconds is more than the show clock can hold (about 24 days); "
                                          "it is taken as 2147483647 ms: write a shorter time");
            return "2147483647";
        }
        return std::to_string(static_cast<int32_t>(ms)); // truncated toward zero
    }

    // The line procedure: returns the processed text of one line and its
    // continuation lines, setting `joined` and `defined`.
    std::string process(std::string text) {
        std::string word, previous;
        bool afterSync = false;
        bool carryPrevious = false;
        bool warnedBackslash = false;
        int rereads = 0;
        int rereadLimit = kMaxRereads + countWords(text);
        size_t sizeLimit = text.size() * kMaxGrowthFactor + kMaxGrowth;
        startLine(text);
        WordReader in(text);
        bool syncWhenRead = false; // the after-Sync flag the words before the cursor were read with
        size_t readFrom = 0;       // where the reading since the last replacement began
        while (!in.atEnd) {
            if (!carryPrevious) previous = word;
            carryPrevious = false;
            if (previous == kSync) afterSync = true;
            in.read(word); // when only blanks remain, the word read last is handled once more

            std::string replacement;
            bool byDefinition = false;
            if (isSeconds(word) && (previous.empty() || previous == kDuration || afterSync)) {
                replacement = milliseconds(word);
            } else if (word == kBackslash) {
                // Continuation: the previous word and the after-Sync flag carry over.
                joinBuffer.append(text, 0, text.empty() ? 0 : text.size() - 1);
                joined = true;
                if (!file.next(text)) {
                    note(Diagnostic::Warning, "the last line of the file ends with a continuation backslash; "
                                              "the line ends there: remove the backslash");
                    text.clear();
                    break;
                }
                in = WordReader(text);
                syncWhenRead = afterSync;
                readFrom = 0;
                carryPrevious = true;
                rereads = 0;
                rereadLimit = kMaxRereads + countWords(text);
                sizeLimit = text.size() * kMaxGrowthFactor + kMaxGrowth;
                startLine(text);
                continue;
            } else if (word == kDefine) {
                std::string name;
                if (in.read(name)) {
                    // One separator after the name is skipped; the rest is the text.
                    const size_t from = in.pos + 1;
                    const std::string value = from < text.size() ? text.substr(from) : std::string();
                    if (!spend(value.size())) {
                        tooMuchWork();
                        defined = true;
                        break;
                    }
                    script.defines[name] = value;
                    defineStarts[static_cast<unsigned char>(name[0])] = true;
                    if (!warnedBackslash && holdsBackslashWord(value)) {
                        warnedBackslash = true;
                        note(Diagnostic::Warning, "the text of \"" + name +
                                                      "\" holds a backslash, which is read as a line "
                                                      "continuation here and wherever \"" +
                                                      name + "\" is used: remove it from the definition");
                    }
                    word = name;
                } else {
                    note(Diagnostic::Warning,
                         "\"Define\" without a name defines nothing: write \"Define NAME TEXT\"");
                }
                defined = true;
                continue;
            } else if (auto c =
                           named(constantStarts, word) ? script.constants.find(word) : script.constants.end();
                       c != script.constants.end()) {
                replacement = std::to_string(c->second);
            } else if (auto d = named(defineStarts, word) ? script.defines.find(word) : script.defines.end();
                       d != script.defines.end()) {
                replacement = d->second;
                byDefinition = true;
            } else {
                continue;
            }

            // The first occurrence of the word's text is replaced, wherever it
            // stands, as long as the work allowed is not spent.
            if (!spend(in.pos - readFrom + replacement.size() + text.size() / kMemoryShare)) {
                if (byDefinition)
                    neverEnds(word);
                else
                    tooMuchWork();
                break;
            }
            const size_t at = replaceFirst(text, word, replacement);
            if (at == std::string::npos) continue;
            if (in.atEnd) break; // the word was the last of the text: the line is not read again
            if (byDefinition && (++rereads > rereadLimit || text.size() > sizeLimit)) {
                neverEnds(word);
                break;
            }
            // Read again from the start; the replaced word is the previous word.
            // The words before the one the replacement went into were read
            // and left alone, and they would be again unless a definition on
            // this line, a "Sync" seen since, or a replaced word that changes
            // how the first word is read could change that: then they are
            // read again, otherwise reading goes on from that word, as if
            // they had been.
            in = WordReader(text);
            if (!defined && afterSync == syncWhenRead && word != kDuration && word != kSync)
                skipUntouched(in, at, word);
            syncWhenRead = afterSync;
            readFrom = in.pos;
        }
        return text;
    }
};

} // namespace

void CScript::init(const char* path) {
    defineInit();
    diagnostics.clear();
    lineNumbers.clear();
    keptLines.clear();
    openError.clear();
    const std::string scriptPath = path;
    const size_t slash = scriptPath.rfind('/');
    musicFolder = slash == std::string::npos ? std::string(".") : scriptPath.substr(0, slash);
    std::string data;
    opened = readRegularFile(path, kMaxScriptBytes, data, openError, kFifoWaitMs);
    if (opened) Loader(*this, std::move(data)).run();
    defines.clear();
    constants.clear();
    keptLines = lines;
    optionParse();
}
