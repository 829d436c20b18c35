#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

// A file that appears under its name only when it is whole. It is written
// under a hidden temporary name in the same folder (".NAME.XXXXXXXX.part")
// and commit() renames it over NAME, so NAME holds either what was there
// before, untouched, or the whole new file: never a part of it, whatever
// stops the writing (a full disk, a size limit, a crash, SIGKILL).
//
// NAME itself is never opened for writing. A symbolic link of that name is
// replaced by the new file; what it points to is not touched. A folder of
// that name is refused at open().
//
// A failed commit(), discard() and the destructor remove the temporary file;
// only a process killed while writing leaves it, under its hidden name.
// The errors of open() and commit() are the reason alone ("File too large");
// failure() makes the whole message. An object may be used for one file
// after another (a worker writing frames); it keeps its texts' room.
class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile() { discard(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file for `path`, empty, with the permissions a
    // new file gets (the umask's).
    bool open(const std::string& path, std::string& error);
    // The open temporary file, written through stdio; null when none.
    std::FILE* stream() const { return file; }
    // Closes the temporary file and renames it over the path. False with the
    // reason when a write to the stream failed (errno of the first failure,
    // as noted by fail()) or the close or rename did.
    bool commit(std::string& error);
    // Closes and removes the temporary file; the path is left as it was.
    void discard();
    // Notes a failed write to the stream with its errno, for commit().
    void fail(int err) {
        if (writeError == 0) writeError = err;
    }

    // The error text for the path: "cannot write PATH: REASON".
    std::string failure(const std::string& reason) const { return "cannot write " + path + ": " + reason; }
    const std::string& target() const { return path; }
    // Whether the last commit() replaced a symbolic link.
    bool replacedLink() const { return linkReplaced; }

    // Whether a file name (no folder) is a temporary name of this class: one
    // left by a killed writer.
    static bool isTemporaryName(const std::string& name);

  private:
    std::string path, temp;
    std::FILE* file = nullptr;
    int writeError = 0;
    bool linkReplaced = false;
};

// The bytes as one whole file at `path` through an OutputFile. False with
// "cannot write PATH: REASON"; `replacedLink`, when given, tells whether a
// symbolic link of that name was replaced.
bool writeOutputFile(const std::string& path, const std::string& bytes, std::string& error,
                     bool* replacedLink = nullptr);

// The note for a written file whose name was a symbolic link: the link is
// replaced, what it pointed to untouched.
std::string replacedLinkNote(const std::string& shown);

// Creates `path` for writing only when nothing of that name exists (not even
// a link), binary, with the umask's permissions; null with errno when not.
// One per system (output_file_posix.cpp, output_file_windows.cpp).
std::FILE* createNewFile(const char* path);
// Moves the stream's position as fseek does, past 2 GiB too: the new
// position, or -1 with errno.
int64_t seekFile(std::FILE* f, int64_t offset, int whence);
// Makes stdout and stderr carry the bytes as they are written: Y4M and PNG
// frames, and text with the same line ends on every system (Windows' C
// library turns "\n" into "\r\n" on a stream in text mode; its console
// starts a new line on "\n" alone). Nothing to do elsewhere.
void binaryStdStreams();
