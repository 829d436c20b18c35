#include "base/huge_pages.h"

#include <cstdlib>
#include <fstream>
#include <malloc.h>
#include <sys/auxv.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define TAMARACK_OWN_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TAMARACK_OWN_ALLOCATOR 1
#endif
#endif

namespace {
[[maybe_unused]] std::string thpMode() {
    std::ifstream in("/sys/kernel/mm/transparent_hugepage/enabled");
    std::string line;
    std::getline(in, line);
    return line;
}
} // namespace

void useHugePages(char** argv) {
#ifndef TAMARACK_OWN_ALLOCATOR
    const std::string mode = thpMode();
    if (mode.find("[madvise]") == std::string::npos && mode.find("[always]") == std::string::npos) return;
    const char* current = std::getenv("GLIBC_TUNABLES");
    const std::string tunables = hugePageTunables(mode, current);
    if (!tunables.empty() && getauxval(AT_SECURE) == 0) {
        const std::string saved = current ? current : "";
        setenv("GLIBC_TUNABLES", tunables.c_str(), 1);
        execv("/proc/self/exe", argv);
        // Could not run again (no /proc): go on as started.
        if (current)
            setenv("GLIBC_TUNABLES", saved.c_str(), 1);
        else
            unsetenv("GLIBC_TUNABLES");
    }
    // A block of a few megabytes taken from the heap, which grows in whole
    // huge pages, rather than mapped on its own; the heap keeps what it is
    // given back up to twice that, so that the next block finds its pages made.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#else
    (void)argv;
#endif
}
