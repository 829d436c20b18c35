#include "base/engine.h"
#include "base/timer.h"
#include "script/frame_step.h"
#include "script/script.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// Who was made, and which record followed it then (-1: a record of the list
// before the group, by its track's negative minus 100; -2: none).
struct Made : FrameListener {
    std::vector<std::pair<int32_t, int32_t>> seen;
    void made(const CScene& r, const CScene* next) override {
        seen.push_back({r.command, next ? (next->command >= 0 ? next->command : -100 - next->track) : -2});
    }
    void stepped(const CScene&, const CScene&, int32_t) override {}
    void walked(const CScene&, bool) override {}
    void erased(const CScene&) override {}
};

// The list as records inserted one at a time leave it: each in front of the
// first record of a smaller track. Records are (command, track); the list's
// own have command -1.
std::vector<std::pair<int32_t, int32_t>> oneByOne(std::vector<std::pair<int32_t, int32_t>> list,
                                                  const std::vector<int32_t>& tracks,
                                                  std::vector<std::pair<int32_t, int32_t>>& made) {
    for (int32_t c = 0; c < static_cast<int32_t>(tracks.size()); ++c) {
        size_t at = 0;
        while (at < list.size() && list[at].second >= tracks[static_cast<size_t>(c)])
            ++at;
        list.insert(list.begin() + static_cast<std::ptrdiff_t>(at), {c, tracks[static_cast<size_t>(c)]});
        const int32_t next = at + 1 == list.size()     ? -2
                             : list[at + 1].first >= 0 ? list[at + 1].first
                                                       : -100 - list[at + 1].second;
        made.push_back({c, next});
    }
    return list;
}

} // namespace

// A group of commands at one time lands where inserting them one by one puts
// them, with the same notifications, whatever the group's size and however a
// sync step has unordered the list (its tracks in any order).
TEST(ParseGroup, LandsAsInsertingOneByOneDoes) {
    const struct {
        int listSize, groupSize, tracks;
        bool sortedList;
    } cases[] = {
        {0, 3, 4, true},     {0, 100, 1, true},  {0, 300, 6, true},     {20, 70, 5, true},
        {50, 200, 6, false}, {7, 64, 50, false}, {200, 1000, 9, false}, {5, 63, 3, false},
    };
    std::mt19937 random(7);
    for (const auto& c : cases) {
        script.reset();
        engine = CMain{};
        timer.elapsed = 0;
        std::uniform_int_distribution<int32_t> track(0, c.tracks - 1);
        std::vector<std::pair<int32_t, int32_t>> list;
        for (int i = 0; i < c.listSize; ++i)
            list.push_back({-1, track(random)});
        if (c.sortedList)
            std::stable_sort(list.begin(), list.end(), [](auto a, auto b) { return a.second > b.second; });
        for (auto [command, t] : list) {
            CScene s{};
            s.command = command;
            s.track = t;
            script.scenes.push_back(s);
        }
        std::vector<int32_t> tracks;
        for (int i = 0; i < c.groupSize; ++i) {
            tracks.push_back(track(random));
            script.times.push_back(0);
            script.commands.push_back("0 track " + std::to_string(tracks.back()) + " duration 10");
        }
        Made listener;
        frameListener = &listener;
        script.parse();
        frameListener = nullptr;

        std::vector<std::pair<int32_t, int32_t>> made;
        const auto want = oneByOne(list, tracks, made);
        std::vector<std::pair<int32_t, int32_t>> got;
        for (const CScene& s : script.scenes)
            got.push_back({s.command, s.track});
        SCOPED_TRACE(std::to_string(c.listSize) + " + " + std::to_string(c.groupSize));
        EXPECT_EQ(got, want);
        EXPECT_EQ(listener.seen, made);
        EXPECT_EQ(script.current, static_cast<uint32_t>(c.groupSize));
    }
    script.reset();
}
