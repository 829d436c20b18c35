#pragma once
#include <cstddef>
#include <cstdint>

// A large block of bytes for pictures, mapped straight from the system rather
// than through malloc: from 2 MiB on, aligned to 2 MiB and marked for
// transparent huge pages where the kernel offers them (then the first touch of
// each 2 MiB costs one page fault instead of 512). Nothing is written when it
// is made: its pages are zero until touched. Move-only.
class PixelBuffer {
  public:
    PixelBuffer() = default;
    ~PixelBuffer() { reset(); }
    PixelBuffer(PixelBuffer&& other) noexcept;
    PixelBuffer& operator=(PixelBuffer&& other) noexcept;
    PixelBuffer(const PixelBuffer&) = delete;
    PixelBuffer& operator=(const PixelBuffer&) = delete;

    // At least `bytes` of storage; a block that is already large enough is
    // kept with its contents, a smaller one is replaced (contents not kept).
    // False when the system has no room for it.
    bool reserve(size_t bytes);
    // Gives the pages wholly inside [offset, offset + bytes) back to the
    // system, in whole 2 MiB steps; they read as zero if touched again.
    void release(size_t offset, size_t bytes);
    // Unmaps the block.
    void reset();

    uint8_t* data() { return bytes_; }
    const uint8_t* data() const { return bytes_; }
    size_t capacity() const { return capacity_; }

    static constexpr size_t hugePage = size_t(2) << 20;

  private:
    uint8_t* bytes_ = nullptr;
    size_t capacity_ = 0;
};
