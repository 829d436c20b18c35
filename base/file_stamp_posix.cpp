#include "base/file_stamp.h"

#include <sys/stat.h>

std::string fileStamp(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return "";
    return std::to_string(st.st_size) + "|" + std::to_string(st.st_mtim.tv_sec) + "." +
           std::to_string(st.st_mtim.tv_nsec);
}
