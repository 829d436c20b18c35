#pragma once
#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// How script text is read everywhere: the loader, the options pass, the
// interpreter and the checks.

// The blanks that separate words: space, tab, line feed, vertical tab, form
// feed and carriage return.
inline bool isBlank(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Reads the words of a text from the front, as a whitespace-separated stream
// extraction does: `atEnd` is set once a read reaches the end of the text,
// either at the end of the word it read or because only blanks remained; in
// the latter case nothing is read and the word keeps its value.
struct WordReader {
    const std::string* text;
    size_t pos = 0;
    bool atEnd = false;

    explicit WordReader(const std::string& t) : text(&t) {}

    // The next word as a view into the text; false when none is left.
    bool read(std::string_view& word) {
        const std::string& t = *text;
        while (pos < t.size() && isBlank(static_cast<unsigned char>(t[pos])))
            ++pos;
        if (pos == t.size()) {
            atEnd = true;
            return false;
        }
        const size_t start = pos;
        while (pos < t.size() && !isBlank(static_cast<unsigned char>(t[pos])))
            ++pos;
        word = std::string_view(t).substr(start, pos - start);
        if (pos == t.size()) atEnd = true;
        return true;
    }
    bool read(std::string& word) {
        std::string_view w;
        if (!read(w)) return false;
        word.assign(w.data(), w.size());
        return true;
    }
};

// Every word of a text, as views into it, into `out`.
inline void splitWords(const std::string& text, std::vector<std::string_view>& out) {
    out.clear();
    WordReader in(text);
    for (std::string_view w; in.read(w);)
        out.push_back(w);
}

// The decimal integer at the start of a word, as a C stream reads it:
// leading blanks, an optional sign, digits; reading stops at the first other
// character, and values beyond 32 bits stop at the limits. False, with
// `value` untouched, when the word does not begin with a number.
inline bool readInt(std::string_view word, int32_t& value) {
    size_t i = 0;
    while (i < word.size() && isBlank(static_cast<unsigned char>(word[i])))
        ++i;
    bool negative = false;
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) negative = word[i++] == '-';
    if (i >= word.size() || word[i] < '0' || word[i] > '9') return false;
    long long v = 0;
    for (; i < word.size() && word[i] >= '0' && word[i] <= '9'; ++i) {
        v = v * 10 + (word[i] - '0');
        if (v > INT32_MAX + 1LL) v = INT32_MAX + 1LL;
    }
    if (negative) v = -v;
    value = static_cast<int32_t>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
    return true;
}
