#pragma once
#include <cstdint>

// One step of a sync track: the template track whose contents the synced
// record takes, and how long the step lasts in ms.
struct SYNC {
    int32_t track;
    int32_t length;
    // A length written to the music: that many beats (0: `length` ms). The
    // step then ends on the beat grid, not `length` after the step before.
    double beats = 0;
};

// A scene record: what is drawn, the GL switches around it, its time span and
// every animatable property as Start, End, current Value and an Interp flag.
// A plain value record: copying it field by field is a correct copy.
class CScene {
  public:
    // Switches and interpolation flags.
    bool blend = false;
    bool envmap = false;
    bool wireframe = false;
    bool reflect = false;
    bool rotateInterp = false;
    bool translateInterp = false;
    bool scaleInterp = false;
    bool moveInterp = false;
    bool colorInterp = false;
    bool angleInterp = false;
    bool objectInterp = false;
    bool opacityInterp = false;
    bool rotate = false;
    bool translate = false;
    bool scale = false;
    bool move = false;
    bool blendFunc = false;
    bool color = false;
    bool opacity = false;
    bool mask = false;
    bool maskInterp = false;
    bool sync = false;
    bool insync = false;
    bool center = false;

    // Timing, identity and integer values.
    int32_t duration = 0;
    int32_t startTime = 0;
    int32_t endTime = 0;
    int32_t syncEndTime = 0;
    int32_t track = 0;
    int32_t type = 0;
    int32_t objectValue = 0;
    int32_t objectStart = 0;
    int32_t objectEnd = 0;
    int32_t maskValue = 0;
    int32_t maskStart = 0;
    int32_t maskEnd = 0;
    int32_t blendSrc = 0;
    int32_t blendDst = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t syncTrack = 0;
    int32_t syncPosition = 0;
    int32_t syncStepEnd = 0;
    // The beat position at which the current sync step is scheduled to end;
    // a track of musical lengths counts its steps on the beat grid from it.
    double syncBeatEnd = 0;
    int32_t kind = 0;
    // How the progress runs between Start and End values (Ease; 0: linear).
    int32_t ease = 0;
    // The index in the script's commands of the command that made the record
    // (-1: none). The show never reads it; the authoring views tell records
    // apart by it, as records move in the list and a synced record takes its
    // templates' contents and track.
    int32_t command = -1;

    // Single-precision values.
    float opacityValue = 0, opacityStart = 0, opacityEnd = 0;
    float angleValue = 0, angleStart = 0, angleEnd = 0;
    float progress = 0;
    float colorValue[3] = {}, colorStart[3] = {}, colorEnd[3] = {};
    float axisValue[3] = {}, axisStart[3] = {}, axisEnd[3] = {};
    float scaleValue[3] = {}, scaleStart[3] = {}, scaleEnd[3] = {};
    float translateValue[3] = {}, translateStart[3] = {}, translateEnd[3] = {};
    float moveValue[2] = {}, moveStart[2] = {}, moveEnd[2] = {};

    // Take over the contents of a template (everything but the sync state,
    // the current values, width and height, and the command that made it).
    void copy(const CScene& source);

    bool isRunning() const;
    void timeUpdate();
    template <typename T> T valuePosition(T start, T end) const;
    void typeUpdate();
    void objUpdate(); // value half: translation, scale, the opacity rule
    void imgUpdate();
};

// How a record's "A to B" values run over its time, with t its time so far
// from 0 to 1: linear (t), smooth (3t^2 - 2t^3), in (t^2, slow at first), out
// (1 - (1 - t)^2, slow at the end), step (A for the first half, B for the
// second) and ramp (A to B in the first half, back to A in the second).
enum class Ease : int32_t { Linear, Smooth, In, Out, Step, Ramp };
inline constexpr const char* kEaseNames[] = {"linear", "smooth", "in", "out", "step", "ramp"};
// The eased share of a record's time still to come, from the linear one
// (progress: 1 at the start, 0 at the end). Linear returns it unchanged.
float easedProgress(int32_t ease, float progress);

// What the renderer draws for a record: for kind 0 a model (type 0) or a
// picture (type 1), for kind 1 the Bezier effect; anything else draws nothing.
enum class Drawn : uint8_t { Picture, Model, Bezier, Nothing };
inline Drawn drawnAs(const CScene& s) {
    if (s.kind == 1) return Drawn::Bezier;
    if (s.kind != 0) return Drawn::Nothing;
    return s.type == 0 ? Drawn::Model : s.type == 1 ? Drawn::Picture : Drawn::Nothing;
}

// The Bezier effect's own record; the renderer draws it (drawBezier).
class CBezier : public CScene {};

extern CBezier scene1;
