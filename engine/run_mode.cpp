#include "engine/run_mode.h"

#include "assets/asset_report.h"
#include "base/engine.h"
#include "render/effect.h"

void applyRunMode(const RunMode& mode) {
    effect.present = mode.presentFrames;
    assetReport.print = mode.printAssetProblems;
    engine.exitHandler = mode.onEnd;
}
