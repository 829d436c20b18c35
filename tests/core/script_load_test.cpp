#include "engine/config.h"
#include "script/script.h"
#include "support/temp_dir.h"

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

struct Case {
    const char* name;
    std::string text;
    Lines kept; // without the final "@end" that loading appends
};

void expectKept(const Case& c) {
    Lines want = c.kept;
    want.push_back("@end");
    EXPECT_EQ(load(c.text), want) << c.name;
}

TEST(ScriptLoad, LineProcedure) {
    const Case cases[] = {
        {"worked example",
         "# opening\nDefine LEN 2.5\nDefault 800x600 !sound\nSync 1 0.5 2 1.25\n@sync\n"
         "0.0 blendFunc GL_SRC_ALPHA GL_ONE\n1.5 duration LEN blend\n1.5 duration LEN\n3 duration 2\n",
         {"Default 800x600 !sound", "Sync 1 500 2 1250", "@sync", "0 blendFunc 770 1",
          "1500 duration 2500 blend", "1500 duration 2.5", "3 duration 2"}},
        {"comment only in the first column",
         "# gone\n  # kept\nx # kept too\n",
         {"  # kept", "x # kept too"}},
        {"blank line kept as it is", "a\n   \n\nb\n", {"a", "   ", "b"}},
        {"time words",
         "5. a\n.5 a\n1.2.3 a\n-1.5 a\n1e3 a\n10 a\n",
         {"5000 a", "500 a", "1200 a", "-1.5 a", "1e3 a", "10 a"}},
        {"products truncated", "2.01 a\n1.005 a\n4.35 a\n", {"2009 a", "1004 a", "4350 a"}},
        {"seconds only first, after duration, after Sync",
         "0 move 1.5 duration 2.5 x\nSync 1 0.5 x 0.25\n",
         {"0 move 1.5 duration 2500 x", "Sync 1 500 x 250"}},
        {"a conversion replaces the first occurrence",
         "0 move 1.5 duration 1.5\n",
         {"0 move 1500 duration 1.5"}},
        {"first occurrence hits a containing word",
         "Define A 7\n0 move A 1 Alpha\n0 Alpha A\n0 Alpha A blend\n",
         {"0 move 7 1 Alpha", "0 7lpha A", "0 7lpha 7 blend"}},
        {"last word replaced but not read again",
         "Define LEN 2.5\n1 duration LEN\n1 duration LEN \n",
         {"1 duration 2.5", "1 duration 2500 "}},
        {"a replaced first word is no longer the first word", "Define X 1.5\nX scene 0\n", {"1.5 scene 0"}},
        {"constants win over definitions", "Define GL_ONE 5\n0 GL_ONE x\n", {"0 1 x"}},
        {"constants whole words only", "0 gl_one GL_ON GL_ONE_ x\n", {"0 gl_one GL_ON GL_ONE_ x"}},
        {"constant values",
         "0 GL_LIGHT0 GL_AMBIENT GL_FALSE GL_ZERO GL_ONE GL_TRUE GL_LIGHT1 GL_DIFFUSE x\n",
         {"0 0 0 0 0 1 1 1 1 x"}},
        {"redefinition from its line on", "Define A 1\n0 A x\nDefine A 2\n0 A x\n", {"0 1 x", "0 2 x"}},
        {"definitions that chain",
         "Define A 1\nDefine B A\n0 move B 2\n0 move B\n",
         {"0 move 1 2", "0 move A"}},
        {"definition text keeps its blanks", "Define S  a  b \n0 S x\n", {"0  a  b  x"}},
        {"definition line never kept", "x Define A 1\n0 A y\n", {"0 1 y"}},
        {"Define with nothing after the name is empty", "Define E\n0 E x\n", {"0  x"}},
        {"continuation carries the previous word", "0 duration \\\n1.5 blend\n", {"0 duration 1500 blend"}},
        {"continuation carries the after-Sync flag", "Sync 1 \\\n0.5 2 0.5\n", {"Sync 1 500 2 500"}},
        {"continuation drops the backslash", "0 a \\\nb\n1 c\n", {"0 a b", "1 c"}},
        {"text after the backslash", "0 a \\ bc\nd\n0 a \\ \ne\n", {"0 a \\ bd", "0 a \\e"}},
        {"a joined line with a definition is not kept", "x \\\nDefine A 1\n0 A y\n", {"0 1 y"}},
        {"empty continuation line continues the join", "0 a \\\n\nb\n", {"0 a b"}},
        {"backslash on the last line ends the line", "0 a \\", {"0 a "}},
        {"backslash on the last line before the final line feed", "0 a \\\n", {"0 a "}},
    };
    for (const Case& c : cases)
        expectKept(c);
}

TEST(ScriptLoad, EndMarker) {
    struct EndCase {
        const char* name;
        std::string text;
        Lines kept;
    } cases[] = {
        {"appended", "a\n", {"a", "@end"}},
        {"not doubled", "a\n@end\n", {"a", "@end"}},
        {"nothing after it is read", "@sync\n@end\nDefine A A\n0 A b\n", {"@sync", "@end"}},
        {"CR LF @end is no end marker",
         "@sync\r\n0 a\r\n@end\r\nb\r\n",
         {"@sync\r", "0 a\r", "@end\r", "b\r", "@end"}},
        {"a name that becomes @end ends", "Define E @end\nE\nb\n", {"@end"}},
        {"empty file", "", {"@end"}},
    };
    for (const EndCase& c : cases)
        EXPECT_EQ(load(c.text), c.kept) << c.name;
}

TEST(ScriptLoad, LineNumbersArePhysicalAndJoinedLinesTakeTheirFirst) {
    load("# c\n0 a \\\nb\n\n1 c\n");
    EXPECT_EQ(script.lineNumbers, (std::vector<int>{2, 5, 0}));
}

TEST(ScriptLoad, EndlessDefinitionsAreBoundedWithAnError) {
    const Case cases[] = {
        {"own name", "Define A A\n@sync\n0 A b\n1 c\n", {"@sync", "0 A b", "1 c"}},
        {"through another name", "Define A B x\nDefine B A y\n@sync\n0 A z\n1 c\n", {}},
        {"growing text", "Define A A A\n@sync\n0 A b\n1 c\n", {}},
    };
    for (const Case& c : cases) {
        const Lines kept = load(c.text);
        if (!c.kept.empty()) {
            expectKept(c);
        } else {
            ASSERT_EQ(kept.size(), 4u) << c.name;
            EXPECT_EQ(kept[2], "1 c") << c.name;
        }
        const int line = c.text.find("Define B") != std::string::npos ? 4 : 3;
        EXPECT_TRUE(hasDiagnostic(Diagnostic::Error, line, "never ends")) << c.name;
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

TEST(ScriptLoad, UnopenableFileKeepsNothing) {
    script.reset();
    script.init("/nonexistent/data/script.txt");
    EXPECT_FALSE(script.opened);
    EXPECT_EQ(script.openError, "No such file or directory");
    EXPECT_TRUE(script.keptLines.empty());
    EXPECT_TRUE(script.commands.empty());
    EXPECT_TRUE(script.diagnostics.empty());
}

TEST(ScriptLoad, TablesAreEmptyAfterLoading) {
    load("Define A 1\n@sync\n0 A x\n");
    EXPECT_TRUE(script.opened);
    EXPECT_TRUE(script.defines.empty());
    EXPECT_TRUE(script.constants.empty());
    EXPECT_TRUE(script.lines.empty());
}

TEST(ScriptConstants, DefineInitFillsThirtyFiveAndForgetsDefinitions) {
    CScript s;
    s.defines["A"] = "1";
    s.defineInit();
    EXPECT_TRUE(s.defines.empty());
    ASSERT_EQ(s.constants.size(), 35u);
    const std::pair<const char*, int32_t> some[] = {
        {"GL_SRC_ALPHA", 770},
        {"GL_LIGHT3", 3},
        {"GL_ALWAYS", 519},
        {"GL_POSITION", 5},
        {"GL_SRC_ALPHA_SATURATE", 776},
        {"GL_NEVER", 512},
        {"GL_ONE_MINUS_DST_COLOR", 775},
        {"GL_SHININESS", 3},
    };
    for (const auto& [name, value] : some)
        EXPECT_EQ(s.constants.at(name), value) << name;
}

} // namespace
