#pragma once
#include <string>

// Start-up touches several hundred megabytes of fresh memory (the GL driver's
// texture storage above all), and a machine may charge far more for that in
// 4 KiB pages than in the 2 MiB pages of the kernel's transparent huge pages.
// Where the kernel offers them only on request ("madvise" mode), the C
// library asks for them for its own blocks when its tunable
// glibc.malloc.hugetlb=1 is set, which it reads only as a process starts.
//
// useHugePages() therefore runs the program again, once, from its first line,
// with that tunable added to GLIBC_TUNABLES, and returns only in that second
// run or where nothing is to gain: no transparent huge pages (the kernel's
// "never" mode, or a kernel without them: nothing changes), "always" mode,
// a tunable already set by the user (glibc.malloc.hugetlb=0 turns this off),
// a set-user-ID start, or a sanitizer's allocator. It then keeps blocks below
// 32 MiB in the C library's heap, where they lie in whole huge pages, instead
// of separate mappings that start and end on small pages. Call it first in
// main, before any thread, output or library start-up. On Windows, which has
// no transparent huge pages, it does nothing (huge_pages_windows.cpp).
void useHugePages(char** argv);

// The GLIBC_TUNABLES value to run again with, given the kernel's mode line
// (/sys/kernel/mm/transparent_hugepage/enabled, "" when absent) and the
// current value (null when unset); "" when the program should not run again.
std::string hugePageTunables(const std::string& thpMode, const char* current);
