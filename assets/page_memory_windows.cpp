#include "assets/page_memory.h"

#include <windows.h>

// Windows gives large pages only to programs holding the lock-pages
// privilege, so a huge-page block is an ordinary one there.
uint8_t* mapPages(size_t bytes, bool /*huge*/) {
    return static_cast<uint8_t*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
}

void unmapPages(uint8_t* block, size_t /*bytes*/) {
    VirtualFree(block, 0, MEM_RELEASE);
}

// Decommitted pages are gone from the process; committed again, they are
// fresh zero pages that take memory only when touched.
void dropPages(uint8_t* start, size_t bytes) {
    VirtualFree(start, bytes, MEM_DECOMMIT);
    VirtualAlloc(start, bytes, MEM_COMMIT, PAGE_READWRITE);
}
