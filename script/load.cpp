#include "script/script.h"

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
//   defined names are bounded per physical line; past the bound the text is
//   kept as it stands, with an error diagnostic.
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

const char* const kFile = "data/script.txt";

// Rereads caused by defined names, per physical line, on top of one per word
// the line holds as written: far more than any chain of definitions needs.
constexpr int kMaxRereads = 1000;
// How far the text of one physical line may grow through replacements: far
// more than definitions that end ever make of a line.
constexpr size_t kMaxGrowth = 8 * 1024;
constexpr size_t kMaxGrowthFactor = 16;

bool isBlank(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads words as a whitespace-separated stream extraction does: `atEnd` is set
// once a read reaches the end of the text, either at the end of the word it
// read or because only blanks remained; in the latter case nothing is read
// and the word keeps its value.
struct WordReader {
    const std::string* text;
    size_t pos = 0;
    bool atEnd = false;

    explicit WordReader(const std::string& t) : text(&t) {}

    bool read(std::string& word) {
        while (pos < text->size() && isBlank((*text)[pos]))
            ++pos;
        if (pos == text->size()) {
            atEnd = true;
            return false;
        }
        const size_t start = pos;
        while (pos < text->size() && !isBlank((*text)[pos]))
            ++pos;
        word.assign(*text, start, pos - start);
        if (pos == text->size()) atEnd = true;
        return true;
    }
};

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

bool replaceFirst(std::string& text, const std::string& what, const std::string& with) {
    const size_t at = text.find(what);
    if (at == std::string::npos) return false;
    text.replace(at, what.size(), with);
    return true;
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
    Loader(CScript& s, std::string data) : script(s) { file.data = std::move(data); }

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

    void keep(const std::string& text, int line) {
        script.lines.push_back(text);
        script.lineNumbers.push_back(line);
    }

    void note(Diagnostic::Severity severity, const std::string& message) {
        script.diagnostics.push_back(Diagnostic{severity, kFile, file.number, message});
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
        WordReader in(text);
        while (!in.atEnd) {
            if (!carryPrevious) previous = word;
            carryPrevious = false;
            if (previous == "Sync") afterSync = true;
            in.read(word); // when only blanks remain, the word read last is handled once more

            std::string replacement;
            bool byDefinition = false;
            if (isSeconds(word) && (previous.empty() || previous == "duration" || afterSync)) {
                replacement = milliseconds(word);
            } else if (word == "\\") {
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
                carryPrevious = true;
                rereads = 0;
                rereadLimit = kMaxRereads + countWords(text);
                sizeLimit = text.size() * kMaxGrowthFactor + kMaxGrowth;
                continue;
            } else if (word == "Define") {
                std::string name;
                if (in.read(name)) {
                    // One separator after the name is skipped; the rest is the text.
                    const size_t from = in.pos + 1;
                    const std::string value = from < text.size() ? text.substr(from) : std::string();
                    script.defines[name] = value;
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
            } else if (auto c = script.constants.find(word); c != script.constants.end()) {
                replacement = std::to_string(c->second);
            } else if (auto d = script.defines.find(word); d != script.defines.end()) {
                replacement = d->second;
                byDefinition = true;
            } else {
                continue;
            }

            // The first occurrence of the word's text is replaced, wherever it stands.
            if (!replaceFirst(text, word, replacement)) continue;
            if (in.atEnd) break; // the word was the last of the text: the line is not read again
            if (byDefinition && (++rereads > rereadLimit || text.size() > sizeLimit)) {
                note(Diagnostic::Error, "the replacement of \"" + word +
                                            "\" never ends (its definition holds its own name, directly or "
                                            "through other names); the line is kept as it stands: change the "
                                            "definition so that its text does not lead back to its name");
                break;
            }
            in = WordReader(text); // read again from the start; the replaced word is the previous word
        }
        return text;
    }
};

bool readWhole(const char* path, std::string& data, std::string& error) {
    FILE* f = std::fopen(path, "rb");
    if (!f) {
        error = std::strerror(errno);
        return false;
    }
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        data.append(buffer, n);
    const bool failed = std::ferror(f);
    const int code = errno;
    std::fclose(f);
    if (failed) {
        error = std::strerror(code); // a directory, for one
        return false;
    }
    return true;
}

} // namespace

void CScript::init(const char* path) {
    defineInit();
    diagnostics.clear();
    lineNumbers.clear();
    keptLines.clear();
    openError.clear();
    std::string data;
    opened = readWhole(path, data, openError);
    if (opened) Loader(*this, std::move(data)).run();
    defines.clear();
    constants.clear();
    keptLines = lines;
    optionParse();
}
