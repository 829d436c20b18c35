// --tempo: the music's musical map, as text and JSON, run as the real binary.
#include "support/make_module.h"
#include "support/run.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace {

bool hasLine(const std::string& text, const std::string& line) {
    return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

} // namespace

TEST(TempoMode, AModuleGivesItsOrdersRowsAndChanges) {
    TempShow show;
    show.write("song.xm", changingModule());
    show.script("@sync\n");
    const RunResult text = runTamarack({"--tempo"}, show.dir());
    ASSERT_EQ(text.status, 0) << text.err;
    for (const char* line :
         {"music data/song.xm, module, 15.200 s", "beat 4 rows, 4 beats a bar",
          "change o0r0 0.000 ms speed 6 tempo 125", "change o1r8 8640.000 ms speed 3 tempo 125",
          "change o2r0 12000.000 ms speed 3 tempo 150", "order o1 7680.000 ms, pattern 1, 64 rows",
          "  o1r9 8700.000 ms 5:3.25", "  o2r10 12500.000 ms 9:3.5"})
        EXPECT_TRUE(hasLine(text.out, line)) << line << "\n" << text.out.substr(0, 400);

    const RunResult json = runTamarack({"--tempo", "--json"}, show.dir());
    ASSERT_EQ(json.status, 0) << json.err;
    const auto map = nlohmann::json::parse(json.out);
    EXPECT_EQ(map["module"]["orders"][1]["rows"][8], 8640.0);
    EXPECT_EQ(map["module"]["orders"][2]["ms"], 12000.0);
    EXPECT_EQ(map["module"]["changes"].size(), 3u);
    EXPECT_TRUE(map["tempo"].is_null());
    // The beats follow the rows: beat 18 is row 8 of order 1.
    EXPECT_EQ(map["beats"][18]["ms"], 8640);
    EXPECT_EQ(map["beats"][18]["bar"], 5);
    EXPECT_EQ(map["beats"][18]["beat"], 3);
}

TEST(TempoMode, ATempoGivesEveryBeatAndNoMapIsAnError) {
    TempShow show;
    show.script("Tempo 174 3\n@sync\n2000 end\n");
    const RunResult r = runTamarack({"--tempo"}, show.dir());
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* line : {"tempo 174 beats a minute, 3 beats a bar, a beat 344.828 ms", "beat 1:1 0 ms",
                             "beat 1:2 345 ms", "beat 2:1 1034 ms", "beat 2:3 1724 ms"})
        EXPECT_TRUE(hasLine(r.out, line)) << line << "\n" << r.out;
    EXPECT_EQ(r.out.find("beat 3:1"), std::string::npos) << "past the last command";

    show.script("@sync\n");
    const RunResult none = runTamarack({"--tempo"}, show.dir());
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "tamarack: the show has no musical map: data/ holds no music and the script gives no "
                        "'Tempo'; add a line 'Tempo BPM' (the music's beats a minute) before '@sync'\n");
    EXPECT_EQ(runTamarack({"--inspect", "--json"}, show.dir()).status, 2);
}
