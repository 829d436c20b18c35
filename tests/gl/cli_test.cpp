#include "support/run.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

// Output paths are taken relative to where the program was started, and the
// show folder may stand before or after the options.
TEST(CommandLine, OutputPathsAreRelativeToTheStartingFolderWhereverShowDirStands) {
    TempShow show;
    show.script("@sync\n");
    TempShow cwd;
    const std::vector<std::vector<std::string>> forms = {
        {"--shot", "0", "a.png", show.dir()},
        {show.dir(), "--shot", "0", "b.png"},
        {"--shot", "0", "c.png", "--fps", "30", show.dir()},
    };
    const char* names[] = {"a.png", "b.png", "c.png"};
    for (size_t i = 0; i < forms.size(); ++i) {
        RunResult r = runTamarack(forms[i], cwd.dir());
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(std::filesystem::exists(cwd.dir() + "/" + names[i])) << names[i];
        EXPECT_FALSE(std::filesystem::exists(show.dir() + "/" + names[i])) << names[i];
    }
}

TEST(CommandLine, UsageErrorsExitWithStatusTwo) {
    const std::vector<std::vector<std::string>> bad = {{"--bogus"},
                                                       {"--shot", "1"},
                                                       {"--shot", "x", "a.png"},
                                                       {"--fps", "0", "--scenes", "1"},
                                                       {"-E", "--inspect"}};
    for (const auto& args : bad) {
        RunResult r = runTamarack(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_NE(r.err.find("Usage: tamarack"), std::string::npos) << args[0];
    }
}
