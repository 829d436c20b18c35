#include "engine/offline.h"

#include "base/config.h"
#include "base/stop_signal.h"
#include "base/timer.h"
#include "engine/scan.h"
#include "engine/startup.h"
#include "render/camera.h"
#include "render/effect.h"

#include <cstdio>

bool openOffline(const Overrides& o, int fps, Offscreen& frame, bool scanAssets, bool* soundOn) {
    if (!loadScript(o)) return false;
    if (soundOn) *soundOn = einit.soundOn != 0;
    return openOfflineLoaded(fps, frame, scanAssets);
}

bool openOfflineLoaded(int fps, Offscreen& frame, bool scanAssets) {
    einit.soundOn = 0; // offline modes never open the audio device
    std::string err;
    const bool sized = overrides.width > 0 && overrides.height > 0;
    if (!frame.open(sized ? overrides.width : einit.screenWidth,
                    sized ? overrides.height : einit.screenHeight, err)) {
        std::fprintf(stderr, "tamarack: %s%s\n", frame.tooLarge ? "--size: " : "", err.c_str());
        return false;
    }
    // The picture keeps the script's size; the frame scales it to its own.
    effect.outputWidth = frame.width;
    effect.outputHeight = frame.height;
    // After the display library's set-up, which takes the signals for itself.
    catchStops();
    initGlState();
    camera.init();
    if (scanAssets) scanData();
    timer.useVirtual(fps);
    timer.init();
    return true;
}
