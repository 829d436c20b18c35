#include "support/run.h"
#include "support/temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>

// Output paths are taken relative to where the program was started, wherever
// the show folder stands among the options.
TEST(CommandLine, OutputPathsAreRelativeToTheStartingFolderWhereverShowDirStands) {
    TempShow show, cwd;
    show.script("@sync\n");
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"--shot", "0", "a.png", show.dir()},
                                               {show.dir(), "--shot", "0", "b.png"},
                                               {"--shot", "0", "c.png", "--fps", "30", show.dir()}}) {
        const std::string name = args[0] == show.dir() ? args[3] : args[2];
        EXPECT_EQ(runTamarack(args, cwd.dir()).status, 0) << name;
        EXPECT_TRUE(std::filesystem::exists(cwd.dir() + "/" + name)) << name;
        EXPECT_FALSE(std::filesystem::exists(show.dir() + "/" + name)) << name;
    }
}

TEST(CommandLine, UsageErrorsExitWithStatusTwo) {
    for (const auto& args : std::vector<std::vector<std::string>>{{"--bogus"},
                                                                  {"--shot", "1"},
                                                                  {"--shot", "x", "a.png"},
                                                                  {"--fps", "0", "--scenes", "1"},
                                                                  {"-E", "--inspect"}}) {
        const RunResult r = runTamarack(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_NE(r.err.find("Usage: tamarack"), std::string::npos) << args[0];
    }
}
