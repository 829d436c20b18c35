// Fast-forward benchmark: a 10-minute show of 5,000 commands, built here,
// fast-forwarded from 0 to its end with the virtual clock at 60 fps, as a
// seek of the authoring mode does. Prints the time that took.
#include "base/timer.h"
#include "script/rewind.h"
#include "script/script.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

int main() {
    constexpr int kCommands = 5000;
    constexpr int kShowMs = 10 * 60 * 1000;
    // Templates and a synced layer, then image layers, models and the Bezier
    // effect spread evenly over the ten minutes, a few of them running at once.
    std::string text = "Default 640x480\nSync 1 0.24 2 0.24 3 0.48\n@sync\n";
    text += "0 track 1 type 1 object a.jpg insync opacity 1 to 0\n";
    text += "0 track 2 type 1 object b.jpg insync scale 1 1 1 to 2 2 1\n";
    text += "0 track 3 type 1 object c.jpg insync color 1 0 0 to 0 0 1\n";
    text += "0 track 10 type 1 sync 0 duration 600.0 center\n";
    const int timed = kCommands - 4;
    for (int i = 0; i < timed; ++i) {
        const int at = static_cast<int>(static_cast<long long>(i) * (kShowMs - 4000) / timed);
        const int track = 20 + i % 16;
        switch (i % 4) {
        case 0:
        case 1:
            text += std::to_string(at) + " track " + std::to_string(track) +
                    " type 1 object pic.jpg duration 2.5 opacity 0 to 1 move 0 0 to 100 50 center\n";
            break;
        case 2:
            text += std::to_string(at) + " track " + std::to_string(track) +
                    " type 0 object knot.3ds duration 3.0 translate 0 0 -7 rotate 0 1 0 angle 0 to 360\n";
            break;
        default:
            text += std::to_string(at) + " track " + std::to_string(track) +
                    " scene 1 duration 1.5 color 1 1 1 to 0 1 0\n";
            break;
        }
    }

    char dir[] = "/tmp/tamarack-ff-XXXXXX";
    if (!mkdtemp(dir)) return 1;
    const std::string path = std::string(dir) + "/script.txt";
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return 1;
    std::fputs(text.c_str(), f);
    std::fclose(f);
    script.init(path.c_str());
    std::remove(path.c_str());
    rmdir(dir);
    if (script.commands.size() != static_cast<size_t>(kCommands)) {
        std::fprintf(stderr, "fast-forward: the show has %zu commands, not %d\n", script.commands.size(),
                     kCommands);
        return 1;
    }

    const auto t0 = std::chrono::steady_clock::now();
    const bool reached = rewindTo(kShowMs, 60);
    const auto t1 = std::chrono::steady_clock::now();
    const double ms = std::chrono::duration<double, std::milli>(t1 - t0).count();
    std::printf("fast-forward: %d commands, %d s at 60 fps (%lld frames) in %.1f ms%s\n", kCommands,
                kShowMs / 1000, static_cast<long long>(timer.frame), ms, reached ? "" : " (ended early)");
    return 0;
}
