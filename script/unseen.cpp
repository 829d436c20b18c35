#include "script/unseen.h"

#include "assets/gfx.h"
#include "base/config.h"
#include "base/engine.h"
#include "base/stop_signal.h"
#include "base/timer.h"
#include "script/frame_step.h"
#include "script/rewind.h"
#include "script/script.h"
#include "timeline/scene_geometry.h"

#include <algorithm>
#include <string>

namespace {

// Why a record is not seen in one frame; several may hold at once.
enum Hidden : unsigned {
    ScaleX = 1u << 0,
    ScaleY = 1u << 1,
    ScaleZ = 1u << 2,
    Transparent = 1u << 3,
    Left = 1u << 4,
    Right = 1u << 5,
    Below = 1u << 6,
    Above = 1u << 7,
    Near = 1u << 8, // a model: behind the camera or nearer than the frustum's start; a layer: turned away
    Far = 1u << 9,
    Covered = 1u << 10,
};

// Blend factors, as the script writes them.
constexpr int32_t kZero = 0, kOne = 1, kSrcColor = 0x300, kOneMinusSrcColor = 0x301, kSrcAlpha = 0x302,
                  kOneMinusSrcAlpha = 0x303, kSrcAlphaSaturate = 0x308;

// Whether a source of alpha 0 adds nothing and leaves what lies behind as it is.
bool zeroAlphaHides(int32_t src, int32_t dst) {
    return (src == kSrcAlpha || src == kSrcAlphaSaturate) && (dst == kOne || dst == kOneMinusSrcAlpha);
}

// Whether a layer of this alpha replaces what lies behind it, whatever that is.
bool replacesBehind(int32_t src, int32_t dst, float alpha) {
    const bool srcOwn = src == kZero || src == kOne || src == kSrcColor || src == kOneMinusSrcColor ||
                        src == kSrcAlpha || src == kOneMinusSrcAlpha;
    return srcOwn && (dst == kZero || (dst == kOneMinusSrcAlpha && alpha >= 1.0f));
}

// The alpha a record is drawn with.
float alphaOf(const CScene& s) {
    return s.opacity ? s.opacityValue : 1.0f;
}

// The planes of clip space that every one of the points lies beyond.
unsigned outsideAll(const double (*clip)[4], int n) {
    unsigned out = Left | Right | Below | Above | Near | Far;
    constexpr double e = 1e-9;
    for (int i = 0; i < n; ++i) {
        const double x = clip[i][0], y = clip[i][1], z = clip[i][2], w = clip[i][3];
        if (!(x < -w - e)) out &= ~Left;
        if (!(x > w + e)) out &= ~Right;
        if (!(y < -w - e)) out &= ~Below;
        if (!(y > w + e)) out &= ~Above;
        if (!(z < -w - e)) out &= ~Near;
        if (!(z > w + e)) out &= ~Far;
    }
    return out;
}

struct Verdict {
    long frames = 0;              // frames in which the contents were drawn
    unsigned always = ~0u;        // the reasons that held in every one of them
    int32_t coveredBy = -1;       // the command of the layer that covered it first
    Drawn drawn = Drawn::Nothing; // as first drawn
    bool unknown = false;         // the contents could not be placed: no verdict
};

// The longest show the check plays; records still running there get no verdict.
constexpr int32_t kLongest = 30 * 60 * 1000;

class Watcher : public FrameListener {
  public:
    explicit Watcher(size_t commands) : verdicts(commands), contents(commands, -1) {}

    void made(const CScene& s, const CScene*) override {
        if (valid(s.command)) contents[static_cast<size_t>(s.command)] = s.command;
    }
    void stepped(const CScene& s, const CScene& from, int32_t) override {
        if (valid(s.command) && valid(from.command)) contents[static_cast<size_t>(s.command)] = from.command;
    }
    void walked(const CScene&, bool) override {}
    void erased(const CScene&) override {}

    // Every running record of the frame just stepped, in draw order.
    void frame() {
        const int W = einit.screenWidth, H = einit.screenHeight;
        const size_t n = script.scenes.size();
        for (size_t i = 0; i < n; ++i) {
            const CScene& s = script.scenes[i];
            if (!s.isRunning() || !valid(s.command)) continue;
            const int32_t from = contents[static_cast<size_t>(s.command)];
            if (!valid(from)) continue;
            Verdict& v = verdicts[static_cast<size_t>(from)];
            const Drawn drawn = drawnAs(s);
            if (drawn != Drawn::Picture && drawn != Drawn::Model) continue;
            if (v.frames == 0) v.drawn = drawn;
            int32_t coverer = -1;
            const unsigned hidden =
                drawn == Drawn::Picture ? pictureHidden(i, W, H, coverer) : modelHidden(s, v.unknown);
            if (v.frames == 0 || !(v.always & Covered)) v.coveredBy = coverer;
            v.always &= hidden;
            ++v.frames;
        }
    }

    // The records still running when the play was cut short get no verdict.
    void cutShort() {
        for (const CScene& s : script.scenes)
            if (s.isRunning() && valid(s.command)) {
                const int32_t from = contents[static_cast<size_t>(s.command)];
                if (valid(from)) verdicts[static_cast<size_t>(from)].unknown = true;
            }
    }

    std::vector<Diagnostic> problems() const;

  private:
    std::vector<Verdict> verdicts; // by command
    std::vector<int32_t> contents; // by command of a record: the command whose contents it shows

    bool valid(int32_t command) const {
        return command >= 0 && static_cast<size_t>(command) < verdicts.size();
    }

    unsigned scaleZero(const CScene& s, int axes) const {
        if (!s.scale) return 0;
        unsigned out = 0;
        for (int a = 0; a < axes; ++a)
            if (s.scaleValue[a] == 0.0f) out |= ScaleX << a;
        return out;
    }

    unsigned pictureHidden(size_t index, int W, int H, int32_t& coverer) const {
        const CScene& s = script.scenes[index];
        unsigned hidden = scaleZero(s, 2);
        if (s.opacity && s.opacityValue <= 0.0f && zeroAlphaHides(s.blendSrc, s.blendDst))
            hidden |= Transparent;
        if (s.width <= 0 || s.height <= 0 || W <= 0 || H <= 0) return hidden;
        const ImageRect r = imageRect(s, W, H);
        const float x0 = std::min(r.x0, r.x1), x1 = std::max(r.x0, r.x1);
        const float y0 = std::min(r.y0, r.y1), y1 = std::max(r.y0, r.y1);
        if (s.rotate) {
            // The turn comes before the window-pixel projection: about the
            // centre of the screen, in clip space.
            const Matrix4 turn = rotation(s.angleValue, s.axisValue[0], s.axisValue[1], s.axisValue[2]);
            double clip[4][4];
            const float xs[4] = {x0, x0, x1, x1}, ys[4] = {y0, y1, y1, y0};
            for (int c = 0; c < 4; ++c) {
                const double p[3] = {2.0 * xs[c] / W - 1.0, 2.0 * ys[c] / H - 1.0, -1.0};
                turn.apply(p, clip[c]);
            }
            return hidden | outsideAll(clip, 4);
        }
        if (x1 <= 0) hidden |= Left;
        if (x0 >= W) hidden |= Right;
        if (y1 <= 0) hidden |= Below;
        if (y0 >= H) hidden |= Above;
        if (hidden & (Left | Right | Below | Above)) return hidden;
        // What of it lies on the picture, and whether an opaque layer drawn
        // later covers all of that.
        const float cx0 = std::max(x0, 0.0f), cx1 = std::min(x1, static_cast<float>(W));
        const float cy0 = std::max(y0, 0.0f), cy1 = std::min(y1, static_cast<float>(H));
        for (size_t j = index + 1; j < script.scenes.size(); ++j) {
            const CScene& q = script.scenes[j];
            if (!q.isRunning() || drawnAs(q) != Drawn::Picture || q.rotate || q.wireframe) continue;
            if (!replacesBehind(q.blendSrc, q.blendDst, alphaOf(q)) || textureHasAlpha(q.objectValue))
                continue;
            const ImageRect c = imageRect(q, W, H);
            if (std::min(c.x0, c.x1) <= cx0 && std::max(c.x0, c.x1) >= cx1 && std::min(c.y0, c.y1) <= cy0 &&
                std::max(c.y0, c.y1) >= cy1) {
                const int32_t from = valid(q.command) ? contents[static_cast<size_t>(q.command)] : -1;
                coverer = valid(from) ? from : q.command;
                return hidden | Covered;
            }
        }
        return hidden;
    }

    unsigned modelHidden(const CScene& s, bool& unknown) const {
        const object_type* o = getObject(s.objectValue);
        if (!o || o->vertices.empty()) {
            unknown = true; // drawn as nothing, or not at all: another check says why
            return 0;
        }
        unsigned hidden = scaleZero(s, 3);
        if (s.blend && s.opacity && s.opacityValue <= 0.0f && zeroAlphaHides(s.blendSrc, s.blendDst))
            hidden |= Transparent;
        VECTOR lo = o->vertices[0], hi = lo;
        for (const VECTOR& v : o->vertices) {
            lo = {std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z)};
            hi = {std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z)};
        }
        const Matrix4 m = frustumMatrix(viewFrustum(einit.screenWidth, einit.screenHeight)) * modelMatrix(s);
        double clip[8][4];
        for (int c = 0; c < 8; ++c) {
            const double p[3] = {(c & 1) ? hi.x : lo.x, (c & 2) ? hi.y : lo.y, (c & 4) ? hi.z : lo.z};
            m.apply(p, clip[c]);
        }
        return hidden | outsideAll(clip, 8);
    }
};

int lineOf(int32_t command) {
    return static_cast<size_t>(command) < script.commandLines.size()
               ? script.commandLines[static_cast<size_t>(command)]
               : 0;
}

std::string sideText(unsigned hidden, bool picture) {
    // Behind the camera a point also lies beyond the side planes, so the
    // depth tells first.
    if (hidden & Near)
        return picture ? "turned out of the picture" : "behind the camera (or nearer than 1.5)";
    if (hidden & Far && !picture) return "beyond the far end of the view (10000)";
    if (hidden & Left) return picture ? "left of the picture" : "left of the view";
    if (hidden & Right) return picture ? "right of the picture" : "right of the view";
    if (hidden & Below) return picture ? "below the picture" : "below the view";
    if (hidden & Above) return picture ? "above the picture" : "above the view";
    if (hidden & Near)
        return picture ? "turned out of the picture" : "behind the camera (or nearer than 1.5)";
    return picture ? "out of the picture" : "beyond the far end of the view (10000)";
}

std::vector<Diagnostic> Watcher::problems() const {
    std::vector<Diagnostic> out;
    const std::string size = std::to_string(einit.screenWidth) + " x " + std::to_string(einit.screenHeight);
    for (size_t i = 0; i < verdicts.size(); ++i) {
        const Verdict& v = verdicts[i];
        if (v.frames == 0 || v.unknown || v.always == 0) continue;
        const bool picture = v.drawn == Drawn::Picture;
        const char* what = picture ? "the layer" : "the model";
        const char* axes[3] = {"x", "y", "z"};
        std::string m;
        if (v.always & (ScaleX | ScaleY | ScaleZ)) {
            const int a = (v.always & ScaleX) ? 0 : (v.always & ScaleY) ? 1 : 2;
            m = std::string("'scale' is 0 on the ") + axes[a] + " axis in every frame it is drawn, so " +
                what +
                (picture ? (a == 0 ? " has no width and is never seen" : " has no height and is never seen")
                         : " is squashed flat") +
                ": give every axis a size, e.g. 'scale 1 1 1'";
        } else if (v.always & Transparent) {
            m = std::string("the opacity is 0 in every frame it is drawn, so ") + what +
                " adds nothing and is never seen: fade it in ('opacity 0 to 1') or give it an opacity above "
                "0";
        } else if (v.always & (Left | Right | Below | Above | Near | Far)) {
            m = std::string(what) + " lies wholly " + sideText(v.always, picture) +
                " in every frame it is drawn, so it is never seen: " +
                (picture
                     ? "place it on the picture (" + size +
                           " pixels, origin bottom left) with 'move' or "
                           "'center'"
                     : std::string("'translate' it into the view, in front of the camera (which looks down "
                                   "-z), e.g. 'translate 0 0 -7'"));
        } else if (v.always & Covered) {
            const int32_t by = v.coveredBy;
            m = "the layer lies wholly under the opaque layer of line " + std::to_string(lineOf(by)) +
                " in every frame it is drawn, so it is never seen: give it a smaller 'track' than that "
                "layer's, "
                "so that it is drawn above it, or make that layer end sooner or let light through";
        } else {
            continue;
        }
        out.push_back(Diagnostic{Diagnostic::Warning, kScriptPath, lineOf(static_cast<int32_t>(i)), m});
    }
    return out;
}

} // namespace

std::vector<Diagnostic> unseenProblems(int fps) {
    if (fps <= 0) fps = 60;
    // Everything the play changes, put back afterwards.
    const CTimer clock = timer;
    const std::vector<CScene> scenes = script.scenes;
    const uint32_t current = script.current;
    const CBezier bezier = scene1;
    const bool ended = engine.ended;
    const int32_t endedAt = engine.endedAt;
    void (*handler)() = engine.exitHandler;
    FrameListener* listening = frameListener;

    engine.exitHandler = nullptr; // "end" only ends the play
    resetTimeline();
    timer.useVirtual(fps, 0);
    timer.init();
    Watcher watcher(script.commands.size());
    frameListener = &watcher;
    for (;;) {
        if (stopRequested()) break; // the check's status says it was stopped
        stepFrame();
        if (engine.ended) break;
        watcher.frame();
        if (nothingLeft()) break;
        if (timer.elapsed >= kLongest) {
            watcher.cutShort();
            break;
        }
        timer.getTime();
    }
    std::vector<Diagnostic> out = watcher.problems();

    frameListener = listening;
    resetTimeline();
    script.scenes = scenes;
    script.current = current;
    script.sceneIt = script.scenes.begin();
    script.syncSceneIt = script.scenes.begin();
    scene1 = bezier;
    engine.ended = ended;
    engine.endedAt = endedAt;
    engine.exitHandler = handler;
    timer = clock;
    return out;
}
