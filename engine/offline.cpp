#include "engine/offline.h"

#include "base/config.h"
#include "base/timer.h"
#include "engine/scan.h"
#include "engine/startup.h"
#include "render/camera.h"

#include <cstdio>

bool openOffline(const Overrides& o, int fps, Offscreen& frame, bool scanAssets, bool* soundOn) {
    if (!loadScript(o)) return false;
    if (soundOn) *soundOn = einit.soundOn != 0;
    return openOfflineLoaded(fps, frame, scanAssets);
}

bool openOfflineLoaded(int fps, Offscreen& frame, bool scanAssets) {
    einit.soundOn = 0; // offline modes never open the audio device
    std::string err;
    if (!frame.open(einit.screenWidth, einit.screenHeight, err)) {
        std::fprintf(stderr, "tamarack: %s\n", err.c_str());
        return false;
    }
    initGlState();
    camera.init();
    if (scanAssets) scanData();
    timer.useVirtual(fps);
    timer.init();
    return true;
}
