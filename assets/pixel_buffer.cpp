#include "assets/pixel_buffer.h"

#include <sys/mman.h>
#include <utility>

PixelBuffer::PixelBuffer(PixelBuffer&& other) noexcept
    : bytes_(std::exchange(other.bytes_, nullptr)), capacity_(std::exchange(other.capacity_, 0)) {}

PixelBuffer& PixelBuffer::operator=(PixelBuffer&& other) noexcept {
    if (this != &other) {
        reset();
        bytes_ = std::exchange(other.bytes_, nullptr);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

bool PixelBuffer::reserve(size_t bytes) {
    if (bytes <= capacity_) return true;
    reset();
    // A block smaller than a huge page is mapped as it is: one huge page
    // would make the kernel clear 2 MiB for it.
    const size_t step = bytes < hugePage ? 4096 : hugePage;
    const size_t size = (bytes + step - 1) / step * step;
    if (size < bytes) return false; // the sum wrapped
    // Map one huge page more than needed and trim both ends so that the block
    // starts on a 2 MiB boundary: every 2 MiB of it can then be one huge page.
    const size_t slack = step == hugePage ? hugePage : 0;
    void* mapped = mmap(nullptr, size + slack, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return false;
    const uintptr_t start = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t aligned = (start + step - 1) / step * step;
    if (aligned > start) munmap(mapped, aligned - start);
    const size_t tail = slack - (aligned - start);
    if (tail > 0) munmap(reinterpret_cast<void*>(aligned + size), tail);
    bytes_ = reinterpret_cast<uint8_t*>(aligned);
    capacity_ = size;
    // Fails harmlessly (EINVAL) where the kernel has no transparent huge pages.
    if (step == hugePage) madvise(bytes_, capacity_, MADV_HUGEPAGE);
    return true;
}

void PixelBuffer::release(size_t offset, size_t bytes) {
    if (offset >= capacity_) return;
    if (bytes > capacity_ - offset) bytes = capacity_ - offset;
    const size_t first = (offset + hugePage - 1) / hugePage * hugePage;
    const size_t end = (offset + bytes) / hugePage * hugePage;
    if (end > first) madvise(bytes_ + first, end - first, MADV_DONTNEED);
}

void PixelBuffer::reset() {
    if (bytes_) munmap(bytes_, capacity_);
    bytes_ = nullptr;
    capacity_ = 0;
}
