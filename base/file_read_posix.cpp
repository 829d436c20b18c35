#include "base/file_read.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

std::FILE* openFifoWhenWritten(const std::string& path, int ms, bool& timedOut) {
    timedOut = false;
    // Opened without waiting for a writer; poll() then waits for the first
    // bytes (a FIFO that no writer has opened yet does not report a hang-up).
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return nullptr;
    pollfd p{fd, POLLIN, 0};
    int r;
    while ((r = ::poll(&p, 1, ms)) < 0 && errno == EINTR) {
    }
    if (r <= 0) {
        ::close(fd);
        timedOut = r == 0;
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) ::close(fd);
    return f;
}
