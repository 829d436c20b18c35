#include "timeline/sync_step.h"

namespace {

// The first record of the list whose track is `track`, found with the
// template cursor; false when there is none.
bool findTemplate(int32_t track, SyncContext& sync) {
    for (sync.templateAt = sync.scenes.begin(); sync.templateAt != sync.scenes.end(); ++sync.templateAt)
        if (sync.templateAt->track == track) return true;
    return false;
}

const SYNC& currentStep(const CScene& s, const SyncContext& sync) {
    return sync.tracks[static_cast<size_t>(s.syncTrack)][static_cast<size_t>(s.syncPosition)];
}

int32_t addTime(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// Schedules the end of the step that starts at `from` (ms): a musical
// length from the beat position of the previous end, any other from `from`.
void scheduleEnd(CScene& s, const SYNC& step, int32_t from, const SyncContext& sync) {
    if (step.beats > 0 && sync.grid && sync.grid->hasBeats()) {
        s.syncBeatEnd += step.beats;
        s.syncStepEnd = roundMs(sync.grid->beatMs(s.syncBeatEnd));
        return;
    }
    s.syncStepEnd = addTime(from, step.length);
    if (sync.grid && sync.grid->hasBeats()) s.syncBeatEnd = sync.grid->beatAt(s.syncStepEnd);
}

} // namespace

bool hasSyncSteps(const CScene& s, const std::vector<std::vector<SYNC>>& tracks) {
    return s.syncTrack >= 0 && static_cast<size_t>(s.syncTrack) < tracks.size() &&
           !tracks[static_cast<size_t>(s.syncTrack)].empty();
}

int32_t syncArm(CScene& s, int32_t now, SyncContext& sync) {
    int32_t took = -1;
    if (s.syncPosition == -1) {
        s.syncPosition = 0;
        const SYNC step = currentStep(s, sync);
        if (findTemplate(step.track, sync)) {
            s.copy(*sync.templateAt);
            s.startTime = now;
            scheduleEnd(s, step, now, sync);
            s.endTime = s.syncStepEnd;
            took = s.syncPosition;
        }
        ++s.syncPosition;
    }
    const size_t steps = sync.tracks[static_cast<size_t>(s.syncTrack)].size();
    if (s.syncPosition < 0 || static_cast<size_t>(s.syncPosition) >= steps) s.syncPosition = 0;
    return took;
}

int32_t syncAdvance(CScene& s, int32_t now, SyncContext& sync) {
    if (now < s.endTime) return -1;
    int32_t took = -1;
    const SYNC step = currentStep(s, sync);
    if (findTemplate(step.track, sync)) {
        s.copy(*sync.templateAt);
        s.startTime = now;
        scheduleEnd(s, step, s.syncStepEnd, sync);
        s.endTime = s.syncStepEnd;
        took = s.syncPosition;
    }
    ++s.syncPosition;
    return took;
}

void updateSceneValues(CScene& s) {
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
