#pragma once

// Scans data/ and registers every asset: pictures as textures, 3DS files as
// models, and the music (the last music file in name order plays).
void scanData();
