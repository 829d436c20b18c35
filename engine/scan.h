#pragma once
#include "assets/show_files.h"

#include <set>
#include <string>

// Scans data/ and registers every asset in name order: pictures as textures,
// 3DS files as models. Returns what it found (also kept in showFiles): every
// file with its kind, whether it was loaded or why not, and the music that
// plays (the last music file in name order), which the caller opens.
const ShowFiles& scanData();

// Scans data/ again (the --dev reload): a picture or model whose name is in
// `keep` (its file unchanged since the last scan) keeps its registered record,
// with its texture or drawing buffer and what the last scan reported of it,
// in its place in name order; every other file is loaded afresh, and the
// records that were not kept are released.
const ShowFiles& rescanData(const std::set<std::string>& keep);
