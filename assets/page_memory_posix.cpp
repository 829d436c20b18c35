#include "assets/page_memory.h"

#include <sys/mman.h>

uint8_t* mapPages(size_t bytes, bool huge) {
    // For a huge-page block, one huge page more than needed is mapped and
    // both ends trimmed so that it starts on a 2 MiB boundary: every 2 MiB of
    // it can then be one huge page.
    const size_t align = size_t(2) << 20;
    const size_t slack = huge ? align : 0;
    if (bytes + slack < bytes) return nullptr;
    void* mapped = mmap(nullptr, bytes + slack, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    if (!huge) return static_cast<uint8_t*>(mapped);
    const uintptr_t start = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t aligned = (start + align - 1) / align * align;
    if (aligned > start) munmap(mapped, aligned - start);
    const size_t tail = slack - (aligned - start);
    if (tail > 0) munmap(reinterpret_cast<void*>(aligned + bytes), tail);
    // Fails harmlessly (EINVAL) where the kernel has no transparent huge pages.
    madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
    return reinterpret_cast<uint8_t*>(aligned);
}

void unmapPages(uint8_t* block, size_t bytes) {
    munmap(block, bytes);
}

void dropPages(uint8_t* start, size_t bytes) {
    madvise(start, bytes, MADV_DONTNEED);
}
