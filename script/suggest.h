#pragma once
#include <cstddef>
#include <string>
#include <vector>

// Nearest-word suggestions for the author's misspellings (keywords, option
// words, asset names).

// The number of single-character insertions, deletions and substitutions
// that turn `a` into `b` (bytes compared exactly).
size_t editDistance(const std::string& a, const std::string& b);

// The candidate the author most likely meant by `word`: one that differs from
// it only in case, else the nearest one at an edit distance of 1 or 2 (and
// less than the length of `word`, so that short words do not match
// everything). Among equally near candidates the first wins. Empty when no
// candidate is near, and when `word` itself is a candidate.
std::string nearestWord(const std::string& word, const std::vector<std::string>& candidates);
