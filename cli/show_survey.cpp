#include "cli/show_survey.h"

#include "assets/gfx.h"
#include "base/engine.h"
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
        if (s.kind == 1) {
            look.drawn = Drawn::Bezier;
            look.name = "Bezier curves";
        } else if (s.kind == 0 && s.type == 1) {
            look.drawn = Drawn::Picture;
            look.name = picture(s.objectStart);
            if (s.objectInterp && s.objectEnd != s.objectStart) look.name += " to " + picture(s.objectEnd);
        } else if (s.kind == 0 && s.type == 0) {
            look.drawn = Drawn::Model;
            const object_type* o = getObject(s.objectStart);
            look.name = o ? o->name : std::string();
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

class Surveyor {
  public:
    Survey run(int64_t longest) {
        laneOf.assign(script.commands.size(), -1);
        for (;;) {
            const int32_t now = timer.elapsed;
            interpretDue();
            listBefore(now);
            walkScenes();
            listAfter(now);
            ++survey.frames;
            if (engine.ended || nothingLeft()) break;
            if (timer.elapsed >= longest) {
                survey.complete = false;
                break;
            }
            timer.getTime();
        }
        survey.end = timer.elapsed;
        survey.endCommand = engine.ended;
        // Template lanes by their place on the page.
        std::vector<int32_t> place(made.size());
        for (size_t i = 0; i < order.size(); ++i)
            place[static_cast<size_t>(order[i])] = static_cast<int32_t>(i);
        for (Lane& l : made)
            for (SyncStep& s : l.steps)
                if (s.templateLane >= 0) s.templateLane = place[static_cast<size_t>(s.templateLane)];
        for (int32_t lane : order)
            survey.lanes.push_back(std::move(made[static_cast<size_t>(lane)]));
        return std::move(survey);
    }

  private:
    Names names;
    Survey survey;
    std::vector<Lane> made;             // in the order the interpreter made them
    std::vector<int32_t> laneOf;        // command index to lane (index into made), -1: none yet
    std::vector<int32_t> order;         // lanes in draw order, erased ones included
    std::vector<int32_t> before, after; // the lanes of the list before and after the walk

    int32_t laneAt(const CScene& s) const {
        if (s.command < 0 || static_cast<size_t>(s.command) >= laneOf.size()) return -1;
        return laneOf[static_cast<size_t>(s.command)];
    }

    // After the interpreter: new records get their lane, placed in the draw
    // order just before the record that follows them in the list, so that the
    // order agrees with the list of every frame.
    void listBefore(int32_t now) {
        before.clear();
        const int32_t firstNew = static_cast<int32_t>(made.size());
        for (const CScene& s : script.scenes) {
            int32_t lane = laneAt(s);
            if (lane < 0 && s.command >= 0 && static_cast<size_t>(s.command) < laneOf.size()) {
                lane = laneOf[static_cast<size_t>(s.command)] = static_cast<int32_t>(made.size());
                Lane l;
                l.command = s.command;
                l.made = now;
                l.track = s.track;
                l.isTemplate = s.insync;
                l.look = names.lookOf(s);
                made.push_back(std::move(l));
            }
            before.push_back(lane);
        }
        if (static_cast<int32_t>(made.size()) == firstNew) return;
        int32_t next = -1;
        for (size_t i = before.size(); i-- > 0;) {
            if (before[i] >= firstNew)
                order.insert(next < 0 ? order.end() : std::find(order.begin(), order.end(), next), before[i]);
            if (before[i] >= 0) next = before[i];
        }
    }

    // After the walk: first runs, sync steps, ends and erasures.
    void listAfter(int32_t now) {
        after.clear();
        for (const CScene& s : script.scenes) {
            const int32_t id = laneAt(s);
            after.push_back(id);
            if (id < 0) continue;
            Lane& lane = made[static_cast<size_t>(id)];
            const bool running = s.isRunning();
            if (lane.made == now) lane.syncTrack = s.sync ? s.syncTrack : -1; // the walk unsyncs a bad track
            if (running && lane.firstRun < 0) {
                lane.firstRun = now;
                lane.look = names.lookOf(s);
            }
            if (!running && lane.firstRun >= 0 && lane.runEnd < 0) lane.runEnd = now;
            if (running && s.sync) noteStep(s, lane, now);
        }
        // The walk only erases, so the list after it is the one before it
        // with some records left out.
        size_t j = 0;
        for (int32_t id : before) {
            if (j < after.size() && after[j] == id) {
                ++j;
                continue;
            }
            if (id < 0) continue;
            Lane& lane = made[static_cast<size_t>(id)];
            lane.erased = now;
            if (lane.firstRun >= 0 && lane.runEnd < 0) lane.runEnd = now;
        }
    }

    // A step that takes a template starts now and gives the record the
    // template's track; a step that finds none changes nothing to see.
    void noteStep(const CScene& s, Lane& lane, int32_t now) {
        if (s.startTime != now) return;
        const std::vector<SYNC>& track = script.syncTracks[static_cast<size_t>(s.syncTrack)];
        const int32_t n = static_cast<int32_t>(track.size());
        const int32_t position = ((s.syncPosition - 1) % n + n) % n;
        if (track[static_cast<size_t>(position)].track != s.track) return;
        SyncStep step;
        step.time = now;
        step.position = position;
        step.templateTrack = s.track;
        for (const CScene& t : script.scenes)
            if (t.track == s.track) {
                step.templateLane = laneAt(t);
                break;
            }
        step.look = names.lookOf(s);
        lane.steps.push_back(std::move(step));
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
    effect.present = false;
    std::vector<uint8_t> rgb;
    // Whether the timeline stands at a frame of the plain run, so that the run
    // can go on from it; a time between two frames is drawn as --shot draws
    // it, from a run rebuilt up to it.
    bool onGrid = false;
    for (int32_t t : times) {
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
