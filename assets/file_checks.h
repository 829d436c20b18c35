#pragma once
#include "assets/show_files.h"
#include "base/diagnostic.h"

#include <vector>

// The checks of the show's files for --check, after the scan: files the scan
// leaves, music that never plays or cannot be decoded, models whose own
// texture is not loaded, and pictures stored turned (EXIF orientation).
// Appends one diagnostic per problem, file by file in the scan's order.
void checkShowFiles(const ShowFiles& files, std::vector<Diagnostic>& out);
