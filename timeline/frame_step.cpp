#include "timeline/frame_step.h"

#include "engine/engine.h"
#include "engine/timer.h"
#include "script/script.h"

namespace {

// Whether the record's syncTrack names a track that has steps. A record that
// names none is handled as an ordinary, unsynced record.
bool hasSteps(const CScene& s) {
    return s.syncTrack >= 0 && static_cast<size_t>(s.syncTrack) < script.syncTracks.size() &&
           !script.syncTracks[static_cast<size_t>(s.syncTrack)].empty();
}

// The first record of the list whose track is `track`, found with the
// template cursor; false when there is none.
bool findTemplate(int32_t track) {
    for (script.syncSceneIt = script.scenes.begin(); script.syncSceneIt != script.scenes.end();
         ++script.syncSceneIt)
        if (script.syncSceneIt->track == track) return true;
    return false;
}

const SYNC& currentStep(const CScene& s) {
    return script.syncTracks[static_cast<size_t>(s.syncTrack)][static_cast<size_t>(s.syncPosition)];
}

int32_t addTime(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// Arming in the record's first frame, then the wrap that every frame does.
void syncBookkeeping(CScene& s, int32_t now) {
    if (s.syncPosition == -1) {
        s.syncPosition = 0;
        const SYNC step = currentStep(s);
        if (findTemplate(step.track)) {
            s.copy(*script.syncSceneIt);
            s.startTime = now;
            s.endTime = s.syncStepEnd = addTime(now, step.length);
        }
        ++s.syncPosition;
    }
    const size_t steps = script.syncTracks[static_cast<size_t>(s.syncTrack)].size();
    if (s.syncPosition < 0 || static_cast<size_t>(s.syncPosition) >= steps) s.syncPosition = 0;
}

// The next step, counted from the previous scheduled end so that a late
// frame does not shift the rhythm; a step without a template takes no time.
void stepAdvance(CScene& s, int32_t now) {
    if (now < s.endTime) return;
    const SYNC step = currentStep(s);
    if (findTemplate(step.track)) {
        s.copy(*script.syncSceneIt);
        s.startTime = now;
        s.syncStepEnd = addTime(s.syncStepEnd, step.length);
        s.endTime = s.syncStepEnd;
    }
    ++s.syncPosition;
}

void updateValues(CScene& s) {
    switch (s.kind) {
    case 0:
        s.timeUpdate();
        s.typeUpdate();
        if (s.type == 1)
            s.imgUpdate();
        else if (s.type == 0)
            s.objUpdate();
        break;
    case 1:
        scene1.timeUpdate();
        scene1.typeUpdate();
        break;
    default:
        break;
    }
}

} // namespace

void stepFrame() {
    const int32_t now = timer.elapsed;
    if (script.current < script.times.size() && script.times[script.current] <= now) script.parse();

    script.sceneIt = script.scenes.begin();
    while (script.sceneIt != script.scenes.end()) {
        CScene& s = *script.sceneIt;
        if (s.sync && !hasSteps(s)) s.sync = false;
        if (s.sync) syncBookkeeping(s, now);
        if (!s.isRunning()) {
            if (s.insync)
                ++script.sceneIt;
            else
                script.sceneIt = script.scenes.erase(script.sceneIt); // the next record is handled next
            continue;
        }
        if (s.sync) stepAdvance(s, now);
        updateValues(s);
        ++script.sceneIt;
    }
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
