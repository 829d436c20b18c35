#include "script/suggest.h"

#include "base/text.h"

#include <algorithm>

size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

std::string nearestWord(const std::string& word, const std::vector<std::string>& candidates) {
    if (std::find(candidates.begin(), candidates.end(), word) != candidates.end()) return {};
    const std::string folded = lowered(word);
    for (const std::string& c : candidates)
        if (lowered(c) == folded) return c;
    std::string best;
    size_t bestDistance = 3;
    for (const std::string& c : candidates) {
        const size_t d = editDistance(word, c);
        if (d < bestDistance && d < word.size()) {
            bestDistance = d;
            best = c;
        }
    }
    return best;
}
