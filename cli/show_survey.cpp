#include "cli/show_survey.h"

#include "assets/gfx.h"
#include "base/engine.h"
#include "base/stop_signal.h"
#include "base/timer.h"
#include "render/effect.h"
#include "script/frame_step.h"
#include "script/rewind.h"
#include "script/script.h"

#include <algorithm>
#include <unordered_map>

namespace {

// File names of what records draw, from the registries the interpreter looked
// them up in.
class Names {
  public:
    Names() {
        for (const texture_type* t = gfx.textures; t; t = t->next)
            pictures.emplace(t->textureId, t->name);
    }

    Look lookOf(const CScene& s) const {
        Look look;
        look.drawn = drawnAs(s);
        switch (look.drawn) {
        case Drawn::Bezier:
            look.name = "Bezier curves";
            break;
        case Drawn::Picture:
            look.name = picture(s.objectStart);
            if (s.objectInterp && s.objectEnd != s.objectStart) look.name += " to " + picture(s.objectEnd);
            break;
        case Drawn::Model: {
            const object_type* o = getObject(s.objectStart);
            look.name = o ? o->name : std::string();
            break;
        }
        case Drawn::Nothing:
            break;
        }
        if (s.mask && look.drawn != Drawn::Nothing && look.drawn != Drawn::Bezier) {
            const std::string mask = picture(s.maskStart);
            if (!mask.empty()) look.name += (look.name.empty() ? "mask " : ", mask ") + mask;
        }
        return look;
    }

  private:
    std::unordered_map<int32_t, std::string> pictures; // by texture name

    std::string picture(int32_t id) const {
        const auto it = pictures.find(id);
        return it == pictures.end() ? std::string() : it->second;
    }
};

// Listens to the frame step and keeps a lane for every record it makes.
class Surveyor : public FrameListener {
  public:
    Survey run(int64_t longest) {
        laneOf.assign(script.commands.size(), -1);
        frameListener = this;
        for (;;) {
            if (stopRequested()) break; // the mode says so and writes nothing
            now = timer.elapsed;
            stepFrame();
            ++survey.frames;
            if (engine.ended || nothingLeft()) break;
            if (timer.elapsed >= longest) {
                survey.complete = false;
                break;
            }
            timer.getTime();
            if (timer.pastEnd) { // the clock holds no later time
                survey.complete = false;
                break;
            }
        }
        frameListener = nullptr;
        survey.end = timer.elapsed;
        survey.endCommand = engine.ended;
        // Template lanes by their place on the page.
        std::vector<int32_t> place(lanes.size());
        for (size_t i = 0; i < order.size(); ++i)
            place[static_cast<size_t>(order[i])] = static_cast<int32_t>(i);
        for (Lane& l : lanes)
            for (SyncStep& s : l.steps)
                if (s.templateLane >= 0) s.templateLane = place[static_cast<size_t>(s.templateLane)];
        for (int32_t lane : order)
            survey.lanes.push_back(std::move(lanes[static_cast<size_t>(lane)]));
        return std::move(survey);
    }

    // A new lane, placed in the draw order just before the record that
    // follows it in the list, so that the order agrees with the list of
    // every frame.
    void made(const CScene& s, const CScene* next) override {
        if (s.command < 0 || static_cast<size_t>(s.command) >= laneOf.size() || laneAt(s) >= 0) return;
        const int32_t id = laneOf[static_cast<size_t>(s.command)] = static_cast<int32_t>(lanes.size());
        Lane l;
        l.command = s.command;
        l.made = now;
        l.track = s.track;
        l.isTemplate = s.insync;
        l.look = names.lookOf(s);
        lanes.push_back(std::move(l));
        const int32_t following = next ? laneAt(*next) : -1;
        order.insert(following < 0 ? order.end() : std::find(order.begin(), order.end(), following), id);
    }

    // A step that took a template: kept once the record is seen running in
    // this frame (the last step of the frame, when it took several).
    void stepped(const CScene& s, const CScene& from, int32_t position) override {
        step.lane = laneAt(s);
        step.step = SyncStep{};
        step.step.time = now;
        step.step.position = position;
        step.step.templateLane = laneAt(from);
    }

    void walked(const CScene& s, bool running) override {
        const int32_t id = laneAt(s);
        if (id < 0) return;
        Lane& lane = lanes[static_cast<size_t>(id)];
        if (lane.made == now) lane.syncTrack = s.sync ? s.syncTrack : -1; // the walk unsyncs a bad track
        if (running && lane.firstRun < 0) {
            lane.firstRun = now;
            lane.look = names.lookOf(s);
        }
        if (!running && lane.firstRun >= 0 && lane.runEnd < 0) lane.runEnd = now;
        if (step.lane == id) {
            if (running) {
                step.step.templateTrack = s.track;
                step.step.look = names.lookOf(s);
                lane.steps.push_back(std::move(step.step));
            }
            step.lane = -1;
        }
    }

    void erased(const CScene& s) override {
        const int32_t id = laneAt(s);
        if (step.lane == id) step.lane = -1;
        if (id < 0) return;
        Lane& lane = lanes[static_cast<size_t>(id)];
        lane.erased = now;
        if (lane.firstRun >= 0 && lane.runEnd < 0) lane.runEnd = now;
    }

  private:
    Names names;
    Survey survey;
    int32_t now = 0;             // the frame being stepped
    std::vector<Lane> lanes;     // in the order the interpreter made them
    std::vector<int32_t> laneOf; // command index to lane (index into lanes), -1: none yet
    std::vector<int32_t> order;  // lanes in draw order, erased ones included
    struct {
        int32_t lane = -1; // the record whose step waits for its walk; -1: none
        SyncStep step;
    } step;

    int32_t laneAt(const CScene& s) const {
        if (s.command < 0 || static_cast<size_t>(s.command) >= laneOf.size()) return -1;
        return laneOf[static_cast<size_t>(s.command)];
    }
};

} // namespace

Survey surveyShow(int64_t longest) {
    resetTimeline();
    timer.init();
    return Surveyor().run(longest);
}

std::string secondsText(int32_t ms) {
    std::string s = std::to_string(ms / 1000) + "." + std::to_string(1000 + ms % 1000).substr(1);
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.') s.pop_back();
    return s + " s";
}

std::vector<int32_t> everyTimes(int32_t end, int32_t every) {
    std::vector<int32_t> times;
    if (every <= 0) return times;
    for (int64_t t = 0; t <= end; t += every)
        times.push_back(static_cast<int32_t>(t));
    return times;
}

bool drawFrames(const std::vector<int32_t>& times, int fps, const Offscreen& frame,
                const std::function<bool(int32_t, const std::vector<uint8_t>&)>& take) {
    std::vector<uint8_t> rgb;
    // Whether the timeline stands at a frame of the plain run, so that the run
    // can go on from it; a time between two frames is drawn as --shot draws
    // it, from a run rebuilt up to it.
    bool onGrid = false;
    for (int32_t t : times) {
        if (stopRequested()) return false;
        if (onGrid && t > timer.elapsed) {
            timer.getTime();
            if (!simulateUntil(t)) return false;
        } else if (!rewindTo(t, fps)) {
            return false;
        }
        effect.DrawGLScene();
        onGrid = timer.origin + CTimer::frameTime(timer.frame, fps) == t;
        frame.readRGB(rgb);
        if (!take(t, rgb)) return false;
    }
    return true;
}
