#include "base/output_file.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

// The names in `dir`, sorted.
std::vector<std::string> names(const std::string& dir) {
    std::vector<std::string> all;
    for (const auto& e : fs::directory_iterator(dir))
        all.push_back(e.path().filename().string());
    std::sort(all.begin(), all.end());
    return all;
}

} // namespace

TEST(OutputFile, TheNameHoldsTheOldFileUntilTheNewOneIsWhole) {
    const struct {
        const char* end;
        const char* after;
    } cases[] = {{"commit", "new"}, {"a failed write", "old"}, {"discard", "old"}};
    for (const auto& c : cases) {
        TempShow tmp;
        const std::string path = tmp.dir() + "/shot.png";
        std::ofstream(path) << "old";
        OutputFile out;
        std::string error;
        ASSERT_TRUE(out.open(path, error)) << error;
        ASSERT_EQ(std::fputs("new", out.stream()), 1);
        std::fflush(out.stream());
        const std::vector<std::string> during = names(tmp.dir());
        ASSERT_EQ(during.size(), 3u); // the temporary file, data/, shot.png
        EXPECT_TRUE(OutputFile::isTemporaryName(during[0])) << during[0];
        EXPECT_EQ(during[0].compare(0, 10, ".shot.png."), 0) << during[0];
        EXPECT_EQ(readFile(path), "old");
        if (c.end == std::string("commit")) {
            EXPECT_TRUE(out.commit(error)) << error;
        } else if (c.end == std::string("discard")) {
            out.discard();
        } else {
            out.fail(ENOSPC);
            EXPECT_FALSE(out.commit(error));
            EXPECT_EQ(error, "No space left on device");
        }
        EXPECT_EQ(readFile(path), c.after) << c.end;
        EXPECT_EQ(names(tmp.dir()), (std::vector<std::string>{"data", "shot.png"})) << c.end;
    }
}

TEST(OutputFile, ALinkIsReplacedNotFollowedAndAFolderIsRefused) {
    TempShow tmp;
    const std::string outside = tmp.data("target.txt");
    std::ofstream(outside) << "keep";
    fs::create_symlink(outside, tmp.dir() + "/link.html");
    fs::create_symlink(tmp.data("nowhere"), tmp.dir() + "/dangling.html");
    fs::create_directory(tmp.dir() + "/folder.html");
    const struct {
        const char* name;
        const char* reason; // empty: written
    } cases[] = {
        {"link.html", ""},
        {"dangling.html", ""},
        {"folder.html", "Is a directory"},
        {"missing/page.html", "No such file or directory"},
    };
    for (const auto& c : cases) {
        const std::string path = tmp.dir() + "/" + c.name;
        std::string error;
        bool replaced = false;
        const bool ok = writeOutputFile(path, "page", error, &replaced);
        EXPECT_EQ(ok, *c.reason == '\0') << c.name << ": " << error;
        if (ok) {
            EXPECT_TRUE(replaced) << c.name;
            EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path))) << c.name;
            EXPECT_EQ(readFile(path), "page");
        } else {
            EXPECT_EQ(error, "cannot write " + path + ": " + c.reason);
        }
    }
    EXPECT_EQ(readFile(outside), "keep");
    EXPECT_EQ(names(tmp.dir() + "/data"), (std::vector<std::string>{"target.txt"}));
    EXPECT_TRUE(fs::is_empty(tmp.dir() + "/folder.html"));
    EXPECT_EQ(names(tmp.dir()),
              (std::vector<std::string>{"dangling.html", "data", "folder.html", "link.html"}));
}
