#pragma once
#include "engine/offscreen.h"
#include "engine/startup.h"

// Loads the show as the live program does, but without a window and without
// music: the script (with the command-line overrides, music forced off), an
// offscreen frame of the overrides' size (else screenWidth x screenHeight),
// which the frame renderer fills with the picture scaled, the fixed GL state, the
// camera and the asset scan. The clock is virtual, at `fps`, from 0.
// `soundOn`, when given, receives whether the script and the overrides leave
// the music on (a video gets it). On failure prints one line on stderr and
// returns false.
bool openOffline(const Overrides& overrides, int fps, Offscreen& frame, bool scanAssets = true,
                 bool* soundOn = nullptr);

// The same for a script its caller has loaded already: everything after it.
bool openOfflineLoaded(int fps, Offscreen& frame, bool scanAssets = true);
