#include "base/file_stamp.h"

#include <windows.h>

// The C library's stat keeps whole seconds on Windows; the file system keeps
// steps of 100 ns.
std::string fileStamp(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return "";
    const unsigned long long size =
        (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    const unsigned long long time =
        (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
        data.ftLastWriteTime.dwLowDateTime;
    return std::to_string(size) + "|" + std::to_string(time / 10000000) + "." +
           std::to_string(time % 10000000 * 100);
}
