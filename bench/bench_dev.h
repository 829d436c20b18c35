#pragma once
#include <string>

// The --dev reload with twelve big photos loaded (4000 x 3000, `quick`: small
// ones): a one-line script edit, one changed photo and every photo touched,
// each from the reload to the next frame finished; the changed photo against
// decoding it alone on one thread (a fresh process of `self`). Prints
// "dev_reload script_ms=X picture_ms=Y decode_ms=Z ratio=Y/Z all_ms=W".
int runDevReload(bool quick, const std::string& self);

// Writes the photo-like JPEG of w x h that the workload uses to `path`
// (for the end-to-end test of --dev).
int writeBenchPhoto(int w, int h, const std::string& path);
