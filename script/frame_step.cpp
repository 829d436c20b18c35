#include "script/frame_step.h"

#include "base/engine.h"
#include "base/stop_signal.h"
#include "base/timer.h"
#include "script/script.h"
#include "timeline/sync_step.h"

#include <algorithm>

FrameListener* frameListener = nullptr;

void interpretDue() {
    if (script.current < script.times.size() && script.times[script.current] <= timer.elapsed) script.parse();
}

// Tells the listener of a sync step that took a template (position >= 0).
static void stepped(const CScene& s, int32_t position) {
    if (frameListener && position >= 0) frameListener->stepped(s, *script.syncSceneIt, position);
}

void walkScenes() {
    const int32_t now = timer.elapsed;
    SyncContext sync{script.scenes, script.syncSceneIt, script.syncTracks, &script.grid};
    script.sceneIt = script.scenes.begin();
    while (script.sceneIt != script.scenes.end()) {
        CScene& s = *script.sceneIt;
        if (s.sync && !hasSyncSteps(s, script.syncTracks)) s.sync = false;
        if (s.sync) stepped(s, syncArm(s, now, sync));
        if (!s.isRunning()) {
            if (s.insync) {
                if (frameListener) frameListener->walked(s, false);
                ++script.sceneIt;
            } else {
                if (frameListener) frameListener->erased(s);
                script.sceneIt = script.scenes.erase(script.sceneIt); // the next record is handled next
            }
            continue;
        }
        if (s.sync) stepped(s, syncAdvance(s, now, sync));
        updateSceneValues(s);
        if (frameListener) frameListener->walked(s, true);
        ++script.sceneIt;
    }
}

void stepFrame() {
    interpretDue();
    walkScenes();
}

int64_t skipIdleFrames(int32_t until) {
    if (frameListener || timer.fps <= 0) return 0;
    for (const CScene& s : script.scenes)
        if (s.sync || s.isRunning()) return 0;
    int32_t next = until;
    if (script.current < script.times.size()) next = std::min(next, script.times[script.current]);
    return timer.skipBelow(next);
}

bool simulateUntil(int32_t until) {
    while (timer.elapsed < until) {
        if (stopRequested()) return false;
        stepFrame();
        if (engine.ended) return false;
        skipIdleFrames(until);
        timer.getTime();
    }
    timer.holdAt(until);
    return true;
}

bool nothingLeft() {
    if (script.current < script.commands.size()) return false;
    for (const CScene& s : script.scenes)
        if (s.isRunning()) return false;
    return true;
}
