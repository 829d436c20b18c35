#include "script/frame_step.h"

#include "base/engine.h"
#include "base/timer.h"
#include "script/script.h"
#include "timeline/sync_step.h"

void interpretDue() {
    if (script.current < script.times.size() && script.times[script.current] <= timer.elapsed) script.parse();
}

void walkScenes() {
    const int32_t now = timer.elapsed;
    SyncContext sync{script.scenes, script.syncSceneIt, script.syncTracks};
    script.sceneIt = script.scenes.begin();
    while (script.sceneIt != script.scenes.end()) {
        CScene& s = *script.sceneIt;
        if (s.sync && !hasSyncSteps(s, script.syncTracks)) s.sync = false;
        if (s.sync) syncArm(s, now, sync);
        if (!s.isRunning()) {
            if (s.insync)
                ++script.sceneIt;
            else
                script.sceneIt = script.scenes.erase(script.sceneIt); // the next record is handled next
            continue;
        }
        if (s.sync) syncAdvance(s, now, sync);
        updateSceneValues(s);
        ++script.sceneIt;
    }
}

void stepFrame() {
    interpretDue();
    walkScenes();
}

bool simulateUntil(int32_t until) {
    while (timer.elapsed < until) {
        stepFrame();
        if (engine.ended) return false;
        timer.getTime();
    }
    timer.elapsed = until;
    return true;
}

bool nothingLeft() {
    if (script.current < script.commands.size()) return false;
    for (const CScene& s : script.scenes)
        if (s.isRunning()) return false;
    return true;
}
