#include "assets/gfx.h"

// PLACEHOLDER: model drawing lands with the render work.
int Show3DS(int, int) { return 1; }
