#include "assets/module_timing.h"
#include "base/config.h"
#include "base/engine.h"
#include "base/timer.h"
#include "script/check.h"
#include "script/frame_step.h"
#include "script/musical_time.h"
#include "script/script.h"
#include "support/make_module.h"
#include "support/temp_dir.h"

#include <cmath>
#include <gtest/gtest.h>
#include <libopenmpt/libopenmpt.h>
#include <string>
#include <vector>

namespace {

BeatGrid tempo(double bpm, int perBar = 4) {
    BeatGrid g;
    g.bpm = bpm;
    g.beatsPerBar = perBar;
    return g;
}

// Loads `text` as data/script.txt of `show`.
void load(const TempShow& show, const std::string& text) {
    show.script(text);
    script.reset();
    einit.defaults();
    script.init(show.data("script.txt").c_str());
}

bool hasDiagnostic(const std::string& part) {
    for (const Diagnostic& d : script.diagnostics)
        if (d.message.find(part) != std::string::npos) return true;
    return false;
}

} // namespace

// Each musical time alone, rounded to the ms; lengths end on the grid.
TEST(MusicalTime, PositionsAndLengthsAtFractionalTempos) {
    struct Case {
        double bpm;
        int perBar;
        const char* word;
        int32_t ms;
    };
    const Case positions[] = {
        {101.25, 4, "1b", 593},   {101.25, 4, "1000b", 592593}, {101.25, 4, "12b", 7111},
        {101.25, 4, "0.5b", 296}, {101.25, 4, "4:3", 8296},     {101.25, 3, "3:1", 3556},
        {101.25, 4, "16r", 2370}, {125, 4, "16b", 7680},        {125, 4, "5:1", 7680},
        {125, 4, "1:1", 0},       {125, 4, "64r", 7680},        {125, 4, "2:1.5", 2160},
        {174, 4, "1b", 345},      {174, 4, "100b", 34483},      {174, 4, "2:2.5", 1897},
        {174, 7, "2:1", 2414},    {174, 4, "1500", 1500},       {174, 4, "12abc", 12},
    };
    for (const Case& c : positions) {
        int32_t ms = -1;
        double beat = 0;
        readStartTime(c.word, tempo(c.bpm, c.perBar), ms, beat);
        EXPECT_EQ(ms, c.ms) << c.word << " at " << c.bpm;
    }
    // From a start of 12b at 101.25 (7111 ms), 8b ends at 20b (11852 ms) and
    // 1b at 13b (7704 ms).
    const Case lengths[] = {
        {101.25, 4, "8b", 4741}, {101.25, 4, "1b", 593}, {101.25, 4, "4r", 593}, {174, 4, "2000", 2000}};
    for (const Case& c : lengths) {
        int32_t ms = -1;
        double beats = 0;
        readLength(c.word, tempo(c.bpm, c.perBar), 7111, 12, ms, beats);
        EXPECT_EQ(ms, c.ms) << c.word << " at " << c.bpm;
    }
}

TEST(MusicalTime, WordsThatCannotBeReadSayWhatToWrite) {
    struct Case {
        BeatGrid grid;
        const char* word;
        bool length;
        const char* says;
    };
    const Case cases[] = {
        {BeatGrid{}, "12b", false, "add a line 'Tempo 120'"},
        {tempo(120), "o3r16", false, "the music is none"},
        {tempo(120), "4:x", false, "the beat 'x' is no beat number"},
        {tempo(120), "0:1", false, "the bar '0' is no bar number"},
        {tempo(120), "4:5", false, "a bar has 4 beats"},
        {tempo(120), "1.2.3b", false, "'1.2.3' is no number of beats"},
        {tempo(120), "o3rx", false, "is no order and row"},
        {tempo(120), "4:3", true, "is a position, not a length"},
    };
    for (const Case& c : cases) {
        int32_t ms = 77;
        double beat = 0;
        std::string problem;
        const TimeRead r = c.length ? readLength(c.word, c.grid, 0, 0, ms, beat, &problem)
                                    : readStartTime(c.word, c.grid, ms, beat, &problem);
        EXPECT_EQ(r, TimeRead::Wrong) << c.word;
        EXPECT_EQ(ms, 77) << c.word;
        EXPECT_NE(problem.find(c.says), std::string::npos) << c.word << ": " << problem;
    }
}

// 600 steps of one beat at 101.25 BPM stay on the beats; steps of 593 ms,
// the nearest whole ms, end 244 ms late.
TEST(MusicalTime, SyncStepsOfBeatsStayOnTheGrid) {
    const double beatMs = 60000.0 / 101.25;
    for (const char* length : {"1b", "593"}) {
        TempShow show;
        load(show, std::string("Tempo 101.25\nSync 5 ") + length +
                       "\n@sync\n0 track 5 type 1 insync\n"
                       "0 track 1 type 1 duration 400000 sync 0\n");
        ASSERT_TRUE(script.diagnostics.empty()) << script.diagnostics[0].message;
        engine = CMain{};
        timer.useVirtual(1000);
        timer.init();
        std::vector<int32_t> ends; // each step's scheduled end, as it is armed
        while (ends.size() < 600) {
            stepFrame();
            for (const CScene& s : script.scenes)
                if (s.sync && (ends.empty() || ends.back() != s.syncStepEnd)) ends.push_back(s.syncStepEnd);
            timer.getTime();
        }
        double worst = 0;
        for (size_t k = 0; k < ends.size(); ++k)
            worst = std::max(worst, std::abs(ends[k] - (k + 1) * beatMs));
        if (std::string(length) == "1b") {
            EXPECT_LE(worst, 0.5) << length;
        } else {
            EXPECT_NEAR(ends.back() - 600 * beatMs, 244.4, 0.1);
        }
    }
    script.reset();
    timer.useReal();
}

// The module's own times: each order's rows as libopenmpt seeks to them,
// through a speed change and a tempo change.
TEST(MusicalTime, ModuleRowsAsLibopenmptTimesThem) {
    TempShow show;
    const std::string bytes = changingModule();
    show.write("song.xm", bytes);
    load(show, "@sync\no1r8 track 1 type 1 duration 4r\no2r10 track 1 type 1 duration 1b\n18b type 1\n");
    ASSERT_TRUE(script.diagnostics.empty()) << script.diagnostics[0].message;
    // By hand: 64 rows of 120 ms, 8 more, then rows of 60 ms, then of 50 ms.
    EXPECT_EQ(script.times, (std::vector<int32_t>{8640, 12500, 8640}));
    EXPECT_EQ(script.modulePath, "data/song.xm");

    openmpt_module* m = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr,
                                                           nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(m, nullptr);
    ModuleTiming timing;
    std::string error;
    ASSERT_TRUE(readModuleTiming(show.data("song.xm"), timing, error)) << error;
    ASSERT_EQ(timing.orderRows.size(), 3u);
    for (int o = 0; o < 3; ++o)
        for (int r = 0; r < 64; ++r) {
            int32_t ms = 0;
            double beat = 0;
            const std::string word = "o" + std::to_string(o) + "r" + std::to_string(r);
            ASSERT_EQ(readStartTime(word, script.grid, ms, beat), TimeRead::Musical) << word;
            EXPECT_EQ(ms, roundMs(openmpt_module_set_position_order_row(m, o, r) * 1000)) << word;
        }
    openmpt_module_destroy(m);
    EXPECT_EQ(timing.played.size(), 192u);
    const ModuleRowTime& changed = timing.played[64 + 8];
    EXPECT_EQ((std::vector<int>{changed.order, changed.row, changed.speed, changed.tempo}),
              (std::vector<int>{1, 8, 3, 125}));
    EXPECT_EQ(timing.played[128].tempo, 150);

    // Lengths in rows and beats count the module's own rows from the start.
    script.current = 0;
    timer.useVirtual(1000);
    timer.elapsed = 8640;
    script.parse();
    timer.elapsed = 12500;
    script.parse();
    ASSERT_EQ(script.scenes.size(), 2u);
    EXPECT_EQ(script.scenes[0].endTime, 8640 + 4 * 60);
    EXPECT_EQ(script.scenes[1].endTime, 12500 + 4 * 50);
    script.reset();
    timer.useReal();
}

TEST(MusicalTime, UnreadableTimesLeaveTheirCommandOutWithAnError) {
    TempShow show;
    load(show, "Tempo 120 3\nSync 1 1b 2 4:1 3 500\n@sync\n0 type 1\n4:x type 1\n2b type 1 duration 2:1\n"
               "o1r0 type 1\n1:3 type 1 duration 2b\n");
    EXPECT_EQ(script.times, (std::vector<int32_t>{0, 1000}));
    EXPECT_EQ(script.commandLines, (std::vector<int>{4, 8}));
    ASSERT_EQ(script.syncTracks.size(), 1u);
    ASSERT_EQ(script.syncTracks[0].size(), 2u);
    EXPECT_EQ(script.syncTracks[0][0].length, 500);
    EXPECT_EQ(script.syncTracks[0][1].length, 500);
    for (const char* says : {"'4:x': the beat 'x'", "'2:1' is a position, not a length",
                             "'o1r0' is a position in a tracker module", "the step is left out"})
        EXPECT_TRUE(hasDiagnostic(says)) << says;
    for (const Diagnostic& d : script.diagnostics)
        EXPECT_EQ(d.severity, Diagnostic::Error) << d.message;

    load(show, "Tempo fast\n@sync\n");
    EXPECT_TRUE(hasDiagnostic("write e.g. \"Tempo 125\""));
    load(show, "Tempo 120 four\n@sync\n");
    EXPECT_TRUE(hasDiagnostic("no whole number from 1 to 64"));
    script.reset();
}
