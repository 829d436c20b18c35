#include "engine/offline.h"

#include "engine/config.h"
#include "engine/modes.h"
#include "engine/timer.h"
#include "render/camera.h"

#include <cstdio>

bool openOffline(const Options& opt, Offscreen& frame, bool scanAssets) {
    if (!loadScript(opt)) return false;
    einit.soundOn = 0; // offline modes never open the audio device
    std::string err;
    if (!frame.open(einit.screenWidth, einit.screenHeight, err)) {
        std::fprintf(stderr, "tamarack: %s\n", err.c_str());
        return false;
    }
    einit.opengl();
    camera.init();
    if (scanAssets) einit.dir();
    timer.useVirtual(opt.fps);
    timer.init();
    return true;
}
