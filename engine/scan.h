#pragma once
#include "assets/show_files.h"

// Scans data/ and registers every asset in name order: pictures as textures,
// 3DS files as models. Returns what it found (also kept in showFiles): every
// file with its kind, whether it was loaded or why not, and the music that
// plays (the last music file in name order), which the caller opens.
const ShowFiles& scanData();
