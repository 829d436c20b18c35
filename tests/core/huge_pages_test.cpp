#include "base/huge_pages.h"

#include <gtest/gtest.h>
#include <tuple>

// The huge-page tunable is added only where the kernel gives huge pages on
// request and GLIBC_TUNABLES holds no choice yet; other tunables are kept.
TEST(HugePages, RunsAgainOnlyWhereTheTunableHelps) {
    const char* const madvise = "always [madvise] never";
    const std::tuple<const char*, const char*, std::string> cases[] = {
        {madvise, nullptr, "glibc.malloc.hugetlb=1"},
        {madvise, "glibc.malloc.check=3", "glibc.malloc.check=3:glibc.malloc.hugetlb=1"},
        {madvise, "glibc.malloc.hugetlb=0", ""}, // the user's choice
        {"[always] madvise never", nullptr, ""}, // huge pages anyway
    };
    for (const auto& [mode, current, want] : cases)
        EXPECT_EQ(hugePageTunables(mode, current), want) << mode << " / " << (current ? current : "-");
}
