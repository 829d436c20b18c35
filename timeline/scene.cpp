#include "timeline/scene.h"

#include "base/timer.h"
#include "timeline/value_position.h"

#include <algorithm>

CBezier scene1;

template int32_t CScene::valuePosition<int32_t>(int32_t, int32_t) const;
template float CScene::valuePosition<float>(float, float) const;

namespace {

// 32-bit differences of show times, wrapping instead of overflowing.
int32_t timeDiff(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

template <int N> void copyArray(float (&to)[N], const float (&from)[N]) {
    for (int i = 0; i < N; ++i)
        to[i] = from[i];
}

} // namespace

void CScene::copy(const CScene& source) {
    // A template hands over what is drawn and how; the synced record keeps
    // its own place on its track, its current values, its picture size and
    // the command that made it.
    CScene keep = *this;
    static_cast<CScene&>(*this) = source;

    sync = keep.sync;
    insync = keep.insync;
    syncEndTime = keep.syncEndTime;
    syncTrack = keep.syncTrack;
    syncPosition = keep.syncPosition;
    syncStepEnd = keep.syncStepEnd;
    syncBeatEnd = keep.syncBeatEnd;

    objectValue = keep.objectValue;
    maskValue = keep.maskValue;
    opacityValue = keep.opacityValue;
    angleValue = keep.angleValue;
    progress = keep.progress;
    copyArray(colorValue, keep.colorValue);
    copyArray(axisValue, keep.axisValue);
    copyArray(scaleValue, keep.scaleValue);
    copyArray(translateValue, keep.translateValue);
    copyArray(moveValue, keep.moveValue);

    width = keep.width;
    height = keep.height;
    command = keep.command;
}

bool CScene::isRunning() const {
    const int32_t now = timer.elapsed;
    if (sync) return now < syncEndTime;
    if (insync) return false;
    return now < endTime;
}

void CScene::timeUpdate() {
    // The share of the span still to come: 1 at startTime, 0 at endTime. A
    // step of no length has all of it still to come.
    const int32_t span = timeDiff(startTime, endTime);
    if (span == 0) {
        progress = 1.0f;
        return;
    }
    const float left = static_cast<float>(timeDiff(startTime, timer.elapsed));
    progress = 1.0f - left / static_cast<float>(span);
    if (ease != 0) progress = easedProgress(ease, progress);
}

float easedProgress(int32_t ease, float progress) {
    const float t = std::clamp(1.0f - progress, 0.0f, 1.0f); // time so far
    float e = t;
    switch (static_cast<Ease>(ease)) {
    case Ease::Linear:
        return progress;
    case Ease::Smooth:
        e = t * t * (3.0f - 2.0f * t);
        break;
    case Ease::In:
        e = t * t;
        break;
    case Ease::Out:
        e = t * (2.0f - t);
        break;
    case Ease::Step:
        e = t < 0.5f ? 0.0f : 1.0f;
        break;
    case Ease::Ramp:
        e = t < 0.5f ? 2.0f * t : 2.0f - 2.0f * t;
        break;
    default:
        return progress;
    }
    return 1.0f - e;
}

namespace {

template <typename T> T pick(const CScene& s, bool interp, T start, T end) {
    return interp ? s.valuePosition(start, end) : start;
}

template <int N>
void pickArray(const CScene& s, bool interp, float (&value)[N], const float (&start)[N],
               const float (&end)[N]) {
    for (int i = 0; i < N; ++i)
        value[i] = pick(s, interp, start[i], end[i]);
}

} // namespace

void CScene::typeUpdate() {
    objectValue = pick(*this, objectInterp, objectStart, objectEnd);
    maskValue = pick(*this, maskInterp, maskStart, maskEnd);
    angleValue = pick(*this, angleInterp, angleStart, angleEnd);
    pickArray(*this, rotateInterp, axisValue, axisStart, axisEnd);
    opacityValue = pick(*this, opacityInterp, opacityStart, opacityEnd);
    pickArray(*this, colorInterp, colorValue, colorStart, colorEnd);
}

// The value half of a model's set-up; the renderer hands colorValue and
// opacityValue to glColor4f and translateValue, angleValue/axisValue and
// scaleValue to glTranslatef, glRotatef and glScalef.
void CScene::objUpdate() {
    pickArray(*this, translateInterp, translateValue, translateStart, translateEnd);
    pickArray(*this, scaleInterp, scaleValue, scaleStart, scaleEnd);
    if (!opacity) opacityValue = 1.0f;
}

void CScene::imgUpdate() {
    pickArray(*this, moveInterp, moveValue, moveStart, moveEnd);
    pickArray(*this, scaleInterp, scaleValue, scaleStart, scaleEnd);
}
