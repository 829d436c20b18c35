#include "base/file_read.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string notRegularFile(const std::string& path) {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    switch (st.type()) {
    case fs::file_type::regular:
    case fs::file_type::not_found:
    case fs::file_type::none:
        return {};
    case fs::file_type::directory:
        return "a folder";
    case fs::file_type::fifo:
        return "a FIFO";
    case fs::file_type::character:
    case fs::file_type::block:
        return "a device";
    case fs::file_type::socket:
        return "a socket";
    default:
        return "something other than a file";
    }
}

std::string sizeText(uint64_t bytes) {
    if (bytes < 1000) return std::to_string(bytes) + " bytes";
    char text[32];
    const double b = static_cast<double>(bytes);
    if (bytes < 1000000)
        std::snprintf(text, sizeof text, "%.1f kB", b / 1e3);
    else if (bytes < 1000000000)
        std::snprintf(text, sizeof text, "%.1f MB", b / 1e6);
    else
        std::snprintf(text, sizeof text, "%.1f GB", b / 1e9);
    return text;
}

bool readRegularFile(const std::string& path, uint64_t limit, std::string& data, std::string& error,
                     int fifoWaitMs) {
    data.clear();
    const std::string what = notRegularFile(path);
    const bool fifo = what == "a FIFO" && fifoWaitMs > 0;
    if (!what.empty() && !fifo) {
        error = "it is " + what + ", not a regular file";
        return false;
    }
    bool timedOut = false;
    std::FILE* f = fifo ? openFifoWhenWritten(path, fifoWaitMs, timedOut) : std::fopen(path.c_str(), "rb");
    if (!f) {
        error = timedOut
                    ? "it is a FIFO and nothing wrote to it within " + std::to_string(fifoWaitMs / 1000) +
                          " s: write the script into it, or make it a regular file"
                    : std::strerror(errno);
        return false;
    }
    std::error_code ec;
    const uintmax_t size = fs::file_size(path, ec);
    if (!ec && size > limit) {
        std::fclose(f);
        error = "it is " + sizeText(size) + ", more than the " + sizeText(limit) + " allowed";
        return false;
    }
    // The size read is bounded too: the file may grow while it is read.
    char buffer[65536];
    size_t n;
    bool tooLarge = false;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
        if (data.size() + n > limit) {
            tooLarge = true;
            break;
        }
        data.append(buffer, n);
    }
    const bool failed = std::ferror(f);
    const int code = errno;
    std::fclose(f);
    if (tooLarge) {
        error = "it holds more than the " + sizeText(limit) + " allowed";
        data.clear();
        return false;
    }
    if (failed) {
        error = std::strerror(code);
        data.clear();
        return false;
    }
    return true;
}
