#include "base/huge_pages.h"

#include <gtest/gtest.h>
#include <tuple>

// The tunable is added only where huge pages come on request, over no choice already made.
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
