#include "base/huge_pages.h"

#include <cstring>

std::string hugePageTunables(const std::string& mode, const char* current) {
    const char* const hugetlb = "glibc.malloc.hugetlb=";
    if (mode.find("[madvise]") == std::string::npos) return "";
    if (current && std::strstr(current, hugetlb)) return "";
    std::string value = current && *current ? std::string(current) + ":" : std::string();
    return value + hugetlb + "1";
}
