#pragma once
#include <cctype>
#include <string>

// Small text helpers that several layers share.

// The text with its ASCII letters in lower case.
inline std::string lowered(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The ending of a path's file name after its last dot, in lower case
// ("show.MP4": "mp4"); empty when the file name has no dot.
inline std::string lowerExtension(const std::string& path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return {};
    return lowered(path.substr(dot + 1));
}
