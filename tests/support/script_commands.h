#pragma once
#include "script/script.h"

#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

// Timed commands handed to the script as the options pass leaves them.
inline void addCommands(std::initializer_list<std::pair<int32_t, const char*>> list) {
    for (auto [time, text] : list) {
        script.times.push_back(time);
        script.commands.push_back(text);
    }
}

// The tracks of the live scenes, in list order.
inline std::vector<int32_t> sceneTracks() {
    std::vector<int32_t> t;
    for (const CScene& s : script.scenes)
        t.push_back(s.track);
    return t;
}
