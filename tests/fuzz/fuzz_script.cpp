#include "base/config.h"
#include "base/engine.h"
#include "base/timer.h"
#include "script/frame_step.h"
#include "script/script.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

// Arbitrary script bytes loaded and, for a short timeline, run a few hundred frames.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                    "/tamarack-fuzz-script-" + std::to_string(getpid()) + ".txt";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    script.reset();
    scene1 = CBezier{};
    engine = CMain{};
    einit.defaults();
    script.init(path.c_str());
    if (script.times.size() != script.commands.size() || script.commandLines.size() != script.commands.size())
        __builtin_trap();
    if (script.commands.size() > 64) return 0; // the load alone is timed for longer scripts
    timer.useVirtual(60);
    timer.init();
    for (int i = 0; i < 400 && !engine.ended; ++i) {
        stepFrame();
        timer.getTime();
        timer.elapsed *= 3; // a longer stretch of show time
    }
    if (script.current > script.commands.size()) __builtin_trap();
    return 0;
}
