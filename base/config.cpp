#include "base/config.h"

CInit einit;

void CInit::defaults() {
    videoFlags = kDefaultVideoFlags;
    windowed = 0;
    soundOn = 1;
    anaglyphic = 0;
    gui = 1;
    screenWidth = 640;
    screenHeight = 480;
    videoWidth = 640;
    videoHeight = 480;
}
