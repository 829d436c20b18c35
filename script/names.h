#pragma once
#include <cstring>
#include <string>

// How the interpreter classifies a file-name argument: by its last four
// characters, exactly and case-sensitively. Anything else is read as a number.
inline bool endsWithName(const std::string& word, const char* lower, const char* upper) {
    if (word.size() < 4) return false;
    const char* tail = word.c_str() + word.size() - 4;
    return std::strcmp(tail, lower) == 0 || std::strcmp(tail, upper) == 0;
}
inline bool isJpegName(const std::string& word) {
    return endsWithName(word, ".jpg", ".JPG");
}
inline bool is3dsName(const std::string& word) {
    return endsWithName(word, ".3ds", ".3DS");
}
