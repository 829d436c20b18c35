#include "engine/config.h"

// PLACEHOLDER: the data directory scan lands with the assets work.
void CInit::dir() {}
