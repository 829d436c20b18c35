#pragma once
#include <cstdint>
#include <string>

// What a path names when it is no regular file ("a folder", "a FIFO", "a
// device", "a socket", "something other than a file"), following links;
// empty for a regular file, and for a path that does not exist (opening it
// says why).
std::string notRegularFile(const std::string& path);

// Reads the whole regular file at `path` into `data`, refusing what is no
// regular file (a FIFO would block, a device never ends) and a file of more
// than `limit` bytes. False with the reason, a sentence without the path.
bool readRegularFile(const std::string& path, uint64_t limit, std::string& data, std::string& error);

// A size for a message: "512 bytes", "3.2 MB", "4.0 GB".
std::string sizeText(uint64_t bytes);
