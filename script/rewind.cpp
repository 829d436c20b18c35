#include "script/rewind.h"

#include "base/engine.h"
#include "base/timer.h"
#include "script/frame_step.h"
#include "script/script.h"

void resetTimeline() {
    script.scenes.clear();
    script.current = 0;
    script.sceneIt = script.scenes.begin();
    script.syncSceneIt = script.scenes.begin();
    scene1 = CBezier{};
    engine.ended = false;
    engine.endedAt = 0;
}

bool rewindTo(int32_t target, int fps) {
    if (target < 0) target = 0;
    if (fps <= 0) fps = 60;
    resetTimeline();
    // The live show's exit handler would end the process on "end".
    void (*handler)() = engine.exitHandler;
    engine.exitHandler = nullptr;
    timer.useVirtual(fps, 0);
    timer.init();
    const bool reached = simulateUntil(target);
    engine.exitHandler = handler;
    return reached;
}
