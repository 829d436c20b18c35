#pragma once
#include "timeline/beat_grid.h"
#include "timeline/scene.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// The sync tracks and the scene list that synced records take their contents
// from. `templateAt` is the list's template cursor: it is left on the
// template a step took.
struct SyncContext {
    std::vector<CScene>& scenes;
    std::vector<CScene>::iterator& templateAt;
    const std::vector<std::vector<SYNC>>& tracks;
    // The music's beats, for steps whose length is musical; null: none.
    const BeatGrid* grid = nullptr;
};

// Whether the record's syncTrack names a track that has steps. A record that
// names none is handled as an ordinary, unsynced record.
bool hasSyncSteps(const CScene& s, const std::vector<std::vector<SYNC>>& tracks);

// Arming in the record's first frame (the first step's template, from `now`
// for the step's length; a musical length from the record's syncBeatEnd,
// which the interpreter sets to the beat position of its start), then the wrap of the step position that
// every frame does. Returns the position in the track of the step that took a template (left at
// sync.templateAt), or -1 when none did.
int32_t syncArm(CScene& s, int32_t now, SyncContext& sync);

// Once the record's step has ended, the next step: counted from the previous
// scheduled end so that a late frame does not shift the rhythm (a musical
// length ends at the rounded time of that end's beat plus the length, so the
// steps stay on the beat grid); a step without a template takes no time. Returns as syncArm does.
int32_t syncAdvance(CScene& s, int32_t now, SyncContext& sync);

// The value updates of a running record: timing, then the type's values.
void updateSceneValues(CScene& s);
