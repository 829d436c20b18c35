#pragma once
#include <string>
#include <sys/types.h>
#include <vector>

struct RunResult {
    int status = -1; // exit status, or -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Runs the real tamarack binary with the arguments, in the working directory
// `cwd` (empty: the current one), with extra environment entries NAME=VALUE.
RunResult runTamarack(const std::vector<std::string>& args, const std::string& cwd = "",
                      const std::vector<std::string>& env = {});

// The same for any program, given by its path.
RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& cwd = "", const std::vector<std::string>& env = {});

// A program (empty: tamarack) started in the background, its output going to
// temporary files (stdout to `outPath` instead when that is given).
class Started {
  public:
    Started(const std::vector<std::string>& args, const std::string& cwd = "",
            const std::vector<std::string>& env = {}, const std::string& outPath = "",
            const std::string& program = "");
    ~Started();
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;

    std::string errSoFar() const;
    void signal(int sig) const;
    // Waits for the end.
    RunResult wait();

  private:
    pid_t pid = -1;
    std::string outName, errName;
    bool ownOut = true;
};
