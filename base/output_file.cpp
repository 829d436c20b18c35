#include "base/output_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

const char kPart[] = ".part";
const size_t kTagLength = 8;     // hexadecimal digits between the name and ".part"
const size_t kLongestStem = 200; // of the name kept in the temporary one (NAME_MAX is 255)

// Where the file name begins in `path`: after the last separator this
// system knows.
size_t nameStart(const std::string& path) {
    const char* separators = fs::path::preferred_separator == '\\' ? "/\\" : "/";
    const size_t at = path.find_last_of(separators);
    return at == std::string::npos ? 0 : at + 1;
}

// A tag that no two calls of this process share and other processes are
// unlikely to meet: a counter from a clock-seeded start, mixed.
uint32_t nextTag() {
    static std::atomic<uint64_t> counter{
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        reinterpret_cast<uintptr_t>(&counter)};
    uint64_t z = counter.fetch_add(0x9E3779B97F4A7C15ull) + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint32_t>(z ^ (z >> 31));
}

} // namespace

bool OutputFile::isTemporaryName(const std::string& name) {
    const size_t part = sizeof kPart - 1, tail = 1 + kTagLength + part;
    if (name.size() < 2 + tail || name[0] != '.' || name.compare(name.size() - part, part, kPart) != 0 ||
        name[name.size() - tail] != '.')
        return false;
    for (size_t i = name.size() - tail + 1; i < name.size() - part; ++i)
        if (!((name[i] >= '0' && name[i] <= '9') || (name[i] >= 'a' && name[i] <= 'f'))) return false;
    return true;
}

bool OutputFile::open(const std::string& target, std::string& error) {
    discard();
    path = target;
    linkReplaced = false;
    writeError = 0;
    std::error_code ec;
    if (fs::is_directory(fs::symlink_status(path, ec))) {
        error = std::strerror(EISDIR);
        return false;
    }
    const size_t start = nameStart(path);
    const size_t stem = std::min(path.size() - start, kLongestStem);
    for (int attempt = 0; attempt < 64; ++attempt) {
        char tag[kTagLength + 2];
        std::snprintf(tag, sizeof tag, ".%08x", nextTag());
        temp.assign(path, 0, start).append(1, '.').append(path, start, stem).append(tag).append(kPart);
        file = createNewFile(temp.c_str());
        if (file || errno != EEXIST) break;
    }
    if (!file) {
        error = std::strerror(errno);
        temp.clear();
        return false;
    }
    return true;
}

bool OutputFile::commit(std::string& error) {
    if (!file) {
        error = "the file is not open";
        return false;
    }
    int err = std::fflush(file) == 0 ? 0 : errno;
    if (std::fclose(file) != 0 && err == 0) err = errno;
    file = nullptr;
    if (writeError != 0) err = writeError;
    std::error_code ec;
    if (err == 0) {
        linkReplaced = fs::is_symlink(fs::symlink_status(path, ec));
        // Replaces what is at the path on every system (std::rename does
        // not on Windows); a link is replaced, not followed.
        fs::rename(temp, path, ec);
        if (!ec) {
            temp.clear();
            return true;
        }
    }
    error = err != 0 ? std::strerror(err) : ec.message();
    discard();
    return false;
}

void OutputFile::discard() {
    if (file) std::fclose(file);
    file = nullptr;
    if (!temp.empty()) std::remove(temp.c_str());
    temp.clear();
}

std::string replacedLinkNote(const std::string& shown) {
    return shown + " was a symbolic link: the new file replaces the link; what it pointed to is untouched";
}

bool writeOutputFile(const std::string& path, const std::string& bytes, std::string& error,
                     bool* replacedLink) {
    OutputFile out;
    std::string reason;
    if (out.open(path, reason) && std::fwrite(bytes.data(), 1, bytes.size(), out.stream()) != bytes.size())
        out.fail(errno);
    if (!out.stream() || !out.commit(reason)) {
        error = out.failure(reason);
        return false;
    }
    if (replacedLink) *replacedLink = out.replacedLink();
    return true;
}
