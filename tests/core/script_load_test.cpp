#include "base/config.h"
#include "script/script.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <ctime>
#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

// Loads `text` as data/script.txt of a fresh show and returns the kept lines.
Lines load(const std::string& text) {
    TempShow show;
    show.script(text);
    script.reset();
    einit.defaults();
    script.init(show.data("script.txt").c_str());
    return script.keptLines;
}

bool hasDiagnostic(Diagnostic::Severity severity, int line, const std::string& part) {
    for (const Diagnostic& d : script.diagnostics)
        if (d.severity == severity && d.line == line && d.message.find(part) != std::string::npos &&
            d.file == "data/script.txt")
            return true;
    return false;
}

TEST(ScriptLoad, LineProcedure) {
    struct Case {
        const char* name;
        std::string text;
        Lines kept; // without the final "@end" that loading appends
    } cases[] = {
        {"worked example",
         "# opening\nDefine LEN 2.5\nDefault 800x600 !sound\nSync 1 0.5 2 1.25\n@sync\n"
         "0.0 blendFunc GL_SRC_ALPHA GL_ONE\n1.5 duration LEN blend\n1.5 duration LEN\n  # kept\n",
         {"Default 800x600 !sound", "Sync 1 500 2 1250", "@sync", "0 blendFunc 770 1",
          "1500 duration 2500 blend", "1500 duration 2.5", "  # kept"}},
        {"time words, products truncated",
         "5. a\n.5 a\n1.2.3 a\n-1.5 a\n1e3 a\n2.01 a\n1.005 a\n4.35 a\n",
         {"5000 a", "500 a", "1200 a", "-1.5 a", "1e3 a", "2009 a", "1004 a", "4350 a"}},
        {"a conversion replaces the first occurrence",
         "0 move 1.5 duration 1.5\n",
         {"0 move 1500 duration 1.5"}},
        {"first occurrence hits a containing word",
         "Define A 7\n0 Alpha A\n0 Alpha A blend\n",
         {"0 7lpha A", "0 7lpha 7 blend"}},
        {"constants win over definitions", "Define GL_ONE 5\n0 GL_ONE x\n", {"0 1 x"}},
        {"definitions that chain",
         "Define A 1\nDefine B A\n0 move B 2\n0 move B\n",
         {"0 move 1 2", "0 move A"}},
        {"Define with nothing after the name is empty", "Define E\n0 E x\n", {"0  x"}},
        {"continuation carries the previous word", "0 duration \\\n1.5 blend\n", {"0 duration 1500 blend"}},
        {"backslash on the last line ends the line", "0 a \\", {"0 a "}},
        {"backslash on the last line before the final line feed", "0 a \\\n", {"0 a "}},
        {"end marker not doubled", "a\n@end\n", {"a"}},
        {"nothing after the end marker is read", "@sync\n@end\nDefine A A\n0 A b\n", {"@sync"}},
        {"CR LF @end is no end marker",
         "@sync\r\n0 a\r\n@end\r\nb\r\n",
         {"@sync\r", "0 a\r", "@end\r", "b\r"}},
        {"empty file", "", {}},
        // A replacement reads the line again from the start; these are the
        // cases where the words before it are read differently the second time.
        {"a Sync makes earlier seconds count when the line is read again",
         "Define A 7\nx 1.5 Sync 2 A 3\n",
         {"x 1500 Sync 2 7 3"}},
        {"a definition is executed again when its line is read again",
         "Define A 5\n0 Define B A x\n1 B\n",
         {"1 5 x"}},
        {"a replaced 'duration' comes before the first word read again",
         "Define duration 5\n0 x \\\n1.5 duration y\n",
         {"0 x 1500 5 y"}},
        {"a replaced 'Sync' comes before the first word read again",
         "Define Sync 3\n0 x \\\n1.5 Sync y\n",
         {"0 x 1500 3 y"}},
    };
    for (const auto& c : cases) {
        Lines want = c.kept;
        want.push_back("@end");
        EXPECT_EQ(load(c.text), want) << c.name;
    }
}

TEST(ScriptLoad, EndlessDefinitionsAreBoundedWithAnError) {
    const std::pair<const char*, int> cases[] = {{"Define A A\n@sync\n0 A b\n1 c\n", 3},
                                                 {"Define A A A\n@sync\n0 A b\n1 c\n", 3},
                                                 {"Define A B x\nDefine B A y\n@sync\n0 A z\n1 c\n", 4}};
    for (const auto& [text, line] : cases) {
        const Lines kept = load(text);
        ASSERT_EQ(kept.size(), 4u) << text;
        EXPECT_EQ(kept[2], "1 c") << text;
        EXPECT_TRUE(hasDiagnostic(Diagnostic::Error, line, "never ends")) << text;
    }
}

std::string repeat(const std::string& text, int n) {
    std::string out;
    while (n-- > 0)
        out += text;
    return out;
}

int loadErrors() {
    return static_cast<int>(
        std::count_if(script.diagnostics.begin(), script.diagnostics.end(),
                      [](const Diagnostic& d) { return d.severity == Diagnostic::Error; }));
}

// Loading works in proportion to the file: endless definitions on every line
// cost little (CPU time of this thread, whatever else runs), and long lines
// of many replacements, which end, load whole.
TEST(ScriptLoad, WorkIsInProportionToTheFile) {
    const std::string endless[] = {
        "Define A x B\nDefine B y A\n@sync\n" + repeat("0 A z\n", 300),
        "Define A x B\nDefine B y C\nDefine C w A\n@sync\n" + repeat("0 A z\n", 300),
        "Define A 1.5 A\n@sync\n" + repeat("0 duration A z\n", 300),
    };
    for (const std::string& text : endless) {
        timespec t0{}, t1{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t0);
        load(text);
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t1);
        EXPECT_LT((t1.tv_sec - t0.tv_sec) * 1e3 + (t1.tv_nsec - t0.tv_nsec) / 1e6, 500) << text.substr(0, 40);
        EXPECT_GE(loadErrors(), 300) << text.substr(0, 40);
    }
    const std::pair<std::string, std::string> ending[] = {
        {"Sync" + repeat(" 1 0.25", 1000), "Sync" + repeat(" 1 250", 1000)},
        {"Define N x\n0" + repeat(" N", 300) + " end", "0" + repeat(" x", 300) + " end"},
        {"0" + repeat(" GL_ONE", 3000) + " x", "0" + repeat(" 1", 3000) + " x"},
    };
    for (const auto& [text, kept] : ending) {
        EXPECT_EQ(load("@sync\n" + text + "\n"), (Lines{"@sync", kept, "@end"})) << text.substr(0, 40);
        EXPECT_EQ(loadErrors(), 0) << text.substr(0, 40);
    }
}

TEST(ScriptLoad, BackslashInADefinitionIsAContinuationWhereverItIsRead) {
    EXPECT_EQ(load("Define X a \\\nswallowed\n0 X b\nnext\n0 X\n"), (Lines{"0 a \\ next", "0 a \\", "@end"}));
    EXPECT_TRUE(hasDiagnostic(Diagnostic::Warning, 1, "backslash"));
}

TEST(ScriptLoad, Diagnostics) {
    load("Define\n@sync\n0 a \\");
    EXPECT_TRUE(hasDiagnostic(Diagnostic::Warning, 1, "without a name"));
    EXPECT_TRUE(hasDiagnostic(Diagnostic::Warning, 3, "continuation"));
    EXPECT_EQ(load("99999999.5 x\n"), (Lines{"2147483647 x", "@end"}));
    EXPECT_TRUE(hasDiagnostic(Diagnostic::Warning, 1, "99999999.5"));
}

TEST(ScriptConstants, DefineInitFillsThirtyFiveAndForgetsDefinitions) {
    CScript s;
    s.defines["A"] = "1";
    s.defineInit();
    EXPECT_TRUE(s.defines.empty());
    ASSERT_EQ(s.constants.size(), 35u);
    const std::pair<const char*, int32_t> some[] = {
        {"GL_SRC_ALPHA", 770},          {"GL_LIGHT3", 3}, {"GL_ALWAYS", 519}, {"GL_POSITION", 5},
        {"GL_SRC_ALPHA_SATURATE", 776}, {"GL_FALSE", 0}};
    for (const auto& [name, value] : some)
        EXPECT_EQ(s.constants.at(name), value) << name;
}

} // namespace
