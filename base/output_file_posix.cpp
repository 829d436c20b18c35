#include "base/output_file.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

// O_EXCL: anything of that name, a dangling link too, makes it fail.
std::FILE* createNewFile(const char* path) {
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    std::FILE* f = fdopen(fd, "wb");
    if (!f) {
        const int err = errno;
        ::close(fd);
        ::unlink(path);
        errno = err;
    }
    return f;
}

int64_t seekFile(std::FILE* f, int64_t offset, int whence) {
    if (fseeko(f, static_cast<off_t>(offset), whence) != 0) return -1;
    return static_cast<int64_t>(ftello(f));
}

void binaryStdStreams() {}
