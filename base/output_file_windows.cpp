#include "base/output_file.h"

#include <cerrno>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

std::FILE* createNewFile(const char* path) {
    const int fd =
        _open(path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd < 0) return nullptr;
    std::FILE* f = _fdopen(fd, "wb");
    if (!f) {
        const int err = errno;
        _close(fd);
        _unlink(path);
        errno = err;
    }
    return f;
}

int64_t seekFile(std::FILE* f, int64_t offset, int whence) {
    if (_fseeki64(f, offset, whence) != 0) return -1;
    return _ftelli64(f);
}

void binaryStdStreams() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}
