#pragma once
#include "assets/show_files.h"

// Scans data/ and registers every asset in name order: pictures as textures,
// 3DS files as models, and the music (the last music file in name order
// plays). Returns what it found (also kept in showFiles): every file with its
// kind and whether it was loaded or why not.
const ShowFiles& scanData();
