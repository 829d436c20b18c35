// The `load` workloads of tamarack-bench: a script loaded from a reset record,
// again and again, timed from the open to the end of the options pass. The
// time is the loading thread's CPU time: loading is one thread's work, and
// so the figure does not depend on what else the machine runs.
#include "bench/bench_load.h"

#include "base/config.h"
#include "bench/bench_util.h"
#include "script/script.h"

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

namespace {

// A small fixed generator: the same scripts on every machine.
struct Lcg {
    uint64_t state;
    uint32_t next(uint32_t n) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33) % n;
    }
};

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double medianLoadMs(const std::string& path, int runs) {
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        script.reset();
        einit.defaults();
        const double t0 = threadCpuMs();
        script.init(path.c_str());
        ms.push_back(threadCpuMs() - t0);
    }
    return median(ms);
}

} // namespace

std::string longScript(int lines) {
    std::string s = "# a long show: constants, definitions, continued lines, seconds\n"
                    "Define FADE opacity 0 to 1\nDefine SLOW duration 4.5\n"
                    "Define ADD blendFunc GL_SRC_ALPHA GL_ONE\n"
                    "Default 640x480\nSync 1 0.24 2 0.24 3 0.48\n@sync\n";
    Lcg rng{7};
    int n = 7;
    for (int t = 0; n < lines; t += 250) {
        const std::string at = std::to_string(t / 1000) + "." + std::to_string(t % 1000 / 10);
        const uint32_t track = 1 + rng.next(30);
        switch (rng.next(5)) {
        case 0:
            s += at + " track " + std::to_string(track) + " type 1 object pic" + std::to_string(rng.next(9)) +
                 ".jpg SLOW FADE blend ADD center\n";
            break;
        case 1:
            s += at + " track " + std::to_string(track) + " type 0 object ring.3ds duration 2.5 \\\n" +
                 "  rotate 0 1 0 angle 0 to 360 translate 0 0 -6 color 1 1 1 to 0.5 0.5 1\n";
            ++n;
            break;
        case 2:
            s += "Define POS" + std::to_string(track) + " move " + std::to_string(rng.next(600)) + " " +
                 std::to_string(rng.next(400)) + "\n";
            break;
        case 3:
            s += at + " track " + std::to_string(track) + " type 1 object pic1.jpg duration 1.25 POS" +
                 std::to_string(1 + rng.next(30)) + " blendFunc GL_DST_COLOR GL_SRC_COLOR blend\n";
            break;
        default:
            s += "# section " + std::to_string(n) + "\n";
            break;
        }
        ++n;
    }
    return s;
}

std::string randomScript(int lines) {
    static const char* const words[] = {"type",  "object", "duration", "opacity", "to",     "blend",
                                        "track", "scene",  "Sync",     "Define",  "1.5",    "250",
                                        ".5",    "GL_ONE", "a.jpg",    "center",  "insync", "\\"};
    const int kNames = 12;
    auto name = [](uint32_t i) { return "N" + std::to_string(i); };
    Lcg rng{2024};
    std::string s;
    for (int n = 0; n < lines; ++n) {
        std::string line;
        if (rng.next(3) == 0) line = "Define " + name(rng.next(kNames));
        const uint32_t count = 2 + rng.next(8);
        for (uint32_t w = 0; w < count; ++w) {
            if (!line.empty()) line += ' ';
            // Mostly names, so that texts lead to texts that hold other names.
            line += rng.next(2) ? name(rng.next(kNames)) : words[rng.next(sizeof words / sizeof *words)];
        }
        s += line + "\n";
    }
    return s;
}

int runLoad(bool quick) {
    TempDir dir;
    const int runs = quick ? 1 : 9;
    dir.write("data/long.txt", longScript(quick ? 200 : 10000));
    dir.write("data/random.txt", randomScript(quick ? 30 : 300));
    std::printf("load_long engine_ms=%.3f\n", medianLoadMs(dir.path + "/data/long.txt", runs));
    std::printf("load_random engine_ms=%.3f\n", medianLoadMs(dir.path + "/data/random.txt", runs));
    return 0;
}
