#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

// What a path names when it is no regular file ("a folder", "a FIFO", "a
// device", "a socket", "something other than a file"), following links;
// empty for a regular file, and for a path that does not exist (opening it
// says why).
std::string notRegularFile(const std::string& path);

// Reads the whole regular file at `path` into `data`, refusing what is no
// regular file (a device never ends, a folder has no bytes) and a file of
// more than `limit` bytes. A FIFO is read when `fifoWaitMs` > 0 and something
// writes to it within that time, else refused (nothing may ever write). False
// with the reason, a sentence without the path.
bool readRegularFile(const std::string& path, uint64_t limit, std::string& data, std::string& error,
                     int fifoWaitMs = 0);

// Opens the FIFO at `path` for reading once something has written to it,
// waiting at most `ms`; null when nothing did (`timedOut`) or it cannot be
// opened (errno). One small function per system (file_read_posix.cpp).
std::FILE* openFifoWhenWritten(const std::string& path, int ms, bool& timedOut);

// A size for a message: "512 bytes", "3.2 MB", "4.0 GB".
std::string sizeText(uint64_t bytes);
