#pragma once
#include <string>

// A file's size and modification time, to the finest step the system keeps
// ("1234|1700000000.123456789"), as the reload checks compare them; empty
// when the file cannot be looked at. One small function per system
// (file_stamp_posix.cpp, file_stamp_windows.cpp).
std::string fileStamp(const std::string& path);
