#include "base/engine.h"
#include "base/timer.h"
#include "script/frame_step.h"
#include "script/script.h"

#include <cstdint>
#include <cstdlib>
#include <string>

// The interpreter and the frame step on arbitrary command lines: the first
// line gives the sync tracks as number pairs, every other line is a command
// whose time is its leading number. The show then runs a few hundred frames.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    script.reset();
    scene1 = CBezier{};
    engine = CMain{};
    const std::string text(reinterpret_cast<const char*>(data), size);
    size_t pos = 0;
    bool first = true;
    while (pos <= text.size() && script.commands.size() < 64) {
        size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) nl = text.size();
        const std::string line = text.substr(pos, nl - pos);
        pos = nl + 1;
        if (first) {
            first = false;
            // "t l t l ... | t l ..." : tracks separated by '|'
            script.syncTracks.emplace_back();
            const char* p = line.c_str();
            while (*p && script.syncTracks.size() < 8) {
                if (*p == '|') {
                    script.syncTracks.emplace_back();
                    ++p;
                    continue;
                }
                char* end = nullptr;
                const long t = std::strtol(p, &end, 10);
                if (end == p) {
                    ++p;
                    continue;
                }
                const long l = std::strtol(end, &end, 10);
                script.syncTracks.back().push_back(
                    {static_cast<int32_t>(t), static_cast<int32_t>(l % 100000)});
                p = end;
            }
            continue;
        }
        script.commands.push_back(line);
        script.times.push_back(static_cast<int32_t>(std::strtol(line.c_str(), nullptr, 10) % 100000));
    }
    timer.useVirtual(60);
    timer.init();
    for (int i = 0; i < 400 && !engine.ended; ++i) {
        stepFrame();
        timer.getTime();
        timer.elapsed *= 3; // cover a longer stretch of show time
    }
    if (script.current > script.commands.size()) __builtin_trap();
    return 0;
}
