#include "base/config.h"
#include "script/script.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

// The loader and the options pass on arbitrary script bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Memory-backed when possible: the loader reads a real file.
    static const std::string path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") +
                                    "/tamarack-fuzz-script-" + std::to_string(getpid()) + ".txt";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    script.reset();
    einit.defaults();
    script.init(path.c_str());
    if (script.times.size() != script.commands.size() || script.commandLines.size() != script.commands.size())
        __builtin_trap();
    return 0;
}
