#include "base/huge_pages.h"

#include <gtest/gtest.h>

// The program runs again with the C library's huge-page tunable only where
// the kernel gives huge pages on request, and never over a choice already in
// GLIBC_TUNABLES; other tunables are kept.
TEST(HugePages, RunsAgainOnlyWhereTheTunableHelps) {
    const std::string modes = "always [madvise] never";
    const struct {
        std::string mode;
        const char* current;
        std::string want;
    } cases[] = {
        {modes, nullptr, "glibc.malloc.hugetlb=1"},
        {modes, "glibc.malloc.check=3", "glibc.malloc.check=3:glibc.malloc.hugetlb=1"},
        {modes, "glibc.malloc.hugetlb=0", ""},                      // the user's choice
        {modes, "glibc.malloc.check=3:glibc.malloc.hugetlb=1", ""}, // already running again
        {"[always] madvise never", nullptr, ""},                    // huge pages anyway
        {"", nullptr, ""},                                          // a kernel without them
    };
    for (const auto& c : cases)
        EXPECT_EQ(hugePageTunables(c.mode, c.current), c.want)
            << c.mode << " / " << (c.current ? c.current : "-");
}
