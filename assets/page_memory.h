#pragma once
#include <cstddef>
#include <cstdint>

// Memory in whole pages straight from the system, for PixelBuffer: one
// small set of calls with an implementation for each system
// (page_memory_posix.cpp, page_memory_windows.cpp).

// A read-write block of `bytes` (a multiple of 4096) whose pages are zero
// until written; nullptr when the system has no room. With `huge`, the block
// starts on a 2 MiB boundary and is marked for transparent huge pages where
// the kernel offers them (bytes then a multiple of 2 MiB).
uint8_t* mapPages(size_t bytes, bool huge);
// Gives back a whole block that mapPages made, of the same size.
void unmapPages(uint8_t* block, size_t bytes);
// Gives the pages of [start, start + bytes) back to the system (both on
// page boundaries inside a block); they read as zero when touched again.
void dropPages(uint8_t* start, size_t bytes);
