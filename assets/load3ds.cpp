#include "assets/gfx.h"

// PLACEHOLDER: the 3DS reader lands with the assets work.
bool Load3DS(std::string) { return false; }
long filelength(int) { return 0; }
