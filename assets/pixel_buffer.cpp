#include "assets/pixel_buffer.h"

#include "assets/page_memory.h"

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
    bytes_ = mapPages(size, step == hugePage);
    if (!bytes_) return false;
    capacity_ = size;
    return true;
}

void PixelBuffer::release(size_t offset, size_t bytes) {
    if (offset >= capacity_) return;
    if (bytes > capacity_ - offset) bytes = capacity_ - offset;
    const size_t first = (offset + hugePage - 1) / hugePage * hugePage;
    const size_t end = (offset + bytes) / hugePage * hugePage;
    if (end > first) dropPages(bytes_ + first, end - first);
}

void PixelBuffer::reset() {
    if (bytes_) unmapPages(bytes_, capacity_);
    bytes_ = nullptr;
    capacity_ = 0;
}
